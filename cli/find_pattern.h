// The PATTERN of cfgtool find as a test of names and value texts.
#pragma once

#include <string>

#include "config/tree_search.h"

namespace cfgtool {

// A PATTERN ready to match: the test, and a part that every text the test
// accepts holds (empty when none is known), for the search to leave out the
// value texts that can not hold it.
struct FindTest {
  cfg::SearchTest test;
  std::string required;
  bool ignoreCase = false;
  cfg::RequiredPart Required() const { return {required, ignoreCase}; }
};

// A substring ignoring ASCII case; with caseSensitive an exact substring;
// with regex an ECMAScript regular expression found anywhere in the text
// (ignoring ASCII case unless caseSensitive; back-references are refused, so
// that a search takes bounded stack however long the text). An empty pattern
// matches every text. False for a bad regular expression, with the fault in
// *error.
bool MakeFindTest(const std::string& pattern, bool regex, bool caseSensitive, FindTest* test,
                  std::string* error);

}  // namespace cfgtool
