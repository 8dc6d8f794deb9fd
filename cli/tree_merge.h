// Three-way merges of configuration trees, item by item.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "config/config_node.h"

namespace cfgtool {

// One item that the two sides changed in ways that do not combine.
struct MergeConflict {
  std::string path;    // its PATH, as diff prints it
  std::string reason;  // "changed on both sides" and the like
};

// Merges into ours the changes that theirs made to base, changing ours into
// the result:
// - edits of the two sides to different items combine; the same edit on both
//   sides is taken once. Items are matched as DiffTrees matches them (names
//   ignoring ASCII case, unnamed values by their order), and compared as it
//   compares them, so a rename in letter case only is not seen;
// - an item that theirs adds goes after the item that precedes it in theirs,
//   where the result holds that item, else at the end of its parent; an item
//   first in theirs goes first. Ours' additions at that place come first.
//   Unnamed values that both sides append are all kept, ours' first;
// - a value changed two ways, an item deleted on one side and changed on the
//   other, and new items of names equal ignoring case but not equal (a
//   section and a record included) are conflicts. The result then keeps
//   ours' side of each, and ConflictedText writes both.
// Walks with stacks of its own: any depth is fine. base and theirs are read
// only; what the result takes from theirs is copied.
class TreeMerge {
 public:
  TreeMerge(const cfg::Section& base, cfg::Section& ours, const cfg::Section& theirs);
  ~TreeMerge();
  TreeMerge(const TreeMerge&) = delete;
  TreeMerge& operator=(const TreeMerge&) = delete;

  size_t ConflictCount() const { return marked_.size(); }

  // The result as a save writes it, with each conflict written in place
  // between the marker lines (kConflictOpenMarker, kConflictSeparator,
  // kConflictCloseMarker): ours' side, then theirs', each whole item as a
  // save writes it (an item a side does not hold writes nothing). Markers
  // stand between items only, never inside an array block. Each conflict
  // goes into *conflicts too, in the order of the text.
  std::string ConflictedText(std::vector<MergeConflict>* conflicts) const;

 private:
  struct Marked;
  class ListMerge;

  const cfg::Section& ours_;
  // The items of the result that stand for a conflict, and what their
  // conflict holds.
  std::unordered_map<const cfg::NamedObject*, std::unique_ptr<Marked>> marked_;
};

}  // namespace cfgtool
