#include "cli/json_text.h"

#include <cstring>
#include <limits>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

// Quotes the bytes, lets a real JSON parser read the string back, and maps it
// to bytes again.
std::string ThroughJson(const std::string& bytes, std::string* quoted) {
  quoted->clear();
  cfgtool::AppendJsonString(*quoted, bytes);
  return cfgtool::BytesFromJsonString(nlohmann::json::parse(*quoted).get<std::string>());
}

TEST(JsonTextTest, EveryByteStringSurvivesAJsonParser) {
  struct Case {
    const char* name;
    std::string bytes;
    const char* quoted;  // nullptr: not checked
  };
  const Case cases[] = {
      {"plain", "Main view", "\"Main view\""},
      {"escapes", "a\"b\\c\td\x01", "\"a\\\"b\\\\c\\td\\u0001\""},
      {"utf-8 kept", "caf\xC3\xA9", "\"caf\xC3\xA9\""},
      {"lone high bytes", "\xFF\x80z", nullptr},
      {"truncated sequence", "\xC3", nullptr},
      {"overlong encoding", "\xC0\xAF", nullptr},
      {"encoded surrogate", "\xED\xA0\x80", nullptr},
      {"private-use code of a raw byte", "\xEE\xBE\x80", nullptr},  // U+EF80 itself
      {"all bytes", [] {
         std::string all;
         for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
         return all;
       }(), nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string quoted;
    EXPECT_EQ(ThroughJson(c.bytes, &quoted), c.bytes);
    if (c.quoted) {
      EXPECT_EQ(quoted, c.quoted);
    }
  }
}

TEST(JsonTextTest, FloatsUseTheFewestDigitsThatReadBack) {
  struct Case {
    float number;
    const char* text;
  };
  const Case cases[] = {
      {0.1f, "0.1"},
      {1.5f, "1.5"},
      {100.0f, "100.0"},
      {-0.0f, "-0.0"},
      {3.4028235e38f, "3.4028235e+38"},
      {1e-45f, "1e-45"},
      {std::numeric_limits<float>::infinity(), "\"inf\""},
      {-std::numeric_limits<float>::infinity(), "\"-inf\""},
      {std::numeric_limits<float>::quiet_NaN(), "\"nan\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string out;
    cfgtool::AppendJsonFloat(out, c.number);
    EXPECT_EQ(out, c.text);
  }
  std::string out;
  cfgtool::AppendJsonDouble(out, 0.1);
  EXPECT_EQ(out, "0.1");
  out.clear();
  cfgtool::AppendJsonDouble(out, 1.0 / 3.0);
  EXPECT_EQ(std::strtod(out.c_str(), nullptr), 1.0 / 3.0);
}

TEST(JsonTextTest, HexPairsRoundTripAndRefuseOddText) {
  const uint8_t bytes[] = {0x00, 0x0A, 0xFF};
  EXPECT_EQ(cfgtool::HexPairs(bytes, 3), "000AFF");
  std::string back;
  ASSERT_TRUE(cfgtool::BytesFromHexPairs("000aFF", &back));
  EXPECT_EQ(back, std::string("\x00\x0A\xFF", 3));
  EXPECT_FALSE(cfgtool::BytesFromHexPairs("0A0", &back));
  EXPECT_FALSE(cfgtool::BytesFromHexPairs("0G", &back));
}

}  // namespace
