// Fuzz target for cfgtool's three-way merge: the bytes before the first NUL
// load as BASE; the bytes after it choose two sets of edits of different
// items (values changed, removed, added or appended unnamed; sections and
// records removed or added), one making OURS and one THEIRS. The two must
// merge without a conflict into what applying OURS' changes (as diff finds
// them) to THEIRS gives, also with the sides swapped; and the text that
// marks the conflicts between the two results loads without a crash.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "cli/config_path.h"
#include "cli/tree_merge.h"
#include "cli/tree_patch.h"
#include "config/config_node.h"
#include "config/config_stream.h"
#include "config/tree_diff.h"
#include "config/value.h"

namespace {

// The edit choices: the input's bytes, then zeros.
class Choices {
 public:
  explicit Choices(std::string_view bytes) : bytes_(bytes) {}
  int Below(int n) {
    if (n <= 1) return 0;
    const unsigned char byte = at_ < bytes_.size() ? static_cast<unsigned char>(bytes_[at_++]) : 0;
    return byte % n;
  }

 private:
  std::string_view bytes_;
  size_t at_ = 0;
};

// An item of a tree that an edit can touch, with a key that names it the
// same way in every copy of BASE: "sec/sub/rec[value]" of names ignoring
// case, "#i" for the i-th unnamed value.
struct Spot {
  std::string key;
  cfg::NamedList* list;  // the list holding it
  int slot;
  bool isValue;
  bool lastUnnamed;  // the last unnamed value of its record
};

// A name in a key: its bytes in hexadecimal, letters folded to lower case,
// so that no name holds the key's own separators.
std::string Lower(std::string_view name) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (char c : name) {
    const unsigned char byte = (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : static_cast<unsigned char>(c);
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text;
}

// Every written section, record and value below root, and every section
// (root included) and record, as places to add to.
void Gather(cfg::Section& root, std::vector<Spot>* spots, std::vector<std::pair<std::string, cfg::NamedList*>>* lists) {
  std::vector<std::pair<cfg::Section*, std::string>> stack{{&root, ""}};
  lists->push_back({"", &root});
  while (!stack.empty()) {
    auto [section, prefix] = stack.back();
    stack.pop_back();
    for (int slot = 1; slot <= section->Count(); ++slot) {
      auto node = static_cast<cfg::ConfigNode*>(section->ItemAt(slot));
      if (node == nullptr || node->IsNull() || node->GetName() == nullptr) continue;
      const std::string key = prefix + Lower(node->NameView()) + (node->IsRecord() ? "" : "/");
      spots->push_back({key, section, slot, false, false});
      lists->push_back({key, node});
      if (!node->IsRecord()) {
        stack.push_back({static_cast<cfg::Section*>(node), key});
        continue;
      }
      auto record = static_cast<cfg::Record*>(node);
      int unnamed = 0;
      size_t lastUnnamed = 0;
      for (int v = 1; v <= record->Count(); ++v) {
        const cfg::Value* value = record->ValueAt(v);
        if (value->IsNone()) continue;
        const bool named = value->GetName() != nullptr;
        if (!named) lastUnnamed = spots->size();
        spots->push_back({key + "[" + (named ? Lower(value->NameView()) : "#" + std::to_string(unnamed++)) + "]",
                          record, v, true, false});
      }
      if (unnamed > 0) (*spots)[lastUnnamed].lastUnnamed = true;
    }
  }
}

// Whether a claim on key or on a section or record that holds it is in claims.
bool ClaimedAbove(const std::set<std::string>& claims, const std::string& key) {
  for (size_t i = 0; i < key.size(); ++i) {
    if (key[i] == '/' && claims.count(key.substr(0, i + 1)) != 0) return true;
    if (key[i] == '[' && claims.count(key.substr(0, i)) != 0) return true;
  }
  return claims.count(key) != 0;
}
// Whether anything in claims lies inside key (or is key).
bool ClaimedBelow(const std::set<std::string>& claims, const std::string& key) {
  for (auto it = claims.lower_bound(key); it != claims.end() && it->compare(0, key.size(), key) == 0; ++it) return true;
  return false;
}

// The claims of one side: items it changed or removed, and the lists it
// changed inside.
struct Claims {
  std::set<std::string> items;
  std::set<std::string> touched;
};

std::unique_ptr<cfg::Value> NewValue(Choices& choices, int serial) {
  switch (choices.Below(4)) {
    case 0: return std::make_unique<cfg::Value>(static_cast<int32_t>(serial));
    case 1: return std::make_unique<cfg::Value>(static_cast<double>(serial) + 0.5);
    case 2: {
      const uint8_t bytes[] = {static_cast<uint8_t>(serial), 0xFF};
      return std::make_unique<cfg::Value>(bytes, 2);
    }
    default: return std::make_unique<cfg::Value>(("text" + std::to_string(serial)).c_str());
  }
}

// Makes a few edits in tree (a copy of BASE), of items the other side has
// not claimed, named with side's own letter where they are new.
void Edit(cfg::Section& tree, Choices& choices, char side, Claims& mine, const Claims& other) {
  const int edits = choices.Below(8);
  for (int e = 0; e < edits; ++e) {
    std::vector<Spot> spots;
    std::vector<std::pair<std::string, cfg::NamedList*>> lists;
    Gather(tree, &spots, &lists);
    const int serial = e + 1;
    const std::string newName = std::string(1, side) + "new" + std::to_string(serial);
    const int kind = choices.Below(4);
    if (kind <= 1 && !spots.empty()) {
      Spot& spot = spots[choices.Below(static_cast<int>(spots.size()))];
      if (ClaimedAbove(other.items, spot.key) || other.touched.count(spot.key) != 0 ||
          ClaimedBelow(other.items, spot.key) || mine.items.count(spot.key) != 0)
        continue;
      const bool remove = kind == 0 || !spot.isValue;
      const size_t unnamed = spot.key.find("[#");
      // Unnamed values go by their order: only the last one is removed, and
      // not from a record the other side appends to.
      if (remove && unnamed != std::string::npos &&
          (!spot.lastUnnamed || other.touched.count(spot.key.substr(0, unnamed)) != 0))
        continue;
      if (!remove) {
        // A changed value keeps its place.
        std::unique_ptr<cfg::NamedObject> value = NewValue(choices, 1000 + serial);
        value->SetName(spot.list->ItemAt(spot.slot)->GetName());
        spot.list->RemoveAt(spot.slot);
        cfgtool::AddAtPlace(*spot.list, value, spot.slot);
      } else {
        spot.list->RemoveAt(spot.slot);
      }
      mine.items.insert(spot.key);
      for (size_t i = 0; i < spot.key.size(); ++i) {
        if (spot.key[i] == '/') mine.touched.insert(spot.key.substr(0, i + 1));
      }
      continue;
    }
    auto& [key, list] = lists[choices.Below(static_cast<int>(lists.size()))];
    if (ClaimedAbove(other.items, key) || (!key.empty() && other.items.count(key) != 0)) continue;
    auto node = dynamic_cast<cfg::ConfigNode*>(list);
    const bool record = node != nullptr && node->IsRecord();
    if (record) {
      std::unique_ptr<cfg::NamedObject> value = NewValue(choices, serial);
      if (kind == 2) value->SetName(newName);
      else if (ClaimedBelow(other.items, key + "[#")) continue;
      if (list->IndexOfName(newName) != 0) continue;
      cfgtool::AddAtPlace(*list, value, list->Count() + 1);
    } else {
      if (list->IndexOfName(newName) != 0) continue;
      std::unique_ptr<cfg::NamedObject> child;
      if (kind == 2) {
        auto section = std::make_unique<cfg::Section>(newName);
        section->FindOrCreateRecord("inner")->CreateIntValue("v", serial);
        child = std::move(section);
      } else {
        auto added = std::make_unique<cfg::Record>(newName);
        added->CreateIntValue("v", serial);
        child = std::move(added);
      }
      cfgtool::AddAtPlace(*list, child, list->Count() + 1);
    }
    mine.touched.insert(key);
    for (size_t i = 0; i < key.size(); ++i) {
      if (key[i] == '/') mine.touched.insert(key.substr(0, i + 1));
    }
  }
}

// Each change from first to second as an entry of a patch.
std::vector<cfgtool::PatchEntry> Patch(const cfg::Section& first, const cfg::Section& second) {
  std::vector<cfgtool::PatchEntry> entries;
  cfg::DiffTrees(first, second, [&](const cfg::TreeChange& change) {
    cfgtool::PatchEntry entry;
    entry.op = change.op == cfg::TreeChange::Op::Removed ? cfgtool::PatchEntry::Op::Remove
               : change.op == cfg::TreeChange::Op::Added ? cfgtool::PatchEntry::Op::Add
                                                          : cfgtool::PatchEntry::Op::Change;
    entry.pathText = cfgtool::ChangePath(change);
    for (const cfg::Section* section : *change.sections) entry.path.sections.emplace_back(section->NameView());
    if (change.node != nullptr) {
      if (change.node->IsRecord()) entry.path.record = std::string(change.node->NameView());
      else entry.path.sections.emplace_back(change.node->NameView());
      entry.tree.reset(static_cast<cfg::ConfigNode*>(change.node->Clone().release()));
    } else {
      entry.path.record = std::string(change.record->NameView());
      entry.path.bracketed = true;
      entry.path.value = std::string((change.before != nullptr ? change.before : change.after)->NameView());
      if (change.before != nullptr) entry.before = std::make_unique<cfg::Value>(*change.before);
      if (change.after != nullptr) entry.after = std::make_unique<cfg::Value>(*change.after);
      entry.index = change.unnamedIndex;
    }
    entries.push_back(std::move(entry));
  });
  return entries;
}

std::vector<std::string> Changes(const cfg::Section& a, const cfg::Section& b) {
  std::vector<std::string> lines;
  cfg::DiffTrees(a, b, [&](const cfg::TreeChange& change) {
    const char op = change.op == cfg::TreeChange::Op::Removed ? '-' : change.op == cfg::TreeChange::Op::Added ? '+' : '~';
    lines.push_back(op + cfgtool::ChangePath(change));
  });
  return lines;
}

[[noreturn]] void Fail(const char* what, const std::vector<std::string>& lines) {
  std::fprintf(stderr, "\n*** %s\n", what);
  for (const std::string& line : lines) std::fprintf(stderr, "  %s\n", line.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const size_t nul = bytes.find('\0');
  cfg::Section loaded(cfg::kFileSection, "base.cfg");
  {
    cfg::ConfigStream in(cfg::InMemory{}, std::string(bytes.substr(0, nul)));
    loaded.LoadSection(in);
  }
  // Copies hold their items in slots 1..n, as every copy below does.
  const cfg::Section base(loaded);
  cfg::Section ours(base), theirs(base);
  Choices choices(nul == std::string_view::npos ? std::string_view() : bytes.substr(nul + 1));
  Claims oursClaims, theirsClaims;
  for (int round = 0; round < 2; ++round) {
    Edit(ours, choices, 'o', oursClaims, theirsClaims);
    Edit(theirs, choices, 't', theirsClaims, oursClaims);
  }

  // What both edit sets give: ours' changes carried out on theirs.
  cfg::Section expected(theirs);
  std::vector<cfgtool::PatchEntry> patch = Patch(base, ours);
  std::vector<std::string> misfits;
  cfgtool::ApplyPatch(expected, patch, [&](const std::string& path, const std::string& reason) {
    misfits.push_back(path + ": " + reason);
  });
  if (!misfits.empty()) Fail("ours' changes do not fit theirs", misfits);

  cfg::Section merged(ours);
  cfgtool::TreeMerge merge(base, merged, theirs);
  if (merge.ConflictCount() != 0) {
    std::vector<cfgtool::MergeConflict> conflicts;
    merge.ConflictedText(&conflicts);
    std::vector<std::string> lines;
    for (const cfgtool::MergeConflict& c : conflicts) lines.push_back(c.path + ": " + c.reason);
    Fail("edits of different items conflict", lines);
  }
  const std::vector<std::string> differences = Changes(merged, expected);
  if (!differences.empty()) Fail("the merge is not both edit sets applied", differences);

  // Merged the other way round, with the sides' places swapped: the same
  // tree but for the order of what both sides appended.
  cfg::Section swapped(theirs);
  cfgtool::TreeMerge other(base, swapped, ours);
  if (other.ConflictCount() != 0) Fail("edits of different items conflict the other way round", {});

  // The conflicted form of a merge of the two results, which do conflict
  // wherever they differ, loads without a crash.
  cfg::Section both(merged);
  cfgtool::TreeMerge clash(base, both, swapped);
  std::vector<cfgtool::MergeConflict> conflicts;
  const std::string text = clash.ConflictedText(&conflicts);
  cfg::Section reread(cfg::kFileSection, "merged.cfg");
  cfg::ConfigStream in(cfg::InMemory{}, text);
  reread.LoadSection(in);
  return 0;
}
