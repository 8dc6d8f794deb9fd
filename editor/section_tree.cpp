#include "editor/section_tree.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "editor/view_fill.h"

namespace editor {

bool HasChildSections(const cfg::Section& section) {
  for (int i = 1; i <= section.Count(); ++i)
    if (!section.SectionAt(i)->IsNull()) return true;
  return false;
}

void SectionTree::Clear() {
  items_.clear();
  holding_.clear();
  depths_.clear();
}

HTREEITEM SectionTree::Insert(HTREEITEM parent, const cfg::Section& section, HTREEITEM after) {
  const bool children = HasChildSections(section);
  TVINSERTSTRUCTA insert{};
  insert.hParent = parent;
  insert.hInsertAfter = after;
  insert.item.mask = TVIF_TEXT | TVIF_STATE | TVIF_PARAM | TVIF_CHILDREN;
  insert.item.state = 0;
  insert.item.pszText = const_cast<char*>(section.GetName());
  insert.item.lParam = reinterpret_cast<LPARAM>(&section);
  insert.item.cChildren = children ? 1 : 0;
  auto item = reinterpret_cast<HTREEITEM>(Send(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
  if (item == nullptr) return nullptr;
  items_[&section] = {item, parent};
  const auto above = depths_.find(parent);
  depths_[item] = (above != depths_.end() ? above->second : 0) + 1;
  if (!children) holding_.insert(item);
  return item;
}

HTREEITEM SectionTree::InsertInPlace(HTREEITEM parent, const cfg::Section& section) {
  const auto* holder = static_cast<const cfg::Section*>(section.Owner());
  HTREEITEM after = TVI_FIRST;
  if (holder != nullptr) {
    for (int slot = holder->SlotOf(&section) - 1; slot >= 1; --slot) {
      const cfg::Section* sibling = holder->SectionAt(slot);
      if (sibling->IsNull()) continue;
      if (HTREEITEM item = ItemOf(sibling, parent)) {
        after = item;
        break;
      }
    }
  }
  return Insert(parent, section, after);
}

void SectionTree::ShowNoImages() const { Send(TVM_SETIMAGELIST, TVSIL_NORMAL, 0); }

HTREEITEM SectionTree::Selected() const {
  return reinterpret_cast<HTREEITEM>(Send(TVM_GETNEXTITEM, TVGN_CARET, 0));
}

void SectionTree::Select(HTREEITEM item) const {
  Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

void SectionTree::EnsureVisible(HTREEITEM item) const {
  Send(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
}

cfg::Section* SectionTree::SectionOf(HTREEITEM item) const {
  TVITEMA data{};
  data.mask = TVIF_PARAM;
  data.hItem = item;
  if (Send(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data)) == 0) return nullptr;
  return reinterpret_cast<cfg::Section*>(data.lParam);
}

HTREEITEM SectionTree::ParentOf(HTREEITEM item) const {
  return reinterpret_cast<HTREEITEM>(Send(TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(item)));
}

void SectionTree::SetButton(HTREEITEM item, bool children) const {
  TVITEMA data{};
  data.mask = TVIF_CHILDREN;
  data.hItem = item;
  data.cChildren = children ? 1 : 0;
  Send(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&data));
}

void SectionTree::SetText(HTREEITEM item, const char* text) const {
  TVITEMA data{};
  data.mask = TVIF_TEXT;
  data.hItem = item;
  data.pszText = const_cast<char*>(text);
  Send(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&data));
}

void SectionTree::SetRedraw(bool on) const {
  Send(WM_SETREDRAW, on ? TRUE : FALSE, 0);
  if (on) Repaint();
}

void SectionTree::Repaint() const {
  if (tree_ != nullptr) InvalidateRect(tree_, nullptr, TRUE);
}

void SectionTree::DeleteSubtree(HTREEITEM item) const {
  if (tree_ == nullptr) return;
  WaitCursor wait;
  SetRedraw(false);
  DeleteTreeItems(tree_, item);
  SetRedraw(true);
}

HTREEITEM SectionTree::Find(const cfg::Section* section) const {
  if (section != nullptr && section->Owner() == nullptr) return TVI_ROOT;
  auto found = items_.find(section);
  return found != items_.end() ? found->second.item : nullptr;
}

void SectionTree::InsertChildren(HTREEITEM parent, const cfg::Section& section) {
  std::vector<const cfg::Section*> children;
  for (int i = 1; i <= section.Count(); ++i) {
    const cfg::Section* child = section.SectionAt(i);
    if (!child->IsNull()) children.push_back(child);
  }
  WaitCursor wait(children.size() >= kWaitCursorLines);
  for (const cfg::Section* child : children) Append(parent, *child);
  if (parent != TVI_ROOT) holding_.insert(parent);
}

bool SectionTree::HoldsChildren(HTREEITEM parent) const {
  return parent == TVI_ROOT || holding_.count(parent) != 0;
}

void SectionTree::Forget(HTREEITEM item, LPARAM section) {
  holding_.erase(item);
  depths_.erase(item);
  auto found = items_.find(reinterpret_cast<const cfg::Section*>(section));
  if (found != items_.end() && found->second.item == item) items_.erase(found);
}

HTREEITEM SectionTree::ItemOf(const cfg::Section* section, HTREEITEM parent) const {
  auto found = items_.find(section);
  return found != items_.end() && found->second.parent == parent ? found->second.item : nullptr;
}

void SectionTree::DeleteAll() {
  if (tree_ == nullptr) return;
  std::vector<std::pair<int, HTREEITEM>> cuts;
  for (const auto& [item, depth] : depths_)
    if (depth % kDeleteDepthStep == 0) cuts.emplace_back(depth, item);
  std::sort(cuts.begin(), cuts.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  // Each deletion reports its items back (TVN_DELETEITEM, Forget) while the
  // cuts are walked: they are a copy.
  for (const auto& cut : cuts) Send(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(cut.second));
  Send(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  Clear();
}

}  // namespace editor
