// The PATTERN of cfgtool find: the characters a regular expression's matches
// start with, which turn texts away before the expression runs, must not
// change what the expression finds.
#include "cli/find_pattern.h"

#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

bool Holds(const std::string& text, const std::string& part, bool ignoreCase) {
  return ignoreCase ? cfg::HoldsIgnoringCase(text, part) : text.find(part) != std::string::npos;
}

TEST(FindPattern, ARegularExpressionFindsWhatThePlainExpressionFinds) {
  struct Case {
    const char* pattern;
    const char* start;  // the characters every match starts with
  };
  const Case cases[] = {
      {"queue_1[0-9]*\\.dat$", "queue_1"},
      {"^Net/proxy", "Net/proxy"},
      {"ab*c", "a"},
      {"ab+c", "a"},
      {"ab?", "a"},
      {"ab{2}", "a"},
      {"abc", "abc"},
      {"a-b c:d,e=f@g", "a-b c:d,e=f@g"},
      {"a|b", ""},
      {"(ab)c", ""},
      {"x.y", "x"},
      {"x\\.y", "x"},
      {"[ab]c", ""},
      {"\\d+", ""},
      {"a\\b", "a"},
      {"^", ""},
      {"", ""},
      {"a(?=b)", "a"},
  };
  const std::vector<std::string> texts = {
      "",          "/srv/queue_12.dat", "QUEUE_1.DAT",  "queue_1x.dat", "net/proxy/host", "Net/Proxy",
      "ac",        "abbc",              "ABC",          "xabcx",        "b",              "a-b c:d,e=f@g",
      "A-B C:D,E=F@G", "x.y",           "xzy",          "7",            "a b",            "ab",
  };
  for (const Case& c : cases) {
    for (bool ignoreCase : {false, true}) {
      SCOPED_TRACE(std::string("pattern \"") + c.pattern + "\"" + (ignoreCase ? " ignoring case" : ""));
      cfgtool::FindTest test;
      std::string error;
      ASSERT_TRUE(cfgtool::MakeFindTest(c.pattern, true, !ignoreCase, &test, &error)) << error;
      EXPECT_EQ(test.required, c.start);
      EXPECT_EQ(test.ignoreCase, ignoreCase);
      auto flags = std::regex::ECMAScript;
      if (ignoreCase) flags |= std::regex::icase;
      const std::regex plain(c.pattern, flags);
      for (const std::string& text : texts) {
        SCOPED_TRACE("text \"" + text + "\"");
        const bool found = std::regex_search(text, plain);
        EXPECT_EQ(test.test(text), found);
        if (found) {
          EXPECT_TRUE(Holds(text, test.required, ignoreCase));
        }
      }
    }
  }
}

}  // namespace
