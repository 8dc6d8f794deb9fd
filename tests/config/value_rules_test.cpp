// The rule of values that survive a save, pinned to the writer and the
// reader: every value the rule lets through comes back from a save and a
// reload with its names, type and datum, between neighbours that keep their
// places; every value it refuses says why in the words a user sees.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>

#include "config/config_node.h"
#include "config/config_stream.h"
#include "config/value.h"
#include "config/value_rules.h"
#include "config/value_text.h"

namespace {

using cfg::Value;
using MakeValue = std::function<std::unique_ptr<Value>()>;

MakeValue Int(int32_t n) { return [n] { return std::make_unique<Value>(n); }; }
MakeValue Float(float n) { return [n] { return std::make_unique<Value>(n); }; }
MakeValue Double(double n) { return [n] { return std::make_unique<Value>(n); }; }
MakeValue Int64(int64_t n) { return [n] { return std::make_unique<Value>(n); }; }
MakeValue String(std::string text) {
  return [text] { return std::make_unique<Value>(text.data(), text.size()); };
}
MakeValue Bytes(std::string bytes) {
  return [bytes] {
    return std::make_unique<Value>(reinterpret_cast<const uint8_t*>(bytes.data()),
                                   static_cast<int32_t>(bytes.size()));
  };
}

// Type, name and datum of a value, with every NaN alike.
std::string Describe(const Value& value) {
  std::string text = cfg::TypeWord(value.Type()) ? cfg::TypeWord(value.Type()) : "none";
  text += " <" + std::string(value.NameView()) + "> ";
  if (value.Type() == cfg::ValueType::Float && std::isnan(value.GetFloat())) return text + "nan";
  if (value.Type() == cfg::ValueType::Double && std::isnan(value.GetDouble())) return text + "nan";
  if (value.Type() == cfg::ValueType::Float || value.Type() == cfg::ValueType::Double) {
    // The exact bits, so that a rounded or saturated number shows.
    char bits[64];
    const cfg::NumberDatum number = value.Number();
    std::snprintf(bits, sizeof bits, "%a", value.Type() == cfg::ValueType::Float ? number.f : number.d);
    return text + bits;
  }
  return text + std::string(cfg::ValueText(value)) + " (" + std::to_string(value.StringLength()) + ")";
}

// The record and its values, and the neighbours around it, as a text.
std::string Outline(const cfg::Section& document) {
  std::string out;
  for (int i = 1; i <= document.Count(); ++i) {
    const cfg::Record* record = document.RecordAt(i);
    if (record == nullptr) continue;
    out += "[" + std::string(record->NameView()) + "]";
    for (int j = 1; j <= record->Count(); ++j) out += " {" + Describe(*record->ValueAt(j)) + "}";
    out += "\n";
  }
  return out;
}

TEST(ValueRules, EveryValueThatPassesSurvivesASaveAndTheRestSayWhy) {
  const struct Case {
    const char* label;
    std::string record;
    std::string name;
    MakeValue make;
    const char* problem;  // nullptr: the value survives
  } kCases[] = {
      {"named int", "r", "v", Int(-7), nullptr},
      {"unnamed int", "r", "", Int(std::numeric_limits<int32_t>::min()), nullptr},
      {"int64 extremes", "r", "v", Int64(std::numeric_limits<int64_t>::min()), nullptr},
      {"float that %f would round", "r", "v", Float(1e-10f), nullptr},
      {"float infinity", "r", "v", Float(-std::numeric_limits<float>::infinity()), nullptr},
      {"double nan", "r", "v", Double(std::numeric_limits<double>::quiet_NaN()), nullptr},
      {"huge double, unnamed", "ba1", "", Double(-3.5e200), nullptr},
      {"negative zero", "r", "v", Double(-0.0), nullptr},
      {"empty string", "r", "v", String(""), nullptr},
      {"string of blanks and syntax", "r", "v", String("  =(int)x[y]=1; { a: } "), nullptr},
      {"string with high bytes", "r", "v", String("\xEF\xBB\xBF\xFF"), nullptr},
      {"record name with blank, colon and ]", " r:x]", "v", Int(1), nullptr},
      {"value name with [ and blanks", "r", " [a b ", String("x"), nullptr},
      {"bytes", "k", "d", Bytes(std::string("\x00\xFF\x0A", 3)), nullptr},
      {"unnamed bytes", "k", "", Bytes("\x01"), nullptr},
      {"empty bytes", "k", "d", Bytes(""), "the byte array is empty"},
      {"string with a line feed", "r", "v", String("a\nb"), "the string holds a line break"},
      {"string with a carriage return", "r", "v", String("a\rb"), "the string holds a line break"},
      {"string with a NUL byte", "r", "v", String(std::string("a\0b", 3)), "the string holds a NUL byte"},
      {"record name with =", "ba1=c", "", Double(-3.5e200), "the record name holds \"=\""},
      {"record name with [", "r[x", "v", Int(1), "the record name holds \"[\""},
      {"empty record name", "", "v", Int(1), "the record name is empty"},
      {"value name with ]", "r", "a]b", Int(1), "the value name holds \"]\""},
      {"value name with =", "r", "a=b", String("x"), "the value name holds \"=\""},
      {"value name with a line break", "r", "a\nb", Int(1), "the value name holds a line break"},
      {"byte array's record name with a colon", "k:x", "d", Bytes("\x01"), "the record name holds \":\""},
      {"byte array's record name with a blank first", " k", "d", Bytes("\x01"),
       "the record name begins with a blank"},
      {"byte array's value name with ;", "k", "d;", Bytes("\x01"), "the value name holds \";\""},
      {"no type", "r", "v", [] { return std::make_unique<Value>(); }, "the value has no type"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.label);
    std::unique_ptr<Value> value = c.make();
    const char* problem = cfg::ValueProblem(c.record, c.name, *value);
    EXPECT_STREQ(problem, c.problem);
    if (problem != nullptr) continue;

    cfg::Section original(cfg::kFileSection, "memory");
    original.FindOrCreateRecord("before")->CreateIntValue("v", 1);
    cfg::Record* record = original.FindOrCreateRecord(c.record);
    ASSERT_NE(record, nullptr);
    record->CreateIntValue("neighbour", 2);
    value->SetName(c.name);
    ASSERT_NE(record->AddChild(value), 0);
    original.FindOrCreateRecord("after")->CreateIntValue("v", 3);

    cfg::ConfigStream out(cfg::InMemory{});
    original.SaveSection(out);
    cfg::ConfigStream in(cfg::InMemory{}, out.Output());
    cfg::Section reloaded(cfg::kFileSection, "memory");
    reloaded.LoadSection(in);
    EXPECT_EQ(Outline(reloaded), Outline(original)) << out.Output();
  }
}

}  // namespace
