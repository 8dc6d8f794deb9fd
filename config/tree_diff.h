// The differences between two configuration trees: what cfgtool diff
// reports, what the editor's Compare lists, and the equality that cfgtool
// apply and merge test items with.
#pragma once

#include <functional>
#include <vector>

namespace cfg {

class ConfigNode;
class Record;
class Section;
class Value;

// One difference. Its pointers are valid during the call that reports it
// only.
struct TreeChange {
  enum class Op { Removed, Added, Changed };
  Op op;
  // The named sections from below the compared roots down to the one that
  // holds the change, outermost first, as the first tree holds them (both
  // trees hold them, under names equal but for ASCII case).
  const std::vector<const Section*>* sections;
  // A whole section or record that only one side has: the first tree's
  // (Removed) or the second's (Added). Null for a value.
  const ConfigNode* node;
  // For a value: its record, the first tree's (both trees hold it); else null.
  const Record* record;
  // For a value: the value of the first tree (Removed, Changed) and of the
  // second (Added, Changed). Both null for a whole section or record. A
  // changed value is one of the same type; a value of another type is
  // reported as a removal followed by an addition.
  const Value* before;
  const Value* after;
  // For an unnamed value: its position (from 0) among its record's unnamed
  // values at the point where the change applies, when the changes are
  // carried out in the order reported; -1 for a named value and for a node.
  // An addition takes that position; a removal frees it, so the removals of
  // several trailing unnamed values all carry the position of the first.
  int unnamedIndex;
};

// Values of one type and one datum: integers equal, floating numbers equal
// (every NaN equal to every NaN), texts and byte arrays byte for byte equal.
bool SameValue(const Value& a, const Value& b);

// Whether two sections, or two records, hold equal trees: of one kind, and
// DiffTrees would report nothing between them. Their own names do not count.
bool SameNode(const ConfigNode& a, const ConfigNode& b);

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
void DiffTrees(const Section& first, const Section& second,
               const std::function<void(const TreeChange& change)>& receive);

}  // namespace cfg
