// ConfigStream: reading from text and files, array blocks, writing, navigation
// and the two stacks.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "config/config_stream.h"
#include "test_support.h"

namespace {

using cfg::ConfigStream;
using cfg::InMemory;
using cfg::LineKind;

std::string WithoutLineEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return std::string(line);
}

// The same reading tests on text in memory, on a file with LF line ends and on
// a file with CR LF line ends.
enum class Source { Memory, FileLf, FileCrLf };

void PrintTo(Source source, std::ostream* os) {
  *os << (source == Source::Memory ? "memory" : source == Source::FileLf ? "LF file" : "CR LF file");
}

class StreamReading : public ::testing::TestWithParam<Source> {
 protected:
  std::unique_ptr<ConfigStream> Open(const std::string& text) {
    if (GetParam() == Source::Memory) return std::make_unique<ConfigStream>(InMemory{}, text);
    std::string bytes;
    for (char c : text) {
      if (c == '\n' && GetParam() == Source::FileCrLf) bytes += '\r';
      bytes += c;
    }
    std::string path = dir_.File("input" + std::to_string(serial_++) + ".cfg");
    cfgtest::WriteFile(path, bytes);
    auto stream = std::make_unique<ConfigStream>(path.c_str(), ConfigStream::ReadMode);
    EXPECT_EQ(stream->IsOpen(), 1);
    return stream;
  }
  // Reads the next line and returns it without its line end ("<eof>" at the end).
  static std::string Next(ConfigStream& stream) {
    if (!stream.NextLine()) return "<eof>";
    return WithoutLineEnd(stream.Line());
  }
  static LineKind NextKind(ConfigStream& stream) {
    EXPECT_EQ(stream.NextLine(), 1);
    return stream.Classify();
  }

  cfgtest::TempDir dir_;
  int serial_ = 0;
};

INSTANTIATE_TEST_SUITE_P(Sources, StreamReading,
                         ::testing::Values(Source::Memory, Source::FileLf, Source::FileCrLf),
                         [](const ::testing::TestParamInfo<Source>& info) {
                           switch (info.param) {
                             case Source::Memory: return "Memory";
                             case Source::FileLf: return "FileLf";
                             default: return "FileCrLf";
                           }
                         });

TEST_P(StreamReading, EmptyInputHasNoLine) {
  auto stream = Open("");
  EXPECT_EQ(stream->NextLine(), 0);
  EXPECT_EQ(stream->NextLine(), 0);
}

TEST_P(StreamReading, LinesAndLineNumbers) {
  auto stream = Open("first\n\nthird\nlast without end");
  EXPECT_EQ(Next(*stream), "first");
  EXPECT_EQ(stream->LineNumber(), 1);
  EXPECT_EQ(Next(*stream), "");
  EXPECT_EQ(Next(*stream), "third");
  EXPECT_EQ(Next(*stream), "last without end");
  EXPECT_EQ(stream->LineNumber(), 4);
  EXPECT_EQ(Next(*stream), "<eof>");
}

TEST_P(StreamReading, NestedSectionsTrackTheInnermostName) {
  auto stream = Open("{ a:\n{ b:\n} A;\n} B;\n} a;\n} x;\n");
  EXPECT_EQ(NextKind(*stream), LineKind::SectionOpen);
  EXPECT_EQ(NextKind(*stream), LineKind::SectionOpen);
  EXPECT_STREQ(stream->TopSectionName(), "b");
  EXPECT_EQ(NextKind(*stream), LineKind::NoItem);
  EXPECT_STREQ(stream->TopSectionName(), "b");
  EXPECT_EQ(NextKind(*stream), LineKind::SectionClose);
  EXPECT_STREQ(stream->ItemName(), "b");
  EXPECT_STREQ(stream->TopSectionName(), "a");
  EXPECT_EQ(NextKind(*stream), LineKind::SectionClose);
  EXPECT_STREQ(stream->ItemName(), "a");
  EXPECT_EQ(stream->TopSectionName(), nullptr);
  EXPECT_EQ(NextKind(*stream), LineKind::NoItem);
  EXPECT_EQ(stream->TopSectionName(), nullptr);
  EXPECT_EQ(stream->PopSection(), 0);
}

TEST_P(StreamReading, ArrayIsReadInTwoPasses) {
  auto stream = Open("[ k:\n1\n; c\n2\n] k;\n(int)after=1\n");
  ASSERT_EQ(NextKind(*stream), LineKind::ArrayOpen);
  EXPECT_EQ(stream->IsArrayOpen(), 1);
  EXPECT_EQ(stream->CountArrayLines(), 3);
  EXPECT_EQ(stream->IsArrayOpen(), 1);
  // The stream is where it was: the next line is the first inside the block.
  ASSERT_EQ(Next(*stream), "1");
  EXPECT_EQ(stream->LineNumber(), 2);

  stream = Open("[ k:\n1\n; c\n2\n] k;\n(int)after=1\n");
  ASSERT_EQ(NextKind(*stream), LineKind::ArrayOpen);
  ASSERT_EQ(stream->CountArrayLines(), 3);
  uint8_t bytes[3] = {0xEE, 0xEE, 0xEE};
  EXPECT_EQ(stream->ReadArrayBytes(bytes, 3), 2);
  EXPECT_EQ(bytes[0], 1);
  EXPECT_EQ(bytes[1], 2);
  EXPECT_EQ(stream->IsArrayOpen(), 0);
  EXPECT_EQ(NextKind(*stream), LineKind::IntLine);
  EXPECT_EQ(stream->LineNumber(), 6);
}

TEST_P(StreamReading, ArrayBytesStopAtTheCapacity) {
  auto stream = Open("[ k:\n1\n2\n3\n4\n5\n] k;\n");
  ASSERT_EQ(NextKind(*stream), LineKind::ArrayOpen);
  uint8_t bytes[3] = {0xEE, 0xEE, 0xEE};
  EXPECT_EQ(stream->ReadArrayBytes(bytes, 2), 5);
  EXPECT_EQ(bytes[0], 1);
  EXPECT_EQ(bytes[1], 2);
  EXPECT_EQ(bytes[2], 0xEE);
  EXPECT_EQ(stream->IsArrayOpen(), 0);
  EXPECT_EQ(stream->NextLine(), 0);
}

TEST_P(StreamReading, ByteLineSyntax) {
  auto stream = Open("[ a:\n1f\n0x1F\n  1F\nab\n1FF\n0X0\n; note\n{ s:\n[ b:\n] b;\nzz\n\n] A;\n");
  ASSERT_EQ(NextKind(*stream), LineKind::ArrayOpen);
  EXPECT_EQ(stream->CountArrayLines(), 12);
  std::vector<uint8_t> bytes(12, 0xEE);
  EXPECT_EQ(stream->ReadArrayBytes(bytes.data(), 12), 6);
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 6),
            (std::vector<uint8_t>{0x1F, 0x1F, 0x1F, 0xAB, 0xFF, 0x00}));
  EXPECT_EQ(stream->IsArrayOpen(), 0);
}

TEST_P(StreamReading, EmptyAndUnclosedArrays) {
  auto stream = Open("[ e:\n] e;\n[ u:\n7\n8\n");
  ASSERT_EQ(NextKind(*stream), LineKind::ArrayOpen);
  EXPECT_EQ(stream->CountArrayLines(), 0);
  EXPECT_EQ(stream->IsArrayOpen(), 1);
  EXPECT_EQ(NextKind(*stream), LineKind::ArrayClose);
  EXPECT_EQ(stream->CountArrayLines(), 0) << "no array open";

  ASSERT_EQ(NextKind(*stream), LineKind::ArrayOpen);
  EXPECT_STREQ(stream->ItemName(), "u");
  EXPECT_EQ(stream->CountArrayLines(), 2);
  uint8_t bytes[2] = {};
  EXPECT_EQ(stream->ReadArrayBytes(bytes, 2), 2);
  EXPECT_EQ(bytes[0], 7);
  EXPECT_EQ(bytes[1], 8);
  EXPECT_EQ(stream->NextLine(), 0);
}

TEST_P(StreamReading, ArrayBytesWithoutBuffer) {
  auto stream = Open("[ k:\n1\n2\n] k;\n");
  ASSERT_EQ(NextKind(*stream), LineKind::ArrayOpen);
  EXPECT_EQ(stream->ReadArrayBytes(nullptr, 0), 2);
  EXPECT_EQ(stream->IsArrayOpen(), 0);
}

// Lines far longer than any read buffer, in every position around its size.
TEST_P(StreamReading, VeryLongLinesArriveWhole) {
  std::vector<size_t> lengths = {1, 1022, 1023, 4095, 4096, 4097, 8191, 8192, 65535,
                                 65536, 65537, 200000, 3, 131072};
  std::string text;
  std::vector<std::string> lines;
  for (size_t i = 0; i < lengths.size(); ++i) {
    lines.push_back(std::string(lengths[i], static_cast<char>('a' + i)));
    text += lines.back() + "\n";
  }
  auto stream = Open(text);
  for (size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(lengths[i]);
    ASSERT_EQ(Next(*stream), lines[i]);
    EXPECT_EQ(stream->LineNumber(), static_cast<long long>(i + 1));
    EXPECT_EQ(stream->Classify(), LineKind::OtherLine);
  }
  EXPECT_EQ(Next(*stream), "<eof>");
}

TEST_P(StreamReading, LongArrayCountedAndRead) {
  // Enough lines to cross read buffers during both passes.
  std::string text = "[ big:\n";
  for (int i = 0; i < 20000; ++i) text += "    " + std::to_string(i % 10) + "\n";
  text += "] big;\n(int)x=5\n";
  auto stream = Open(text);
  ASSERT_EQ(NextKind(*stream), LineKind::ArrayOpen);
  ASSERT_EQ(stream->CountArrayLines(), 20000);
  std::vector<uint8_t> bytes(20000);
  ASSERT_EQ(stream->ReadArrayBytes(bytes.data(), 20000), 20000);
  for (int i = 0; i < 20000; ++i) ASSERT_EQ(bytes[i], i % 10) << i;
  EXPECT_EQ(NextKind(*stream), LineKind::IntLine);
  EXPECT_EQ(stream->IntValue(), 5);
  EXPECT_EQ(stream->LineNumber(), 20003);
}

// --- navigation ---

const char kNavigation[] =
    "(int)r=0\n"
    "{ top:\n"
    "    (int)r=1\n"
    "    { a:\n"
    "        { deep:\n"
    "        } deep;\n"
    "    } a;\n"
    "    [ arr:\n"
    "    { fake:\n"
    "    ] arr;\n"
    "    { b:\n"
    "    } b;\n"
    "} top;\n"
    "{ other:\n"
    "} other;\n";

TEST_P(StreamReading, NextAndSkipVisitOnlyDirectChildren) {
  auto stream = Open(kNavigation);
  std::vector<std::string> found;
  while (stream->NextChildSection()) {
    found.push_back(stream->ItemName());
    ASSERT_EQ(stream->SkipChildSection(), 1);
  }
  EXPECT_EQ(found, (std::vector<std::string>{"top", "other"}));
  // Reaching the end reset the stream.
  EXPECT_EQ(stream->TopSectionName(), nullptr);
  EXPECT_EQ(Next(*stream), "(int)r=0");
}

TEST_P(StreamReading, FindChildSectionByName) {
  auto stream = Open(kNavigation);
  ASSERT_EQ(stream->FindChildSection("TOP"), 1);
  EXPECT_STREQ(stream->TopSectionName(), "top");
  EXPECT_STREQ(stream->ItemName(), "top");
  // Inside top: "deep" is a grandchild and "fake" lies inside an array.
  for (const char* name : {"deep", "fake", "arr", "missing"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(stream->FindChildSection(name), 0);
    EXPECT_STREQ(stream->TopSectionName(), "top");
    EXPECT_EQ(stream->IsArrayOpen(), 0);
    EXPECT_EQ(Next(*stream), "    (int)r=1") << "back at the start of top's content";
    stream->RewindSection();
  }
  ASSERT_EQ(stream->FindChildSection("b"), 1);
  EXPECT_STREQ(stream->TopSectionName(), "b");
  EXPECT_EQ(NextKind(*stream), LineKind::SectionClose);
  EXPECT_STREQ(stream->TopSectionName(), "top");
}

TEST_P(StreamReading, FindChildSectionAtTheRootResetsWhenMissing) {
  auto stream = Open(kNavigation);
  ASSERT_EQ(stream->FindChildSection("top"), 1);
  ASSERT_EQ(stream->FindChildSection("a"), 1);
  EXPECT_EQ(stream->SkipChildSection(), 1);  // past "} a;"
  EXPECT_STREQ(stream->TopSectionName(), "top");
  EXPECT_EQ(stream->SkipChildSection(), 1);  // past "} top;"
  EXPECT_EQ(stream->TopSectionName(), nullptr);
  EXPECT_EQ(stream->FindChildSection("top"), 0) << "top lies before the position";
  EXPECT_EQ(stream->TopSectionName(), nullptr);
  EXPECT_EQ(Next(*stream), "(int)r=0");
}

TEST_P(StreamReading, NavigationThatMeetsTheEndResets) {
  // The current section is never closed: searching in it reaches the end.
  auto stream = Open("(int)x=1\n{ a:\n{ b:\n(int)y=2\n");
  ASSERT_EQ(stream->FindChildSection("a"), 1);
  EXPECT_EQ(stream->FindChildSection("x"), 0);
  EXPECT_EQ(stream->TopSectionName(), nullptr);
  EXPECT_EQ(stream->PopSection(), 0);
  EXPECT_EQ(Next(*stream), "(int)x=1");
  ASSERT_EQ(stream->FindChildSection("a"), 1);
  ASSERT_EQ(stream->FindChildSection("b"), 1);
  EXPECT_EQ(stream->SkipChildSection(), 0);
  EXPECT_EQ(stream->TopSectionName(), nullptr);
  EXPECT_EQ(Next(*stream), "(int)x=1");
}

TEST_P(StreamReading, SkipChildSectionAtTheEndResets) {
  auto stream = Open(kNavigation);
  ASSERT_EQ(stream->FindChildSection("other"), 1);
  EXPECT_EQ(stream->SkipChildSection(), 1);
  EXPECT_EQ(stream->SkipChildSection(), 0);
  EXPECT_EQ(stream->TopSectionName(), nullptr);
  EXPECT_EQ(Next(*stream), "(int)r=0");
}

TEST_P(StreamReading, RewindAndReset) {
  auto stream = Open(kNavigation);
  // No section open: RewindSection resets and returns 0.
  EXPECT_EQ(Next(*stream), "(int)r=0");
  EXPECT_EQ(stream->RewindSection(), 0);
  EXPECT_EQ(Next(*stream), "(int)r=0");

  ASSERT_EQ(stream->FindChildSection("top"), 1);
  for (int i = 0; i < 6; ++i) NextKind(*stream);  // up to and including "[ arr:"
  EXPECT_EQ(stream->IsArrayOpen(), 1);
  EXPECT_STREQ(stream->TopSectionName(), "top");
  EXPECT_EQ(stream->RewindSection(), 1);
  EXPECT_EQ(stream->IsArrayOpen(), 0);
  EXPECT_STREQ(stream->TopSectionName(), "top");
  EXPECT_EQ(Next(*stream), "    (int)r=1");

  ASSERT_EQ(stream->FindChildSection("a"), 1);
  EXPECT_EQ(stream->Reset(), 1);
  EXPECT_EQ(stream->TopSectionName(), nullptr);
  EXPECT_EQ(stream->IsArrayOpen(), 0);
  EXPECT_EQ(stream->PopSection(), 0);
  EXPECT_EQ(Next(*stream), "(int)r=0");
  EXPECT_EQ(stream->LineNumber(), 1);
}

// --- opening ---

TEST(StreamOpening, MissingFileDoesNotOpen) {
  cfgtest::TempDir dir;
  ConfigStream reader(dir.File("missing.cfg").c_str(), ConfigStream::ReadMode);
  EXPECT_EQ(reader.IsOpen(), 0);
  ConfigStream writer(dir.File("no/such/dir.cfg").c_str(), ConfigStream::WriteMode);
  EXPECT_EQ(writer.IsOpen(), 0);
}

TEST(StreamOpening, OnlyBitZeroOfTheModeCounts) {
  cfgtest::TempDir dir;
  std::string path = dir.File("mode.cfg");
  {
    ConfigStream writer(path.c_str(), 3);
    ASSERT_EQ(writer.IsOpen(), 1);
    EXPECT_EQ(writer.WriteInt("x", 1), 1);
  }
  ConfigStream reader(path.c_str(), 2);
  ASSERT_EQ(reader.IsOpen(), 1);
  ASSERT_EQ(reader.NextLine(), 1);
  EXPECT_EQ(reader.Classify(), LineKind::IntLine);
}

// --- writing ---

TEST(StreamWriting, NestedBlocksAndArrays) {
  ConfigStream stream(InMemory{});
  EXPECT_EQ(stream.WriteSectionOpen("a"), 1);
  EXPECT_EQ(stream.WriteInt("x", 1), 1);
  EXPECT_EQ(stream.WriteSectionOpen("b"), 1);
  EXPECT_EQ(stream.WriteArrayOpen("k"), 1);
  const uint8_t bytes[] = {10, 255};
  EXPECT_EQ(stream.WriteArrayBytes(bytes, 2), 1);
  EXPECT_EQ(stream.WriteArrayClose(), 1);
  EXPECT_EQ(stream.WriteSectionClose(), 1);
  EXPECT_EQ(stream.WriteSectionClose(), 1);
  EXPECT_EQ(stream.Output(),
            "{ a:\n"
            "    (int)x=1\n"
            "    { b:\n"
            "        [ k:\n"
            "        A\n"
            "        FF\n"
            "        ] k;\n"
            "    } b;\n"
            "} a;\n");
}

TEST(StreamWriting, ValueLines) {
  struct Case {
    const char* what;
    void (*write)(ConfigStream&);
    const char* expected;
  };
  const Case cases[] = {
      {"int", [](ConfigStream& s) { s.WriteInt("n", -42); }, "(int)n=-42\n"},
      {"int min", [](ConfigStream& s) { s.WriteInt("n", INT32_MIN); }, "(int)n=-2147483648\n"},
      {"float", [](ConfigStream& s) { s.WriteFloat("f", 0.1f); }, "(float)f=0.100000\n"},
      {"float scale", [](ConfigStream& s) { s.WriteFloat("window[scale]", 1.5f); },
       "(float)window[scale]=1.500000\n"},
      {"tiny float", [](ConfigStream& s) { s.WriteFloat("f", 1e-10f); }, "(float)f=1e-10\n"},
      {"double", [](ConfigStream& s) { s.WriteDouble("d", 0.25); }, "(double)d=0.25\n"},
      {"double digits", [](ConfigStream& s) { s.WriteDouble("d", 3.14159265); },
       "(double)d=3.14159265\n"},
      {"double exponent", [](ConfigStream& s) { s.WriteDouble("d", 1e20); }, "(double)d=1E+20\n"},
      {"infinite float", [](ConfigStream& s) { s.WriteFloat("f", -HUGE_VALF); }, "(float)f=-inf\n"},
      {"infinite double", [](ConfigStream& s) { s.WriteDouble("d", HUGE_VAL); }, "(double)d=inf\n"},
      {"int64", [](ConfigStream& s) { s.WriteInt64("c", 5000000000LL); }, "(int64)c=5000000000\n"},
      {"int64 min", [](ConfigStream& s) { s.WriteInt64("c", INT64_MIN); },
       "(int64)c=-9223372036854775808\n"},
      {"int64 max", [](ConfigStream& s) { s.WriteInt64("c", INT64_MAX); },
       "(int64)c=9223372036854775807\n"},
      {"string", [](ConfigStream& s) { s.WriteString("t", "  a b "); }, "(string)t=  a b \n"},
      {"string without text", [](ConfigStream& s) { s.WriteString("t", nullptr); }, "(string)t=\n"},
      {"string view", [](ConfigStream& s) { s.WriteString(std::string_view("r[v]"), std::string_view("xy")); },
       "(string)r[v]=xy\n"},
      {"array of no bytes", [](ConfigStream& s) {
         s.WriteArrayOpen("e");
         s.WriteArrayBytes(reinterpret_cast<const uint8_t*>(""), 0);
         s.WriteArrayClose();
       }, "[ e:\n] e;\n"},
      {"byte forms", [](ConfigStream& s) {
         const uint8_t b[] = {0, 9, 10, 0x7f, 0x80};
         s.WriteArrayOpen("k");
         s.WriteArrayBytes(b, 5);
         s.WriteArrayClose();
       }, "[ k:\n0\n9\nA\n7F\n80\n] k;\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ConfigStream stream(InMemory{});
    c.write(stream);
    EXPECT_EQ(stream.Output(), c.expected);
  }
}

TEST(StreamWriting, RefusedCallsWriteNothing) {
  ConfigStream stream(InMemory{});
  EXPECT_EQ(stream.WriteSectionClose(), 0);
  EXPECT_EQ(stream.WriteArrayClose(), 0);
  EXPECT_EQ(stream.WriteArrayOpen(static_cast<const char*>(nullptr)), 0);
  EXPECT_EQ(stream.WriteInt(static_cast<const char*>(nullptr), 1), 0);
  EXPECT_EQ(stream.WriteFloat(static_cast<const char*>(nullptr), 1), 0);
  EXPECT_EQ(stream.WriteString(static_cast<const char*>(nullptr), "x"), 0);
  EXPECT_EQ(stream.WriteDouble(static_cast<const char*>(nullptr), 1), 0);
  EXPECT_EQ(stream.WriteInt64(static_cast<const char*>(nullptr), 1), 0);
  EXPECT_EQ(stream.Output(), "");

  EXPECT_EQ(stream.WriteArrayOpen("k"), 1);
  EXPECT_EQ(stream.WriteArrayOpen("k2"), 0);
  EXPECT_EQ(stream.WriteArrayBytes(nullptr, 3), 0);
  EXPECT_EQ(stream.WriteArrayClose(), 1);
  EXPECT_EQ(stream.WriteArrayClose(), 0);
  EXPECT_EQ(stream.Output(), "[ k:\n] k;\n");
}

TEST(StreamWriting, EveryOpenSectionIndentsFourBlanks) {
  ConfigStream stream(InMemory{});
  std::string expected;
  for (int depth = 0; depth < 10; ++depth) {
    stream.WriteSectionOpen("s");
    expected += std::string(depth * 4, ' ') + "{ s:\n";
  }
  stream.WriteInt("v", 1);
  expected += std::string(40, ' ') + "(int)v=1\n";
  for (int depth = 9; depth >= 0; --depth) {
    stream.WriteSectionClose();
    expected += std::string(depth * 4, ' ') + "} s;\n";
  }
  EXPECT_EQ(stream.Output(), expected);
}

TEST(StreamWriting, IndentFollowsOpenSections) {
  ConfigStream stream(InMemory{});
  stream.WriteIndent();
  stream.WriteSectionOpen(std::string_view("s"));
  stream.WriteIndent();
  stream.WriteSectionClose();
  stream.WriteIndent();
  EXPECT_EQ(stream.Output(), "{ s:\n    } s;\n");
}

TEST(StreamWriting, WritesAFileInTextMode) {
  cfgtest::TempDir dir;
  std::string path = dir.File("out.cfg");
  {
    ConfigStream stream(path.c_str(), ConfigStream::WriteMode);
    ASSERT_EQ(stream.IsOpen(), 1);
    stream.WriteSectionOpen("s");
    stream.WriteInt64("big", -5000000000LL);
    stream.WriteSectionClose();
    EXPECT_TRUE(stream.Close());
    EXPECT_TRUE(stream.Close()) << "idempotent";
    EXPECT_FALSE(stream.WriteFailed());
  }
  std::string bytes = cfgtest::ReadFile(path);
#ifdef _WIN32
  EXPECT_EQ(bytes, "{ s:\r\n    (int64)big=-5000000000\r\n} s;\r\n");
#else
  EXPECT_EQ(bytes, "{ s:\n    (int64)big=-5000000000\n} s;\n");
#endif
}

#ifdef __linux__
TEST(StreamWriting, CloseReportsAFailedWrite) {
  ConfigStream stream("/dev/full", ConfigStream::WriteMode);
  ASSERT_EQ(stream.IsOpen(), 1);
  for (int i = 0; i < 100; ++i) stream.WriteString("line", "some text to fill the buffer");
  EXPECT_FALSE(stream.Close());
  EXPECT_TRUE(stream.WriteFailed());
}
#endif

// --- stacks ---

TEST(NameStack, PushPopGetAndClear) {
  cfg::NameStack names;
  EXPECT_EQ(names.Count(), 0);
  EXPECT_EQ(names.Get(0), nullptr);
  std::string popped = "untouched";
  EXPECT_FALSE(names.Pop(&popped));
  EXPECT_EQ(popped, "untouched");

  const std::string longName(300, 'L');
  names.Push("alpha");
  names.Push(longName);
  names.Push("");
  names.Push("gamma");
  EXPECT_EQ(names.Count(), 4);
  EXPECT_STREQ(names.Get(0), "alpha");
  EXPECT_EQ(names.Get(1), longName);
  EXPECT_STREQ(names.Get(2), "");
  EXPECT_STREQ(names.Get(3), "gamma");
  EXPECT_EQ(names.Get(4), nullptr);

  EXPECT_TRUE(names.Pop(&popped));
  EXPECT_EQ(popped, "gamma");
  EXPECT_TRUE(names.Pop());
  EXPECT_TRUE(names.Pop(&popped));
  EXPECT_EQ(popped, longName);
  EXPECT_EQ(names.Count(), 1);
  names.Push("delta");
  EXPECT_STREQ(names.Get(1), "delta");

  names.Clear();
  EXPECT_EQ(names.Count(), 0);
  EXPECT_EQ(names.Get(0), nullptr);
  names.Push("again");
  EXPECT_STREQ(names.Get(0), "again");
  EXPECT_EQ(names.Count(), 1);
}

TEST(NameStack, ManyNames) {
  cfg::NameStack names;
  for (int i = 0; i < 10000; ++i) names.Push("n" + std::to_string(i));
  EXPECT_EQ(names.Count(), 10000);
  EXPECT_STREQ(names.Get(9999), "n9999");
  EXPECT_STREQ(names.Get(4321), "n4321");
  std::string name;
  for (int i = 9999; i >= 0; --i) {
    ASSERT_TRUE(names.Pop(&name));
    ASSERT_EQ(name, "n" + std::to_string(i));
  }
  EXPECT_EQ(names.Count(), 0);
}

TEST(PositionStack, PushPopTopAndClear) {
  cfg::PositionStack positions;
  EXPECT_EQ(positions.Pop(), 0);
  EXPECT_EQ(positions.Top(), 0);
  EXPECT_EQ(positions.Count(), 0);
  EXPECT_EQ(positions.Push(5), 1);
  EXPECT_EQ(positions.Push(int64_t{1} << 40), 1);
  EXPECT_EQ(positions.Count(), 2);
  EXPECT_EQ(positions.Top(), int64_t{1} << 40);
  EXPECT_EQ(positions.Pop(), int64_t{1} << 40);
  EXPECT_EQ(positions.Top(), 5);
  positions.Push(7);
  positions.Clear();
  EXPECT_EQ(positions.Count(), 0);
  EXPECT_EQ(positions.Pop(), 0);
}

TEST(StreamSections, PushAndPopSection) {
  ConfigStream stream(InMemory{}, "abc\ndef\n");
  EXPECT_EQ(stream.TopSectionName(), nullptr);
  ASSERT_EQ(stream.NextLine(), 1);
  stream.PushSection("one");
  stream.PushSection("two");
  EXPECT_STREQ(stream.TopSectionName(), "two");
  std::string name;
  EXPECT_EQ(stream.PopSection(&name), 4) << "the position after the first line";
  EXPECT_EQ(name, "two");
  EXPECT_EQ(stream.PopSection(nullptr), 4);
  EXPECT_EQ(stream.TopSectionName(), nullptr);
  name = "kept";
  EXPECT_EQ(stream.PopSection(&name), 0);
  EXPECT_EQ(name, "kept");
}

}  // namespace
