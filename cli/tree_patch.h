// Patches: the changes that diff --json prints, read back and carried out on
// a document, forwards or in reverse.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "config/config_node.h"
#include "config_path.h"

namespace cfgtool {

// One change of a patch.
struct PatchEntry {
  enum class Op { Remove, Add, Change };
  Op op;
  std::string pathText;  // the PATH as the patch gives it, for messages
  ConfigPath path;
  // A whole section or record (a path without "[...]" and type null): the
  // node as it is removed or added.
  std::unique_ptr<cfg::ConfigNode> tree;
  // A value: what a removal or a change expects to find, and what an
  // addition or a change leaves (unnamed; the path names it).
  std::unique_ptr<cfg::Value> before;
  std::unique_ptr<cfg::Value> after;
  // An unnamed value's position among its record's unnamed values; -1 for
  // a named one.
  int index = -1;

  bool IsNode() const { return tree != nullptr; }
};

// Reads the JSON array that diff --json prints. With reverse set, the
// entries come last first, removals as additions and the other way round,
// and changes from new to old: the patch that undoes it. What the patch
// would add is checked too: a value or a name that would not read back as
// it is (see ValueProblem) is a fault. On a fault returns false with a
// one-line description in *error.
bool ReadPatch(std::string_view json, bool reverse, std::vector<PatchEntry>* entries, std::string* error);

// Receives an entry that does not find the document as it expects: its PATH
// and why.
using PatchConflict = std::function<void(const std::string& path, const std::string& reason)>;

// Carries out the entries in order, each on the document as the earlier ones
// left it. An entry that does not find what it expects - a removal the item
// it removes (equal as DiffTrees compares: names ignoring case, numbers by
// value; a section or record equal to its tree), a change the old value, an
// addition its path free - is reported and skipped. Returns the number of
// such entries; the document is only fit to be written when it is 0.
size_t ApplyPatch(cfg::Section& document, std::vector<PatchEntry>& entries, const PatchConflict& conflict);

// Adds item to list at the place of slot at: after every item in a lower
// slot and before every item in a higher one (at past the last slot: at the
// end). False, with item left to the caller, when its name is taken.
bool AddAtPlace(cfg::NamedList& list, std::unique_ptr<cfg::NamedObject>& item, int at);

}  // namespace cfgtool
