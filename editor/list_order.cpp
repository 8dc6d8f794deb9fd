#include "editor/list_order.h"

#include <algorithm>
#include <array>
#include <climits>
#include <numeric>

namespace editor {

int CompareLines(const std::wstring& a, const std::wstring& b) {
  const int result = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1);
  return result == 0 ? -1 : result - CSTR_EQUAL;
}

std::wstring Widen(const std::string& text) {
  const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(length > 0 ? length - 1 : 0, L'\0');
  if (length > 1) MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
  return wide;
}

namespace {

// Numbers the runs of neighbours in sorted (indices into wide) that
// CompareLines holds equal; false when a pair is out of order.
bool NumberRuns(const std::vector<std::size_t>& sorted, const std::vector<std::wstring>& wide,
                LineRuns& runs) {
  runs.runOf.assign(sorted.size(), 0);
  runs.runs = 0;
  for (std::size_t k = 0; k < sorted.size(); ++k) {
    const int order = k == 0 ? -1 : CompareLines(wide[sorted[k - 1]], wide[sorted[k]]);
    if (order > 0) return false;
    if (order < 0) ++runs.runs;
    runs.runOf[sorted[k]] = runs.runs - 1;
  }
  return true;
}

constexpr std::size_t kByteValues = UCHAR_MAX + 1;
using ByteRanks = std::array<unsigned, kByteValues>;

// Each byte's place among the one-character lines under CompareLines; bytes
// it holds equal share a rank. The byte 0 never stands in a line.
ByteRanks MakeByteRanks() {
  std::vector<std::wstring> lines(kByteValues);
  std::vector<std::size_t> bytes;
  for (std::size_t byte = 1; byte < kByteValues; ++byte) {
    lines[byte] = Widen(std::string(1, static_cast<char>(byte)));
    bytes.push_back(byte);
  }
  std::stable_sort(bytes.begin(), bytes.end(), [&lines](std::size_t a, std::size_t b) {
    return CompareLines(lines[a], lines[b]) < 0;
  });
  ByteRanks ranks{};
  unsigned rank = 0;
  for (std::size_t k = 0; k < bytes.size(); ++k) {
    if (k > 0 && CompareLines(lines[bytes[k - 1]], lines[bytes[k]]) != 0) ++rank;
    ranks[bytes[k]] = rank;
  }
  return ranks;
}

}  // namespace

LineRuns RunsByComparison(const std::vector<std::wstring>& wide) {
  std::vector<std::size_t> sorted(wide.size());
  std::iota(sorted.begin(), sorted.end(), std::size_t{0});
  std::stable_sort(sorted.begin(), sorted.end(), [&wide](std::size_t a, std::size_t b) {
    return CompareLines(wide[a], wide[b]) < 0;
  });
  LineRuns runs;
  NumberRuns(sorted, wide, runs);  // sorted by the comparison itself: always in order
  return runs;
}

std::optional<LineRuns> RunsByCharacterRank(const std::vector<std::string>& texts,
                                            const std::vector<std::wstring>& wide) {
  static const ByteRanks ranks = MakeByteRanks();
  auto rankLess = [](char a, char b) {
    return ranks[static_cast<unsigned char>(a)] < ranks[static_cast<unsigned char>(b)];
  };
  std::vector<std::size_t> sorted(texts.size());
  std::iota(sorted.begin(), sorted.end(), std::size_t{0});
  std::sort(sorted.begin(), sorted.end(), [&](std::size_t a, std::size_t b) {
    return std::lexicographical_compare(texts[a].begin(), texts[a].end(), texts[b].begin(),
                                        texts[b].end(), rankLess);
  });
  LineRuns runs;
  if (!NumberRuns(sorted, wide, runs)) return std::nullopt;
  return runs;
}

LineRuns SortedRuns(const std::vector<std::string>& texts, const std::vector<std::wstring>& wide) {
  if (std::optional<LineRuns> runs = RunsByCharacterRank(texts, wide)) return *std::move(runs);
  return RunsByComparison(wide);
}

}  // namespace editor
