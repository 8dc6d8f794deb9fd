#include "find_pattern.h"

#include <memory>
#include <regex>
#include <string_view>

namespace cfgtool {

namespace {

// The longest text searched by backtracking (see MakeFindTest): its depth of
// recursion stays far within any thread's stack.
constexpr size_t kBacktrackingLength = 2048;

// Characters that an ECMAScript pattern always takes as themselves outside a
// class: none of them is a syntax character (^ $ \ . * + ? ( ) [ ] { } |).
bool IsPlainPatternCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         std::string_view(" _-/:,=@").find(c) != std::string_view::npos;
}
bool IsQuantifierStart(char c) { return c == '*' || c == '+' || c == '?' || c == '{'; }

// The characters every match of a valid ECMAScript pattern starts with, or
// an empty text when that is not known. Exact by the pattern's shape:
// without a '|' anywhere the pattern is one sequence of terms, and a match
// is a match of each term in turn. A leading '^' matches no character. Each
// plain character that follows and that no quantifier follows is a term
// matching exactly itself (ignoring case, the regular expression's
// translation through the classic locale, which no part of cfgtool changes:
// the other case of an ASCII letter). So the match begins with the run of
// those characters, and a text with a match holds the run, in the same
// sense of case.
std::string MatchStart(std::string_view pattern) {
  if (pattern.find('|') != std::string_view::npos) return std::string();
  if (!pattern.empty() && pattern.front() == '^') pattern.remove_prefix(1);
  size_t run = 0;
  while (run < pattern.size() && IsPlainPatternCharacter(pattern[run])) ++run;
  // A quantifier takes the character before it, which may then match not
  // once.
  if (run > 0 && run < pattern.size() && IsQuantifierStart(pattern[run])) --run;
  return std::string(pattern.substr(0, run));
}

// Whether text holds part, ignoring ASCII case or not.
bool Holds(std::string_view text, std::string_view part, bool ignoreCase) {
  return ignoreCase ? cfg::HoldsIgnoringCase(text, part) : text.find(part) != std::string_view::npos;
}

}  // namespace

bool MakeFindTest(const std::string& pattern, bool regex, bool caseSensitive, FindTest* test,
                  std::string* error) {
  const bool ignoreCase = !caseSensitive;
  test->ignoreCase = ignoreCase;
  if (!regex) {
    test->required = pattern;
    test->test = [pattern, ignoreCase](std::string_view text) { return Holds(text, pattern, ignoreCase); };
    return true;
  }
  auto flags = std::regex::ECMAScript | std::regex::optimize;
  if (ignoreCase) flags |= std::regex::icase;
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
  // A text without the characters every match starts with has no match:
  // most texts are turned away without running the regular expression.
  test->required = MatchStart(pattern);
  test->test = [shortTexts, longTexts, start = test->required, ignoreCase](std::string_view text) {
    if (!Holds(text, start, ignoreCase)) return false;
    const std::regex& compiled = text.size() <= kBacktrackingLength ? *shortTexts : *longTexts;
    return std::regex_search(text.begin(), text.end(), compiled);
  };
  return true;
}

}  // namespace cfgtool
