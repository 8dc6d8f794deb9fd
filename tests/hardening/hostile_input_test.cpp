// Files no one should feed a configuration editor, loaded through the real
// file system: each loads without a crash or a hang, and to a sensible tree.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "config/config_node.h"
#include "config/config_stream.h"
#include "scratch_dir.h"

namespace hardening {
namespace {

std::string SavedText(const cfg::Section& doc) {
  cfg::ConfigStream out(cfg::InMemory{});
  doc.SaveSection(out);
  return out.Output();
}

// The child section of that name, or nullptr.
const cfg::Section* ChildSection(const cfg::Section& section, const char* name) {
  const cfg::Section* child = section.SectionAt(section.IndexOfName(name));
  return child->IsNull() ? nullptr : child;
}

// The value of that name in record, or nullptr.
const cfg::Value* ValueNamed(const cfg::Section& section, const char* record, const char* name) {
  const cfg::Record* r = section.RecordByName(record);
  if (r->IsNull()) return nullptr;
  return static_cast<const cfg::Value*>(r->FindByName(name));
}

// The first unnamed value of record, or nullptr.
const cfg::Value* UnnamedValue(const cfg::Section& section, const char* record) {
  const cfg::Record* r = section.RecordByName(record);
  for (int i = 1; !r->IsNull() && i <= r->Count(); ++i) {
    const cfg::Value* value = r->ValueAt(i);
    if (!value->IsNone() && value->GetName() == nullptr) return value;
  }
  return nullptr;
}

class HostileInputTest : public ::testing::Test {
 protected:
  // Writes bytes to a file and loads it into a fresh document.
  std::unique_ptr<cfg::Section> Load(const std::string& bytes) {
    const std::string path = scratch_.File("input.cfg");
    EXPECT_TRUE(WriteFile(path, bytes));
    auto doc = std::make_unique<cfg::Section>(cfg::kFileSection, path.c_str());
    EXPECT_EQ(doc->Load(), 1);
    return doc;
  }

  ScratchDir scratch_;
};

// The reader takes a line whole, however long, and goes on with the next one.
TEST_F(HostileInputTest, HundredMegabyteLine) {
  const size_t size = 100u << 20;
  std::string bytes = "(int)before=1\n(string)big=";
  bytes.append(size, 'x');
  bytes += "\n(int)after=7\n";
  auto doc = Load(bytes);
  bytes.clear();
  bytes.shrink_to_fit();

  const cfg::Value* big = UnnamedValue(*doc, "big");
  ASSERT_NE(big, nullptr);
  const std::string_view text = big->GetString();
  EXPECT_EQ(text.size(), size);
  EXPECT_TRUE(std::all_of(text.begin(), text.end(), [](char c) { return c == 'x'; }));
  ASSERT_NE(UnnamedValue(*doc, "before"), nullptr);
  ASSERT_NE(UnnamedValue(*doc, "after"), nullptr);
  EXPECT_EQ(UnnamedValue(*doc, "after")->GetInt(), 7);
  EXPECT_EQ(doc->Count(), 3);
}

// A NUL byte ends the text of its line: a line of NULs is an other line, and
// what follows a NUL on a line is not read.
TEST_F(HostileInputTest, NulBytes) {
  std::string bytes = "(int)a=1\n";
  bytes.append(4096, '\0');
  bytes += "\n(int)b=2\n";
  bytes += std::string("(string)s=ab\0cd\n", 16);
  bytes += std::string("{\0 x:\n", 6);  // only "{" is left: no section
  bytes += "(int)c=3\n";
  auto doc = Load(bytes);
  EXPECT_EQ(SavedText(*doc), "(int)a=1\n(int)b=2\n(string)s=ab\n(int)c=3\n");
}

// A million nested sections, none closed: loading, saving and destroying the
// tree must not recurse a million levels deep.
TEST_F(HostileInputTest, MillionUnclosedSections) {
  const int depth = 1000000;
  std::string bytes;
  bytes.reserve(depth * 5);
  for (int i = 0; i < depth; ++i) bytes += "{ a:\n";
  auto doc = Load(bytes);

  int levels = 0;
  const cfg::Section* section = doc.get();
  while (const cfg::Section* child = ChildSection(*section, "a")) {
    EXPECT_EQ(section->Count(), 1);
    section = child;
    ++levels;
  }
  EXPECT_EQ(levels, depth);
  EXPECT_EQ(section->Count(), 0);

  // The whole tree written out (to a device, written in place).
  doc->SetName("/dev/null");
  EXPECT_EQ(doc->Save(), 1);
}

// An array block that is never closed takes every line up to the end of the
// file; its lines span several read buffers, which the reader refills as it goes.
TEST_F(HostileInputTest, MillionArrayLinesUnclosed) {
  const int lines = 1000000;
  std::string bytes = "(int)first=1\n[ k[data]:\n";
  char line[8];
  for (int i = 0; i < lines; ++i) {
    std::snprintf(line, sizeof line, "%X\n", i & 0xFF);
    bytes += line;
  }
  auto doc = Load(bytes);

  const cfg::Value* array = ValueNamed(*doc, "k", "data");
  ASSERT_NE(array, nullptr);
  ASSERT_EQ(array->Type(), cfg::ValueType::Binary);
  ASSERT_EQ(array->GetSize(), lines);
  int wrong = 0;
  for (int i = 0; i < lines; ++i) wrong += array->GetBytes()[i] != (i & 0xFF);
  EXPECT_EQ(wrong, 0);
  EXPECT_NE(UnnamedValue(*doc, "first"), nullptr);
}

// Random bytes load, save, and what was saved loads again.
TEST_F(HostileInputTest, RandomBytes) {
  std::mt19937 random(20240611);
  std::string bytes(4u << 20, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  auto doc = Load(bytes);

  const std::string saved = scratch_.File("saved.cfg");
  doc->SetName(saved.c_str());
  ASSERT_EQ(doc->Save(), 1);
  cfg::Section again(cfg::kFileSection, saved.c_str());
  EXPECT_EQ(again.Load(), 1);
}

// A file as the writer writes it, with each kind of line end.
TEST_F(HostileInputTest, CarriageReturnLineFeedReadsLikeLineFeed) {
  const std::string canonical =
      "{ s:\n"
      "    (int)a[x]=1\n"
      "    (string)t=two words \n"
      "    [ b:\n"
      "    A\n"
      "    FF\n"
      "    ] b;\n"
      "} s;\n"
      "(double)d=0.25\n";
  std::string crlf;
  for (char c : canonical) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  EXPECT_EQ(SavedText(*Load(canonical)), canonical);
  EXPECT_EQ(SavedText(*Load(crlf)), canonical);
}

// With carriage returns alone the whole file is one line: it opens section s,
// and the rest of the line after the name is not read.
TEST_F(HostileInputTest, CarriageReturnOnlyIsOneLine) {
  auto doc = Load("{ s:\r    (int)a=1\r} s;\r(int)b=2\r");
  ASSERT_EQ(doc->Count(), 1);
  const cfg::Section* s = ChildSection(*doc, "s");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Count(), 0);
  EXPECT_EQ(SavedText(*doc), "{ s:\n} s;\n");
}

// A byte-order mark makes the first line an other line: its section is not
// opened, its content lands at the root, and its closing line closes nothing.
TEST_F(HostileInputTest, ByteOrderMark) {
  auto doc = Load("\xEF\xBB\xBF{ s:\n(int)a=1\n} s;\n(int)b=2\n");
  EXPECT_EQ(SavedText(*doc), "(int)a=1\n(int)b=2\n");
}

}  // namespace
}  // namespace hardening
