// Recognition of single lines and of lines whose meaning depends on what is open.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "config/config_stream.h"
#include "test_support.h"

namespace {

using cfg::ConfigStream;
using cfg::InMemory;
using cfg::LineIssue;
using cfg::LineKind;

constexpr auto kAnyIssue = static_cast<LineIssue>(-1);
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct LineCase {
  std::string text;
  LineKind kind;
  LineIssue issue = LineIssue::None;
  const char* name = nullptr;  // expected ItemName, when checked
  long long integer = 0;       // IntLine, Int64Line
  double number = 0;           // FloatLine, DoubleLine
  const char* string = nullptr;  // StringLine
};

LineCase Int(std::string text, long long v, const char* name = "n") {
  return {std::move(text), LineKind::IntLine, LineIssue::None, name, v};
}
LineCase Int64(std::string text, long long v) {
  return {std::move(text), LineKind::Int64Line, LineIssue::None, "c", v};
}
LineCase Float(std::string text, double v) {
  return {std::move(text), LineKind::FloatLine, LineIssue::None, "f", 0, v};
}
LineCase Double(std::string text, double v) {
  return {std::move(text), LineKind::DoubleLine, LineIssue::None, "d", 0, v};
}
LineCase Str(std::string text, const char* name, const char* v) {
  return {std::move(text), LineKind::StringLine, LineIssue::None, name, 0, 0, v};
}
LineCase Open(std::string text, LineKind kind, const char* name) {
  return {std::move(text), kind, LineIssue::None, name};
}
LineCase No(std::string text, LineIssue issue) {
  return {std::move(text), LineKind::NoItem, issue};
}
LineCase Other(std::string text, LineIssue issue) {
  return {std::move(text), LineKind::OtherLine, issue};
}

// Each line alone at the outermost level, with no array open.
TEST(LineRecognition, SingleLinesAtTheRoot) {
  const long long kI32Max = std::numeric_limits<int32_t>::max();
  const long long kI32Min = std::numeric_limits<int32_t>::min();
  const long long kI64Max = std::numeric_limits<int64_t>::max();
  const long long kI64Min = std::numeric_limits<int64_t>::min();
  const std::vector<LineCase> cases = {
      // integer syntax
      Int("(int)n=0x10\n", 16),
      Int("(int)n=0X1f\n", 31),
      Int("(int)n=010\n", 8),
      Int("(int)n=-7xyz\n", -7),
      Int("(int)n=+5\n", 5),
      Int("(int)n= 42\n", 42),
      Int("(int)n=12 \r\n", 12),
      Int("(INT)n=5\n", 5),
      Int("(int) n=5\n", 5, " n"),
      Int("\t  (int)n=1\n", 1),
      Int("(int)n=1", 1),  // last line without a line end
      Int("(int)n=3000000000\n", kI32Max),
      Int("(int)n=-3000000000\n", kI32Min),
      Int("(int)n=-2147483648\n", kI32Min),
      Int64("(int64)c=5000000000\n", 5000000000LL),
      Int64("(Int64)c=0777\n", 511),
      Int64("(int64)c=-0x10\n", -16),
      Int64("(int64)c=9223372036854775807\n", kI64Max),
      Int64("(int64)c=-9223372036854775808\n", kI64Min),
      Int64("(int64)c=99999999999999999999\n", kI64Max),
      Int64("(int64)c=-99999999999999999999\n", kI64Min),
      No("(int)n=abc\n", LineIssue::NoNumber),
      No("(int)n=   \n", LineIssue::NoNumber),
      No("(int64)c=x1\n", LineIssue::NoNumber),
      No("(int)n=\n", kAnyIssue),
      No("(int)n=\r\n", kAnyIssue),
      No("( int)n=5\n", LineIssue::UnknownType),
      No("(integer)n=5\n", LineIssue::UnknownType),
      No("(int)=5\n", LineIssue::MalformedValue),
      No("()n=5\n", LineIssue::MalformedValue),
      No("(int)n5\n", LineIssue::MalformedValue),
      No("(int\n", LineIssue::MalformedValue),
      // floating syntax, infinities and not-a-number
      Float("(float)f=1.5\n", 1.5),
      Float("(float)f=0.1\n", 0.1f),
      Float("(FLOAT)f=-2.5e2xyz\n", -250),
      Float("(float)f=7\n", 7),
      Float("(float)f=inf\n", kInf),
      Float("(float)f=-Infinity\n", -kInf),
      Float("(float)f=NaN\n", kNaN),
      Float("(float)f=1e60\n", kInf),  // overflow
      No("(float)f=x\n", LineIssue::NoNumber),
      No("(float)f=.\n", LineIssue::NoNumber),
      Double("(double)d=3.14159265\n", 3.14159265),
      Double("(double)d=.5\n", 0.5),
      Double("(double)d=1E-300\n", 1e-300),
      Double("(DOUBLE)d=+INF\n", kInf),
      Double("(double)d=-inf\n", -kInf),
      Double("(double)d=nan\n", kNaN),
      No("(double)d= \n", LineIssue::NoNumber),
      // strings
      Str("(string)s=  a b  \n", "s", "  a b  "),
      Str("(string)s=x\r\n", "s", "x"),
      Str("(string)s=a\rb\n", "s", "a"),  // a carriage return ends the text
      Str("(string)s=a long text past sixteen bytes\r more\n", "s", "a long text past sixteen bytes"),
      Str(std::string("(string)s=x\0y\r\n", 15), "s", "x"),  // a NUL byte ends the line's text
      No("(int64 )c=1\n", LineIssue::UnknownType),
      No("(str)s=1\n", LineIssue::UnknownType),
      No("(", LineIssue::MalformedValue),
      Str("(string)a=b=c\n", "a", "b=c"),
      Str("(String)name with blanks =v\n", "name with blanks ", "v"),
      Str("(string)s=\n", "s", ""),
      Str("(string)s=\r\n", "s", ""),
      Str("(string)s=", "s", ""),
      Str("(string)s=; not a comment\n", "s", "; not a comment"),
      // comments
      No("; { x:\n", LineIssue::Comment),
      No(";\n", LineIssue::Comment),
      No("   ; indented\n", LineIssue::Comment),
      // section and array lines
      Open("{ sect\n", LineKind::SectionOpen, "sect"),
      Open("{ sect:\n", LineKind::SectionOpen, "sect"),
      Open("{ sect: anything\n", LineKind::SectionOpen, "sect"),
      Open("{\tsect\r\n", LineKind::SectionOpen, "sect"),
      Open("{   a b :x\n", LineKind::SectionOpen, "a b "),
      Open("    { deep:\n", LineKind::SectionOpen, "deep"),
      No("{sect:\n", LineIssue::NoBlankAfterBracket),
      No("{ :\n", LineIssue::NoName),
      No("{\n", LineIssue::NoName),
      No("{", kAnyIssue),
      No("} sect;\n", LineIssue::CloseWithoutOpen),
      Open("[ arr:\n", LineKind::ArrayOpen, "arr"),
      Open("[ key[data]:\n", LineKind::ArrayOpen, "key[data]"),
      No("[arr:\n", LineIssue::NoBlankAfterBracket),
      No("[ :\n", LineIssue::NoName),
      No("] arr;\n", LineIssue::CloseWithoutOpen),
      // empty, blank and other lines
      No("\n", LineIssue::Blank),
      No("\r\n", LineIssue::Blank),
      Other("   \n", LineIssue::Blank),
      Other("\t\n", LineIssue::Blank),
      Other(" \r\n", LineIssue::Blank),
      Other("   ", LineIssue::Blank),
      Other("x=1\n", LineIssue::Unrecognised),
      Other("  int\n", LineIssue::Unrecognised),
      Other(std::string("\0(int)n=1\n", 10), LineIssue::Unrecognised),
      Other("\xEF\xBB\xBF{ a:\n", LineIssue::ByteOrderMark),
  };

  for (const LineCase& c : cases) {
    SCOPED_TRACE("line: \"" + c.text + "\"");
    ConfigStream stream(InMemory{}, c.text);
    ASSERT_EQ(stream.NextLine(), 1);
    LineKind kind = stream.Classify();
    EXPECT_EQ(kind, c.kind);
    if (c.issue != kAnyIssue) {
      EXPECT_EQ(stream.Issue(), c.issue);
    }
    if (c.kind == LineKind::NoItem || c.kind == LineKind::OtherLine) {
      EXPECT_NE(stream.Issue(), LineIssue::None);
    }
    if (kind != c.kind) continue;
    if (c.name) {
      EXPECT_EQ(stream.ItemNameView(), c.name);
    }
    switch (c.kind) {
      case LineKind::IntLine: EXPECT_EQ(stream.IntValue(), c.integer); break;
      case LineKind::Int64Line: EXPECT_EQ(stream.Int64Value(), c.integer); break;
      case LineKind::FloatLine:
        if (std::isnan(c.number)) {
          EXPECT_TRUE(std::isnan(stream.FloatValue()));
        } else {
          EXPECT_EQ(stream.FloatValue(), static_cast<float>(c.number));
        }
        break;
      case LineKind::DoubleLine:
        if (std::isnan(c.number)) {
          EXPECT_TRUE(std::isnan(stream.DoubleValue()));
        } else {
          EXPECT_EQ(stream.DoubleValue(), c.number);
        }
        break;
      case LineKind::StringLine:
        EXPECT_EQ(stream.StringValueView(), c.string);
        break;
      default: break;
    }
    EXPECT_EQ(stream.NextLine(), 0) << "one line only";
  }
}

TEST(LineRecognition, DescribesEveryIssue) {
  for (LineIssue issue : {LineIssue::None, LineIssue::Blank, LineIssue::Comment,
                          LineIssue::ByteOrderMark, LineIssue::Unrecognised,
                          LineIssue::MalformedValue, LineIssue::UnknownType, LineIssue::NoNumber,
                          LineIssue::NoBlankAfterBracket, LineIssue::NoName,
                          LineIssue::InsideArray, LineIssue::CloseWithoutOpen,
                          LineIssue::CloseMismatch}) {
    const char* text = cfg::DescribeLineIssue(issue);
    ASSERT_NE(text, nullptr);
    if (issue != LineIssue::None) {
      EXPECT_STRNE(text, "");
    }
  }
}

// The shortcut that loading takes for lines in the writer's own shape gives
// what Classify gives for them, and leaves every other line to Classify.
TEST(LineRecognition, WrittenValueShortcutAgreesWithClassify) {
  struct ShortcutCase {
    std::string text;
    bool taken;
  };
  const ShortcutCase cases[] = {
      {"(int)n=5\n", true},
      {"        (float)window_10[alpha]=-165.828125\n", true},
      {"\t (double)r[limit]=2.5908E-05\n", true},
      {"(int64)c=-9223372036854775808\n", true},
      {"(int)n=3000000000\n", true},
      {"(int)n=010\n", true},
      {"(float)f=inf\n", true},
      {"(string)s[title]=/srv/a b=c\n", true},
      {"(string)s=\n", true},
      {"(int)a_record_name_past_sixteen_bytes[and_a_value]=1\n", true},
      {"(int)r[v=1\n", true},
      {"(int)r[v]x=1\n", true},
      {"(int)r[v][w]=1\n", true},
      {"(int)n=1", true},
      {"(string)s=x\r\n", false},
      {std::string("(string)s=x\0y\n", 13), false},
      {"(INT)n=5\n", false},
      {"(int )n=5\n", false},
      {"(int)[v]=1\n", false},
      {"(int)r[]=1\n", false},
      {"(int)r[]]=1\n", false},
      {"(int)r[=1\n", false},
      {"(int)=5\n", false},
      {"(int)n5\n", false},
      {"(int)n=abc\n", false},
      {"(float)f=\n", false},
      {"{ s:\n", false},
      {"; (int)n=1\n", false},
      {"x (int)n=1\n", false},
      {"\n", false},
  };
  for (const ShortcutCase& c : cases) {
    SCOPED_TRACE("line: \"" + c.text + "\"");
    ConfigStream stream(InMemory{}, c.text);
    ASSERT_EQ(stream.NextLine(), 1);
    cfg::ValueLine written;
    const bool taken = stream.RecogniseWrittenValue(&written);
    EXPECT_EQ(taken, c.taken);
    const LineKind kind = stream.Classify();
    if (!taken) continue;
    EXPECT_EQ(written.kind, kind);
    EXPECT_EQ(written.name, stream.ItemNameView());
    const cfg::QualifiedName q = stream.ItemQualifiedName();
    EXPECT_TRUE(written.split.known);
    EXPECT_EQ(written.name.substr(0, written.split.recordEnd), q.record);
    EXPECT_EQ(written.split.valueStart != 0, q.hasValueName);
    if (q.hasValueName) {
      EXPECT_EQ(written.name.substr(written.split.valueStart,
                                    written.split.valueEnd - written.split.valueStart),
                q.value);
    }
    EXPECT_EQ(written.text, stream.StringValueView());
    const float f = stream.FloatValue();
    const double d = stream.DoubleValue();
    switch (kind) {
      case LineKind::IntLine: EXPECT_EQ(written.number.i, stream.IntValue()); break;
      case LineKind::Int64Line: EXPECT_EQ(written.number.l, stream.Int64Value()); break;
      case LineKind::FloatLine: EXPECT_EQ(std::memcmp(&written.number.f, &f, sizeof f), 0); break;
      case LineKind::DoubleLine: EXPECT_EQ(std::memcmp(&written.number.d, &d, sizeof d), 0); break;
      default: break;
    }
  }
}

TEST(LineRecognition, NumericLineWithoutNumberKeepsTheSlot) {
  ConfigStream stream(InMemory{}, "(int)n=41\n(int)n=zz\n(float)f=2\n(float)f=q\n");
  std::vector<LineKind> kinds = cfgtest::ClassifyAll(stream);
  EXPECT_EQ(kinds, (std::vector<LineKind>{LineKind::IntLine, LineKind::NoItem,
                                          LineKind::FloatLine, LineKind::NoItem}));
  EXPECT_EQ(stream.IntValue(), 41);
  EXPECT_EQ(stream.FloatValue(), 2.0f);
}

TEST(LineRecognition, TypeKeywordLookup) {
  using T = cfg::ValueType;
  const struct {
    const char* text;
    T type;
  } cases[] = {{"int", T::Int},    {"float", T::Float}, {"string", T::String}, {"double", T::Double},
               {"int64", T::Int64}, {"INT", T::Int},    {"Float", T::Float},   {"STRING", T::String},
               {"dOuBlE", T::Double}, {"INT64", T::Int64}, {"", T::None},      {"in", T::None},
               {"int6", T::None},  {"integer", T::None}, {" int", T::None},    {"int ", T::None},
               {"bool", T::None},  {"bytes", T::None},  {"binary", T::None}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(cfg::LookupTypeKeyword(c.text), c.type);
  }
}

// Each type's value line reads back as that type's line kind, with the
// datum written, whichever of the type's keywords' spellings it carries; the
// types without a value line have no line kind.
TEST(LineRecognition, EveryTypeHasOneKeywordAndOneLineKind) {
  using T = cfg::ValueType;
  const struct {
    T type;
    const char* line;
    LineKind kind;
  } cases[] = {{T::Int, "(int)n=7\n", LineKind::IntLine},
               {T::Float, "(float)n=7\n", LineKind::FloatLine},
               {T::String, "(string)n=7\n", LineKind::StringLine},
               {T::Double, "(double)n=7\n", LineKind::DoubleLine},
               {T::Int64, "(int64)n=7\n", LineKind::Int64Line}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(cfg::LineKindOf(c.type), c.kind);
    EXPECT_EQ(cfg::ValueTypeOf(c.kind), c.type);
    ConfigStream stream(InMemory{}, c.line);
    ASSERT_EQ(stream.NextLine(), 1);
    EXPECT_EQ(stream.Classify(), c.kind);
  }
  for (T type : {T::None, T::Binary}) EXPECT_EQ(cfg::LineKindOf(type), LineKind::NoItem);
  for (LineKind kind : {LineKind::NoItem, LineKind::SectionOpen, LineKind::SectionClose,
                        LineKind::ArrayOpen, LineKind::ArrayClose, LineKind::OtherLine}) {
    EXPECT_EQ(cfg::ValueTypeOf(kind), T::None);
    EXPECT_FALSE(cfg::IsValueLine(kind));
  }
}

struct SequenceCase {
  const char* what;
  const char* text;
  std::vector<LineKind> kinds;
};

// Lines whose result depends on the sections and the array open before them.
TEST(LineRecognition, LinesDependingOnState) {
  using K = LineKind;
  const std::vector<SequenceCase> cases = {
      {"closing name in another case", "{ sect:\n} SECT;\n", {K::SectionOpen, K::SectionClose}},
      {"closing line of another name keeps the section open",
       "{ sect:\n} other;\n(int)x=1\n} sect;\n",
       {K::SectionOpen, K::NoItem, K::IntLine, K::SectionClose}},
      {"only the innermost section closes",
       "{ a:\n{ b:\n} A;\n} B;\n} a;\n} x;\n",
       {K::SectionOpen, K::SectionOpen, K::NoItem, K::SectionClose, K::SectionClose, K::NoItem}},
      {"closing lines without ';' or with text after it",
       "{ s:\n{ t:\n} t\n} s; trailing\n", {K::SectionOpen, K::SectionOpen, K::SectionClose, K::SectionClose}},
      {"blanks before ';' belong to the closing name",
       "{ a b :\n} a b;\n} a b ;\n", {K::SectionOpen, K::NoItem, K::SectionClose}},
      {"CR LF line ends", "{ s:\r\n[ a:\r\n1\r\n] a;\r\n} s;\r\n",
       {K::SectionOpen, K::ArrayOpen, K::OtherLine, K::ArrayClose, K::SectionClose}},
      {"every line inside an array belongs to it",
       "[ a:\n1f\n0x1F\n  1F\n1FF\n; note\n{ s:\n[ b:\n] b;\n] A;\n",
       {K::ArrayOpen, K::OtherLine, K::OtherLine, K::OtherLine, K::OtherLine, K::NoItem,
        K::NoItem, K::NoItem, K::NoItem, K::ArrayClose}},
      {"a section cannot close while an array is open",
       "{ s:\n[ a:\n} s;\n] a;\n} s;\n",
       {K::SectionOpen, K::ArrayOpen, K::NoItem, K::ArrayClose, K::SectionClose}},
      {"value lines are recognised inside an array",
       "[ a:\n(int)x=1\n(string)y=z\n] a;\n",
       {K::ArrayOpen, K::IntLine, K::StringLine, K::ArrayClose}},
      {"arrays do not nest", "[ a:\n[ a:\n] a;\n] a;\n",
       {K::ArrayOpen, K::NoItem, K::ArrayClose, K::NoItem}},
      {"array closing name must match exactly but for case",
       "[ a:\n] a ;\n] a;\n", {K::ArrayOpen, K::NoItem, K::ArrayClose}},
      {"array opening directly followed by its closing line", "[ a:\n] a;\n",
       {K::ArrayOpen, K::ArrayClose}},
      {"a byte-order mark hides the section opening", "\xEF\xBB\xBF{ a:\n} a;\n",
       {K::OtherLine, K::NoItem}},
      {"indentation means nothing", "{ a:\n} a;\n    } a;\n{ b:\n  \t} b;\n",
       {K::SectionOpen, K::SectionClose, K::NoItem, K::SectionOpen, K::SectionClose}},
  };
  for (const SequenceCase& c : cases) {
    SCOPED_TRACE(c.what);
    ConfigStream stream(InMemory{}, c.text);
    EXPECT_EQ(cfgtest::ClassifyAll(stream), c.kinds);
  }
}

TEST(LineRecognition, IssuesThatDependOnState) {
  ConfigStream stream(InMemory{}, "{ s:\n} t;\n[ a:\n{ x:\n} s;\n] b;\n");
  const LineIssue expected[] = {LineIssue::None,        LineIssue::CloseMismatch,
                                LineIssue::None,        LineIssue::InsideArray,
                                LineIssue::InsideArray, LineIssue::CloseMismatch};
  for (LineIssue issue : expected) {
    ASSERT_EQ(stream.NextLine(), 1);
    stream.Classify();
    EXPECT_EQ(stream.Issue(), issue) << "line " << stream.LineNumber();
  }
}

TEST(LineRecognition, ClosingLineReportsTheNameAsOpened) {
  ConfigStream stream(InMemory{}, "{ Outer:\n{ Inner:\n} INNER;\n} outer;\n");
  ASSERT_EQ(stream.NextLine(), 1);
  ASSERT_EQ(stream.Classify(), LineKind::SectionOpen);
  ASSERT_EQ(stream.NextLine(), 1);
  ASSERT_EQ(stream.Classify(), LineKind::SectionOpen);
  EXPECT_STREQ(stream.TopSectionName(), "Inner");
  ASSERT_EQ(stream.NextLine(), 1);
  ASSERT_EQ(stream.Classify(), LineKind::SectionClose);
  EXPECT_EQ(stream.ItemNameView(), "Inner");
  EXPECT_STREQ(stream.TopSectionName(), "Outer");
  ASSERT_EQ(stream.NextLine(), 1);
  ASSERT_EQ(stream.Classify(), LineKind::SectionClose);
  EXPECT_EQ(stream.ItemNameView(), "Outer");
  EXPECT_EQ(stream.TopSectionName(), nullptr);
}

// Lines are read whole: long names and texts survive, and the tail of a long
// line never becomes an item of its own.
TEST(LineRecognition, LongLinesAreReadWhole) {
  const std::string longName(5000, 'n');
  const std::string longText = std::string(20000, 't') + " end";
  {
    ConfigStream stream(InMemory{}, "(string)" + longName + "=" + longText + "\n(int)x=1\n");
    ASSERT_EQ(stream.NextLine(), 1);
    ASSERT_EQ(stream.Classify(), LineKind::StringLine);
    EXPECT_EQ(stream.ItemNameView(), longName);
    EXPECT_EQ(stream.StringValueView(), longText);
    ASSERT_EQ(stream.NextLine(), 1);
    EXPECT_EQ(stream.Classify(), LineKind::IntLine);
    EXPECT_EQ(stream.LineNumber(), 2);
  }
  {
    const std::string sectionName(3000, 's');
    ConfigStream stream(InMemory{}, "{ " + sectionName + ":\n} " + sectionName + ";\n");
    EXPECT_EQ(cfgtest::ClassifyAll(stream),
              (std::vector<LineKind>{LineKind::SectionOpen, LineKind::SectionClose}));
    EXPECT_EQ(stream.ItemNameView(), sectionName);
  }
  {
    // A comment whose tail, past the old 1022-character pieces, looks like items.
    std::string comment = ";" + std::string(1020, 'c') + "(int)x=1" + std::string(1014, 'c') +
                          "{ s:\n";
    ConfigStream stream(InMemory{}, comment);
    EXPECT_EQ(cfgtest::ClassifyAll(stream), (std::vector<LineKind>{LineKind::NoItem}));
  }
  // Around the old limits of a piece, with the next line right after.
  for (size_t length = 1018; length <= 1027; ++length) {
    SCOPED_TRACE(length);
    std::string text(length - 10, 'v');
    ConfigStream stream(InMemory{}, "(string)s=" + text + "\n(int)x=2\n");
    ASSERT_EQ(stream.NextLine(), 1);
    ASSERT_EQ(stream.Classify(), LineKind::StringLine);
    EXPECT_EQ(stream.StringValueView(), text);
    ASSERT_EQ(stream.NextLine(), 1);
    EXPECT_EQ(stream.Classify(), LineKind::IntLine);
    EXPECT_EQ(stream.NextLine(), 0);
  }
}

// The split of a value line's name found while the line is recognised is the
// split SplitQualifiedName makes, for every arrangement of brackets; and it
// does not outlive its line.
TEST(LineRecognition, ItemQualifiedNameSplitsAsSplitQualifiedName) {
  std::mt19937 random(11);
  const char pieces[] = {'a', 'B', '[', ']', '[', ']'};
  for (int round = 0; round < 20000; ++round) {
    std::string name;
    const int length = 1 + static_cast<int>(random() % 24);  // past one 16-byte load too
    for (int i = 0; i < length; ++i) name += pieces[random() % sizeof pieces];
    ConfigStream stream(InMemory{}, "(int)" + name + "=1\n");
    ASSERT_TRUE(stream.NextLine());
    ASSERT_EQ(stream.Classify(), LineKind::IntLine) << name;
    const cfg::QualifiedName fused = stream.ItemQualifiedName();
    const cfg::QualifiedName plain = cfg::SplitQualifiedName(stream.ItemNameView());
    ASSERT_EQ(fused.record, plain.record) << name;
    ASSERT_EQ(fused.hasValueName, plain.hasValueName) << name;
    ASSERT_EQ(fused.value, plain.value) << name;
  }
  ConfigStream stream(InMemory{}, "(int)r[v]=1\n{ s[x]:\n(int)bad[v]=x\n");
  ASSERT_TRUE(stream.NextLine());
  stream.Classify();
  ASSERT_TRUE(stream.NextLine());
  ASSERT_EQ(stream.Classify(), LineKind::SectionOpen);
  EXPECT_EQ(stream.ItemQualifiedName().record, "s");
  EXPECT_EQ(stream.ItemQualifiedName().value, "x");
  ASSERT_TRUE(stream.NextLine());
  ASSERT_EQ(stream.Classify(), LineKind::NoItem);  // no number: the name stays the section's
  EXPECT_EQ(stream.ItemQualifiedName().record, "s");
}

}  // namespace
