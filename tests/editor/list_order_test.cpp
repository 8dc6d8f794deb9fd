// The fast path of the sorted list boxes' order against the plain rule: where
// the character ranks give an order the comparison confirms, the runs are the
// plain sort's; where they do not, the fast path declines.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "editor/list_order.h"

namespace editor {
namespace {

std::vector<std::wstring> WidenAll(const std::vector<std::string>& texts) {
  std::vector<std::wstring> wide;
  for (const std::string& text : texts) wide.push_back(Widen(text));
  return wide;
}

// Every line of up to two characters over an alphabet, in the given order.
std::vector<std::string> AllPairs(const std::string& alphabet) {
  std::vector<std::string> lines{""};
  for (char a : alphabet) {
    lines.emplace_back(1, a);
    for (char b : alphabet) lines.push_back(std::string{a, b});
  }
  return lines;
}

std::vector<std::string> Numbered(const char* stem, int count, int step) {
  std::vector<std::string> lines;
  for (int i = 0; i < count; ++i) lines.push_back(stem + std::to_string(i * step % count));
  return lines;
}

// Whether the fast path takes a set of lines: it must take the names people
// give, and must decline sets whose order the ranks get wrong (characters the
// comparison ignores or weighs by accent), which then go the plain way.
enum class Fast { Holds, Declines };

struct Case {
  const char* name;
  std::vector<std::string> texts;
  Fast fast;
};

TEST(ListOrder, CharacterRankAgreesWithComparison) {
  const std::string names = "abcXYZ019_.";
  const Case cases[] = {
      {"empty", {}, Fast::Holds},
      {"generated record names", Numbered("record_", 2000, 7), Fast::Holds},
      {"mixed case, equal lines", {"Beta", "alpha", "ALPHA", "beta", "Alpha", "b", "B", "a1", "A1"}, Fast::Holds},
      {"digits, underscores, dots", {"a_b", "ab", "a.b", "a1", "A10", "a9", "10", "9", "_x", "x_"}, Fast::Holds},
      {"every pair of name characters", AllPairs(names), Fast::Holds},
      {"value lines", {"(int) = 3", "(int)b = 1", "(int) = 10", "(string)a = x", "(int)B = 2"}, Fast::Holds},
      {"hyphens and apostrophes", {"co-op", "coop", "co'op", "cop", "co-o", "a-b", "ab", "a'c"}, Fast::Declines},
      {"8-bit letters", {"\xe4", "\xc4", "a", "z", "\xe9t\xe9", "\xc9t\xc9", "caf\xe9", "cafe", "\xdf", "ss", "st"}, Fast::Declines},
      {"every pair of punctuation", AllPairs("-'!#$%&()*+,/:;<=>?@[]^`{|}~ "), Fast::Declines},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::wstring> wide = WidenAll(c.texts);
    const LineRuns plain = RunsByComparison(wide);
    const std::optional<LineRuns> fast = RunsByCharacterRank(c.texts, wide);
    EXPECT_EQ(fast.has_value(), c.fast == Fast::Holds);
    if (fast.has_value()) {
      EXPECT_EQ(*fast, plain);
    }
    EXPECT_EQ(SortedRuns(c.texts, wide), plain);
  }
}

// Lines the comparison holds equal share a run however far apart they stand;
// the runs are numbered in the list box's order.
TEST(ListOrder, RunsNumberEqualLinesTogetherInOrder) {
  const std::vector<std::string> texts{"b", "A", "c", "a", "B"};
  const LineRuns runs = SortedRuns(texts, WidenAll(texts));
  EXPECT_EQ(runs.runs, 3u);
  EXPECT_EQ(runs.runOf, (std::vector<std::size_t>{1, 0, 2, 0, 1}));
}

}  // namespace
}  // namespace editor
