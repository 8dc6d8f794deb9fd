// Values: typed construction, neutral accessors, deep copies and NullValue.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "config/config_stream.h"
#include "config/value.h"

namespace {

using cfg::Value;
using cfg::ValueType;

// Every accessor of v except the one of its own type answers neutrally.
void ExpectNeutralExcept(const Value& v, ValueType own) {
  if (own != ValueType::Int) {
    EXPECT_EQ(v.GetInt(), 0);
  }
  if (own != ValueType::Float) {
    EXPECT_EQ(v.GetFloat(), 0.0f);
  }
  if (own != ValueType::Double) {
    EXPECT_EQ(v.GetDouble(), 0.0);
  }
  if (own != ValueType::Int64) {
    EXPECT_EQ(v.GetInt64(), 0);
  }
  if (own != ValueType::String) {
    ASSERT_NE(v.GetString(), nullptr);
    EXPECT_STREQ(v.GetString(), "");
  }
  if (own != ValueType::Binary) {
    EXPECT_EQ(v.GetBytes(), nullptr);
    EXPECT_EQ(v.GetSize(), 0);
  }
}

TEST(Value, EachConstructorFixesItsType) {
  const uint8_t bytes[] = {1, 2, 3};
  const struct {
    const char* what;
    std::unique_ptr<Value> value;
    ValueType type;
  } cases[] = {
      {"none", std::make_unique<Value>(), ValueType::None},
      {"int", std::make_unique<Value>(int32_t{-5}), ValueType::Int},
      {"float", std::make_unique<Value>(2.5f), ValueType::Float},
      {"string", std::make_unique<Value>("text"), ValueType::String},
      {"counted string", std::make_unique<Value>("abcdef", 3), ValueType::String},
      {"double", std::make_unique<Value>(0.125), ValueType::Double},
      {"int64", std::make_unique<Value>(int64_t{-5000000000LL}), ValueType::Int64},
      {"bytes", std::make_unique<Value>(bytes, 3), ValueType::Binary},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Value& v = *c.value;
    EXPECT_EQ(v.Type(), c.type);
    EXPECT_EQ(v.IsNone(), c.type == ValueType::None);
    EXPECT_EQ(v.GetName(), nullptr) << "no constructor names a value";
    ExpectNeutralExcept(v, c.type);
  }
  EXPECT_EQ(cases[1].value->GetInt(), -5);
  EXPECT_EQ(cases[2].value->GetFloat(), 2.5f);
  EXPECT_STREQ(cases[3].value->GetString(), "text");
  EXPECT_STREQ(cases[4].value->GetString(), "abc");
  EXPECT_EQ(cases[5].value->GetDouble(), 0.125);
  EXPECT_EQ(cases[6].value->GetInt64(), -5000000000LL);
  ASSERT_EQ(cases[7].value->GetSize(), 3);
  EXPECT_EQ(std::memcmp(cases[7].value->GetBytes(), bytes, 3), 0);
  EXPECT_NE(cases[7].value->GetBytes(), bytes) << "the value owns a copy";
}

TEST(Value, StringFromNothingIsEmpty) {
  Value v(static_cast<const char*>(nullptr));
  EXPECT_EQ(v.Type(), ValueType::String);
  ASSERT_NE(v.GetString(), nullptr);
  EXPECT_STREQ(v.GetString(), "");
  Value counted("a\0b", 3);
  EXPECT_EQ(std::string(counted.GetString()), "a");
}

TEST(Value, EmptyBinaryHasNoStorage) {
  const uint8_t bytes[] = {9};
  Value v(bytes, 0);
  EXPECT_EQ(v.Type(), ValueType::Binary);
  EXPECT_EQ(v.GetBytes(), nullptr);
  EXPECT_EQ(v.GetSize(), 0);
  Value copy(v);
  EXPECT_EQ(copy.Type(), ValueType::Binary);
  EXPECT_EQ(copy.GetBytes(), nullptr);
  EXPECT_EQ(copy.GetSize(), 0);
}

TEST(Value, CopiesOwnTheirTextAndBytes) {
  Value text("original");
  text.SetName("name");
  Value copy(text);
  EXPECT_STREQ(copy.GetName(), "name");
  EXPECT_STREQ(copy.GetString(), "original");
  EXPECT_NE(copy.GetString(), text.GetString());

  uint8_t source[] = {1, 2, 3, 4};
  Value bytes(source, 4);
  source[0] = 99;
  EXPECT_EQ(bytes.GetBytes()[0], 1);
  std::unique_ptr<cfg::NamedObject> clone = bytes.Clone();
  auto* cloned = dynamic_cast<Value*>(clone.get());
  ASSERT_NE(cloned, nullptr);
  ASSERT_EQ(cloned->GetSize(), 4);
  EXPECT_NE(cloned->GetBytes(), bytes.GetBytes());
  EXPECT_EQ(std::memcmp(cloned->GetBytes(), bytes.GetBytes(), 4), 0);
}

TEST(Value, ClonesKeepTypeNameAndDatum) {
  Value d(6.5);
  d.SetName("dbl");
  std::unique_ptr<cfg::NamedObject> clone = d.Clone();
  auto* v = dynamic_cast<Value*>(clone.get());
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->Type(), ValueType::Double);
  EXPECT_EQ(v->GetDouble(), 6.5);
  EXPECT_STREQ(v->GetName(), "dbl");
  EXPECT_EQ(v->AsList(), nullptr);
}


TEST(Value, NullValueIsNeutral) {
  EXPECT_TRUE(cfg::NullValue.IsNone());
  EXPECT_EQ(cfg::NullValue.Type(), ValueType::None);
  EXPECT_EQ(cfg::NullValue.GetName(), nullptr);
  ExpectNeutralExcept(cfg::NullValue, ValueType::None);
}

}  // namespace
