// ConfigStream: reading from text and files, array blocks, the blocks a
// loaded section takes from the stream, writing as saving writes, and the
// stack of open sections.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "config/config_node.h"
#include "config/config_stream.h"
#include "config/value.h"
#include "test_support.h"
#include "tests/tree_fill.h"

namespace {

using cfg::ConfigStream;
using cfg::InMemory;
using cfg::LineKind;
using cfg::Value;

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
  EXPECT_EQ(stream->ItemNameView(), "b");
  EXPECT_STREQ(stream->TopSectionName(), "a");
  EXPECT_EQ(NextKind(*stream), LineKind::SectionClose);
  EXPECT_EQ(stream->ItemNameView(), "a");
  EXPECT_EQ(stream->TopSectionName(), nullptr);
  EXPECT_EQ(NextKind(*stream), LineKind::NoItem);
  EXPECT_EQ(stream->TopSectionName(), nullptr);
  EXPECT_EQ(stream->PopSection(), 0);
}

// ReadArray: the array's length is its number of lines before the closing
// line; bytes holds the bytes of the lines that hold a number, then zeros.
TEST_P(StreamReading, ArrayIsReadUpToItsClosingLine) {
  auto stream = Open("[ k:\n1\n; c\n2\n] k;\n(int)after=1\n");
  ASSERT_EQ(NextKind(*stream), LineKind::ArrayOpen);
  EXPECT_EQ(stream->IsArrayOpen(), 1);
  std::vector<uint8_t> bytes = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
  EXPECT_EQ(stream->ReadArray(&bytes), 3);
  EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2, 0})) << "what the vector held before goes";
  EXPECT_EQ(stream->IsArrayOpen(), 0);
  EXPECT_EQ(NextKind(*stream), LineKind::IntLine);
  EXPECT_EQ(stream->LineNumber(), 6);
}

TEST_P(StreamReading, ArrayOfManyLines) {
  auto stream = Open("[ k:\n1\n2\n3\n4\n5\n] k;\n");
  ASSERT_EQ(NextKind(*stream), LineKind::ArrayOpen);
  std::vector<uint8_t> bytes;
  EXPECT_EQ(stream->ReadArray(&bytes), 5);
  EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(stream->IsArrayOpen(), 0);
  EXPECT_EQ(stream->NextLine(), 0);
}

TEST_P(StreamReading, ByteLineSyntax) {
  auto stream = Open("[ a:\n1f\n0x1F\n  1F\nab\n1FF\n0X0\n; note\n{ s:\n[ b:\n] b;\nzz\n\n] A;\n");
  ASSERT_EQ(NextKind(*stream), LineKind::ArrayOpen);
  std::vector<uint8_t> bytes;
  std::vector<long long> byteless = {99};
  EXPECT_EQ(stream->ReadArray(&bytes, &byteless), 12);
  EXPECT_EQ(bytes, (std::vector<uint8_t>{0x1F, 0x1F, 0x1F, 0xAB, 0xFF, 0x00, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(byteless, (std::vector<long long>{8, 9, 10, 11, 12, 13}));
  EXPECT_EQ(stream->IsArrayOpen(), 0);
}

TEST_P(StreamReading, EmptyAndUnclosedArrays) {
  auto stream = Open("[ e:\n] e;\n[ u:\n7\n8\n");
  ASSERT_EQ(NextKind(*stream), LineKind::ArrayOpen);
  std::vector<uint8_t> bytes = {0xEE};
  EXPECT_EQ(stream->ReadArray(&bytes), 0);
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(stream->IsArrayOpen(), 0) << "closed by its closing line";

  ASSERT_EQ(NextKind(*stream), LineKind::ArrayOpen);
  EXPECT_EQ(stream->ItemNameView(), "u");
  EXPECT_EQ(stream->ReadArray(&bytes), 2);
  EXPECT_EQ(bytes, (std::vector<uint8_t>{7, 8}));
  EXPECT_EQ(stream->IsArrayOpen(), 1) << "the input ended inside the block";
  EXPECT_EQ(stream->NextLine(), 0);
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

TEST_P(StreamReading, LongArrayAcrossReadBuffers) {
  // Enough lines to cross read buffers.
  std::string text = "[ big:\n";
  for (int i = 0; i < 20000; ++i) text += "    " + std::to_string(i % 10) + "\n";
  text += "] big;\n(int)x=5\n";
  auto stream = Open(text);
  ASSERT_EQ(NextKind(*stream), LineKind::ArrayOpen);
  std::vector<uint8_t> bytes;
  ASSERT_EQ(stream->ReadArray(&bytes), 20000);
  ASSERT_EQ(bytes.size(), 20000u);
  for (int i = 0; i < 20000; ++i) ASSERT_EQ(bytes[i], i % 10) << i;
  EXPECT_EQ(NextKind(*stream), LineKind::IntLine);
  EXPECT_EQ(stream->IntValue(), 5);
  EXPECT_EQ(stream->LineNumber(), 20003);
}

// --- the blocks a loaded section takes from the stream ---

const char kBlocks[] =
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

// Names of a section's children in slot order, sections marked with "/".
std::vector<std::string> Children(const cfg::Section& section) {
  std::vector<std::string> names;
  for (int i = 1; i <= section.Count(); ++i) {
    const cfg::Section* child = section.SectionAt(i);
    if (child != &cfg::NullSection) {
      names.push_back(std::string(child->NameView()) + "/");
    } else {
      names.push_back(std::string(section.RecordAt(i)->NameView()));
    }
  }
  return names;
}

// Each block becomes a child of the block it lies in, a grandchild stays
// with its parent, and a line inside an array block is a byte line, never a
// block of its own.
TEST_P(StreamReading, BlocksBecomeChildrenOfTheirSection) {
  auto stream = Open(kBlocks);
  cfg::Section document(cfg::kFileSection, "");
  document.LoadSection(*stream);
  using Names = std::vector<std::string>;
  EXPECT_EQ(Children(document), (Names{"r", "top/", "other/"}));
  const cfg::Section* top = document.SectionAt(2);
  EXPECT_EQ(Children(*top), (Names{"r", "a/", "arr", "b/"}));
  EXPECT_EQ(Children(*top->SectionAt(2)), (Names{"deep/"}));
  EXPECT_EQ(top->RecordAt(1)->ValueAt(1)->GetInt(), 1);
  const cfg::Value* arr = top->RecordAt(3)->ValueAt(1);
  ASSERT_EQ(arr->Type(), cfg::ValueType::Binary);
  EXPECT_EQ(arr->GetSize(), 1) << "the \"{ fake:\" line is a byte line without a number";
  EXPECT_EQ(arr->GetBytes()[0], 0);
  EXPECT_EQ(stream->Depth(), 0);
  EXPECT_EQ(stream->NextLine(), 0);
}

// A closing line ends the section loading began in; the stream stands after it.
TEST_P(StreamReading, LoadingInsideASectionEndsAtItsClosingLine) {
  auto stream = Open(kBlocks);
  for (int i = 0; i < 2; ++i) ASSERT_EQ(stream->NextLine(), 1);
  ASSERT_EQ(stream->Classify(), LineKind::SectionOpen);
  cfg::Section top("top");
  top.LoadSection(*stream);
  EXPECT_EQ(Children(top), (std::vector<std::string>{"r", "a/", "arr", "b/"}));
  EXPECT_EQ(stream->TopSectionName(), nullptr);
  EXPECT_EQ(Next(*stream), "{ other:");
}

// Sections never closed end at the end of the input, where an observer hears
// of each, innermost first.
TEST_P(StreamReading, SectionsOpenAtTheEnd) {
  struct Unclosed : cfg::LoadObserver {
    void Skipped(const ConfigStream&) override {}
    void Dropped(long long line, Drop what, std::string_view name) override {
      if (what == Drop::UnclosedSection) found.push_back(std::string(name) + "@" + std::to_string(line));
    }
    std::vector<std::string> found;
  } observer;
  auto stream = Open("(int)x=1\n{ a:\n{ b:\n(int)y=2\n");
  cfg::Section document(cfg::kFileSection, "");
  document.LoadSection(*stream, &observer);
  EXPECT_EQ(observer.found, (std::vector<std::string>{"b@3", "a@2"}));
  EXPECT_EQ(Children(document), (std::vector<std::string>{"x", "a/"}));
  EXPECT_EQ(document.SectionAt(2)->SectionAt(1)->RecordByName("y")->ValueAt(1)->GetInt(), 2);
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
    EXPECT_EQ(writer.WriteValue("x", Value(int32_t{1})), 1);
  }
  ConfigStream reader(path.c_str(), 2);
  ASSERT_EQ(reader.IsOpen(), 1);
  ASSERT_EQ(reader.NextLine(), 1);
  EXPECT_EQ(reader.Classify(), LineKind::IntLine);
}

// --- writing, as saving writes ---

std::unique_ptr<Value> Named(std::unique_ptr<Value> value, const char* name) {
  value->SetName(name);
  return value;
}

TEST(StreamWriting, NestedBlocksAndArrays) {
  cfg::Section a("a");
  cfgtest::AddValue(&a, "x", 1);
  const uint8_t bytes[] = {10, 255};
  cfgtest::AddValue(a.FindOrCreateSection("b"), "k", bytes, 2);
  ConfigStream stream(InMemory{});
  a.SaveSection(stream);
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
  EXPECT_EQ(stream.Depth(), 0) << "every block it opened is closed";
}

TEST(StreamWriting, ValueLines) {
  const uint8_t byteForms[] = {0, 9, 10, 0x7f, 0x80};
  struct Case {
    const char* what;
    const char* record;
    std::unique_ptr<Value> value;
    const char* expected;
  };
  Case cases[] = {
      {"int", "n", std::make_unique<Value>(int32_t{-42}), "(int)n=-42\n"},
      {"int min", "n", std::make_unique<Value>(int32_t{INT32_MIN}), "(int)n=-2147483648\n"},
      {"float", "f", std::make_unique<Value>(0.1f), "(float)f=0.100000\n"},
      {"float scale", "window", Named(std::make_unique<Value>(1.5f), "scale"),
       "(float)window[scale]=1.500000\n"},
      {"tiny float", "f", std::make_unique<Value>(1e-10f), "(float)f=1e-10\n"},
      {"double", "d", std::make_unique<Value>(0.25), "(double)d=0.25\n"},
      {"double digits", "d", std::make_unique<Value>(3.14159265), "(double)d=3.14159265\n"},
      {"double exponent", "d", std::make_unique<Value>(1e20), "(double)d=1E+20\n"},
      {"infinite float", "f", std::make_unique<Value>(-HUGE_VALF), "(float)f=-inf\n"},
      {"infinite double", "d", std::make_unique<Value>(HUGE_VAL), "(double)d=inf\n"},
      {"int64", "c", std::make_unique<Value>(int64_t{5000000000LL}), "(int64)c=5000000000\n"},
      {"int64 min", "c", std::make_unique<Value>(int64_t{INT64_MIN}),
       "(int64)c=-9223372036854775808\n"},
      {"int64 max", "c", std::make_unique<Value>(int64_t{INT64_MAX}),
       "(int64)c=9223372036854775807\n"},
      {"string", "t", std::make_unique<Value>("  a b "), "(string)t=  a b \n"},
      {"string without text", "t", std::make_unique<Value>(static_cast<const char*>(nullptr)),
       "(string)t=\n"},
      {"string with a value name", "r", Named(std::make_unique<Value>("xy"), "v"), "(string)r[v]=xy\n"},
      {"array of no bytes", "e", std::make_unique<Value>(byteForms, 0), "[ e:\n] e;\n"},
      {"byte forms", "k", std::make_unique<Value>(byteForms, 5), "[ k:\n0\n9\nA\n7F\n80\n] k;\n"},
      {"array with a value name", "k", Named(std::make_unique<Value>(byteForms + 2, 1), "data"),
       "[ k[data]:\nA\n] k[data];\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ConfigStream stream(InMemory{});
    EXPECT_EQ(stream.WriteValue(c.record, *c.value), 1);
    EXPECT_EQ(stream.Output(), c.expected);
  }
}

TEST(StreamWriting, RefusedCallsWriteNothing) {
  ConfigStream stream(InMemory{});
  EXPECT_EQ(stream.WriteSectionClose(), 0);
  EXPECT_EQ(stream.WriteValue("x", Value()), 0) << "a value of type None";
  EXPECT_EQ(stream.Output(), "");
  // An unnamed record writes nothing either.
  cfg::Record unnamed;
  unnamed.CreateIntValue("v", 1);
  unnamed.WriteValues(stream);
  EXPECT_EQ(stream.Output(), "");
}

TEST(StreamWriting, EveryOpenSectionIndentsFourBlanks) {
  ConfigStream stream(InMemory{});
  std::string expected;
  for (int depth = 0; depth < 10; ++depth) {
    stream.WriteSectionOpen("s");
    expected += std::string(depth * 4, ' ') + "{ s:\n";
  }
  stream.WriteValue("v", Value(int32_t{1}));
  expected += std::string(40, ' ') + "(int)v=1\n";
  for (int depth = 9; depth >= 0; --depth) {
    stream.WriteSectionClose();
    expected += std::string(depth * 4, ' ') + "} s;\n";
  }
  EXPECT_EQ(stream.Output(), expected);
}

TEST(StreamWriting, IndentFollowsOpenSections) {
  ConfigStream stream(InMemory{});
  const uint8_t byte = 1;
  stream.WriteValue("a", Value(int32_t{1}));
  stream.WriteSectionOpen(std::string_view("s"));
  stream.WriteValue("b", Value(&byte, 1));
  stream.WriteSectionClose();
  stream.WriteValue("c", Value(int32_t{3}));
  EXPECT_EQ(stream.Output(), "(int)a=1\n{ s:\n    [ b:\n    1\n    ] b;\n} s;\n(int)c=3\n");
}

TEST(StreamWriting, WritesAFileInTextMode) {
  cfgtest::TempDir dir;
  std::string path = dir.File("out.cfg");
  {
    ConfigStream stream(path.c_str(), ConfigStream::WriteMode);
    ASSERT_EQ(stream.IsOpen(), 1);
    stream.WriteSectionOpen("s");
    stream.WriteValue("big", Value(int64_t{-5000000000LL}));
    stream.WriteSectionClose();
    EXPECT_TRUE(stream.Close());
    EXPECT_TRUE(stream.Close()) << "idempotent";
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
  const Value text("some text to fill the buffer");
  for (int i = 0; i < 100; ++i) stream.WriteValue("line", text);
  EXPECT_FALSE(stream.Close());
  EXPECT_FALSE(stream.Close()) << "the failure stays";
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

TEST(StreamSections, PushAndPopSection) {
  ConfigStream stream(InMemory{}, "abc\ndef\n");
  EXPECT_EQ(stream.TopSectionName(), nullptr);
  ASSERT_EQ(stream.NextLine(), 1);
  stream.PushSection("one");
  stream.PushSection("two");
  EXPECT_STREQ(stream.TopSectionName(), "two");
  EXPECT_EQ(stream.Depth(), 2);
  EXPECT_EQ(stream.SectionLine(1), 1) << "opened on the first line";
  std::string name;
  EXPECT_TRUE(stream.PopSection(&name));
  EXPECT_EQ(name, "two");
  EXPECT_TRUE(stream.PopSection(nullptr));
  EXPECT_EQ(stream.TopSectionName(), nullptr);
  name = "kept";
  EXPECT_FALSE(stream.PopSection(&name));
  EXPECT_EQ(name, "kept");
}

}  // namespace
