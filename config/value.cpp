#include "value.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "byte_scan.h"
#include "small_alloc.h"

namespace cfg {
namespace {

// A text or byte array is stored after its length: [uint32 length][bytes],
// and a text's bytes are followed by a NUL. Lengths are kept in 32 bits: a
// text is cut at 4 GiB (no line that long is ever read).
size_t Kept(size_t length) { return std::min<size_t>(length, UINT32_MAX); }

char* NewBlock(size_t length, size_t after) {
  char* block = static_cast<char*>(SmallAllocate(Value::kLengthSize + length + after));
  const auto stored = static_cast<uint32_t>(length);  // Kept by the callers
  std::memcpy(block, &stored, Value::kLengthSize);
  return block + Value::kLengthSize;
}

void FreeBlock(void* data, size_t after) {
  char* block = static_cast<char*>(data) - Value::kLengthSize;
  uint32_t length;
  std::memcpy(&length, block, sizeof length);
  SmallFree(block, Value::kLengthSize + length + after);
}

char* CopyText(const char* text, size_t length) {
  length = Kept(length);
  char* copy = NewBlock(length, 1);
  CopyBytes(copy, text, length);
  copy[length] = '\0';
  return copy;
}

uint8_t* CopyBytesBlock(const uint8_t* bytes, int32_t count) {
  auto* copy = reinterpret_cast<uint8_t*>(NewBlock(static_cast<size_t>(count), 0));
  if (bytes) {
    std::memcpy(copy, bytes, static_cast<size_t>(count));
  } else {
    std::memset(copy, 0, static_cast<size_t>(count));
  }
  return copy;
}

}  // namespace

// The type is the object's tag (see NamedObject::Tag): a Value takes no more
// room than its name, its owner link and its datum.
Value::Value() : Value(ValueType::None) {}
Value::Value(ValueType type) {
  // The whole datum: a union's initialiser sets its first member only, and
  // an empty byte array keeps a null pointer in its widest one.
  std::memset(&data_, 0, sizeof data_);
  SetType(type);
}
Value::Value(int32_t number) : Value(ValueType::Int) { data_.i = number; }
Value::Value(float number) : Value(ValueType::Float) { data_.f = number; }
Value::Value(const char* text) : Value(text, text ? std::strlen(text) : 0) {}
Value::Value(const char* text, size_t length) : Value(ValueType::String) {
  data_.s = CopyText(text ? text : "", text ? length : 0);
}
Value::Value(double number) : Value(ValueType::Double) { data_.d = number; }
Value::Value(int64_t number) : Value(ValueType::Int64) { data_.l = number; }

Value::Value(const uint8_t* bytes, int32_t count) : Value(ValueType::Binary) {
  if (count > 0) data_.b = CopyBytesBlock(bytes, count);
}

Value::Value(const Value& other) : NamedObject(other) {
  SetType(other.Type());
  switch (Type()) {
    case ValueType::String:
      data_.s = CopyText(other.data_.s, other.StringLength());
      break;
    case ValueType::Binary:
      if (other.data_.b) data_.b = CopyBytesBlock(other.data_.b, other.GetSize());
      break;
    case ValueType::None:
      break;
    default:
      data_ = other.data_;
  }
}

Value::~Value() {
  if (Type() == ValueType::String) {
    FreeBlock(data_.s, 1);
  } else if (Type() == ValueType::Binary && data_.b) {
    FreeBlock(data_.b, 0);
  }
}

std::unique_ptr<NamedObject> Value::Clone() const { return std::make_unique<Value>(*this); }

}  // namespace cfg
