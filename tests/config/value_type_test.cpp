// Every name of every type, through the one table: cfgtool's words, the
// keywords the writer writes, and the keywords the reader takes in any case.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

#include "config/config_node.h"
#include "config/config_stream.h"
#include "config/line_grammar.h"
#include "config/value.h"

namespace {

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

TEST(ValueTypes, EveryWordAndKeywordAgreesWithTheTable) {
  std::set<std::string> words;
  for (const cfg::ValueTypeNames& names : cfg::kValueTypes) {
    const std::string word(names.word);
    SCOPED_TRACE(word);
    EXPECT_TRUE(words.insert(word).second) << "a word named twice";
    EXPECT_EQ(cfg::TypeOfWord(names.word), names.type);
    EXPECT_STREQ(cfg::TypeWord(names.type), word.c_str());
    EXPECT_EQ(cfg::TypeOfWord(Upper(names.word)), cfg::ValueType::None) << "words are exact";
    EXPECT_EQ(cfg::LineKindOf(names.type) != cfg::LineKind::NoItem, !names.keyword.empty());
    if (names.keyword.empty()) {
      EXPECT_EQ(cfg::LookupTypeKeyword(names.word), cfg::ValueType::None) << "no value line";
      continue;
    }
    // cfgtool's word of a type with a value line is its keyword.
    EXPECT_EQ(names.keyword, names.word);
    EXPECT_EQ(cfg::TypeKeyword(names.type), names.keyword);
    EXPECT_EQ(cfg::ValueTypeOf(cfg::LineKindOf(names.type)), names.type);
    EXPECT_EQ(cfg::LookupTypeKeyword(names.keyword), names.type);
    EXPECT_EQ(cfg::LookupTypeKeyword(Upper(names.keyword)), names.type) << "keywords ignore case";

    // The writer writes the keyword, and the reader takes it back in capitals.
    const std::string text = names.type == cfg::ValueType::String ? "x" : "1";
    cfg::ConfigStream read(cfg::InMemory{}, "(" + Upper(names.keyword) + ")r[v]=" + text + "\n");
    cfg::Section document(cfg::kFileSection, "memory");
    document.LoadSection(read);
    ASSERT_NE(document.RecordAt(1), nullptr);
    EXPECT_EQ(document.RecordAt(1)->ValueAt(1)->Type(), names.type);
    cfg::ConfigStream written(cfg::InMemory{});
    document.SaveSection(written);
    EXPECT_EQ(written.Output().rfind("(" + word + ")r[v]=", 0), 0u) << written.Output();
  }
  EXPECT_EQ(cfg::TypeWord(cfg::ValueType::None), nullptr);
  EXPECT_EQ(cfg::TypeKeyword(cfg::ValueType::None), "");
  EXPECT_EQ(cfg::TypeOfWord(""), cfg::ValueType::None);
}

}  // namespace
