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

// The main window's tree view: which items it holds and which of them hold
// their children, and every message the window sends it.
class SectionTree {
 public:
  // The tree view every call below addresses; nullptr detaches it.
  void Attach(HWND tree) { tree_ = tree; }

  // Forgets every item: the tree view was emptied.
  void Clear();

  // The tree shows no images (TVM_SETIMAGELIST with none).
  void ShowNoImages() const;
  // The selected item; nullptr when none is.
  HTREEITEM Selected() const;
  // Selects an item (nullptr: none); the tree view reports the change.
  void Select(HTREEITEM item) const;
  // Scrolls and expands the tree so that the item can be seen.
  void EnsureVisible(HTREEITEM item) const;
  // The section an item shows (its lParam); nullptr when it cannot be read.
  cfg::Section* SectionOf(HTREEITEM item) const;
  // The parent item; nullptr for a top-level item.
  HTREEITEM ParentOf(HTREEITEM item) const;
  // Shows or hides the button of an item (TVIF_CHILDREN).
  void SetButton(HTREEITEM item, bool children) const;
  // Sets an item's text.
  void SetText(HTREEITEM item, const char* text) const;
  // Turns redraw off, and back on with the tree repainted.
  void SetRedraw(bool on) const;
  // Repaints the whole tree.
  void Repaint() const;
  // Deletes an item and every item below it, a leaf at a time (see
  // DeleteTreeItems), with redraw off and the wait cursor on meanwhile.
  void DeleteSubtree(HTREEITEM item) const;
  // The item of section wherever it stands in the tree (TVI_ROOT for the
  // document, which has none); nullptr when the tree holds none for it.
  HTREEITEM Find(const cfg::Section* section) const;
  // Puts the item of section, which its parent section holds already, below
  // parent at its place in slot order (after the item of the nearest
  // earlier sibling section); nullptr when the tree view refuses it.
  HTREEITEM InsertInPlace(HTREEITEM parent, const cfg::Section& section);

  // Appends the items of the child sections of section below parent
  // (TVI_ROOT: the top level), in slot order, null ones skipped: text the
  // name, lParam the section, no state bits, a button (cChildren 1) when the
  // child has child sections of its own. Their own children wait until
  // they are expanded. parent holds its children afterwards. The caller
  // turns redraw off around it.
  void InsertChildren(HTREEITEM parent, const cfg::Section& section);

  // True when the items of parent's child sections are in (an item without
  // child sections holds them from the start; the top level always does).
  bool HoldsChildren(HTREEITEM parent) const;

  // Appends the item of one section below parent as InsertChildren does
  // (Section Add, below a parent that holds its children); nullptr when the
  // tree view refuses it.
  HTREEITEM Append(HTREEITEM parent, const cfg::Section& section) {
    return Insert(parent, section, TVI_LAST);
  }

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
  void DeleteAll();

 private:
  HTREEITEM Insert(HTREEITEM parent, const cfg::Section& section, HTREEITEM after);
  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) const {
    return tree_ != nullptr ? SendMessageA(tree_, message, wParam, lParam) : 0;
  }

  HWND tree_ = nullptr;
  struct Placed {
    HTREEITEM item;
    HTREEITEM parent;
  };
  std::unordered_map<const cfg::Section*, Placed> items_;
  std::unordered_set<HTREEITEM> holding_;
  std::unordered_map<HTREEITEM, int> depths_;  // a top-level item's depth is 1
};

}  // namespace editor
