// The differences between two configuration trees, as cfgtool diff reports
// them.
#pragma once

#include <functional>
#include <string_view>

namespace cfg {
class Section;
class Value;
}  // namespace cfg

namespace cfgtool {

// One difference. Its pointers and path are valid during the call that
// reports it only.
struct TreeChange {
  enum class Op { Removed, Added, Changed };
  Op op;
  // The PATH of what changed: "sec/sub/" for a section, "sec/rec" for a
  // record, "sec/rec[name]" or "sec/rec[]" for a value. Names are spelt as
  // the side that has them does; a name on both sides as the first does.
  std::string_view path;
  // For a value: the value of the first tree (Removed, Changed) and of the
  // second (Added, Changed). Both null for a whole section or record.
  const cfg::Value* before;
  const cfg::Value* after;
};

// Values of one type and one datum: integers equal, floating numbers equal
// (every NaN equal to every NaN), texts and byte arrays byte for byte equal.
bool SameValue(const cfg::Value& a, const cfg::Value& b);

// Compares the trees below first and second (two documents, or two sections)
// and reports every difference, in the order of the first tree, the second
// tree's additions after the first tree's items of each section or record.
//
// Children that a save leaves out do not count: null sections and records,
// unnamed ones, values of type None. Sections and records are matched by
// name, ignoring ASCII case, and must be of one kind (a section on one side
// and a record on the other are a removal and an addition); one that only
// one side has is one change, whatever it holds. Named values are matched
// by name; unnamed values by their order among their record's unnamed
// values. A value of another type is a removal and an addition; one of the
// same type whose datum differs (see SameValue) is a change. Slot order does
// not count. Takes time linear in the sizes of the trees (name lookups use
// the lists' own indexes) and no recursion.
void DiffTrees(const cfg::Section& first, const cfg::Section& second,
               const std::function<void(const TreeChange& change)>& receive);

}  // namespace cfgtool
