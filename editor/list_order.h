// The order of the editor's sorted list boxes (LBS_SORT): the comparison the
// list box applies to two lines, and the runs of lines it holds equal, in its
// order. The plain rule sorts by that comparison; beside it, a fast path sorts
// by a rank of each character and keeps that order only where the comparison
// confirms it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace editor {

// The list box's comparison of two lines: CompareStringW in the user's locale
// ignoring case. Negative, 0 or positive; a failed comparison counts as
// "less", as the list box counts it.
int CompareLines(const std::wstring& a, const std::wstring& b);

// text widened with the ANSI code page, as the list box keeps a line added
// through LB_ADDSTRING of the A interface.
std::wstring Widen(const std::string& text);

// Lines grouped into the runs that CompareLines holds equal, the runs
// numbered in the list box's order: line i belongs to run runOf[i], and runs
// is their number.
struct LineRuns {
  std::vector<std::size_t> runOf;
  std::size_t runs = 0;
  bool operator==(const LineRuns& other) const { return runOf == other.runOf && runs == other.runs; }
};

// The plain rule: the lines (widened) sorted by CompareLines, and neighbours
// it holds equal put in one run.
LineRuns RunsByComparison(const std::vector<std::wstring>& wide);

// The fast path, for texts and their widened forms: sorts the texts
// lexicographically by the rank of each byte (the place of the one-character
// line among all 255 of them under CompareLines), then checks every pair of
// neighbours with CompareLines; nullopt when a pair is out of order.
// Exact: the check passes only when the sequence is sorted under CompareLines,
// a total preorder, so lines it holds equal stand together and the runs, in
// their order, are those of the plain rule, whatever order within a run the
// ranks gave. It costs one comparison per line instead of one per step of a
// sort, and pays with the names people give (letters, digits, '_', '.'),
// which the ranks order as the comparison does.
std::optional<LineRuns> RunsByCharacterRank(const std::vector<std::string>& texts,
                                            const std::vector<std::wstring>& wide);

// The fast path when it holds, else the plain rule.
LineRuns SortedRuns(const std::vector<std::string>& texts, const std::vector<std::wstring>& wide);

}  // namespace editor
