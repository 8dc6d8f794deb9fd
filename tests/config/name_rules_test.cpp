// The rule of names that survive a save, pinned to the writer and the reader:
// every name that passes NameProblem comes back from a save and a reload, in
// every use, with its neighbours where they were; so every name that a save
// would lose is refused. The rule may refuse more
// than the layout loses (a carriage return, "=" in a name of a byte array's
// record or value): such a name would break once it is used elsewhere.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "config/config_node.h"
#include "config/config_stream.h"
#include "config/name_rules.h"

namespace {

using cfg::NameUse;
using cfg::Section;

const uint8_t kBytes[] = {0x01, 0xFF};

// A compact, case-preserving text of a subtree: enough to see a name changed,
// a section flattened or lines swallowed.
std::string Outline(const Section& section) {
  std::string out;
  for (int i = 1; i <= section.Count(); ++i) {
    const cfg::NamedObject* item = section.ItemAt(i);
    if (item == nullptr) continue;
    std::string name(item->NameView());
    if (auto* child = dynamic_cast<const Section*>(item)) {
      out += "{" + name + ":" + Outline(*child) + "}";
      continue;
    }
    const auto& record = dynamic_cast<const cfg::Record&>(*item);
    out += name + "(";
    for (int j = 1; j <= record.Count(); ++j) {
      const cfg::Value* value = record.ValueAt(j);
      if (value->IsNone()) continue;
      out += "<" + std::string(value->NameView()) + ">";
    }
    out += ")";
  }
  return out;
}

// Puts name into a fresh document in the given use, between two plain
// neighbours; false when the tree itself refuses the name.
bool Build(Section* root, NameUse use, const std::string& name) {
  root->FindOrCreateRecord("before")->CreateIntValue("v", 1);
  switch (use) {
    case NameUse::Section: {
      Section* section = root->FindOrCreateSection(name);
      if (section == nullptr) return false;
      section->FindOrCreateRecord("inner")->CreateIntValue("v", 2);
      break;
    }
    case NameUse::Record:
    case NameUse::ArrayRecord: {
      cfg::Record* record = root->FindOrCreateRecord(name);
      if (record == nullptr) return false;
      if (use == NameUse::Record ? record->CreateIntValue("v", 2) == 0
                                 : record->CreateBinaryValue("v", kBytes, 2) == 0)
        return false;
      break;
    }
    case NameUse::Value:
    case NameUse::ArrayValue: {
      cfg::Record* record = root->FindOrCreateRecord("holder");
      if (use == NameUse::Value ? record->CreateIntValue(name.c_str(), 2) == 0
                                : record->CreateBinaryValue(name.c_str(), kBytes, 2) == 0)
        return false;
      break;
    }
  }
  root->FindOrCreateRecord("after")->CreateIntValue("v", 3);
  return true;
}

TEST(NameRules, EveryNameThatPassesSurvivesASave) {
  const NameUse uses[] = {NameUse::Section, NameUse::Record, NameUse::ArrayRecord, NameUse::Value,
                          NameUse::ArrayValue};
  const std::string names[] = {
      "a", "A b", "a ", " a", "\ta", "a:b", "a;b", "a[b", "a]b", "a=b", "[a]", "a\rb", "a\nb",
      std::string("a\0b", 3), ":", ";", "{", "}", "(int)a", "#a", "a:", "a;", "x[y]"};
  int refused = 0;
  for (NameUse use : uses) {
    for (const std::string& name : names) {
      SCOPED_TRACE("use " + std::to_string(static_cast<int>(use)) + ", name \"" + name + "\"");
      Section original(cfg::kFileSection, "memory");
      if (!Build(&original, use, name)) continue;  // nothing held, nothing to lose
      cfg::ConfigStream out(cfg::InMemory{});
      original.SaveSection(out);
      cfg::ConfigStream in(cfg::InMemory{}, out.Output());
      Section reloaded(cfg::kFileSection, "memory");
      reloaded.LoadSection(in);
      const char* problem = cfg::NameProblem(use, name);
      if (problem == nullptr) EXPECT_EQ(Outline(reloaded), Outline(original)) << out.Output();
      else ++refused;
    }
  }
  EXPECT_GT(refused, 0);  // the table holds names the rule must refuse
}

TEST(NameRules, EmptyNames) {
  EXPECT_NE(cfg::NameProblem(NameUse::Section, ""), nullptr);
  EXPECT_NE(cfg::NameProblem(NameUse::Record, ""), nullptr);
  EXPECT_NE(cfg::NameProblem(NameUse::ArrayRecord, ""), nullptr);
  // An empty value name is how an unnamed value is written.
  EXPECT_EQ(cfg::NameProblem(NameUse::Value, ""), nullptr);
  EXPECT_EQ(cfg::NameProblem(NameUse::ArrayValue, ""), nullptr);
}

}  // namespace
