// Texts and numbers of the JSON form of a document.
//
// Names and strings in a configuration file are 8-bit bytes without an
// encoding, while JSON text is UTF-8. Every well-formed UTF-8 sequence is
// kept as it is; any other byte 0x80..0xFF becomes the private-use character
// U+EF80..U+EFFF (and so does each byte of a sequence that itself encodes one
// of those characters), which turns back into that byte on reading. So every
// byte string survives the trip exactly, and UTF-8 text stays readable.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace cfgtool {

// Appends bytes as a quoted JSON string.
void AppendJsonString(std::string& out, std::string_view bytes);
// Turns a decoded JSON string (UTF-8) back into the bytes it stands for.
std::string BytesFromJsonString(std::string_view utf8);

// A float or double as a JSON number with the fewest digits that read back
// to the same number (always with a point or an exponent, so that -0 stays
// negative), or "inf", "-inf", "nan" as JSON strings.
void AppendJsonFloat(std::string& out, float number);
void AppendJsonDouble(std::string& out, double number);

// Bytes as pairs of upper-case hexadecimal digits, and back; false when the
// text is not pairs of hexadecimal digits (either case).
std::string HexPairs(const uint8_t* bytes, int32_t count);
bool BytesFromHexPairs(std::string_view text, std::string* bytes);

}  // namespace cfgtool
