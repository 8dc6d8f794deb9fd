#include "tree_merge.h"

#include <algorithm>
#include <functional>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "config/config_stream.h"
#include "config/line_grammar.h"
#include "config/name_compare.h"
#include "config/save_walk.h"
#include "config/tree_diff.h"
#include "config/value.h"
#include "config_path.h"
#include "tree_patch.h"

namespace cfgtool {

struct TreeMerge::Marked {
  // Theirs' side, when it is not the item itself; null when theirs holds
  // nothing there.
  const cfg::NamedObject* theirs;
  // The item in the result is a copy of theirs' side: ours holds nothing.
  bool oursEmpty;
  const char* reason;
};

namespace {

using Item = cfg::NamedObject;
using ItemPtr = std::unique_ptr<cfg::NamedObject>;

// A section or record of list at that slot that a save writes; else nullptr.
const cfg::ConfigNode* WrittenNode(const cfg::Section& list, int slot) {
  auto node = static_cast<const cfg::ConfigNode*>(list.ItemAt(slot));
  if (node == nullptr || node->IsNull() || node->GetName() == nullptr) return nullptr;
  return node;
}
// The slot of list's item named name; 0 when none. The versions of a file
// mostly hold their items in the same slots, so slot hint is tried before
// the name index.
int SlotNamed(const cfg::NamedList& list, std::string_view name, int hint) {
  const cfg::NamedObject* item = list.ItemAt(hint);
  if (item != nullptr && item->GetName() != nullptr && cfg::NamesEqual(item->NameView(), name)) return hint;
  return list.IndexOfName(name);
}
const cfg::ConfigNode* NodeNamed(const cfg::Section& list, std::string_view name, int hint = 0) {
  return WrittenNode(list, SlotNamed(list, name, hint));
}
// A named value of record that a save writes, by name; else nullptr.
const cfg::Value* ValueNamed(const cfg::Record& record, std::string_view name, int hint = 0) {
  const cfg::Value* value = record.ValueAt(SlotNamed(record, name, hint));
  return value->IsNone() ? nullptr : value;
}
// The unnamed values of record, in slot order, with their slots.
using UnnamedList = std::vector<std::pair<const cfg::Value*, int>>;
void UnnamedValues(const cfg::Record& record, UnnamedList* values) {
  values->clear();
  for (int slot = 1; slot <= record.Count(); ++slot) {
    const cfg::Value* value = record.ValueAt(slot);
    if (!value->IsNone() && value->GetName() == nullptr) values->emplace_back(value, slot);
  }
}

bool SameState(const cfg::ConfigNode* a, const cfg::ConfigNode* b) {
  return a == nullptr || b == nullptr ? a == b : cfg::SameNode(*a, *b);
}
bool SameState(const cfg::Value* a, const cfg::Value* b) {
  return a == nullptr || b == nullptr ? a == b : cfg::SameValue(*a, *b);
}

enum class Outcome { KeepOurs, TakeTheirs, Conflict };

// What becomes of one item (absent on a side: null).
template <class T>
Outcome Resolve(const T* base, const T* ours, const T* theirs) {
  if (SameState(ours, theirs)) return Outcome::KeepOurs;  // the same edit, or none
  if (SameState(base, ours)) return Outcome::TakeTheirs;
  if (SameState(base, theirs)) return Outcome::KeepOurs;
  return Outcome::Conflict;
}

// Why an item is a conflict.
const char* ConflictReason(const void* base, const void* ours, const void* theirs, bool kindsDiffer) {
  if (base == nullptr) {
    return kindsDiffer ? "added on both sides, as a section and as a record"
                       : "added on both sides, differently";
  }
  if (ours == nullptr) return "deleted on ours, changed on theirs";
  if (theirs == nullptr) return "changed on ours, deleted on theirs";
  return "changed on both sides, differently";
}

// Where an item of theirs goes in the result's list.
enum class Place {
  AfterPrevious,  // after the item that precedes it in theirs, else at the end
  End,            // at the end (unnamed values that theirs appends)
};

// The last item before slot in theirs' list that a save writes; else nullptr.
const Item* PreviousWritten(const cfg::NamedList& list, int slot) {
  for (int i = slot - 1; i >= 1; --i) {
    const Item* item = list.ItemAt(i);
    if (item == nullptr) continue;
    if (auto value = dynamic_cast<const cfg::Value*>(item)) {
      if (!value->IsNone()) return item;
    } else if (auto node = static_cast<const cfg::ConfigNode*>(item); !node->IsNull() && node->GetName() != nullptr) {
      return item;
    }
  }
  return nullptr;
}

}  // namespace

// The changes to one list of the result (ours'), gathered while the items are
// resolved and carried out at the end, so that lookups in the list stay
// valid until then.
class TreeMerge::ListMerge {
 public:
  explicit ListMerge(TreeMerge& merge) : merge_(merge) {}

  // Starts on the next list; what was gathered for the last one is dropped
  // (the containers keep their room: one ListMerge serves many lists).
  void Start(cfg::NamedList& ours, const cfg::NamedList& theirs) {
    ours_ = &ours;
    theirs_ = &theirs;
    matched_.clear();
    oursAdded_.clear();
    replaced_.clear();
    removed_.clear();
    inserted_.clear();
  }

  // Theirs' item stands for result in the result (for placing what follows it).
  void Match(const Item* theirs, Item* result) { matched_.push_back({theirs, result}); }
  // Ours' item is one that ours added.
  void OursAdded(const Item* item) { oursAdded_.push_back(item); }
  // The item at that slot gives way to a copy of theirs', in its place.
  void Replace(int slot, const Item& theirs) { replaced_.push_back({slot, &theirs}); }
  void Remove(int slot) { removed_.push_back(slot); }
  // A copy of theirs' item at theirsSlot goes into the list; marked with
  // reason when it stands for a conflict ours has no side of.
  void Insert(const Item& theirs, int theirsSlot, Place place, const char* conflict = nullptr) {
    inserted_.push_back({&theirs, theirsSlot, place, conflict});
  }
  // Marks ours' item as a conflict with theirs' side.
  void Conflict(const Item* ours, const Item* theirs, const char* reason) {
    merge_.marked_[ours].reset(new Marked{theirs, false, reason});
    if (theirs != nullptr) Match(theirs, const_cast<Item*>(ours));
  }

  void Finish() {
    for (const Replacement& r : replaced_) {
      ItemPtr copy = r.theirs->Clone();
      // A replaced value keeps the spelling of ours' name.
      copy->SetName(ours_->ItemAt(r.slot)->GetName());
      Item* raw = copy.get();
      ours_->RemoveAt(r.slot);
      AddAtPlace(*ours_, copy, r.slot);
      Match(r.theirs, raw);
    }
    for (int slot : removed_) ours_->RemoveAt(slot);
    if (inserted_.empty()) return;

    // Placing needs the matches by theirs' item, and ours' additions.
    std::unordered_map<const Item*, Item*> matched(matched_.begin(), matched_.end());
    const std::unordered_set<const Item*> oursAdded(oursAdded_.begin(), oursAdded_.end());
    std::sort(inserted_.begin(), inserted_.end(),
              [](const Insertion& a, const Insertion& b) { return a.theirsSlot < b.theirsSlot; });
    std::vector<ItemPtr> order = ours_->TakeAll();
    for (const Insertion& insertion : inserted_) {
      ItemPtr copy = insertion.theirs->Clone();
      Item* raw = copy.get();
      size_t at = order.size();
      if (insertion.place == Place::AfterPrevious) {
        const Item* previous = PreviousWritten(*theirs_, insertion.theirsSlot);
        at = previous == nullptr ? 0 : PositionAfter(order, matched, previous);
        // Ours' additions at that place come first.
        while (at < order.size() && oursAdded.count(order[at].get()) != 0) ++at;
      }
      order.insert(order.begin() + static_cast<std::ptrdiff_t>(at), std::move(copy));
      matched[insertion.theirs] = raw;
      if (insertion.conflict != nullptr) merge_.marked_[raw].reset(new Marked{nullptr, true, insertion.conflict});
    }
    for (ItemPtr& item : order) ours_->Add(item);
  }

 private:
  struct Replacement {
    int slot;
    const Item* theirs;
  };
  struct Insertion {
    const Item* theirs;
    int theirsSlot;
    Place place;
    const char* conflict;
  };

  // The position just after the result's counterpart of theirs' item, or
  // the end when the result has none.
  static size_t PositionAfter(const std::vector<ItemPtr>& order, const std::unordered_map<const Item*, Item*>& matched,
                              const Item* theirs) {
    auto match = matched.find(theirs);
    if (match == matched.end()) return order.size();
    for (size_t i = 0; i < order.size(); ++i) {
      if (order[i].get() == match->second) return i + 1;
    }
    return order.size();
  }

  TreeMerge& merge_;
  cfg::NamedList* ours_ = nullptr;
  const cfg::NamedList* theirs_ = nullptr;
  std::vector<std::pair<const Item*, Item*>> matched_;
  std::vector<const Item*> oursAdded_;
  std::vector<Replacement> replaced_;
  std::vector<int> removed_;
  std::vector<Insertion> inserted_;
};

namespace {

// Three sections of one name, to merge.
struct Frame {
  const cfg::Section* base;
  cfg::Section* ours;
  const cfg::Section* theirs;
};

}  // namespace

TreeMerge::TreeMerge(const cfg::Section& base, cfg::Section& ours, const cfg::Section& theirs) : ours_(ours) {
  // Resolves one section or record that ours holds at oursSlot (0: ours has
  // none) and theirs at theirsSlot (0: none).
  auto resolveNode = [](ListMerge& list, const cfg::ConfigNode* b, const cfg::ConfigNode* o, int oursSlot,
                            const cfg::ConfigNode* t, int theirsSlot) {
    switch (Resolve(b, o, t)) {
      case Outcome::KeepOurs:
        if (o != nullptr && t != nullptr) list.Match(t, const_cast<cfg::ConfigNode*>(o));
        return;
      case Outcome::TakeTheirs:
        if (o != nullptr) list.Remove(oursSlot);
        if (t != nullptr) list.Insert(*t, theirsSlot, Place::AfterPrevious);
        return;
      case Outcome::Conflict: {
        const bool kindsDiffer = o != nullptr && t != nullptr && o->IsRecord() != t->IsRecord();
        const char* reason = ConflictReason(b, o, t, kindsDiffer);
        if (o != nullptr) list.Conflict(o, t, reason);
        else list.Insert(*t, theirsSlot, Place::AfterPrevious, reason);
        return;
      }
    }
  };
  auto resolveValue = [](ListMerge& list, const cfg::Value* b, const cfg::Value* o, int oursSlot,
                         const cfg::Value* t, int theirsSlot, Place place) {
    switch (Resolve(b, o, t)) {
      case Outcome::KeepOurs:
        if (o != nullptr && t != nullptr) list.Match(t, const_cast<cfg::Value*>(o));
        return;
      case Outcome::TakeTheirs:
        if (o != nullptr && t != nullptr) list.Replace(oursSlot, *t);
        else if (o != nullptr) list.Remove(oursSlot);
        else list.Insert(*t, theirsSlot, place);
        return;
      case Outcome::Conflict: {
        const char* reason = ConflictReason(b, o, t, false);
        if (o != nullptr) list.Conflict(o, t, reason);
        else list.Insert(*t, theirsSlot, place, reason);
        return;
      }
    }
  };
  // One of each for every record: they keep their room.
  ListMerge values(*this);
  UnnamedList unnamedBase, unnamedOurs, unnamedTheirs;
  auto mergeRecord = [&](const cfg::Record& b, cfg::Record& o, const cfg::Record& t) {
    ListMerge& list = values;
    list.Start(o, t);
    for (int slot = 1; slot <= o.Count(); ++slot) {
      const cfg::Value* value = o.ValueAt(slot);
      if (value->IsNone() || value->GetName() == nullptr) continue;
      const cfg::Value* inBase = ValueNamed(b, value->NameView(), slot);
      if (inBase == nullptr) list.OursAdded(value);
      const int theirsSlot = SlotNamed(t, value->NameView(), slot);
      const cfg::Value* inTheirs = t.ValueAt(theirsSlot)->IsNone() ? nullptr : t.ValueAt(theirsSlot);
      resolveValue(list, inBase, value, slot, inTheirs, theirsSlot, Place::AfterPrevious);
    }
    for (int slot = 1; slot <= t.Count(); ++slot) {
      const cfg::Value* value = t.ValueAt(slot);
      if (value->IsNone() || value->GetName() == nullptr || ValueNamed(o, value->NameView(), slot) != nullptr) continue;
      resolveValue(list, ValueNamed(b, value->NameView(), slot), nullptr, 0, value, slot, Place::AfterPrevious);
    }
    // Unnamed values by their order; what both sides append is all kept.
    UnnamedValues(b, &unnamedBase);
    UnnamedValues(o, &unnamedOurs);
    UnnamedValues(t, &unnamedTheirs);
    const size_t longest = std::max({unnamedBase.size(), unnamedOurs.size(), unnamedTheirs.size()});
    for (size_t i = 0; i < longest; ++i) {
      const bool inOurs = i < unnamedOurs.size(), inTheirs = i < unnamedTheirs.size();
      const cfg::Value* ov = inOurs ? unnamedOurs[i].first : nullptr;
      const cfg::Value* tv = inTheirs ? unnamedTheirs[i].first : nullptr;
      const int oursSlot = inOurs ? unnamedOurs[i].second : 0;
      const int theirsSlot = inTheirs ? unnamedTheirs[i].second : 0;
      if (i < unnamedBase.size()) {
        resolveValue(list, unnamedBase[i].first, ov, oursSlot, tv, theirsSlot, Place::End);
        continue;
      }
      if (ov != nullptr) list.OursAdded(ov);
      if (tv != nullptr) list.Insert(*tv, theirsSlot, Place::End);
    }
    list.Finish();
  };

  std::vector<Frame> stack{{&base, &ours, &theirs}};
  while (!stack.empty()) {
    const Frame frame = stack.back();
    stack.pop_back();
    ListMerge list(*this);
    list.Start(*frame.ours, *frame.theirs);
    for (int slot = 1; slot <= frame.ours->Count(); ++slot) {
      const cfg::ConfigNode* o = WrittenNode(*frame.ours, slot);
      if (o == nullptr) continue;
      const cfg::ConfigNode* b = NodeNamed(*frame.base, o->NameView(), slot);
      const int theirsSlot = SlotNamed(*frame.theirs, o->NameView(), slot);
      const cfg::ConfigNode* t = WrittenNode(*frame.theirs, theirsSlot);
      if (b == nullptr || b->IsRecord() != o->IsRecord()) list.OursAdded(o);
      if (b != nullptr && t != nullptr && b->IsRecord() == o->IsRecord() && t->IsRecord() == o->IsRecord()) {
        // On all three sides: merged item by item.
        auto mine = const_cast<cfg::ConfigNode*>(o);
        list.Match(t, mine);
        if (o->IsRecord()) {
          mergeRecord(*static_cast<const cfg::Record*>(b), *static_cast<cfg::Record*>(mine),
                      *static_cast<const cfg::Record*>(t));
        } else {
          stack.push_back({static_cast<const cfg::Section*>(b), static_cast<cfg::Section*>(mine),
                           static_cast<const cfg::Section*>(t)});
        }
        continue;
      }
      resolveNode(list, b, o, slot, t, theirsSlot);
    }
    for (int slot = 1; slot <= frame.theirs->Count(); ++slot) {
      const cfg::ConfigNode* t = WrittenNode(*frame.theirs, slot);
      if (t == nullptr || NodeNamed(*frame.ours, t->NameView(), slot) != nullptr) continue;
      resolveNode(list, NodeNamed(*frame.base, t->NameView(), slot), nullptr, 0, t, slot);
    }
    list.Finish();
  }
}

TreeMerge::~TreeMerge() = default;

std::string TreeMerge::ConflictedText(std::vector<MergeConflict>* conflicts) const {
  std::string text;
  cfg::ConfigStream out(cfg::InMemory{});
  std::vector<std::string_view> open;  // the names of the open sections
  std::string path;                    // their PATH
  std::vector<size_t> pathMarks;

  auto marker = [&](std::string_view line) {
    text += out.Output();
    out.ClearOutput();
    for (std::string_view name : open) out.PushSection(name);
    text += line;
    text += '\n';
  };
  auto writeItem = [&](const Item& item, std::string_view record) {
    if (auto value = dynamic_cast<const cfg::Value*>(&item)) {
      out.WriteValue(record, *value);
    } else if (auto node = static_cast<const cfg::ConfigNode*>(&item); node->IsRecord()) {
      static_cast<const cfg::Record*>(node)->WriteValues(out);
    } else {
      cfg::SaveWalk walk(*static_cast<const cfg::Section*>(node));
      while (walk.WriteNext(out)) {
      }
    }
  };
  // Writes the item and lists its conflict, when it stands for one; false
  // when it does not.
  auto writeConflict = [&](const Item& item, std::string_view record, std::string itemPath) {
    auto it = marked_.find(&item);
    if (it == marked_.end()) return false;
    const Marked& marked = *it->second;
    marker(cfg::kConflictOpenMarker);
    if (!marked.oursEmpty) writeItem(item, record);
    marker(cfg::kConflictSeparator);
    const Item* theirs = marked.oursEmpty ? &item : marked.theirs;
    if (theirs != nullptr) writeItem(*theirs, record);
    marker(cfg::kConflictCloseMarker);
    conflicts->push_back({std::move(itemPath), marked.reason});
    return true;
  };

  struct WalkFrame {
    const cfg::Section* section;
    int next;
  };
  std::vector<WalkFrame> stack{{&ours_, 1}};
  while (!stack.empty()) {
    WalkFrame& frame = stack.back();
    if (frame.next > frame.section->Count()) {
      stack.pop_back();
      if (!stack.empty()) {
        out.WriteSectionClose();
        open.pop_back();
        path.resize(pathMarks.back());
        pathMarks.pop_back();
      }
      continue;
    }
    const cfg::ConfigNode* node = WrittenNode(*frame.section, frame.next++);
    if (node == nullptr) continue;
    std::string nodePath = path;
    AppendPathName(&nodePath, node->NameView(), node->IsRecord() ? PathPart::Record : PathPart::Section);
    if (!node->IsRecord()) nodePath += '/';
    if (writeConflict(*node, node->NameView(), nodePath)) continue;
    if (!node->IsRecord()) {
      out.WriteSectionOpen(node->NameView());
      open.push_back(node->NameView());
      pathMarks.push_back(path.size());
      path = std::move(nodePath);
      stack.push_back({static_cast<const cfg::Section*>(node), 1});
      continue;
    }
    auto record = static_cast<const cfg::Record*>(node);
    for (int slot = 1; slot <= record->Count(); ++slot) {
      const cfg::Value* value = record->ValueAt(slot);
      if (value->IsNone()) continue;
      std::string valuePath;
      if (marked_.count(value) != 0) {
        valuePath = nodePath + '[';
        AppendPathName(&valuePath, value->NameView(), PathPart::Value);
        valuePath += ']';
      }
      if (!writeConflict(*value, record->NameView(), std::move(valuePath))) out.WriteValue(record->NameView(), *value);
    }
  }
  text += out.Output();
  return text;
}

}  // namespace cfgtool
