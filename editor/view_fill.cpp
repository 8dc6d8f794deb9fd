#include "editor/view_fill.h"

#include <cstddef>

#include "editor/list_order.h"

namespace editor {

WaitCursor::WaitCursor(bool show)
    : previous_(show ? SetCursor(LoadCursor(nullptr, IDC_WAIT)) : nullptr), shown_(show) {}

WaitCursor::~WaitCursor() {
  if (shown_) SetCursor(previous_);
}

namespace {

// Where a sorted list box of count lines inserts a new line by its binary
// search, when `less` lines sort before the new one and the next `equal`
// lines compare equal to it: the first probed index inside the equal run, or
// the end of the lines before it when the run is empty.
std::size_t ProbePosition(std::size_t less, std::size_t equal, std::size_t count) {
  auto low = std::ptrdiff_t{0};
  auto high = static_cast<std::ptrdiff_t>(count) - 1;
  const auto before = static_cast<std::ptrdiff_t>(less);
  const auto through = static_cast<std::ptrdiff_t>(less + equal);
  while (low <= high) {
    const std::ptrdiff_t index = (low + high) / 2;
    if (index < before)
      low = index + 1;
    else if (index >= through)
      high = index - 1;
    else
      return static_cast<std::size_t>(index);
  }
  return static_cast<std::size_t>(low);
}

// Counts of lines per run of equal lines, with sums over the runs before a run.
class RunCounts {
 public:
  explicit RunCounts(std::size_t runs) : tree_(runs + 1, 0) {}
  void Add(std::size_t run) {
    for (std::size_t i = run + 1; i < tree_.size(); i += i & (~i + 1)) ++tree_[i];
  }
  std::size_t Before(std::size_t run) const {
    std::size_t sum = 0;
    for (std::size_t i = run; i > 0; i -= i & (~i + 1)) sum += tree_[i];
    return sum;
  }

 private:
  std::vector<std::size_t> tree_;  // a binary indexed tree over the runs
};

}  // namespace

std::vector<std::size_t> SortedListAddOrder(const std::vector<std::string>& texts) {
  const std::size_t count = texts.size();
  std::vector<std::wstring> wide;
  wide.reserve(count);
  for (const std::string& text : texts) wide.push_back(Widen(text));

  // The runs of lines the list box holds equal, in its sorted order.
  const LineRuns sorted = SortedRuns(texts, wide);
  const std::vector<std::size_t>& runOf = sorted.runOf;
  const std::size_t runs = sorted.runs;

  // Replays the one-by-one adds: where each line lands within its run.
  std::vector<std::vector<std::size_t>> members(runs);
  RunCounts counts(runs);
  for (std::size_t i = 0; i < count; ++i) {
    std::vector<std::size_t>& run = members[runOf[i]];
    const std::size_t less = counts.Before(runOf[i]);
    const std::size_t slot = ProbePosition(less, run.size(), i) - less;
    run.insert(run.begin() + static_cast<std::ptrdiff_t>(slot), i);
    counts.Add(runOf[i]);
  }

  // Runs go in sorted order, each after everything already added. Within a
  // run the list box puts the k-th add at a slot its search fixes, so the
  // lines are picked from the wanted order backwards: the last add is the line
  // at the last add's slot, and so on.
  std::vector<std::size_t> order;
  order.reserve(count);
  std::size_t added = 0;
  for (std::vector<std::size_t>& run : members) {
    std::vector<std::size_t> picks(run.size());
    for (std::size_t k = run.size(); k-- > 0;) {
      const std::size_t slot = ProbePosition(added, k, added + k) - added;
      picks[k] = run[slot];
      run.erase(run.begin() + static_cast<std::ptrdiff_t>(slot));
    }
    order.insert(order.end(), picks.begin(), picks.end());
    added += picks.size();
  }
  return order;
}

void FillSortedList(const dlg::ListBoxControl& list, const std::vector<std::string>& texts,
                    const std::vector<LPARAM>& data) {
  WaitCursor wait(texts.size() >= kWaitCursorLines);
  const dlg::ListBoxControl pinned(list.ref.Pinned());
  pinned.SetRedraw(false);
  pinned.ResetContent();
  std::size_t bytes = 0;
  for (const std::string& text : texts) bytes += text.size() + 1;
  pinned.InitStorage(static_cast<int>(texts.size()), bytes);
  for (std::size_t i : SortedListAddOrder(texts)) {
    const int index = pinned.AddString(texts[i].c_str());
    if (index != LB_ERR && !data.empty()) pinned.SetItemData(index, data[i]);
  }
  pinned.SetRedraw(true);
  pinned.ref.Invalidate(nullptr);
}

void DeleteTreeItems(HWND tree, HTREEITEM top) {
  auto next = [tree](UINT relation, HTREEITEM item) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
  };
  // Down to a leaf, delete it, back to its parent, which becomes a leaf once
  // its last child is gone. The way back is kept here, not in the call stack.
  std::vector<HTREEITEM> above;
  HTREEITEM item = top;
  while (item != nullptr) {
    if (HTREEITEM child = next(TVGN_CHILD, item)) {
      above.push_back(item);
      item = child;
      continue;
    }
    HTREEITEM after = nullptr;
    if (!above.empty()) {
      after = above.back();
      above.pop_back();
    }
    SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item));
    item = after;
  }
}

}  // namespace editor
