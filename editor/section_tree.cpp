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

HTREEITEM SectionTree::Append(HWND tree, HTREEITEM parent, const cfg::Section& section) {
  const bool children = HasChildSections(section);
  TVINSERTSTRUCTA insert{};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_STATE | TVIF_PARAM | TVIF_CHILDREN;
  insert.item.state = 0;
  insert.item.pszText = const_cast<char*>(section.GetName());
  insert.item.lParam = reinterpret_cast<LPARAM>(&section);
  insert.item.cChildren = children ? 1 : 0;
  auto item = reinterpret_cast<HTREEITEM>(
      SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
  if (item == nullptr) return nullptr;
  items_[&section] = {item, parent};
  const auto above = depths_.find(parent);
  depths_[item] = (above != depths_.end() ? above->second : 0) + 1;
  if (!children) holding_.insert(item);
  return item;
}

void SectionTree::InsertChildren(HWND tree, HTREEITEM parent, const cfg::Section& section) {
  std::vector<const cfg::Section*> children;
  for (int i = 1; i <= section.Count(); ++i) {
    const cfg::Section* child = section.SectionAt(i);
    if (!child->IsNull()) children.push_back(child);
  }
  WaitCursor wait(children.size() >= kWaitCursorLines);
  for (const cfg::Section* child : children) Append(tree, parent, *child);
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

void SectionTree::DeleteAll(HWND tree) {
  std::vector<std::pair<int, HTREEITEM>> cuts;
  for (const auto& [item, depth] : depths_)
    if (depth % kDeleteDepthStep == 0) cuts.emplace_back(depth, item);
  std::sort(cuts.begin(), cuts.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  // Each deletion reports its items back (TVN_DELETEITEM, Forget) while the
  // cuts are walked: they are a copy.
  for (const auto& cut : cuts) SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(cut.second));
  SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  Clear();
}

}  // namespace editor
