// The number syntax of value lines and byte lines, for reading and writing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace cfg {

// Where a parser below stopped reading, for a caller that needs more than the
// number: whether the whole text was one number, and whether it fitted.
struct NumberStop {
  size_t end = 0;          // index in the text just past the number
  bool saturated = false;  // the number lay outside the type: an integer was
                           // clamped, a floating one became an infinity
};

// Integer syntax ("%i"): leading white space, optional sign, then 0x/0X and
// hexadecimal digits, a 0 and octal digits, or decimal digits; the rest is
// ignored. Out-of-range numbers saturate at the type's limits. False when no
// number is found. *stop, when given, is filled when a number is found.
bool ParseInt32(std::string_view text, int32_t* out, NumberStop* stop = nullptr);
bool ParseInt64(std::string_view text, int64_t* out, NumberStop* stop = nullptr);
// Floating syntax ("%f"): leading white space, optional sign, digits with an
// optional ".", optional exponent; also "inf", "infinity" and "nan" in any
// case, which is how the writer spells the non-finite values. The rest is
// ignored. Overflow gives an infinity, underflow zero or a subnormal. *stop,
// when given, is filled when a number is found; an infinity spelt out is not
// saturated.
bool ParseFloat(std::string_view text, float* out, NumberStop* stop = nullptr);
bool ParseDouble(std::string_view text, double* out, NumberStop* stop = nullptr);
// Byte-line syntax ("%X"): leading white space, optional sign, optional 0x,
// hexadecimal digits; the low 8 bits of the number. False when no number.
// *stop, when given, is filled when a number is found (never saturated).
bool ParseHexByte(std::string_view text, uint8_t* out, NumberStop* stop = nullptr);

// Text of a float as the writer writes it: "%f" when that reads back to the
// same float, else the shortest text that does; "inf", "-inf", "nan".
// Returns the length written into buffer (at least 64 bytes).
int FormatFloat(float number, char* buffer);
// Text of a double as the writer writes it: "%G" when that reads back to the
// same double, else the shortest text that does; "inf", "-inf", "nan".
int FormatDouble(double number, char* buffer);
// Decimal text of an integer.
int FormatInt64(int64_t number, char* buffer);

}  // namespace cfg
