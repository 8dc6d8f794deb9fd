// The list of File > Compare with...: the differences between the document
// and a second file, each with the place in the document that Go to shows.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "config/config_node.h"
#include "editor/find_dialog.h"

// One line of the list and where Go to leads.
struct CompareLine {
  std::string text;
  FindTarget target;
};

// The differences between document (FILE1) and other (FILE2), in the order
// DiffTrees reports them, with its equality (names ignoring case, numbers by
// value): "- path<TAB>type<TAB>text" for a value only the document holds,
// "+ ..." for one only other holds, "~ path<TAB>type<TAB>old -> new" for a
// changed value, and "- sec/sub/" or "+ sec/rec" for a whole section or
// record on one side only. Paths read as the Find list writes them; long
// texts are cut. Each target is the item in the document, or for what only
// other holds, its nearest parent that the document holds. At most maxLines
// lines; *capped tells whether there were more.
std::vector<CompareLine> CompareDocuments(const cfg::Section& document, const cfg::Section& other,
                                          size_t maxLines, bool* capped);
