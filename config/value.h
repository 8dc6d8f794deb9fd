// Typed values: the leaves of the configuration tree.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>

#include "named_object.h"
#include "value_type.h"

namespace cfg {

// One named, typed datum. The type is fixed at construction. No constructor
// sets a name; the record's value creators do that with SetName.
class Value : public NamedObject {
 public:
  Value();                                  // type None, datum zero
  explicit Value(int32_t number);           // Int
  explicit Value(float number);             // Float
  explicit Value(const char* text);         // String; nullptr gives ""
  Value(const char* text, size_t length);   // String from a counted text
  explicit Value(double number);            // Double
  explicit Value(int64_t number);           // Int64
  Value(const uint8_t* bytes, int32_t count);  // Binary; count 0 gives no storage
  Value(const Value& other);                // deep copy, name included
  ~Value() override;

  ValueType Type() const { return static_cast<ValueType>(Tag()); }
  bool IsNone() const { return Type() == ValueType::None; }

  // Each accessor reads the datum only when the type matches; otherwise it
  // returns 0, 0.0, "" (a shared constant, never nullptr) or nullptr.
  int32_t GetInt() const { return Type() == ValueType::Int ? data_.i : 0; }
  float GetFloat() const { return Type() == ValueType::Float ? data_.f : 0.0f; }
  double GetDouble() const { return Type() == ValueType::Double ? data_.d : 0.0; }
  const char* GetString() const { return Type() == ValueType::String ? data_.s : ""; }
  int64_t GetInt64() const { return Type() == ValueType::Int64 ? data_.l : 0; }
  // The Binary storage; nullptr for other types and for an empty array.
  const uint8_t* GetBytes() const { return Type() == ValueType::Binary ? data_.b : nullptr; }
  int32_t GetSize() const {
    return Type() == ValueType::Binary && data_.b ? static_cast<int32_t>(LengthOf(data_.b)) : 0;
  }
  // The datum of a number type (Int, Float, Double, Int64) as a value line's
  // number; meaningless for other types.
  NumberDatum Number() const {
    NumberDatum number;
    std::memcpy(&number, &data_, sizeof number);
    return number;
  }
  // Length of a String value's text (0 for other types).
  size_t StringLength() const { return Type() == ValueType::String ? LengthOf(data_.s) : 0; }

  std::unique_ptr<NamedObject> Clone() const override;

  // A text's or byte array's length is stored just before its bytes.
  static constexpr size_t kLengthSize = sizeof(uint32_t);

 private:
  explicit Value(ValueType type);  // that type, datum zero
  void SetType(ValueType type) { SetTag(static_cast<unsigned char>(type)); }
  static size_t LengthOf(const void* data) {
    uint32_t length;
    std::memcpy(&length, static_cast<const char*>(data) - kLengthSize, sizeof length);
    return length;
  }

  union Data {
    int32_t i;
    float f;
    char* s;
    double d;
    int64_t l;
    uint8_t* b;
  } data_{};
};

// The shared Value of type None returned by record lookups that find nothing.
extern Value& NullValue;

}  // namespace cfg
