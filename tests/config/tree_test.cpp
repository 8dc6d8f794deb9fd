// Sections, records, the sentinels, qualified names and growing the tree.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "config/config_node.h"
#include "tests/tree_fill.h"

namespace {

using cfg::NullRecord;
using cfg::NullSection;
using cfg::NullValue;
using cfg::Record;
using cfg::Section;
using cfg::Value;
using cfg::ValueType;

TEST(Sentinels, AreEmptyNullNodes) {
  EXPECT_TRUE(NullSection.IsNull());
  EXPECT_FALSE(NullSection.IsRecord());
  EXPECT_FALSE(NullSection.IsFile());
  EXPECT_EQ(NullSection.GetName(), nullptr);
  EXPECT_EQ(NullSection.Count(), 0);
  EXPECT_TRUE(NullRecord.IsNull());
  EXPECT_TRUE(NullRecord.IsRecord());
  EXPECT_EQ(NullRecord.GetName(), nullptr);
  EXPECT_EQ(NullRecord.Count(), 0);
  EXPECT_EQ(NullRecord.ValueAt(1), &NullValue);
  EXPECT_EQ(NullSection.RecordAt(1), &NullRecord);
  EXPECT_EQ(NullSection.SectionAt(1), &NullSection);
}

TEST(Nodes, ConstructorsSetTheFlags) {
  Section unnamed;
  EXPECT_TRUE(unnamed.IsNull());
  EXPECT_FALSE(unnamed.IsFile());
  Section named("s");
  EXPECT_FALSE(named.IsNull());
  EXPECT_FALSE(named.IsFile());
  EXPECT_STREQ(named.GetName(), "s");
  Section file(cfg::kFileSection, "dir/file.cfg");
  EXPECT_TRUE(file.IsFile());
  EXPECT_FALSE(file.IsNull());
  EXPECT_STREQ(file.GetName(), "dir/file.cfg");
  Section noPath(cfg::kFileSection, "");
  EXPECT_TRUE(noPath.IsFile());
  EXPECT_EQ(noPath.GetName(), nullptr);
  Record record("r");
  EXPECT_TRUE(record.IsRecord());
  EXPECT_FALSE(record.IsNull());
  Record nullRecord;
  EXPECT_TRUE(nullRecord.IsNull());
  cfg::ConfigNode node(true, true);
  EXPECT_TRUE(node.IsRecord());
  EXPECT_TRUE(node.IsNull());
  EXPECT_EQ(node.GetName(), nullptr);
}

// A section holding record net, section sub, an empty slot and record other.
// Kind flags and value types are kept with the name's storage: no renaming,
// to short, long (kept in a block of its own) or no name, inside an indexed
// list or out of one, may touch them, and copies keep them.
TEST(Nodes, RenamingKeepsKindsAndTypes) {
  const std::string names[] = {"a", "thirteen_char", "fourteen_chars", std::string(300, 'n'), ""};
  Section holder("holder");
  for (int i = 0; i < 20; ++i) holder.FindOrCreateRecord("filler" + std::to_string(i));  // indexed
  Record* record = holder.FindOrCreateRecord("r");
  Section* section = holder.FindOrCreateSection("s");
  auto file = std::make_unique<Section>(cfg::kFileSection, "f.cfg");
  record->CreateStringValue("v", "text");
  record->CreateBinaryValue("b", reinterpret_cast<const uint8_t*>("\1\2\3"), 3);
  Value* text = record->ValueAt(1);
  Value* bytes = record->ValueAt(2);
  for (const std::string& name : names) {
    SCOPED_TRACE(name.size());
    record->SetName(name.c_str());
    section->SetName(name.c_str());
    file->SetName(name.c_str());
    text->SetName(name.c_str());
    bytes->SetName(name.c_str());
    EXPECT_TRUE(record->IsRecord());
    EXPECT_FALSE(record->IsNull());
    EXPECT_FALSE(section->IsRecord());
    EXPECT_FALSE(section->IsFile());
    EXPECT_TRUE(file->IsFile());
    EXPECT_EQ(text->Type(), ValueType::String);
    EXPECT_STREQ(text->GetString(), "text");
    EXPECT_EQ(text->StringLength(), 4u);
    ASSERT_EQ(bytes->GetSize(), 3);
    EXPECT_EQ(bytes->GetBytes()[2], 3);
    EXPECT_EQ(std::string(record->NameView()), name);
    if (!name.empty()) {
      EXPECT_EQ(holder.FindByName(name), record);
    }
  }
  const Section copy(*file);
  EXPECT_TRUE(copy.IsFile());
  const Value copied(*bytes);
  EXPECT_EQ(copied.Type(), ValueType::Binary);
  EXPECT_EQ(copied.GetSize(), 3);
}

class SectionTree : public ::testing::Test {
 protected:
  void SetUp() override {
    net_ = root_.FindOrCreateRecord("net");
    sub_ = root_.FindOrCreateSection("sub");
    ASSERT_NE(root_.FindOrCreateRecord("gone"), nullptr);
    other_ = root_.FindOrCreateRecord("other");
    ASSERT_EQ(root_.RemoveAt(root_.IndexOfName("gone")), 3);
    ASSERT_NE(net_, nullptr);
    ASSERT_NE(sub_, nullptr);
  }
  Section root_{"root"};
  Record* net_ = nullptr;
  Section* sub_ = nullptr;
  Record* other_ = nullptr;
};

TEST_F(SectionTree, LookupsByKindReturnSentinels) {
  EXPECT_EQ(root_.RecordByName("nEt"), net_);
  EXPECT_EQ(root_.RecordByName(std::string_view("NET")), net_);
  EXPECT_EQ(root_.RecordByName("sub"), &NullRecord);
  EXPECT_EQ(root_.RecordByName("missing"), &NullRecord);
  EXPECT_EQ(root_.RecordByName(static_cast<const char*>(nullptr)), &NullRecord);
  EXPECT_EQ(root_.RecordAt(1), net_);
  EXPECT_EQ(root_.RecordAt(2), &NullRecord);  // a section
  EXPECT_EQ(root_.RecordAt(3), &NullRecord);  // empty
  EXPECT_EQ(root_.RecordAt(0), &NullRecord);
  EXPECT_EQ(root_.RecordAt(99), &NullRecord);
  EXPECT_EQ(root_.SectionAt(2), sub_);
  EXPECT_EQ(root_.SectionAt(1), &NullSection);
  EXPECT_EQ(root_.SectionAt(3), &NullSection);
  EXPECT_EQ(root_.SectionAt(5), &NullSection);
  // Chained lookups never meet none.
  EXPECT_EQ(root_.RecordByName("missing")->Count(), 0);
  EXPECT_EQ(root_.RecordByName("missing")->ValueAt(1)->Type(), ValueType::None);
  EXPECT_EQ(root_.SectionAt(9)->RecordByName("x")->ValueAt(3), &NullValue);
  EXPECT_EQ(root_.SectionAt(1)->SectionAt(1), &NullSection);
}

TEST_F(SectionTree, FindOrCreateAcrossKindsAndCases) {
  EXPECT_EQ(root_.FindOrCreateSection("NET"), nullptr);
  EXPECT_EQ(root_.FindOrCreateRecord("Net"), net_);
  EXPECT_EQ(root_.FindOrCreateRecord("SUB"), nullptr);
  EXPECT_EQ(root_.FindOrCreateSection(std::string_view("Sub")), sub_);
  EXPECT_EQ(root_.Count(), 4);

  Section* added = root_.FindOrCreateSection("new");
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(root_.IndexOfName("new"), 3) << "the empty slot is reused";
  EXPECT_FALSE(added->IsNull());
  EXPECT_FALSE(added->IsFile());

  // No name: a new unnamed child every time.
  Record* a = root_.FindOrCreateRecord(static_cast<const char*>(nullptr));
  Record* b = root_.FindOrCreateRecord("");
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(a, b);
  EXPECT_EQ(a->GetName(), nullptr);
  Section* c = root_.FindOrCreateSection("");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(root_.Count(), 7);
}

TEST_F(SectionTree, AddChildRefusesATakenName) {
  auto section = std::make_unique<Section>("NET");
  EXPECT_EQ(root_.AddChild(section), 0);
  ASSERT_NE(section, nullptr);
  auto record = std::make_unique<Record>("fresh");
  EXPECT_EQ(root_.AddChild(record), 3);
  EXPECT_EQ(record, nullptr);
}

TEST(QualifiedNames, SplitIntoRecordAndValue) {
  const struct {
    const char* text;
    const char* record;
    const char* value;  // nullptr: none
  } cases[] = {
      {"net[port]", "net", "port"}, {"net", "net", nullptr},     {"net[]", "net", nullptr},
      {"net[port", "net", "port"},  {"net[port]x", "net", "port"}, {"net[a[b]", "net", "a[b"},
      {"[port]", "port]", nullptr}, {"[[[", "[[[", nullptr},     {"a[b]c", "a", "b"},
      {"size[]]", "size", nullptr}, {"w[]]h]", "w", "h"},       {"", "", nullptr},
      {"r[ v ]", "r", " v "},       {"[[r[v]", "r", "v"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    cfg::QualifiedName split = cfg::SplitQualifiedName(c.text);
    EXPECT_EQ(split.record, c.record);
    EXPECT_EQ(split.hasValueName, c.value != nullptr);
    if (c.value) {
      EXPECT_EQ(split.value, c.value);
    }
  }
}

TEST(Records, CreatorsAndFirstValueWins) {
  Record record("r");
  const uint8_t bytes[] = {7, 8};
  auto add = [&record](const char* name, std::unique_ptr<Value> value) {
    value->SetName(name);
    return record.AddChild(value);
  };
  EXPECT_EQ(record.CreateIntValue("i", 1), 1);
  EXPECT_EQ(add("f", std::make_unique<Value>(1.5f)), 2);
  EXPECT_EQ(record.CreateStringValue("s", "text"), 3);
  EXPECT_EQ(add("d", std::make_unique<Value>(2.5)), 4);
  EXPECT_EQ(add("l", std::make_unique<Value>(int64_t{INT64_MAX})), 5);
  EXPECT_EQ(record.CreateBinaryValue("b", bytes, 2), 6);
  EXPECT_EQ(record.CreateStringValue("I", "refused"), 0);
  EXPECT_EQ(record.CreateIntValue("S", 9), 0);
  EXPECT_EQ(record.Count(), 6);
  EXPECT_EQ(record.ValueAt(1)->GetInt(), 1);
  EXPECT_EQ(record.ValueAt(2)->GetFloat(), 1.5f);
  EXPECT_STREQ(record.ValueAt(3)->GetString(), "text");
  EXPECT_EQ(record.ValueAt(4)->GetDouble(), 2.5);
  EXPECT_EQ(record.ValueAt(5)->GetInt64(), INT64_MAX);
  EXPECT_EQ(record.ValueAt(6)->GetSize(), 2);
  EXPECT_EQ(record.ValueAt(6)->GetBytes()[1], 8);
  EXPECT_EQ(record.ValueAt(7), &NullValue);
  EXPECT_EQ(record.ValueAt(0), &NullValue);
  record.RemoveAt(2);
  EXPECT_EQ(record.ValueAt(2), &NullValue);

  // Unnamed values repeat.
  EXPECT_EQ(record.CreateIntValue(nullptr, 10), 2);
  EXPECT_EQ(record.CreateIntValue("", 11), 7);
  EXPECT_EQ(record.ValueAt(7)->GetName(), nullptr);

  auto value = std::make_unique<Value>(int32_t{3});
  value->SetName("D");
  EXPECT_EQ(record.AddChild(value), 0);
  EXPECT_NE(value, nullptr);
}

TEST(Sections, TypedAddsSplitTheQualifiedName) {
  Section root("root");
  EXPECT_EQ(cfgtest::AddValue(&root, "net[port]", 1), 1);
  EXPECT_EQ(cfgtest::AddValue(&root, "NET[PORT]", 2), 0);
  Record* net = root.RecordByName("net");
  ASSERT_NE(net, &NullRecord);
  ASSERT_EQ(net->Count(), 1);
  EXPECT_STREQ(net->ValueAt(1)->GetName(), "port");
  EXPECT_EQ(net->ValueAt(1)->GetInt(), 1);

  EXPECT_EQ(cfgtest::AddValue(&root, "list", 1), 1);
  EXPECT_EQ(cfgtest::AddValue(&root, "list", 2), 2);
  EXPECT_EQ(cfgtest::AddValue(&root, "LIST[]", 3), 3);
  Record* list = root.RecordByName("list");
  ASSERT_EQ(list->Count(), 3);
  EXPECT_EQ(list->ValueAt(1)->GetInt(), 1);
  EXPECT_EQ(list->ValueAt(2)->GetInt(), 2);
  EXPECT_EQ(list->ValueAt(3)->GetName(), nullptr);

  ASSERT_NE(root.FindOrCreateSection("sub"), nullptr);
  EXPECT_EQ(cfgtest::AddValue(&root, "sub[x]", "dropped"), 0);
  const uint8_t bytes[] = {1};
  EXPECT_EQ(cfgtest::AddValue(&root, "SUB", bytes, 1), 0);
  EXPECT_EQ(root.Count(), 3);
  EXPECT_EQ(root.SectionAt(3)->Count(), 0);

  cfgtest::AddValue(&root, "t[f]", static_cast<float>(0.5f));
  cfgtest::AddValue(&root, "t[s]", "x");
  cfgtest::AddValue(&root, "t[d]", static_cast<double>(0.25));
  cfgtest::AddValue(&root, "t[l]", static_cast<int64_t>(-1));
  cfgtest::AddValue(&root, "t[b]", bytes, 1);
  Record* t = root.RecordByName("t");
  ASSERT_EQ(t->Count(), 5);
  const ValueType types[] = {ValueType::Float, ValueType::String, ValueType::Double,
                             ValueType::Int64, ValueType::Binary};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(t->ValueAt(i + 1)->Type(), types[i]);
}

TEST(Sections, ClonesArePackedAndKeepTheFileFlag) {
  for (bool isFile : {false, true}) {
    SCOPED_TRACE(isFile);
    std::unique_ptr<Section> source =
        isFile ? std::make_unique<Section>(cfg::kFileSection, "doc.cfg")
               : std::make_unique<Section>("plain");
    cfgtest::AddValue(source, "rec[v]", 5);
    source->FindOrCreateRecord("gone");
    cfgtest::AddValue(source->FindOrCreateSection("child"), "deep[s]", "text");
    source->RemoveAt(source->IndexOfName("gone"));

    std::unique_ptr<Section> copy = source->CloneSection();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->IsFile(), isFile);
    EXPECT_FALSE(copy->IsNull());
    EXPECT_STREQ(copy->GetName(), source->GetName());
    ASSERT_EQ(copy->Count(), 2);
    Record* rec = copy->RecordAt(1);
    EXPECT_STREQ(rec->GetName(), "rec");
    EXPECT_NE(rec, source->RecordAt(1));
    EXPECT_EQ(rec->ValueAt(1)->GetInt(), 5);
    Section* child = copy->SectionAt(2);
    EXPECT_STREQ(child->GetName(), "child");
    EXPECT_STREQ(child->RecordByName("deep")->ValueAt(1)->GetString(), "text");

    std::unique_ptr<cfg::NamedObject> clone = source->Clone();
    auto* asSection = dynamic_cast<Section*>(clone.get());
    ASSERT_NE(asSection, nullptr);
    EXPECT_EQ(asSection->IsFile(), isFile);
    // Changing the source leaves the copies alone.
    source->SectionAt(3)->RecordByName("deep")->RemoveAt(1);
    EXPECT_STREQ(child->RecordByName("deep")->ValueAt(1)->GetString(), "text");
  }
}

TEST(Records, ClonesAreRecords) {
  Record record("r");
  record.CreateStringValue("a", "x");
  std::unique_ptr<cfg::NamedObject> clone = record.Clone();
  auto* copy = dynamic_cast<Record*>(clone.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(copy->IsRecord());
  EXPECT_FALSE(copy->IsNull());
  EXPECT_STREQ(copy->ValueAt(1)->GetString(), "x");
  EXPECT_NE(copy->ValueAt(1), record.ValueAt(1));
}

}  // namespace
