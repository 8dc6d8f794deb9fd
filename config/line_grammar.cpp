#include "line_grammar.h"

#include <cstring>

#include "simd_scan.h"
#include "byte_scan.h"
#include "name_compare.h"
#include "number_text.h"

namespace cfg {
namespace {

constexpr char kKeywordClose = ')';
constexpr char kNameEnd = '=';
constexpr char kValueNameOpen = '[';
constexpr char kValueNameClose = ']';
constexpr char kComment = ';';
constexpr char kBlank = ' ';
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr char kHexDigits[] = "0123456789ABCDEF";  // as the writer writes them
constexpr unsigned kHexDigitBits = 4;

// "(" keyword ")" as the writer writes it, padded with blanks to kHeadRoom
// bytes so that it is copied whole; the padding is overwritten by the name.
constexpr size_t kHeadRoom = 8;
struct WrittenHead {
  char bytes[kHeadRoom] = {};
  size_t length = 0;
};
// One more than the largest type code that has a keyword.
constexpr size_t TypeCodeBound() {
  size_t bound = 0;
  for (const ValueLineType& k : kValueLineTypes) {
    const auto code = static_cast<size_t>(k.type);
    if (code + 1 > bound) bound = code + 1;
  }
  return bound;
}
// The heads in the order of kValueLineTypes, and by type code for the writer.
struct WrittenHeads {
  WrittenHead of[std::size(kValueLineTypes)];
  WrittenHead byType[TypeCodeBound()];
};
constexpr WrittenHeads MakeHeads() {
  WrittenHeads heads{};
  for (size_t k = 0; k < std::size(kValueLineTypes); ++k) {
    const std::string_view word = TypeKeyword(kValueLineTypes[k].type);
    WrittenHead& head = heads.of[k];
    for (char& c : head.bytes) c = kBlank;
    head.bytes[0] = kValueLineStart;
    for (size_t i = 0; i < word.size(); ++i) head.bytes[1 + i] = word[i];
    head.bytes[1 + word.size()] = kKeywordClose;
    head.length = word.size() + 2;
    heads.byType[static_cast<size_t>(kValueLineTypes[k].type)] = head;
  }
  return heads;
}
constexpr WrittenHeads kWrittenHeads = MakeHeads();
constexpr bool HeadsFit() {
  for (const ValueLineType& k : kValueLineTypes) {
    if (TypeKeyword(k.type).size() + 2 > kHeadRoom) return false;
  }
  return true;
}
static_assert(HeadsFit(), "every written head fits its room");

// The kind of the value line whose keyword, spelt as the writer spells it,
// follows the "(" at s[at - 1], with *close set to the index of its ")";
// NoItem for any other spelling.
inline LineKind WrittenKeyword(std::string_view s, size_t at, size_t* close) {
  const size_t room = s.size() - at;
  for (size_t k = 0; k < std::size(kValueLineTypes); ++k) {
    // The head without its "(", up to and including the ")".
    const WrittenHead& head = kWrittenHeads.of[k];
    const size_t length = head.length - 1;
    if (s[at] == head.bytes[1] && room >= length &&
        std::memcmp(s.data() + at, head.bytes + 1, length) == 0) {
      *close = at + length - 1;
      return kValueLineTypes[k].line;
    }
  }
  return LineKind::NoItem;
}

// Where the name that starts at s[nameStart] ends: the index of its "="
// (s.size() when none), with *open and *shut set to the "[" and "]" that
// split it (0 when absent): the first "[" before the "=", the first "]"
// between them.
inline size_t FindValueName(std::string_view s, size_t nameStart, size_t* open, size_t* shut) {
  *open = 0;
  *shut = 0;
  return FindStopAndPair(s, nameStart, kNameEnd, kValueNameOpen, kValueNameClose, open, shut);
}

// The split of the name s[nameStart, eq), found by FindValueName, when it has
// the plain shape: "record", "record[value" or "record[value]...".
inline NameSplit SplitPlainName(std::string_view s, size_t nameStart, size_t eq, size_t open,
                                size_t shut) {
  NameSplit split;
  if (s[nameStart] == kValueNameOpen ||
      (open != 0 && (open + 1 == eq || s[open + 1] == kValueNameClose))) {
    return split;
  }
  split.known = true;
  split.recordEnd = (open ? open : eq) - nameStart;
  split.valueStart = open ? open + 1 - nameStart : 0;
  split.valueEnd = (shut ? shut : eq) - nameStart;
  return split;
}

// Reads the number of a value line of that kind from its text; true with
// nothing read for a StringLine, whose text is any text.
inline bool ReadNumber(LineKind kind, std::string_view text, NumberDatum* number) {
  switch (kind) {
    case LineKind::IntLine: return ParseInt32(text, &number->i);
    case LineKind::FloatLine: return ParseFloat(text, &number->f);
    case LineKind::DoubleLine: return ParseDouble(text, &number->d);
    case LineKind::Int64Line: return ParseInt64(text, &number->l);
    default: return true;
  }
}

// The value of a hexadecimal digit, either case; -1 for any other byte.
inline int HexDigit(char c) {
  constexpr unsigned kDecimalDigits = 10, kLetterDigits = 6;
  if (static_cast<unsigned>(c - '0') < kDecimalDigits) return c - '0';
  const unsigned letter = static_cast<unsigned>(FoldByte(static_cast<unsigned char>(c)) - 'a');
  return letter < kLetterDigits ? static_cast<int>(letter + kDecimalDigits) : -1;
}

bool IsBlankOrLineEnd(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

const char* DescribeLineIssue(LineIssue issue) {
  switch (issue) {
    case LineIssue::None: return "recognised";
    case LineIssue::Blank: return "blank line";
    case LineIssue::Comment: return "comment";
    case LineIssue::ByteOrderMark: return "byte-order mark at the start of the line";
    case LineIssue::Unrecognised: return "unrecognised line";
    case LineIssue::MalformedValue: return "malformed value line";
    case LineIssue::UnknownType: return "unknown type keyword";
    case LineIssue::NoNumber: return "no number in a numeric value";
    case LineIssue::NoBlankAfterBracket: return "no blank after the opening bracket";
    case LineIssue::NoName: return "opening or closing line without a name";
    case LineIssue::InsideArray: return "section or array line inside an array block";
    case LineIssue::CloseWithoutOpen: return "closing line while nothing is open";
    case LineIssue::CloseMismatch: return "closing line that matches no open section or array";
    case LineIssue::ConflictMarker: return "merge conflict marker: the conflict is not resolved";
  }
  return "unknown";
}

ValueType LookupTypeKeyword(std::string_view text) {
  for (const ValueTypeNames& names : kValueTypes) {
    if (!names.keyword.empty() && NamesEqual(text, names.keyword)) return names.type;
  }
  return ValueType::None;
}

// ---------------------------------------------------------- qualified names

QualifiedName SplitQualifiedName(std::string_view text) {
  QualifiedName q;
  const char* p = text.data();
  const size_t n = text.size();
  size_t start = 0;
  while (start < n && p[start] == kValueNameOpen) ++start;
  if (start == n) {
    q.record = text;  // nothing but "[": the whole text is the record name
    return q;
  }
  const size_t openAt = FindByteIn(p, start, n, kValueNameOpen);
  q.record = text.substr(start, openAt - start);
  if (openAt == n) return q;
  size_t valueStart = openAt + 1;
  while (valueStart < n && p[valueStart] == kValueNameClose) ++valueStart;
  if (valueStart == n) return q;
  const size_t closeAt = FindByteIn(p, valueStart, n, kValueNameClose);
  q.value = text.substr(valueStart, closeAt - valueStart);
  q.hasValueName = true;
  return q;
}

char* PutQualifiedName(char* at, std::string_view record, std::string_view value) {
  at = CopyBytes(at, record.data(), record.size());
  if (!value.empty()) {
    *at++ = kValueNameOpen;
    at = CopyBytes(at, value.data(), value.size());
    *at++ = kValueNameClose;
  }
  return at;
}

// --------------------------------------------------------------- value lines

LineIssue ReadValueLine(std::string_view s, size_t at, bool hasCr, ValueLine* out) {
  // The writer's spelling of the keyword is tried first; any other spelling
  // is looked up once the line's shape is known.
  size_t close = 0;
  LineKind kind = at + 1 < s.size() ? WrittenKeyword(s, at + 1, &close) : LineKind::NoItem;
  if (kind == LineKind::NoItem) {
    close = at + 1 < s.size() ? FindByteIn(s.data(), at + 1, s.size(), kKeywordClose) : s.size();
  }
  if (close == s.size() || close == at + 1) return LineIssue::MalformedValue;
  // One pass over the name finds the "=" that ends it and, on the way, the
  // "[" and "]" that split it.
  const size_t nameStart = close + 1;
  size_t open, shut;
  const size_t eq = FindValueName(s, nameStart, &open, &shut);
  if (eq == s.size() || eq == nameStart) return LineIssue::MalformedValue;
  // The text ends at a carriage return, or at the line feed, which is the
  // line's last byte.
  size_t end = hasCr ? FindByteIn(s.data(), eq + 1, s.size(), '\r') : s.size();
  if (end == s.size() && s.back() == '\n') end = s.size() - 1;
  if (kind == LineKind::NoItem) {
    kind = LineKindOf(LookupTypeKeyword(s.substr(at + 1, close - at - 1)));
    if (kind == LineKind::NoItem) return LineIssue::UnknownType;
  }
  const std::string_view text(s.data() + eq + 1, end - eq - 1);
  if (!ReadNumber(kind, text, &out->number)) return LineIssue::NoNumber;
  out->kind = kind;
  out->name = std::string_view(s.data() + nameStart, eq - nameStart);
  out->split = SplitPlainName(s, nameStart, eq, open, shut);
  out->text = text;
  return LineIssue::None;
}

bool ReadWrittenValueLine(std::string_view s, ValueLine* out) {
  // ReadValueLine's steps for the writer's shape, less what other shapes need.
  const size_t at = SkipBlanksAndTabs(s, 0);
  if (at + 1 >= s.size() || s[at] != kValueLineStart) return false;
  size_t close;
  const LineKind kind = WrittenKeyword(s, at + 1, &close);
  if (kind == LineKind::NoItem) return false;
  const size_t nameStart = close + 1;
  size_t open, shut;
  const size_t eq = FindValueName(s, nameStart, &open, &shut);
  if (eq == s.size() || eq == nameStart) return false;
  const NameSplit split = SplitPlainName(s, nameStart, eq, open, shut);
  if (!split.known) return false;
  const size_t end = s.back() == '\n' ? s.size() - 1 : s.size();
  const std::string_view text(s.data() + eq + 1, end - eq - 1);
  if (!ReadNumber(kind, text, &out->number)) return false;
  out->kind = kind;
  out->name = std::string_view(s.data() + nameStart, eq - nameStart);
  out->split = split;
  out->text = text;
  return true;
}

// --------------------------------------------------------------- block lines

LineIssue ReadBlockName(std::string_view s, size_t at, const BlockLineForm& form, bool hasCr,
                        std::string_view* name) {
  // The bracket, one or more blanks, the name up to the terminator or the
  // line end.
  size_t start = at + 1;
  while (start < s.size() && IsBlankOrLineEnd(s[start])) ++start;
  if (start == at + 1) return LineIssue::NoBlankAfterBracket;
  size_t end;
  if (hasCr) {
    end = start;
    while (end < s.size() && s[end] != form.terminator && s[end] != '\r' && s[end] != '\n') ++end;
  } else {
    // The line's only line feed is its last byte.
    end = FindEitherIn(s.data(), start, s.size(), form.terminator, '\n');
  }
  if (end == start) return LineIssue::NoName;
  *name = s.substr(start, end - start);
  return LineIssue::None;
}

// --------------------------------------------------------------- other lines

size_t SkipIndentation(std::string_view text) { return SkipBlanksAndTabs(text, 0); }

bool IsConflictMarker(std::string_view item) {
  constexpr size_t kMarkerSigns = 7;
  if (item.size() < kMarkerSigns) return false;
  const char sign = item[0];
  if (sign != '<' && sign != '=' && sign != '|' && sign != '>') return false;
  for (size_t i = 1; i < kMarkerSigns; ++i) {
    if (item[i] != sign) return false;
  }
  if (item.size() == kMarkerSigns) return true;
  const char next = item[kMarkerSigns];
  return next == ' ' || next == '\t' || next == '\n' || next == '\r';
}

LineKind ReadOtherLine(std::string_view line, std::string_view text, size_t at, LineIssue* issue) {
  if (text.empty()) {
    // Nothing before a NUL byte.
    *issue = line.empty() ? LineIssue::Blank : LineIssue::Unrecognised;
    return line.empty() ? LineKind::NoItem : LineKind::OtherLine;
  }
  if (text[0] == '\n' || text[0] == '\r') {
    *issue = LineIssue::Blank;
    return LineKind::NoItem;
  }
  if (at == text.size() || text[at] == '\n' || text[at] == '\r') {
    *issue = LineIssue::Blank;
    return LineKind::OtherLine;
  }
  if (text[at] == kComment) {
    *issue = LineIssue::Comment;
    return LineKind::NoItem;
  }
  if (at == 0 && text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    *issue = LineIssue::ByteOrderMark;
  } else if (IsConflictMarker(text.substr(at))) {
    *issue = LineIssue::ConflictMarker;
  } else {
    *issue = LineIssue::Unrecognised;
  }
  return LineKind::OtherLine;
}

// ---------------------------------------------------------------- byte lines

bool ReadWrittenByteLine(std::string_view rest, uint8_t* byte, size_t* length) {
  const size_t at = SkipBlanksAndTabs(rest, 0);
  if (at + 1 >= rest.size()) return false;
  const int high = HexDigit(rest[at]);
  if (high < 0) return false;
  int value = high;
  size_t end = at + 1;
  if (rest[end] != '\n') {
    const int low = HexDigit(rest[end]);
    if (low < 0 || end + 1 >= rest.size() || rest[end + 1] != '\n') return false;
    value = high << kHexDigitBits | low;
    ++end;
  }
  *byte = static_cast<uint8_t>(value);
  *length = end + 1;
  return true;
}

bool ReadByteLine(std::string_view text, uint8_t* byte) { return ParseHexByte(text, byte); }

// ------------------------------------------------------------ written layout

char* PutIndent(char* at, int depth) {
  // A block of blanks at a time; the last block may run past the indentation
  // into the slack, to be overwritten by the line.
  static constexpr char kBlanks[kPutSlack] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                                              ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
  const size_t width = IndentWidth(depth);
  for (size_t done = 0; done < width; done += kPutSlack) std::memcpy(at + done, kBlanks, kPutSlack);
  return at + width;
}

char* PutBlockLine(char* at, LineKind kind, std::string_view name) {
  const BlockLineForm& form = BlockLineOf(kind);
  *at++ = form.bracket;
  *at++ = kBlank;
  at = CopyBytes(at, name.data(), name.size());
  *at++ = form.terminator;
  *at++ = '\n';
  return at;
}

char* PutByteLine(char* at, uint8_t byte) {
  constexpr unsigned kLowDigit = (1u << kHexDigitBits) - 1;
  if (byte > kLowDigit) *at++ = kHexDigits[byte >> kHexDigitBits];
  *at++ = kHexDigits[byte & kLowDigit];
  *at++ = '\n';
  return at;
}

size_t ValueLineRoom(ValueType type, std::string_view record, std::string_view value,
                     size_t textLength) {
  const size_t textRoom = type == ValueType::String ? textLength : kNumberTextRoom;
  return kHeadRoom + QualifiedNameLength(record, value) + 1 + textRoom + 1;
}

char* PutValueLine(char* at, ValueType type, std::string_view record, std::string_view value,
                   const NumberDatum& number, std::string_view text) {
  const WrittenHead& head = kWrittenHeads.byType[static_cast<size_t>(type)];
  std::memcpy(at, head.bytes, kHeadRoom);
  at = PutQualifiedName(at + head.length, record, value);
  *at++ = kNameEnd;
  switch (type) {
    case ValueType::Int: at += FormatInt64(number.i, at); break;
    case ValueType::Float: at += FormatFloat(number.f, at); break;
    case ValueType::Double: at += FormatDouble(number.d, at); break;
    case ValueType::Int64: at += FormatInt64(number.l, at); break;
    default: at = CopyBytes(at, text.data(), text.size()); break;
  }
  *at++ = '\n';
  return at;
}

}  // namespace cfg
