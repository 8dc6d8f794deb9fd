// The items of the main window's section tree, inserted only where the user
// can see them: the top level at once, the children of an item when it is
// first expanded. An item whose section has child sections shows a button
// before its children are in, so the tree looks as if every item were there,
// while a document of any size or depth costs only the items on view (a tree
// view may look every item handle up among all its items).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <unordered_map>
#include <unordered_set>

#include "config/config_node.h"

namespace editor {

// A tree view deletes an item's children recursively, a stack frame per
// level: deleting the whole tree cuts it at every this many levels first
// (Wine's tree view runs out of stack some 20,000 levels down).
constexpr int kDeleteDepthStep = 1000;

// True when section holds a child section the tree shows (one that is not null).
bool HasChildSections(const cfg::Section& section);

// Which items the tree holds and which of them hold their children. Keeps
// no window: every call that inserts is given the tree view.
class SectionTree {
 public:
  // Forgets every item: the tree view was emptied.
  void Clear();

  // Appends the items of the child sections of section below parent
  // (TVI_ROOT: the top level), in slot order, null ones skipped: text the
  // name, lParam the section, no state bits, a button (cChildren 1) when the
  // child has child sections of its own. Their own children wait until
  // they are expanded. parent holds its children afterwards. The caller
  // turns redraw off around it.
  void InsertChildren(HWND tree, HTREEITEM parent, const cfg::Section& section);

  // True when the items of parent's child sections are in (an item without
  // child sections holds them from the start; the top level always does).
  bool HoldsChildren(HTREEITEM parent) const;

  // Appends the item of one section below parent as InsertChildren does
  // (Section Add, below a parent that holds its children); nullptr when the
  // tree view refuses it.
  HTREEITEM Append(HWND tree, HTREEITEM parent, const cfg::Section& section);

  // Forgets an item the tree view deletes (TVN_DELETEITEM).
  void Forget(HTREEITEM item, LPARAM section);

  // The item of section right below parent (TVI_ROOT: at the top level);
  // nullptr when the tree holds none there.
  HTREEITEM ItemOf(const cfg::Section* section, HTREEITEM parent) const;

  // Deletes every item of the tree view, and forgets them. The items at
  // every kDeleteDepthStep-th level go first, deepest first, then the rest
  // with one TVM_DELETEITEM of TVI_ROOT: a tree view that deletes an item's
  // children recursively then never goes more than kDeleteDepthStep levels
  // deep, and it is not asked about each item, which under Wine costs a
  // look-up among all items per message.
  void DeleteAll(HWND tree);

 private:
  struct Placed {
    HTREEITEM item;
    HTREEITEM parent;
  };
  std::unordered_map<const cfg::Section*, Placed> items_;
  std::unordered_set<HTREEITEM> holding_;
  std::unordered_map<HTREEITEM, int> depths_;  // a top-level item's depth is 1
};

}  // namespace editor
