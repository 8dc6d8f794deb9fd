#include "cli/config_path.h"

#include <gtest/gtest.h>

namespace {

using cfgtool::AppendPathName;
using cfgtool::ConfigPath;
using cfgtool::ParseConfigPath;
using cfgtool::PathPart;

struct PathCase {
  const char* text;
  std::vector<std::string> sections;
  const char* record;
  bool bracketed;
  const char* value;
};

TEST(ConfigPathTest, SplitsSectionsRecordAndValue) {
  const PathCase cases[] = {
      {"rec", {}, "rec", false, ""},
      {"rec[]", {}, "rec", true, ""},
      {"rec[port]", {}, "rec", true, "port"},
      {"a/b/rec[port]", {"a", "b"}, "rec", true, "port"},
      {"a/b/", {"a", "b"}, "", false, ""},
      {"a/", {"a"}, "", false, ""},
      {"a\\/b/rec", {"a/b"}, "rec", false, ""},          // escaped slash in a section name
      {"a\\\\/rec", {"a\\"}, "rec", false, ""},          // escaped backslash ends the name
      {"a/r\\[x", {"a"}, "r[x", false, ""},              // escaped bracket stays in the record name
      {"rec[a[b]", {}, "rec", true, "a[b"},              // value name runs to the closing bracket
      {"rec[x\\/y]", {}, "rec", true, "x/y"},
      {"sec with blanks/ rec ", {"sec with blanks"}, " rec ", false, ""},
  };
  for (const PathCase& c : cases) {
    SCOPED_TRACE(c.text);
    ConfigPath path;
    std::string error;
    ASSERT_TRUE(ParseConfigPath(c.text, &path, &error)) << error;
    EXPECT_EQ(path.sections, c.sections);
    EXPECT_EQ(path.record, c.record);
    EXPECT_EQ(path.bracketed, c.bracketed);
    EXPECT_EQ(path.value, c.value);
    EXPECT_EQ(path.NamesSection(), std::string(c.record).empty());
  }
}

TEST(ConfigPathTest, RefusesMalformedPaths) {
  const char* const cases[] = {
      "",           // nothing
      "/",          // no section name
      "a//rec",     // empty section name
      "/rec",       // empty first section name
      "[x]",        // empty record name
      "a/[x]",      // empty record name after a section
      "rec[x",      // value name not closed
      "rec[x]y",    // text after the closing bracket
      "rec]",       // closing bracket without an opening one
      "rec[x\\]",   // the closing bracket is escaped
      "rec\\",      // lone backslash at the end
  };
  for (const char* text : cases) {
    SCOPED_TRACE(text);
    ConfigPath path;
    std::string error;
    EXPECT_FALSE(ParseConfigPath(text, &path, &error));
    EXPECT_FALSE(error.empty());
  }
}

TEST(ConfigPathTest, WrittenNamesReadBackAsThemselves) {
  struct Case {
    const char* section;
    const char* record;
    const char* value;
    const char* expected;  // the text written
  };
  const Case cases[] = {
      {"net", "host", "port", "net/host[port]"},
      {"a/b", "c\\d", "e/f", "a\\/b/c\\\\d[e\\/f]"},
      {"s[1]", "r[x]", "v[w]", "s[1]/r\\[x\\][v[w]]"},
      {"s", "r", "", "s/r[]"},
      {"s", "r", "x\\", "s/r[x\\\\]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    std::string text;
    AppendPathName(&text, c.section, PathPart::Section);
    text += '/';
    AppendPathName(&text, c.record, PathPart::Record);
    text += '[';
    AppendPathName(&text, c.value, PathPart::Value);
    text += ']';
    EXPECT_EQ(text, c.expected);
    ConfigPath path;
    std::string error;
    ASSERT_TRUE(ParseConfigPath(text, &path, &error)) << error;
    EXPECT_EQ(path.sections, std::vector<std::string>{c.section});
    EXPECT_EQ(path.record, c.record);
    EXPECT_TRUE(path.bracketed);
    EXPECT_EQ(path.value, c.value);
  }
}

}  // namespace
