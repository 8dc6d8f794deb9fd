// The format of a configuration file, line by line: what each line looks
// like, how the reader takes it apart and how the writer lays it out. Every
// rule of the format's lines is stated here once; the number syntax is in
// number_text.h, and the tree that lines become is in config_node.h.
//
// A file is a sequence of lines, each ended by a line feed (the last may lack
// one). Blanks and tabs before a line's first other byte are indentation,
// which the reader ignores; a NUL byte ends the text of a line.
//
//   value line      "(" keyword ")" name "=" text         (int)window[width]=640
//   section block   "{" blanks name ":" ...               { net:
//                   "}" blanks name ";" ...               } net;
//   array block     "[" blanks name ":" ...               [ key[data]:
//                   one byte line per byte                FF
//                   "]" blanks name ";" ...               ] key[data];
//   comment         ";" ...
//
// The keyword names the value's type (value_type.h; ASCII case is ignored
// when reading). A value line's name ends at its first "=" and is a qualified
// name, "record" or "record[value]" (SplitQualifiedName); its text runs to
// the line end or to a carriage return, and holds a number for every type but
// string. A block line's name runs from its first byte after the blanks to
// the terminator (":" opening, ";" closing) or the line end. A byte line holds
// one hexadecimal number (ParseHexByte). Any other line carries nothing.
//
// The writer indents each line by kIndentWidth blanks per open section (at
// most kMaxIndentDepth levels), writes one blank after a block's bracket, the
// keyword in small letters, numbers as number_text.h formats them, and byte
// lines as one or two capital hexadecimal digits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "value_type.h"

namespace cfg {

// What a line is, once recognised (see ConfigStream::Classify).
enum class LineKind : int {
  NoItem,        // nothing: a blank line, a comment, or a line refused (see LineIssue)
  SectionOpen,
  SectionClose,
  ArrayOpen,
  ArrayClose,
  IntLine,       // the value lines, one per keyword
  FloatLine,
  StringLine,
  DoubleLine,
  Int64Line,
  OtherLine,     // nothing: a line of no known shape
};

// Why a line recognised as NoItem or OtherLine carries nothing.
enum class LineIssue {
  None,                 // the line was recognised
  Blank,                // empty line, or blanks only
  Comment,              // ";" comment
  ByteOrderMark,        // the line starts with a UTF-8 byte-order mark
  Unrecognised,         // any other first character
  MalformedValue,       // "(" line without a keyword, a name or a value text
  UnknownType,          // "(" line whose keyword is none of the five
  NoNumber,             // numeric value text without a number
  NoBlankAfterBracket,  // "{", "}", "[" or "]" not followed by a blank
  NoName,               // opening or closing line without a name
  InsideArray,          // section or array line inside an array block
  CloseWithoutOpen,     // closing line while no section (or array) is open
  CloseMismatch,        // closing line whose name is not the innermost open one
  ConflictMarker,       // a merge's conflict marker (IsConflictMarker)
};
const char* DescribeLineIssue(LineIssue issue);

// ------------------------------------------------------------ type keywords

// The kind of value line of each type that has one (its keyword is in
// kValueTypes).
struct ValueLineType {
  ValueType type;
  LineKind line;
};
inline constexpr ValueLineType kValueLineTypes[] = {
    {ValueType::Int, LineKind::IntLine},       {ValueType::Float, LineKind::FloatLine},
    {ValueType::String, LineKind::StringLine}, {ValueType::Double, LineKind::DoubleLine},
    {ValueType::Int64, LineKind::Int64Line},
};

// The type of a value line's kind; None for every other kind.
constexpr ValueType ValueTypeOf(LineKind kind) {
  for (const ValueLineType& k : kValueLineTypes) {
    if (k.line == kind) return k.type;
  }
  return ValueType::None;
}
// The kind of a type's value line; NoItem for None and Binary, which have none.
constexpr LineKind LineKindOf(ValueType type) {
  for (const ValueLineType& k : kValueLineTypes) {
    if (k.type == type) return k.line;
  }
  return LineKind::NoItem;
}
constexpr bool IsValueLine(LineKind kind) { return ValueTypeOf(kind) != ValueType::None; }

// The type whose keyword (kValueTypes) text is, ASCII case ignored; None
// when it is none.
ValueType LookupTypeKeyword(std::string_view text);

// ---------------------------------------------------------- qualified names

// A value line's name split into the record's name and, when present, the
// value's: "record[value]". Leading "[" are skipped, the record name ends at
// the next "[", leading "]" of the value name are skipped and it ends at the
// next "]"; what follows is ignored. A name of nothing but "[" is a record
// name as it stands.
struct QualifiedName {
  std::string_view record;
  std::string_view value;
  bool hasValueName = false;  // false when there is no value name
};
QualifiedName SplitQualifiedName(std::string_view text);

// Where a name of the plain shape splits (one that neither starts with "["
// nor has a value part that is empty or starts with "]": SplitQualifiedName
// gives the same), as offsets into the name; known is false for any other
// name.
struct NameSplit {
  bool known = false;
  size_t recordEnd = 0;   // the record is name[0, recordEnd)
  size_t valueStart = 0;  // 0: no value name; else the value is name[valueStart, valueEnd)
  size_t valueEnd = 0;
};
// The split of name that split describes (SplitQualifiedName's when it is not known).
inline QualifiedName SplitBy(std::string_view name, const NameSplit& split) {
  if (!split.known) return SplitQualifiedName(name);
  QualifiedName q;
  // Views by hand: the offsets are known to lie in the name.
  q.record = std::string_view(name.data(), split.recordEnd);
  if (split.valueStart != 0) {
    q.value = std::string_view(name.data() + split.valueStart, split.valueEnd - split.valueStart);
    q.hasValueName = true;
  }
  return q;
}

// The qualified name of a value named value in a record named record, as the
// writer writes it: "record[value]", or "record" when value is empty.
constexpr size_t QualifiedNameLength(std::string_view record, std::string_view value) {
  return record.size() + (value.empty() ? 0 : value.size() + 2);  // with "[" and "]"
}
// Writes it at at; returns its end.
char* PutQualifiedName(char* at, std::string_view record, std::string_view value);

// --------------------------------------------------------------- value lines

// A value line, taken apart. The views point into the line.
struct ValueLine {
  LineKind kind = LineKind::NoItem;  // IntLine ... Int64Line
  std::string_view name;             // the whole name, "record[value]"
  NameSplit split;                   // where the name splits, when it is plain
  std::string_view text;             // the value text, without the line end
  NumberDatum number{};              // the number of the number types
};

// The first byte of a value line's item, after the indentation.
constexpr char kValueLineStart = '(';

// Lines handed to the readers below lie in a buffer that has at least
// kLineSlack readable bytes past the line's end: they are scanned sixteen
// bytes at a time.
constexpr size_t kLineSlack = 16;

// Reads the value line s whose "(" is s[at] (after the indentation). s is
// the line's text (up to a NUL byte, if any); hasCr tells whether it holds a
// carriage return. None with *out filled, or the issue that refuses the line
// (MalformedValue, UnknownType, NoNumber).
LineIssue ReadValueLine(std::string_view s, size_t at, bool hasCr, ValueLine* out);

// The same for a value line in the writer's own shape only (indentation,
// "(", a keyword as the writer spells it, ")", a name of the plain shape,
// "=", a text that holds a number for the number types), taken apart in one
// short pass, for a line that holds no NUL byte and no carriage return (its
// reader knows that from finding its end): true with *out filled as
// ReadValueLine fills it. False for any other line, which ReadValueLine then
// decides. The agreement of the two is what the tests and the loader fuzzer
// check.
bool ReadWrittenValueLine(std::string_view line, ValueLine* out);

// --------------------------------------------------------------- block lines

// The bracket and terminator of each block line.
struct BlockLineForm {
  LineKind kind;
  char bracket;
  char terminator;
};
inline constexpr BlockLineForm kBlockLines[] = {
    {LineKind::SectionOpen, '{', ':'},
    {LineKind::SectionClose, '}', ';'},
    {LineKind::ArrayOpen, '[', ':'},
    {LineKind::ArrayClose, ']', ';'},
};
constexpr const BlockLineForm* BlockLineOf(char bracket) {
  for (const BlockLineForm& form : kBlockLines) {
    if (form.bracket == bracket) return &form;
  }
  return nullptr;
}
constexpr const BlockLineForm& BlockLineOf(LineKind kind) {
  for (const BlockLineForm& form : kBlockLines) {
    if (form.kind == kind) return form;
  }
  return kBlockLines[0];
}

// Reads the name of the block line s whose bracket, of that form, is s[at]:
// None with *name set, or NoBlankAfterBracket or NoName.
LineIssue ReadBlockName(std::string_view s, size_t at, const BlockLineForm& form, bool hasCr,
                        std::string_view* name);

// --------------------------------------------------------------- other lines

// The lines a merge writes around the two sides of a conflict, as git writes
// them: the first side's lines follow the opening marker, the second side's
// the separator.
inline constexpr std::string_view kConflictOpenMarker = "<<<<<<< ours";
inline constexpr std::string_view kConflictSeparator = "=======";
inline constexpr std::string_view kConflictCloseMarker = ">>>>>>> theirs";
// Whether the item of a line (its text after the indentation) is a conflict
// marker: seven "<", "=", "|" or ">" (git's markers, its common-ancestor
// marker included), then the line's end or a blank and any label. Loading
// skips such a line, as it skips every line of no known shape.
bool IsConflictMarker(std::string_view item);

// Where a line's item starts: the index of the first byte of text (the
// line's text up to a NUL byte) that is neither blank nor tab.
size_t SkipIndentation(std::string_view text);

// The kind and issue of a line that is neither a value line nor a block line
// (NoItem or OtherLine); line is the whole line, text its text up to a NUL
// byte, and at where SkipIndentation found its item to start.
LineKind ReadOtherLine(std::string_view line, std::string_view text, size_t at, LineIssue* issue);

// ---------------------------------------------------------------- byte lines

// Reads the start of rest as a byte line in the writer's shape (indentation,
// one or two hexadecimal digits, a line feed): true with *byte and *length
// (the line's bytes, its line feed included) set; false for any other line.
bool ReadWrittenByteLine(std::string_view rest, uint8_t* byte, size_t* length);
// Reads the byte of a byte line's text: false when it holds no number.
bool ReadByteLine(std::string_view text, uint8_t* byte);

// ------------------------------------------------------------ written layout

constexpr int kIndentWidth = 4;
// Indentation stops growing at this depth: a file nested a million levels
// deep would otherwise need terabytes of blanks. The reader ignores
// indentation, so nothing read changes.
constexpr int kMaxIndentDepth = 32;
// Blanks before a line written while depth sections are open.
constexpr size_t IndentWidth(int depth) {
  return static_cast<size_t>(depth < kMaxIndentDepth ? depth : kMaxIndentDepth) * kIndentWidth;
}
// Room beyond what a caller asks that the Put functions may write over (a
// block of blanks, a padded keyword); what they write past their result is
// overwritten by what comes next.
constexpr size_t kPutSlack = 16;

// Writes IndentWidth(depth) blanks at at; returns their end.
char* PutIndent(char* at, int depth);

// Bytes of a block line of that name, its line end included: bracket,
// blank, name, terminator, line feed.
constexpr size_t BlockLineLength(std::string_view name) { return name.size() + 4; }
// Writes the block line of that kind and name at at; returns its end.
char* PutBlockLine(char* at, LineKind kind, std::string_view name);

// Bytes of a byte line at most, its line end included.
constexpr size_t kByteLineRoom = 3;
// Writes the byte line of byte at at; returns its end.
char* PutByteLine(char* at, uint8_t byte);

// The longest text of a number that PutValueLine writes.
constexpr size_t kNumberTextRoom = 64;
// Bytes of a value line at most, its line end included: type, record[value]
// name and, for a String, textLength bytes of text.
size_t ValueLineRoom(ValueType type, std::string_view record, std::string_view value,
                     size_t textLength);
// Writes the value line of a value of that type (Int ... Int64), named
// record[value] ("record" alone when value is empty), holding number (the
// number types) or text (String), at at; returns its end. Its room is
// ValueLineRoom's, plus kPutSlack.
char* PutValueLine(char* at, ValueType type, std::string_view record, std::string_view value,
                   const NumberDatum& number, std::string_view text);

}  // namespace cfg
