#include "tree_diff.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "config_node.h"
#include "name_compare.h"
#include "value.h"

namespace cfg {

namespace {

using Receiver = std::function<void(const TreeChange& change)>;

template <class T>
bool SameNumber(T a, T b) {
  return a == b || (std::isnan(a) && std::isnan(b));
}

// The child of list at that slot when a save writes it: a named node that
// is not null; else nullptr.
const ConfigNode* WrittenChild(const Section& list, int slot) {
  auto* node = static_cast<const ConfigNode*>(list.ItemAt(slot));
  if (node == nullptr || node->IsNull() || node->GetName() == nullptr) return nullptr;
  return node;
}

// The child of section named like node and of its kind, or nullptr. Two
// versions of a file mostly hold their items in the same slots, so the slot
// of node's own number is tried before the name index.
const ConfigNode* Counterpart(const Section& section, const ConfigNode& node, int slot) {
  const ConfigNode* other = WrittenChild(section, slot);
  if (other == nullptr || !NamesEqual(other->NameView(), node.NameView()))
    other = WrittenChild(section, section.IndexOfName(node.NameView()));
  return other != nullptr && other->IsRecord() == node.IsRecord() ? other : nullptr;
}

// A value of record named like value, or nullptr; the same slot first, as above.
const Value* NamedCounterpart(const Record& record, const Value& value, int slot) {
  const Value* other = record.ValueAt(slot);
  if (other->GetName() == nullptr || !NamesEqual(other->NameView(), value.NameView()))
    other = record.ValueAt(record.IndexOfName(value.NameView()));
  return other->IsNone() ? nullptr : other;
}

// Reports changes, keeping the sections that lead to them.
class ChangeWriter {
 public:
  explicit ChangeWriter(const Receiver& receive) : receive_(receive) {}

  void EnterSection(const Section& section) { sections_.push_back(&section); }
  void LeaveSection() { sections_.pop_back(); }

  void Node(TreeChange::Op op, const ConfigNode& node) { Report(op, &node, nullptr, nullptr, nullptr, -1); }

  void ValueChange(const Record& record, TreeChange::Op op, const Value* before, const Value* after,
             int unnamedIndex) {
    if (op == TreeChange::Op::Changed && before->Type() != after->Type()) {
      Report(TreeChange::Op::Removed, nullptr, &record, before, nullptr, unnamedIndex);
      Report(TreeChange::Op::Added, nullptr, &record, nullptr, after, unnamedIndex);
    } else {
      Report(op, nullptr, &record, before, after, unnamedIndex);
    }
  }

 private:
  void Report(TreeChange::Op op, const ConfigNode* node, const Record* record, const Value* before,
              const Value* after, int unnamedIndex) {
    receive_(TreeChange{op, &sections_, node, record, before, after, unnamedIndex});
  }

  const Receiver& receive_;
  std::vector<const Section*> sections_;
};

// Compares two records of one name.
class RecordDiff {
 public:
  explicit RecordDiff(ChangeWriter& out) : out_(out) {}

  void Compare(const Record& first, const Record& second) {
    unnamedSecond_.clear();
    for (int slot = 1; slot <= second.Count(); ++slot) {
      const Value* value = second.ValueAt(slot);
      if (!value->IsNone() && value->GetName() == nullptr) unnamedSecond_.push_back(value);
    }
    size_t unnamedFirst = 0;
    for (int slot = 1; slot <= first.Count(); ++slot) {
      const Value* value = first.ValueAt(slot);
      if (value->IsNone()) continue;
      const Value* other;
      int index = -1;
      if (value->GetName() == nullptr) {
        // A removed one is one past the kept ones once those before it went.
        const bool paired = unnamedFirst < unnamedSecond_.size();
        other = paired ? unnamedSecond_[unnamedFirst] : nullptr;
        index = static_cast<int>(paired ? unnamedFirst : unnamedSecond_.size());
        ++unnamedFirst;
      } else {
        other = NamedCounterpart(second, *value, slot);
      }
      if (other == nullptr) {
        out_.ValueChange(first, TreeChange::Op::Removed, value, nullptr, index);
      } else if (!SameValue(*value, *other)) {
        out_.ValueChange(first, TreeChange::Op::Changed, value, other, index);
      }
    }
    for (int slot = 1; slot <= second.Count(); ++slot) {
      const Value* value = second.ValueAt(slot);
      if (value->IsNone() || value->GetName() == nullptr || NamedCounterpart(first, *value, slot) != nullptr)
        continue;
      out_.ValueChange(first, TreeChange::Op::Added, nullptr, value, -1);
    }
    for (size_t i = unnamedFirst; i < unnamedSecond_.size(); ++i)
      out_.ValueChange(first, TreeChange::Op::Added, nullptr, unnamedSecond_[i], static_cast<int>(i));
  }

 private:
  ChangeWriter& out_;
  std::vector<const Value*> unnamedSecond_;  // kept for its capacity
};

// Two sections of one name being compared, and the next slot of each to look at.
struct Frame {
  const Section* first;
  const Section* second;
  int nextFirst;
  int nextSecond;
};

}  // namespace

bool SameValue(const Value& a, const Value& b) {
  if (a.Type() != b.Type()) return false;
  switch (a.Type()) {
    case ValueType::Int: return a.GetInt() == b.GetInt();
    case ValueType::Int64: return a.GetInt64() == b.GetInt64();
    case ValueType::Float: return SameNumber(a.GetFloat(), b.GetFloat());
    case ValueType::Double: return SameNumber(a.GetDouble(), b.GetDouble());
    case ValueType::String:
      return a.StringLength() == b.StringLength() &&
             std::memcmp(a.GetString(), b.GetString(), a.StringLength()) == 0;
    case ValueType::Binary:
      return a.GetSize() == b.GetSize() &&
             (a.GetSize() == 0 || std::memcmp(a.GetBytes(), b.GetBytes(), static_cast<size_t>(a.GetSize())) == 0);
    case ValueType::None: return true;
  }
  return false;
}

bool SameNode(const ConfigNode& a, const ConfigNode& b) {
  if (a.IsRecord() != b.IsRecord()) return false;
  bool same = true;
  const Receiver unequal = [&same](const TreeChange&) { same = false; };
  if (a.IsRecord()) {
    ChangeWriter out(unequal);
    RecordDiff(out).Compare(static_cast<const Record&>(a), static_cast<const Record&>(b));
  } else {
    DiffTrees(static_cast<const Section&>(a), static_cast<const Section&>(b), unequal);
  }
  return same;
}

void DiffTrees(const Section& first, const Section& second, const Receiver& receive) {
  ChangeWriter out(receive);
  RecordDiff records(out);
  std::vector<Frame> stack{{&first, &second, 1, 1}};
  while (!stack.empty()) {
    Frame& frame = stack.back();
    // The first side's children, in slot order; a section on both sides is
    // compared whole before the next child.
    if (frame.nextFirst <= frame.first->Count()) {
      const int slot = frame.nextFirst++;
      const ConfigNode* node = WrittenChild(*frame.first, slot);
      if (node == nullptr) continue;
      const ConfigNode* other = Counterpart(*frame.second, *node, slot);
      if (other == nullptr) {
        out.Node(TreeChange::Op::Removed, *node);
      } else if (node->IsRecord()) {
        records.Compare(*static_cast<const Record*>(node), *static_cast<const Record*>(other));
      } else {
        out.EnterSection(*static_cast<const Section*>(node));
        stack.push_back({static_cast<const Section*>(node), static_cast<const Section*>(other), 1, 1});
      }
      continue;
    }
    // Then what only the second side has.
    if (frame.nextSecond <= frame.second->Count()) {
      const int slot = frame.nextSecond++;
      const ConfigNode* node = WrittenChild(*frame.second, slot);
      if (node != nullptr && Counterpart(*frame.first, *node, slot) == nullptr) out.Node(TreeChange::Op::Added, *node);
      continue;
    }
    const bool nested = stack.size() > 1;
    stack.pop_back();
    if (nested) out.LeaveSection();
  }
}

}  // namespace cfg
