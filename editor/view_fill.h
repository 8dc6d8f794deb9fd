// Bulk filling and emptying of the main window's views: sorted list boxes
// filled at once with redraw off, tree items deleted from the deepest up, and
// the wait cursor shown meanwhile.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <string>
#include <vector>

#include "dialogs/control_wrapper.h"

namespace editor {

// Shows the wait cursor from construction to destruction, then the cursor
// that was shown before; a guard made with show false does nothing.
class WaitCursor {
 public:
  explicit WaitCursor(bool show = true);
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  HCURSOR previous_;
  bool shown_;
};

// Fills below this many lines end before the user could notice a wait.
constexpr std::size_t kWaitCursorLines = 1000;

// The order in which to add texts to an empty sorted list box (LBS_SORT) so
// that it ends up holding exactly what adding them one by one in their given
// order leaves, each line where that left it: indices into texts. Lines the
// list box's comparison tells apart come in its sorted order, so each add
// lands at the end; lines it holds equal are ordered among themselves as the
// list box's own binary search would have placed them.
std::vector<std::size_t> SortedListAddOrder(const std::vector<std::string>& texts);

// Empties a sorted list box and fills it with texts, showing what adding them
// one by one in their given order would show; data, when not empty, holds
// each text's item data. Redraw stays off during the fill, storage is
// reserved first, and the lines go in by SortedListAddOrder.
void FillSortedList(const dlg::ListBoxControl& list, const std::vector<std::string>& texts,
                    const std::vector<LPARAM>& data);

// Deletes top and every item below it, always a leaf at a time, deepest
// first: a tree view that deletes an item's children recursively then never
// goes deeper than one level, however deep the subtree.
void DeleteTreeItems(HWND tree, HTREEITEM top);

}  // namespace editor
