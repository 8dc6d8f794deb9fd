// Number texts: parsing value and byte lines, and the writer's texts that read
// back to the identical number.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "config/number_text.h"

namespace {

std::string FloatText(float f) {
  char buffer[128];
  int length = cfg::FormatFloat(f, buffer);
  EXPECT_EQ(length, static_cast<int>(std::strlen(buffer)));
  return buffer;
}

std::string DoubleText(double d) {
  char buffer[128];
  int length = cfg::FormatDouble(d, buffer);
  EXPECT_EQ(length, static_cast<int>(std::strlen(buffer)));
  return buffer;
}

TEST(NumberText, IntegerSyntax) {
  const struct {
    const char* text;
    bool ok;
    int32_t value;
  } cases[] = {{"0x10", true, 16},        {"010", true, 8},       {"-7xyz", true, -7},
               {"  +12", true, 12},       {"0", true, 0},         {"09", true, 0},
               {"-0x1F", true, -31},   {"abc", false, 0},
               {"", false, 0},            {"   ", false, 0},      {"- 1", false, 0},
               {"2147483647", true, INT32_MAX}, {"2147483648", true, INT32_MAX},
               {"-2147483649", true, INT32_MIN}, {"0x80000000", true, INT32_MAX},
               {"99999999999999999999999", true, INT32_MAX}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    int32_t value = 12345;
    EXPECT_EQ(cfg::ParseInt32(c.text, &value), c.ok);
    if (c.ok) {
      EXPECT_EQ(value, c.value);
    }
  }
  int64_t big = 0;
  EXPECT_TRUE(cfg::ParseInt64("0x7FFFFFFFFFFFFFFF", &big));
  EXPECT_EQ(big, INT64_MAX);
  EXPECT_TRUE(cfg::ParseInt64("-99999999999999999999", &big));
  EXPECT_EQ(big, INT64_MIN);
  EXPECT_TRUE(cfg::ParseInt64("0777", &big));
  EXPECT_EQ(big, 511);
  EXPECT_FALSE(cfg::ParseInt64("z", &big));

  // Runs of digits of every length, read as strtoll reads them (base 0:
  // a leading 0 means octal), saturating the same way.
  std::mt19937_64 random(3);
  for (int k = 0; k < 20000; ++k) {
    std::string text = random() % 3 == 0 ? "-" : "";
    const int digits = 1 + static_cast<int>(random() % 24);
    for (int i = 0; i < digits; ++i) text += static_cast<char>('0' + random() % 10);
    if (random() % 4 == 0) text += static_cast<char>('0' + random() % 75);
    const long long expected = std::strtoll(text.c_str(), nullptr, 0);
    int64_t value = 0;
    ASSERT_TRUE(cfg::ParseInt64(text, &value)) << text;
    ASSERT_EQ(value, expected) << text;
  }
}

TEST(NumberText, ParsingStopsAtTheViewsEnd) {
  // The texts are views: digits after the end must not be read.
  const char text[] = "12345";
  int32_t i = 0;
  ASSERT_TRUE(cfg::ParseInt32(std::string_view(text, 2), &i));
  EXPECT_EQ(i, 12);
  int64_t l = 0;
  ASSERT_TRUE(cfg::ParseInt64(std::string_view(text, 3), &l));
  EXPECT_EQ(l, 123);
  double d = 0;
  ASSERT_TRUE(cfg::ParseDouble(std::string_view(text, 1), &d));
  EXPECT_EQ(d, 1.0);
  float f = 0;
  ASSERT_TRUE(cfg::ParseFloat(std::string_view(text, 4), &f));
  EXPECT_EQ(f, 1234.0f);
  uint8_t b = 0;
  ASSERT_TRUE(cfg::ParseHexByte(std::string_view("1FF", 2), &b));
  EXPECT_EQ(b, 0x1F);
}

// Where each parser stops, and whether the number fitted its type: what a
// caller needs to ask whether a whole text is one number.
TEST(NumberText, ParsersReportWhereTheyStopped) {
  struct Case {
    const char* text;
    char type;  // i int32, l int64, f float, d double, x byte
    size_t end;
    bool saturated;
  };
  const Case cases[] = {
      {"42", 'i', 2, false},          {"  -0x1Fz", 'i', 7, false},    {"0779", 'i', 3, false},
      {"0x", 'i', 1, false},          {"2147483647", 'i', 10, false}, {"2147483648", 'i', 10, true},
      {"-2147483648", 'i', 11, false}, {"-2147483649", 'i', 11, true},
      {"9223372036854775807", 'l', 19, false}, {"99999999999999999999 ", 'l', 20, true},
      {"1.5e3x", 'd', 5, false},      {"1e", 'd', 1, false},          {"-.5", 'd', 3, false},
      {"infinity", 'd', 8, false},    {"-INF", 'd', 4, false},        {"nan(1)", 'd', 3, false},
      {"1e999", 'd', 5, true},        {"1e-999", 'd', 6, false},      {"3.5e38", 'f', 6, true},
      {"3.4e38", 'f', 6, false},      {"FF\n", 'x', 2, false},        {"-0x1FG", 'x', 5, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    cfg::NumberStop stop;
    bool found = false;
    switch (c.type) {
      case 'i': { int32_t v; found = cfg::ParseInt32(c.text, &v, &stop); break; }
      case 'l': { int64_t v; found = cfg::ParseInt64(c.text, &v, &stop); break; }
      case 'f': { float v; found = cfg::ParseFloat(c.text, &v, &stop); break; }
      case 'd': { double v; found = cfg::ParseDouble(c.text, &v, &stop); break; }
      case 'x': { uint8_t v; found = cfg::ParseHexByte(c.text, &v, &stop); break; }
    }
    ASSERT_TRUE(found);
    EXPECT_EQ(stop.end, c.end);
    EXPECT_EQ(stop.saturated, c.saturated);
  }
}

TEST(NumberText, FloatingSyntax) {
  const struct {
    const char* text;
    bool ok;
    double value;
  } cases[] = {{"1.5", true, 1.5},         {"  -2.5e2x", true, -250}, {".5", true, 0.5},
               {"5.", true, 5},            {"+1E+2", true, 100},      {"1e", true, 1},
               {"0x10", true, 0},          {"INF", true, HUGE_VAL},   {"-infinity", true, -HUGE_VAL},
               {"x", false, 0},            {"", false, 0},            {".", false, 0},
               {"e5", false, 0},           {"  ", false, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    double d = 777;
    EXPECT_EQ(cfg::ParseDouble(c.text, &d), c.ok);
    if (c.ok) {
      EXPECT_EQ(d, c.value);
    }
    float f = 777;
    EXPECT_EQ(cfg::ParseFloat(c.text, &f), c.ok);
    if (c.ok) {
      EXPECT_EQ(f, static_cast<float>(c.value));
    }
  }
  double d = 0;
  ASSERT_TRUE(cfg::ParseDouble("NaN", &d));
  EXPECT_TRUE(std::isnan(d));
  float f = 0;
  ASSERT_TRUE(cfg::ParseFloat("-nan", &f));
  EXPECT_TRUE(std::isnan(f));
  // A float is read at single precision, a double at double precision.
  ASSERT_TRUE(cfg::ParseFloat("0.1", &f));
  EXPECT_EQ(f, 0.1f);
  ASSERT_TRUE(cfg::ParseDouble("0.1", &d));
  EXPECT_EQ(d, 0.1);
  ASSERT_TRUE(cfg::ParseFloat("1e39", &f));
  EXPECT_TRUE(std::isinf(f));
}

TEST(NumberText, HexBytes) {
  const struct {
    const char* text;
    bool ok;
    uint8_t value;
  } cases[] = {{"1f", true, 0x1F}, {"0x1F", true, 0x1F}, {"  1F", true, 0x1F},
               {"1FF", true, 0xFF}, {"0", true, 0},      {"aB\n", true, 0xAB},
               {"; note", false, 0}, {"", false, 0},
               {"g1", false, 0},   {"-1", true, 0xFF}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    uint8_t b = 0x55;
    EXPECT_EQ(cfg::ParseHexByte(c.text, &b), c.ok);
    if (c.ok) {
      EXPECT_EQ(b, c.value);
    }
  }
}

TEST(NumberText, WriterTexts) {
  const struct {
    float f;
    const char* text;
  } floats[] = {{0.1f, "0.100000"},        {1.5f, "1.500000"},   {0.0f, "0.000000"},
                {-2.0f, "-2.000000"},      {1e-10f, "1e-10"},    {1.0000001f, "1.0000001"},
                {16777216.0f, "16777216.000000"}, {HUGE_VALF, "inf"}, {-HUGE_VALF, "-inf"}};
  for (const auto& c : floats) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(FloatText(c.f), c.text);
  }
  EXPECT_EQ(FloatText(std::numeric_limits<float>::quiet_NaN()), "nan");

  const struct {
    double d;
    const char* text;
  } doubles[] = {{0.25, "0.25"},         {3.14159265, "3.14159265"}, {1e20, "1E+20"},
                 {5000000000.0, "5E+09"}, {123456.0, "123456"},      {1234567.0, "1234567"},
                 {0.0001, "0.0001"},     {1e-5, "1E-05"},            {-0.5, "-0.5"},
                 {0.0, "0"},             {HUGE_VAL, "inf"},          {-HUGE_VAL, "-inf"}};
  for (const auto& c : doubles) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(DoubleText(c.d), c.text);
  }
  EXPECT_EQ(DoubleText(std::numeric_limits<double>::quiet_NaN()), "nan");

  char buffer[64];
  cfg::FormatInt64(INT64_MIN, buffer);
  EXPECT_STREQ(buffer, "-9223372036854775808");
  cfg::FormatInt64(0, buffer);
  EXPECT_STREQ(buffer, "0");
}

// Every finite number written reads back identically, at either precision.
TEST(NumberText, WrittenNumbersReadBackIdentically) {
  std::mt19937_64 random(20240611);
  auto checkFloat = [](float f) {
    char buffer[128];
    cfg::FormatFloat(f, buffer);
    float back = 0;
    ASSERT_TRUE(cfg::ParseFloat(buffer, &back)) << buffer;
    ASSERT_EQ(std::memcmp(&back, &f, sizeof f), 0) << buffer << " from " << f;
  };
  auto checkDouble = [](double d) {
    char buffer[128];
    cfg::FormatDouble(d, buffer);
    double back = 0;
    ASSERT_TRUE(cfg::ParseDouble(buffer, &back)) << buffer;
    ASSERT_EQ(std::memcmp(&back, &d, sizeof d), 0) << buffer;
  };
  const float edgeFloats[] = {std::numeric_limits<float>::max(),
                                 std::numeric_limits<float>::min(),
                                 std::numeric_limits<float>::denorm_min(),
                                 -std::numeric_limits<float>::denorm_min(), 3.4e38f, 1e-45f,
                                 0.3f, 2.5e-7f, 4.9999997e-7f, 123456.789f};
  for (float f : edgeFloats) checkFloat(f);
  const double edgeDoubles[] = {std::numeric_limits<double>::max(),
                                   std::numeric_limits<double>::min(),
                                   std::numeric_limits<double>::denorm_min(),
                                   0.1, 1.0 / 3, 2.0 / 3 * 1e-200, 9007199254740993.0};
  for (double d : edgeDoubles) checkDouble(d);
  for (int i = 0; i < 20000; ++i) {
    uint64_t bits = random();
    uint32_t fbits = static_cast<uint32_t>(bits);
    float f;
    std::memcpy(&f, &fbits, sizeof f);
    if (std::isfinite(f)) checkFloat(f);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    if (std::isfinite(d)) checkDouble(d);
  }
}

// The writer's rule for doubles, checked against the C library: the "%G" text
// whenever it reads back to the same double. Short decimals at every scale
// take that path; random bit patterns mostly do not.
TEST(NumberText, DoublesWriteAsPercentGWhenThatReadsBack) {
  std::mt19937_64 random(77);
  auto check = [](double d) {
    char expected[64];
    std::snprintf(expected, sizeof expected, "%G", d);
    if (std::strtod(expected, nullptr) != d) return;  // the shortest text then; checked above
    ASSERT_EQ(DoubleText(d), expected) << std::hexfloat << d;
  };
  for (int exponent = -24; exponent <= 24; ++exponent) {
    for (int i = 0; i < 400; ++i) {
      const int digits = 1 + static_cast<int>(random() % 7);  // 7 digits: mostly not
      long long mantissa = static_cast<long long>(random() % 10000000) % static_cast<long long>(std::pow(10, digits));
      const double d = std::strtod((std::to_string(mantissa) + "e" + std::to_string(exponent)).c_str(), nullptr);
      check(d);
      check(-d);
      check(std::nextafter(d, 0.0));
    }
  }
  for (double d : {999999.5, 9999995.0, 0.000099999949999999994, 1e-16, 1e17, 99999.95, 100000.0,
                   123456789.0, 5e-324, 1.7976931348623157e308}) {
    check(d);
  }
  for (int i = 0; i < 20000; ++i) {
    const uint64_t bits = random();
    double d;
    std::memcpy(&d, &bits, sizeof d);
    if (std::isfinite(d)) check(d);
  }
}

// Decimals with few and many digits (past what 64 bits hold), and texts of
// the points halfway between two floats, read as the C library's strtof and
// strtod read them (correctly rounded).
TEST(NumberText, DecimalsReadAsStrtofAndStrtodReadThem) {
  std::mt19937_64 random(5);
  auto check = [](const std::string& text) {
    float ours = 0;
    ASSERT_TRUE(cfg::ParseFloat(text, &ours)) << text;
    const float expected = std::strtof(text.c_str(), nullptr);
    ASSERT_EQ(std::memcmp(&ours, &expected, sizeof ours), 0) << text;
    double wide = 0;
    ASSERT_TRUE(cfg::ParseDouble(text, &wide)) << text;
    const double expectedWide = std::strtod(text.c_str(), nullptr);
    ASSERT_EQ(std::memcmp(&wide, &expectedWide, sizeof wide), 0) << text;
  };
  for (int i = 0; i < 200000; ++i) {
    const int digits = 1 + static_cast<int>(random() % 24);
    std::string mantissa(random() % 4 == 0 ? random() % 4 : 0, '0');
    for (int k = 0; k < digits; ++k) mantissa += static_cast<char>('0' + random() % 10);
    const size_t point = random() % (mantissa.size() + 1);
    std::string text = mantissa.substr(0, point) + "." + mantissa.substr(point);
    if (random() % 3 == 0) text += "e" + std::to_string(static_cast<int>(random() % 60) - 30);
    check(text);
  }
  for (int i = 0; i < 50000; ++i) {
    const uint32_t bits = static_cast<uint32_t>(random()) & 0x7FFFFFFFu;
    float f;
    std::memcpy(&f, &bits, sizeof f);
    if (!std::isfinite(f)) continue;
    const double halfway = (static_cast<double>(f) + std::nextafter(f, HUGE_VALF)) / 2;
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", halfway);
    check(text);
    std::snprintf(text, sizeof text, "%.9g", halfway);
    check(text);
  }
}

// The writer's rule for floats, checked against the C library: the "%f" text
// whenever it reads back to the same float (sign of zero included).
TEST(NumberText, FloatsWriteAsPercentFWhenThatReadsBack) {
  std::mt19937_64 random(9);
  auto check = [](float f) {
    char expected[128];
    std::snprintf(expected, sizeof expected, "%f", f);
    const float back = std::strtof(expected, nullptr);
    if (std::memcmp(&back, &f, sizeof f) != 0) return;  // the shortest text then; checked above
    ASSERT_EQ(FloatText(f), expected) << std::hexfloat << f;
  };
  for (int i = 0; i < 100000; ++i) {
    const float decimal = static_cast<float>(static_cast<int64_t>(random() % 40000000) - 20000000) /
                          static_cast<float>(std::pow(10, random() % 8));
    check(decimal);
    check(std::nextafter(decimal, 0.0f));
    const uint32_t bits = static_cast<uint32_t>(random());
    float f;
    std::memcpy(&f, &bits, sizeof f);
    if (std::isfinite(f)) check(f);
  }
  for (int k = -30; k < 30; ++k) {
    check(std::ldexp(1.0f, k));
    check(-std::nextafter(std::ldexp(1.0f, k), 0.0f));
  }
}

}  // namespace
