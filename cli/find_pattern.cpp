#include "find_pattern.h"

#include <algorithm>
#include <memory>
#include <regex>

namespace cfgtool {

namespace {

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool MakeFindTest(const std::string& pattern, bool regex, bool caseSensitive, cfg::SearchTest* test,
                  std::string* error) {
  if (regex) {
    auto flags = std::regex::ECMAScript | std::regex::optimize;
    if (!caseSensitive) flags |= std::regex::icase;
    std::shared_ptr<const std::regex> compiled;
    try {
      compiled = std::make_shared<const std::regex>(pattern, flags);
    } catch (const std::regex_error& e) {
      *error = e.what();
      return false;
    }
    *test = [compiled](std::string_view text) {
      return std::regex_search(text.begin(), text.end(), *compiled);
    };
  } else if (caseSensitive) {
    *test = [pattern](std::string_view text) { return text.find(pattern) != std::string_view::npos; };
  } else {
    *test = [pattern](std::string_view text) {
      return pattern.empty() ||
             std::search(text.begin(), text.end(), pattern.begin(), pattern.end(),
                         [](char a, char b) { return FoldCase(a) == FoldCase(b); }) != text.end();
    };
  }
  return true;
}

}  // namespace cfgtool
