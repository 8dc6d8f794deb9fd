#include "find_pattern.h"

#include <memory>
#include <regex>

namespace cfgtool {

namespace {

// The longest text searched by backtracking (see MakeFindTest): its depth of
// recursion stays far within any thread's stack.
constexpr size_t kBacktrackingLength = 2048;

}  // namespace

bool MakeFindTest(const std::string& pattern, bool regex, bool caseSensitive, cfg::SearchTest* test,
                  std::string* error) {
  if (regex) {
    auto flags = std::regex::ECMAScript | std::regex::optimize;
    if (!caseSensitive) flags |= std::regex::icase;
    std::shared_ptr<const std::regex> shortTexts, longTexts;
    try {
#ifdef __GLIBCXX__
      // libstdc++ searches by backtracking, one level of recursion for each
      // character a repetition takes, which overflows the stack on a long
      // text. Its polynomial mode follows every path at once in bounded
      // depth, but is slower; it takes the long texts. It has no
      // back-references, so neither has PATTERN.
      longTexts = std::make_shared<const std::regex>(pattern, flags | std::regex_constants::__polynomial);
#endif
      shortTexts = std::make_shared<const std::regex>(pattern, flags);
    } catch (const std::regex_error& e) {
      *error = e.what();
      return false;
    }
    if (!longTexts) longTexts = shortTexts;
    *test = [shortTexts, longTexts](std::string_view text) {
      const std::regex& compiled = text.size() <= kBacktrackingLength ? *shortTexts : *longTexts;
      return std::regex_search(text.begin(), text.end(), compiled);
    };
  } else if (caseSensitive) {
    *test = [pattern](std::string_view text) { return text.find(pattern) != std::string_view::npos; };
  } else {
    *test = [pattern](std::string_view text) { return cfg::HoldsIgnoringCase(text, pattern); };
  }
  return true;
}

}  // namespace cfgtool
