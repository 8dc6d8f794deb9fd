// Golden files: each golden/NAME.cfg, loaded into a fresh document and saved,
// gives exactly golden/NAME.expected; loading and saving that again changes
// nothing.
#include <gtest/gtest.h>

#include <string>

#include "config/config_node.h"
#include "test_support.h"

namespace {

const char* const kGoldenNames[] = {
    "writer_example", "crlf",      "merge",        "arrays",         "long_lines",
    "numbers",        "reader_forms", "refused_root", "refused_nested",
};

std::string GoldenPath(const std::string& file) { return std::string(CFG_GOLDEN_DIR) + "/" + file; }

// Loads input into a fresh document, saves it to output; the saved bytes.
std::string LoadAndSave(const std::string& input, const std::string& output) {
  cfg::Section doc(cfg::kFileSection, input.c_str());
  EXPECT_EQ(doc.Load(), 1) << input;
  doc.SetName(output.c_str());
  EXPECT_EQ(doc.Save(), 1) << output;
  return cfgtest::ReadFile(output);
}

class Golden : public ::testing::TestWithParam<const char*> {};

TEST_P(Golden, SavedTextMatches) {
  const std::string name = GetParam();
  const std::string expected = cfgtest::ReadFile(GoldenPath(name + ".expected"));
  ASSERT_FALSE(expected.empty()) << "cannot read " << GoldenPath(name + ".expected");
  cfgtest::TempDir dir;

  std::string saved = LoadAndSave(GoldenPath(name + ".cfg"), dir.File("first.cfg"));
#ifdef _WIN32
  // Text mode writes CR LF; GoldenWindows checks that separately.
  saved = cfgtest::NormaliseLineEnds(saved);
#endif
  EXPECT_EQ(saved, expected);

  std::string again = LoadAndSave(dir.File("first.cfg"), dir.File("second.cfg"));
#ifdef _WIN32
  again = cfgtest::NormaliseLineEnds(again);
#endif
  EXPECT_EQ(again, expected) << "the expected text is a fixed point";
}

INSTANTIATE_TEST_SUITE_P(Files, Golden, ::testing::ValuesIn(kGoldenNames),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });

#ifdef _WIN32
TEST(GoldenWindows, SavedFilesHaveCrLfLineEnds) {
  cfgtest::TempDir dir;
  std::string saved = LoadAndSave(GoldenPath("writer_example.cfg"), dir.File("out.cfg"));
  size_t lineFeeds = 0;
  for (size_t i = 0; i < saved.size(); ++i) {
    if (saved[i] != '\n') continue;
    ++lineFeeds;
    ASSERT_TRUE(i > 0 && saved[i - 1] == '\r') << "line feed without carriage return at " << i;
  }
  EXPECT_EQ(lineFeeds, 17u);
}
#endif

}  // namespace
