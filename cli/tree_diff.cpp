#include "tree_diff.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "config/config_node.h"
#include "config/value.h"
#include "config_path.h"

namespace cfgtool {

namespace {

using Receiver = std::function<void(const TreeChange& change)>;

template <class T>
bool SameNumber(T a, T b) {
  return a == b || (std::isnan(a) && std::isnan(b));
}

// The child of list at that slot when a save writes it: a named node that
// is not null; else nullptr.
const cfg::ConfigNode* WrittenChild(const cfg::Section& list, int slot) {
  auto* node = static_cast<const cfg::ConfigNode*>(list.ItemAt(slot));
  if (node == nullptr || node->IsNull() || node->GetName() == nullptr) return nullptr;
  return node;
}

// The child of section named like node and of its kind, or nullptr. Two
// versions of a file mostly hold their items in the same slots, so the slot
// of node's own number is tried before the name index.
const cfg::ConfigNode* Counterpart(const cfg::Section& section, const cfg::ConfigNode& node, int slot) {
  const cfg::ConfigNode* other = WrittenChild(section, slot);
  if (other == nullptr || !cfg::NamesEqual(other->NameView(), node.NameView()))
    other = WrittenChild(section, section.IndexOfName(node.NameView()));
  return other != nullptr && other->IsRecord() == node.IsRecord() ? other : nullptr;
}

// A value of record named like value, or nullptr; the same slot first, as above.
const cfg::Value* NamedCounterpart(const cfg::Record& record, const cfg::Value& value, int slot) {
  const cfg::Value* other = record.ValueAt(slot);
  if (other->GetName() == nullptr || !cfg::NamesEqual(other->NameView(), value.NameView()))
    other = record.ValueAt(record.IndexOfName(value.NameView()));
  return other->IsNone() ? nullptr : other;
}

// Reports changes with paths that share the text of the enclosing sections.
class ChangeWriter {
 public:
  explicit ChangeWriter(const Receiver& receive) : receive_(receive) {}

  // The path so far, to cut back to later.
  size_t Mark() const { return path_.size(); }
  void CutTo(size_t mark) { path_.resize(mark); }
  void EnterSection(std::string_view name) {
    AppendPathName(&path_, name, PathPart::Section);
    path_ += '/';
  }

  void Node(TreeChange::Op op, const cfg::ConfigNode& node) {
    const size_t mark = Mark();
    if (node.IsRecord()) {
      AppendPathName(&path_, node.NameView(), PathPart::Record);
    } else {
      EnterSection(node.NameView());
    }
    Report(op, nullptr, nullptr);
    CutTo(mark);
  }

  void Value(std::string_view record, TreeChange::Op op, const cfg::Value* before, const cfg::Value* after) {
    const size_t mark = Mark();
    AppendPathName(&path_, record, PathPart::Record);
    path_ += '[';
    AppendPathName(&path_, (before != nullptr ? before : after)->NameView(), PathPart::Value);
    path_ += ']';
    if (op == TreeChange::Op::Changed && before->Type() != after->Type()) {
      Report(TreeChange::Op::Removed, before, nullptr);
      Report(TreeChange::Op::Added, nullptr, after);
    } else {
      Report(op, before, after);
    }
    CutTo(mark);
  }

 private:
  void Report(TreeChange::Op op, const cfg::Value* before, const cfg::Value* after) {
    receive_(TreeChange{op, path_, before, after});
  }

  const Receiver& receive_;
  std::string path_;
};

// Compares two records of one name.
class RecordDiff {
 public:
  explicit RecordDiff(ChangeWriter& out) : out_(out) {}

  void Compare(const cfg::Record& first, const cfg::Record& second) {
    const std::string_view name = first.NameView();
    unnamedSecond_.clear();
    for (int slot = 1; slot <= second.Count(); ++slot) {
      const cfg::Value* value = second.ValueAt(slot);
      if (!value->IsNone() && value->GetName() == nullptr) unnamedSecond_.push_back(value);
    }
    size_t unnamedFirst = 0;
    for (int slot = 1; slot <= first.Count(); ++slot) {
      const cfg::Value* value = first.ValueAt(slot);
      if (value->IsNone()) continue;
      const cfg::Value* other;
      if (value->GetName() == nullptr) {
        other = unnamedFirst < unnamedSecond_.size() ? unnamedSecond_[unnamedFirst] : nullptr;
        ++unnamedFirst;
      } else {
        other = NamedCounterpart(second, *value, slot);
      }
      if (other == nullptr) {
        out_.Value(name, TreeChange::Op::Removed, value, nullptr);
      } else if (!SameValue(*value, *other)) {
        out_.Value(name, TreeChange::Op::Changed, value, other);
      }
    }
    for (int slot = 1; slot <= second.Count(); ++slot) {
      const cfg::Value* value = second.ValueAt(slot);
      if (value->IsNone() || value->GetName() == nullptr || NamedCounterpart(first, *value, slot) != nullptr)
        continue;
      out_.Value(name, TreeChange::Op::Added, nullptr, value);
    }
    for (size_t i = unnamedFirst; i < unnamedSecond_.size(); ++i)
      out_.Value(name, TreeChange::Op::Added, nullptr, unnamedSecond_[i]);
  }

 private:
  ChangeWriter& out_;
  std::vector<const cfg::Value*> unnamedSecond_;  // kept for its capacity
};

// Two sections of one name being compared, and the next slot of each to look at.
struct Frame {
  const cfg::Section* first;
  const cfg::Section* second;
  int nextFirst;
  int nextSecond;
  size_t pathMark;  // the path's length before this section's name
};

}  // namespace

bool SameValue(const cfg::Value& a, const cfg::Value& b) {
  if (a.Type() != b.Type()) return false;
  switch (a.Type()) {
    case cfg::ValueType::Int: return a.GetInt() == b.GetInt();
    case cfg::ValueType::Int64: return a.GetInt64() == b.GetInt64();
    case cfg::ValueType::Float: return SameNumber(a.GetFloat(), b.GetFloat());
    case cfg::ValueType::Double: return SameNumber(a.GetDouble(), b.GetDouble());
    case cfg::ValueType::String:
      return a.StringLength() == b.StringLength() &&
             std::memcmp(a.GetString(), b.GetString(), a.StringLength()) == 0;
    case cfg::ValueType::Binary:
      return a.GetSize() == b.GetSize() &&
             (a.GetSize() == 0 || std::memcmp(a.GetBytes(), b.GetBytes(), static_cast<size_t>(a.GetSize())) == 0);
    case cfg::ValueType::None: return true;
  }
  return false;
}

void DiffTrees(const cfg::Section& first, const cfg::Section& second, const Receiver& receive) {
  ChangeWriter out(receive);
  RecordDiff records(out);
  std::vector<Frame> stack{{&first, &second, 1, 1, out.Mark()}};
  while (!stack.empty()) {
    Frame& frame = stack.back();
    // The first side's children, in slot order; a section on both sides is
    // compared whole before the next child.
    if (frame.nextFirst <= frame.first->Count()) {
      const int slot = frame.nextFirst++;
      const cfg::ConfigNode* node = WrittenChild(*frame.first, slot);
      if (node == nullptr) continue;
      const cfg::ConfigNode* other = Counterpart(*frame.second, *node, slot);
      if (other == nullptr) {
        out.Node(TreeChange::Op::Removed, *node);
      } else if (node->IsRecord()) {
        records.Compare(*static_cast<const cfg::Record*>(node), *static_cast<const cfg::Record*>(other));
      } else {
        const size_t mark = out.Mark();
        out.EnterSection(node->NameView());
        stack.push_back({static_cast<const cfg::Section*>(node), static_cast<const cfg::Section*>(other),
                         1, 1, mark});
      }
      continue;
    }
    // Then what only the second side has.
    if (frame.nextSecond <= frame.second->Count()) {
      const int slot = frame.nextSecond++;
      const cfg::ConfigNode* node = WrittenChild(*frame.second, slot);
      if (node != nullptr && Counterpart(*frame.first, *node, slot) == nullptr) out.Node(TreeChange::Op::Added, *node);
      continue;
    }
    out.CutTo(frame.pathMark);
    stack.pop_back();
  }
}

}  // namespace cfgtool
