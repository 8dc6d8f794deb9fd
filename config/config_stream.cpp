#include "config_stream.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "byte_scan.h"
#include "number_text.h"
#include "value.h"

namespace cfg {
namespace {

constexpr size_t kReadChunk = 1 << 20;
constexpr size_t kWriteChunk = 1 << 20;
constexpr size_t kRoomSlack = 16;
// The read buffer keeps this many bytes past its end, so that a line's bytes
// can be loaded sixteen at a time without reading outside it.
constexpr size_t kReadSlack = 16;
// Indentation stops growing at this depth: a file nested a million levels
// deep would otherwise need terabytes of blanks. The reader ignores indentation.
constexpr int kMaxIndentDepth = 32;

constexpr std::string_view kKeywords[] = {"int", "float", "string", "double", "int64"};

// The index of the first line feed in data[from, end), or end; sets *nul
// when a NUL byte comes before it, and *cr when a carriage return does.
inline size_t ScanLine(const char* data, size_t from, size_t end, bool* nul, bool* cr) {
  size_t i = from;
#if defined(__SSE2__)
  const __m128i lineFeed = _mm_set1_epi8('\n');
  const __m128i carriageReturn = _mm_set1_epi8('\r');
  const __m128i zero = _mm_setzero_si128();
  const __m128i thirteen = _mm_set1_epi8(13);
  for (; i + 16 <= end; i += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
    // Most blocks hold no byte below 14 (NUL, line feed and carriage return
    // among them): one test passes them.
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_subs_epu8(block, thirteen), zero)) == 0) continue;
    const unsigned feeds = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, lineFeed)));
    const unsigned nuls = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, zero)));
    const unsigned returns =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, carriageReturn)));
    if (feeds != 0) {
      const unsigned before = (1u << __builtin_ctz(feeds)) - 1;
      if (nuls & before) *nul = true;
      if (returns & before) *cr = true;
      return i + static_cast<unsigned>(__builtin_ctz(feeds));
    }
    if (nuls != 0) *nul = true;
    if (returns != 0) *cr = true;
  }
#endif
  for (; i < end; ++i) {
    if (data[i] == '\n') return i;
    if (data[i] == '\0') *nul = true;
    if (data[i] == '\r') *cr = true;
  }
  return end;
}

// The type of a value line whose keyword is spelt as the writer spells it
// ("int)" ... "int64)" right after the "(" at s[at - 1]), with *close set to
// the index of the ")"; 0 for any other spelling.
inline int WriterKeyword(std::string_view s, size_t at, size_t* close) {
  const size_t room = s.size() - at;
  auto is = [&](const char* word, size_t length) {
    return room > length && std::memcmp(s.data() + at, word, length + 1) == 0;
  };
  int type = 0;
  size_t length = 0;
  switch (s[at]) {
    case 'i':
      if (is("int)", 3)) {
        type = 1, length = 3;
      } else if (is("int64)", 5)) {
        type = 5, length = 5;
      }
      break;
    case 'f':
      if (is("float)", 5)) type = 2, length = 5;
      break;
    case 's':
      if (is("string)", 6)) type = 3, length = 6;
      break;
    case 'd':
      if (is("double)", 6)) type = 4, length = 6;
      break;
  }
  *close = at + length;
  return type;
}

// Index of the first byte of s at or after from that is neither blank nor tab.
// s lies in the read buffer, which has room past its end (kReadSlack).
inline size_t SkipBlanks(std::string_view s, size_t from) {
  if (from >= s.size()) return from;
#if defined(__SSE2__)
  // Indentation comes in runs of blanks: sixteen bytes at a time, the first
  // that is neither blank nor tab found from the block's bits.
  for (size_t i = from; i < s.size(); i += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + i));
    const __m128i blanks = _mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8(' ')),
                                        _mm_cmpeq_epi8(block, _mm_set1_epi8('\t')));
    const unsigned other = ~static_cast<unsigned>(_mm_movemask_epi8(blanks)) & 0xFFFFu;
    if (other != 0) return std::min(i + static_cast<size_t>(__builtin_ctz(other)), s.size());
  }
  return s.size();
#else
  while (from < s.size() && (s[from] == ' ' || s[from] == '\t')) ++from;
  return from;
#endif
}

// Index of the first c in s at or after from, else s.size().
inline size_t FindByte(std::string_view s, size_t from, char c) {
  return from >= s.size() ? s.size() : FindByteIn(s.data(), from, s.size(), c);
}

// Index of the "=" that ends a value line's name starting at nameStart in s
// (s.size() when none), with *open and *shut set to the "[" and "]" that
// split it (0 when absent): the first "[" before the "=", the first "]"
// between them. The buffer s lies in has room past its end (kReadSlack).
inline size_t ScanValueName(std::string_view s, size_t nameStart, size_t* open, size_t* shut) {
#if defined(__SSE2__)
  // Most names end within sixteen bytes: one load finds all three.
  if (nameStart < s.size()) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + nameStart));
    const size_t left = s.size() - nameStart;
    const unsigned inLine = left >= 16 ? 0xFFFFu : (1u << left) - 1;
    const unsigned eqs =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8('=')))) & inLine;
    if (eqs != 0) {
      const unsigned eqAt = static_cast<unsigned>(__builtin_ctz(eqs));
      const unsigned opens = static_cast<unsigned>(
          _mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8('[')))) & ((1u << eqAt) - 1);
      if (opens != 0) {
        const unsigned openAt = static_cast<unsigned>(__builtin_ctz(opens));
        const unsigned shuts = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8(']')))) &
            ((1u << eqAt) - 1) & ~((2u << openAt) - 1);
        *open = nameStart + openAt;
        if (shuts != 0) *shut = nameStart + static_cast<unsigned>(__builtin_ctz(shuts));
      }
      return nameStart + eqAt;
    }
  }
#endif
  size_t eq = FindEitherIn(s.data(), nameStart, s.size(), '[', '=');
  if (eq < s.size() && s[eq] == '[') {
    *open = eq;
    eq = FindEitherIn(s.data(), eq + 1, s.size(), ']', '=');
    if (eq < s.size() && s[eq] == ']') {
      *shut = eq;
      eq = FindByte(s, eq + 1, '=');
    }
  }
  return eq;
}

// Whether the name s[nameStart, eq), split by ScanValueName, has the plain
// shape "record", "record[value" or "record[value]...", and if so where it
// splits, as offsets into the name (see ItemQualifiedName). Names that start
// with "[" or whose value part is empty or starts with "]" need the general
// split.
inline bool SplitPlainName(std::string_view s, size_t nameStart, size_t eq, size_t open, size_t shut,
                           size_t* recordEnd, size_t* valueStart, size_t* valueEnd) {
  if (s[nameStart] == '[' || (open != 0 && (open + 1 == eq || s[open + 1] == ']'))) return false;
  *recordEnd = (open ? open : eq) - nameStart;
  *valueStart = open ? open + 1 - nameStart : 0;
  *valueEnd = (shut ? shut : eq) - nameStart;
  return true;
}

// Value of a hexadecimal digit, or -1.
inline int HexDigit(char c) {
  if (static_cast<unsigned>(c - '0') < 10u) return c - '0';
  const unsigned letter = static_cast<unsigned>((c | 0x20) - 'a');
  return letter < 6u ? static_cast<int>(letter) + 10 : -1;
}

bool IsBlankOrLineEnd(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool FileSeek(std::FILE* file, int64_t position) {
#ifdef _WIN32
  return _fseeki64(file, position, SEEK_SET) == 0;
#else
  return fseeko(file, position, SEEK_SET) == 0;
#endif
}

bool StatFile(std::FILE* file, struct stat* info) {
#ifdef _WIN32
  return fstat(_fileno(file), info) == 0;
#else
  return fstat(fileno(file), info) == 0;
#endif
}

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
  }
  return "unknown";
}

int LookupTypeKeyword(std::string_view text) {
  // The five keywords have three lengths; compare only those of the text's.
  // (Classify tries the writer's spelling before it asks here.)
  switch (text.size()) {
    case 3: return NamesEqual(text, kKeywords[0]) ? 1 : 0;
    case 5: return NamesEqual(text, kKeywords[1]) ? 2 : (NamesEqual(text, kKeywords[4]) ? 5 : 0);
    case 6: return NamesEqual(text, kKeywords[2]) ? 3 : (NamesEqual(text, kKeywords[3]) ? 4 : 0);
    default: return 0;
  }
}

// ------------------------------------------------------------------ NameStack

void NameStack::Push(std::string_view name) {
  starts_.push_back(buffer_.size());
  buffer_.append(name.data(), name.size());
  buffer_.push_back('\0');
}

bool NameStack::Pop(std::string* name) {
  if (starts_.empty()) return false;
  size_t start = starts_.back();
  if (name) name->assign(buffer_.data() + start, buffer_.size() - start - 1);
  buffer_.resize(start);
  starts_.pop_back();
  return true;
}

const char* NameStack::Get(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return buffer_.data() + starts_[index];
}

void NameStack::Clear() {
  buffer_.clear();
  starts_.clear();
}

// -------------------------------------------------------------- PositionStack

int PositionStack::Push(int64_t position) {
  positions_.push_back(position);
  return 1;
}

int64_t PositionStack::Pop() {
  if (positions_.empty()) return 0;
  int64_t top = positions_.back();
  positions_.pop_back();
  return top;
}

// --------------------------------------------------------------- ConfigStream

ConfigStream::ConfigStream(const char* path, int mode) : mode_(mode & 1) {
  if (path == nullptr) return;
#ifdef _WIN32
  // Text mode on writing: the runtime stores each line end as CR LF.
  file_ = std::fopen(path, mode_ == WriteMode ? "wt" : "rb");
#else
  file_ = std::fopen(path, mode_ == WriteMode ? "w" : "r");
#endif
  Start();
}

ConfigStream::ConfigStream(std::FILE* file, int mode, bool adopt)
    : file_(file), mode_(mode & 1), closeFile_(adopt) {
  Start();
}

void ConfigStream::Start() {
  size_t chunk = kReadChunk;
  struct stat info;
  if (file_ && mode_ == ReadMode && StatFile(file_, &info)) {
    if ((info.st_mode & S_IFMT) == S_IFDIR) {
      std::fclose(file_);
      file_ = nullptr;
    } else if ((info.st_mode & S_IFMT) == S_IFREG && info.st_size >= 0) {
      inputSize_ = static_cast<int64_t>(info.st_size);
      if (static_cast<uint64_t>(info.st_size) < kReadChunk) {
        chunk = static_cast<size_t>(info.st_size) + 64;  // a small file needs no large buffer
      }
    }
  }
  open_ = file_ != nullptr;
  if (open_ && mode_ == ReadMode) buf_.resize(chunk + kReadSlack);
}

ConfigStream::ConfigStream(InMemory, std::string text)
    : memory_(true), open_(true), mode_(ReadMode) {
  buf_.assign(text.begin(), text.end());
  bufLen_ = buf_.size();
  buf_.resize(bufLen_ + kReadSlack);
  eof_ = true;
  inputSize_ = static_cast<int64_t>(bufLen_);
}

ConfigStream::ConfigStream(InMemory) : memory_(true), open_(true), mode_(WriteMode) {}

ConfigStream::~ConfigStream() { Close(); }

bool ConfigStream::Close() {
  if (file_ != nullptr) {
    if (mode_ == WriteMode) {
      Flush();
      if (std::fflush(file_) != 0) writeFailed_ = true;
    }
    if (closeFile_ && std::fclose(file_) != 0 && mode_ == WriteMode) writeFailed_ = true;
    file_ = nullptr;
  }
  return !writeFailed_ && !readFailed_;
}

const char* ConfigStream::TopSectionName() const { return names_.Get(names_.Count() - 1); }

void ConfigStream::PushSection(std::string_view name) {
  names_.Push(name);
  positions_.Push(Tell());
  sectionLines_.push_back(lineNumber_);
}

int64_t ConfigStream::PopSection(std::string* name) {
  if (names_.Count() == 0) return 0;
  names_.Pop(name);
  sectionLines_.pop_back();
  return positions_.Pop();
}

const char* ConfigStream::SectionName(int index) const { return names_.Get(index); }

long long ConfigStream::SectionLine(int index) const {
  return (index >= 0 && index < static_cast<int>(sectionLines_.size())) ? sectionLines_[index] : 0;
}

// ------------------------------------------------------------------- reading

int64_t ConfigStream::Tell() const {
  if (mode_ == WriteMode) return written_ + static_cast<int64_t>(outLength_);
  return bufStart_ + static_cast<int64_t>(bufPos_);
}

void ConfigStream::Seek(int64_t position) {
  line_ = std::string_view();
  if (position >= bufStart_ && position <= bufStart_ + static_cast<int64_t>(bufLen_)) {
    bufPos_ = static_cast<size_t>(position - bufStart_);
    return;
  }
  if (memory_ || file_ == nullptr) return;
  if (!FileSeek(file_, position)) {
    readFailed_ = true;
    eof_ = true;
    return;
  }
  bufStart_ = position;
  bufLen_ = 0;
  bufPos_ = 0;
  eof_ = false;
}

void ConfigStream::SetItemName(std::string_view name) {
  itemName_.assign(name.data(), name.size());
  itemView_ = itemName_;
}

void ConfigStream::PinViews() {
  if (!itemView_.empty() && itemView_.data() != itemName_.data()) SetItemName(itemView_);
  if (!valueView_.empty() && valueView_.data() != valueText_.data()) {
    valueText_.assign(valueView_.data(), valueView_.size());
    valueView_ = valueText_;
  }
}

QualifiedName ConfigStream::ItemQualifiedName() const {
  if (!itemSplit_.known) return SplitQualifiedName(itemView_);
  QualifiedName q;
  q.record = std::string_view(itemView_.data(), itemSplit_.recordEnd);
  if (itemSplit_.valueStart != 0) {
    q.value = std::string_view(itemView_.data() + itemSplit_.valueStart,
                               itemSplit_.valueEnd - itemSplit_.valueStart);
    q.hasValueName = true;
  }
  return q;
}

const char* ConfigStream::ItemName() const {
  if (itemView_.data() != itemName_.data() || itemView_.size() != itemName_.size()) {
    itemName_.assign(itemView_.data(), itemView_.size());
  }
  return itemName_.c_str();
}

const char* ConfigStream::StringValue() const {
  if (valueView_.data() != valueText_.data() || valueView_.size() != valueText_.size()) {
    valueText_.assign(valueView_.data(), valueView_.size());
  }
  return valueText_.c_str();
}

bool ConfigStream::Fill() {
  if (eof_ || file_ == nullptr) return false;
  PinViews();
  // Keep the unread bytes, at the front; grow only for a line longer than the buffer.
  if (bufPos_ > 0) {
    std::memmove(buf_.data(), buf_.data() + bufPos_, bufLen_ - bufPos_);
    bufStart_ += static_cast<int64_t>(bufPos_);
    bufLen_ -= bufPos_;
    bufPos_ = 0;
  }
  const size_t capacity = buf_.size() - kReadSlack;
  if (bufLen_ == capacity) buf_.resize(capacity * 2 + kReadSlack);
  size_t got = std::fread(buf_.data() + bufLen_, 1, buf_.size() - kReadSlack - bufLen_, file_);
  if (got == 0) {
    if (std::ferror(file_)) readFailed_ = true;
    eof_ = true;
    return false;
  }
  bufLen_ += got;
  return true;
}

int ConfigStream::NextLine() {
  if (!open_ || mode_ != ReadMode) return 0;
  size_t scanFrom = bufPos_;
  bool nul = false, cr = false;
  for (;;) {
    const size_t at = ScanLine(buf_.data(), scanFrom, bufLen_, &nul, &cr);
    size_t length;
    if (at < bufLen_) {
      length = at - bufPos_ + 1;
    } else {
      const size_t pending = bufLen_ - bufPos_;
      if (Fill()) {
        scanFrom = bufPos_ + pending;
        continue;
      }
      if (bufLen_ == bufPos_) {
        line_ = std::string_view();
        return 0;
      }
      length = bufLen_ - bufPos_;
    }
    line_ = std::string_view(buf_.data() + bufPos_, length);
    lineHasNul_ = nul;
    lineHasCr_ = cr;
    bufPos_ += length;
    ++lineNumber_;
    return 1;
  }
}

LineKind ConfigStream::Refuse(LineIssue issue) {
  issue_ = issue;
  return LineKind::NoItem;
}

bool ConfigStream::HidesText(LineKind kind) const {
  if (!lineHasNul_ && !lineHasCr_) return false;
  const std::string_view line = line_;
  size_t end = std::string_view::npos;
  if (kind >= LineKind::IntLine && kind <= LineKind::Int64Line) {
    // Classify left the text as a view into the line.
    end = static_cast<size_t>(valueView_.data() + valueView_.size() - line.data());
  } else {
    end = line.find_first_of(std::string_view("\r\0", 2));
  }
  return end < line.size() && line.find_first_not_of(std::string_view(" \t\r\n\0", 5), end) != std::string_view::npos;
}

LineKind ConfigStream::Classify() {
  issue_ = LineIssue::None;
  itemSplit_.known = false;
  std::string_view s = line_;
  // A NUL byte ends the text of a line.
  if (lineHasNul_) {
    s = s.substr(0, static_cast<const char*>(std::memchr(s.data(), '\0', s.size())) - s.data());
  }
  if (s.empty()) {
    issue_ = line_.empty() ? LineIssue::Blank : LineIssue::Unrecognised;
    return line_.empty() ? LineKind::NoItem : LineKind::OtherLine;
  }
  if (s[0] == '\n' || s[0] == '\r') return Refuse(LineIssue::Blank);
  size_t i = SkipBlanks(s, 0);
  if (i == s.size()) {
    issue_ = LineIssue::Blank;
    return LineKind::OtherLine;
  }
  const char c = s[i];

  if (c == '(') {
    // "(" keyword ")" name "=" value text
    size_t close = 0;
    int type = i + 1 < s.size() ? WriterKeyword(s, i + 1, &close) : 0;
    if (type == 0) close = FindByte(s, i + 1, ')');
    if (close == s.size() || close == i + 1) return Refuse(LineIssue::MalformedValue);
    // One pass over the name finds the "=" that ends it and, on the way, the
    // "[" and "]" that split it (see ItemQualifiedName).
    const size_t nameStart = close + 1;
    size_t open = 0, shut = 0;  // indexes in s; 0 when absent
    const size_t eq = ScanValueName(s, nameStart, &open, &shut);
    if (eq == s.size() || eq == nameStart) return Refuse(LineIssue::MalformedValue);
    ItemSplit split;
    split.known = SplitPlainName(s, nameStart, eq, open, shut, &split.recordEnd, &split.valueStart,
                                 &split.valueEnd);
    // The line's only line feed is its last byte; a carriage return may come first.
    size_t end = lineHasCr_ ? FindByte(s, eq + 1, '\r') : s.size();
    if (end == s.size() && s.back() == '\n') end = s.size() - 1;
    // Views by hand: the indexes are known to lie in the line.
    const std::string_view name(s.data() + nameStart, eq - nameStart);
    const std::string_view text(s.data() + eq + 1, end - eq - 1);
    if (type == 0) type = LookupTypeKeyword(s.substr(i + 1, close - i - 1));
    if (type == 0) return Refuse(LineIssue::UnknownType);
    bool ok = true;
    switch (type) {
      case 1: {
        int32_t v;
        if ((ok = ParseInt32(text, &v))) intSlot_ = v;
        break;
      }
      case 2: {
        float v;
        if ((ok = ParseFloat(text, &v))) floatSlot_ = v;
        break;
      }
      case 3:
        break;  // any text, the empty one included
      case 4: {
        double v;
        if ((ok = ParseDouble(text, &v))) doubleSlot_ = v;
        break;
      }
      case 5: {
        int64_t v;
        if ((ok = ParseInt64(text, &v))) int64Slot_ = v;
        break;
      }
    }
    if (!ok) return Refuse(LineIssue::NoNumber);
    itemView_ = name;
    valueView_ = text;
    itemSplit_ = split;
    return static_cast<LineKind>(type + 5);
  }
  if (c == ';') return Refuse(LineIssue::Comment);
  if (c != '{' && c != '}' && c != '[' && c != ']') {
    if (c == '\n' || c == '\r') {
      issue_ = LineIssue::Blank;
    } else if (i == 0 && s.size() >= 3 && std::memcmp(s.data(), "\xEF\xBB\xBF", 3) == 0) {
      issue_ = LineIssue::ByteOrderMark;
    } else {
      issue_ = LineIssue::Unrecognised;
    }
    return LineKind::OtherLine;
  }

  // Opening and closing lines: bracket, one or more blanks, the name up to the
  // terminator (":" for openings, ";" for closings) or the line end.
  const bool opening = (c == '{' || c == '[');
  const bool section = (c == '{' || c == '}');
  if (arrayOpen_ && c != ']') return Refuse(LineIssue::InsideArray);
  if (c == ']' && !arrayOpen_) return Refuse(LineIssue::CloseWithoutOpen);
  if (c == '}' && names_.Count() == 0) return Refuse(LineIssue::CloseWithoutOpen);
  size_t j = i + 1;
  while (j < s.size() && IsBlankOrLineEnd(s[j])) ++j;
  if (j == i + 1) return Refuse(LineIssue::NoBlankAfterBracket);
  const char terminator = opening ? ':' : ';';
  size_t k;
  if (lineHasCr_) {
    k = j;
    while (k < s.size() && s[k] != terminator && s[k] != '\r' && s[k] != '\n') ++k;
  } else {
    // The line's only line feed is its last byte.
    k = FindEitherIn(s.data(), j, s.size(), terminator, '\n');
  }
  if (k == j) return Refuse(LineIssue::NoName);
  std::string_view name = s.substr(j, k - j);

  if (section && opening) {
    itemView_ = name;
    PushSection(name);
    return LineKind::SectionOpen;
  }
  if (section) {
    const char* top = TopSectionName();
    if (!NamesEqual(name, std::string_view(top))) return Refuse(LineIssue::CloseMismatch);
    PopSection(&itemName_);
    itemView_ = itemName_;
    return LineKind::SectionClose;
  }
  if (opening) {
    itemView_ = name;
    arrayName_.assign(name.data(), name.size());
    arrayOpen_ = true;
    return LineKind::ArrayOpen;
  }
  if (!NamesEqual(name, arrayName_)) return Refuse(LineIssue::CloseMismatch);
  itemView_ = name;
  arrayName_.clear();
  arrayOpen_ = false;
  return LineKind::ArrayClose;
}

bool ConfigStream::RecogniseWrittenValue(WrittenValueLine* out) const {
  // The same steps as Classify's for a value line, less what other shapes need.
  if (lineHasNul_ || lineHasCr_) return false;
  const std::string_view s = line_;
  const size_t i = SkipBlanks(s, 0);
  if (i + 1 >= s.size() || s[i] != '(') return false;
  size_t close;
  const int type = WriterKeyword(s, i + 1, &close);
  if (type == 0) return false;
  const size_t nameStart = close + 1;
  size_t open = 0, shut = 0;
  const size_t eq = ScanValueName(s, nameStart, &open, &shut);
  if (eq == s.size() || eq == nameStart ||
      !SplitPlainName(s, nameStart, eq, open, shut, &out->recordEnd, &out->valueStart, &out->valueEnd)) {
    return false;
  }
  const size_t end = s.back() == '\n' ? s.size() - 1 : s.size();
  out->text = std::string_view(s.data() + eq + 1, end - eq - 1);
  switch (type) {
    case 1: if (!ParseInt32(out->text, &out->number.i)) return false; break;
    case 2: if (!ParseFloat(out->text, &out->number.f)) return false; break;
    case 4: if (!ParseDouble(out->text, &out->number.d)) return false; break;
    case 5: if (!ParseInt64(out->text, &out->number.l)) return false; break;
    default: break;
  }
  out->kind = static_cast<LineKind>(type + 5);
  out->name = std::string_view(s.data() + nameStart, eq - nameStart);
  return true;
}

int ConfigStream::CountArrayLines() {
  if (!arrayOpen_) return 0;
  std::string name = arrayName_;
  int64_t position = Tell();
  long long line = lineNumber_;
  int count = 0;
  while (NextLine()) {
    if (Classify() == LineKind::ArrayClose) break;
    ++count;
  }
  Seek(position);
  lineNumber_ = line;
  arrayName_ = std::move(name);
  arrayOpen_ = true;
  return count;
}

int ConfigStream::ReadArrayBytes(uint8_t* buffer, int capacity) {
  int count = 0;
  while (NextLine()) {
    if (Classify() == LineKind::ArrayClose) break;
    std::string_view s = line_;
    if (const void* nul = std::memchr(s.data(), '\0', s.size())) {
      s = s.substr(0, static_cast<const char*>(nul) - s.data());
    }
    uint8_t byte;
    if (ParseHexByte(s, &byte)) {
      if (buffer != nullptr && count < capacity) buffer[count] = byte;
      ++count;
    }
  }
  return count;
}

bool ConfigStream::NextByteLine(uint8_t* byte) {
  // The writer's shape, read straight from the buffer: blanks, one or two
  // hexadecimal digits, a line feed, all in the buffer already.
  const std::string_view rest(buf_.data() + bufPos_, bufLen_ - bufPos_);
  size_t i = SkipBlanks(rest, 0);
  if (i + 1 >= rest.size()) return false;
  const int high = HexDigit(rest[i]);
  if (high < 0) return false;
  int value = high;
  size_t end = i + 1;
  if (rest[end] != '\n') {
    const int low = HexDigit(rest[end]);
    if (low < 0 || end + 1 >= rest.size() || rest[end + 1] != '\n') return false;
    value = high << 4 | low;
    ++end;
  }
  line_ = std::string_view(rest.data(), end + 1);
  lineHasNul_ = lineHasCr_ = false;
  bufPos_ += end + 1;
  ++lineNumber_;
  *byte = static_cast<uint8_t>(value);
  return true;
}

int ConfigStream::ReadArray(std::vector<uint8_t>* bytes) {
  bytes->clear();
  int length = 0;
  for (;;) {
    uint8_t quick;
    if (NextByteLine(&quick)) {
      bytes->push_back(quick);
      ++length;
      continue;
    }
    if (!NextLine()) break;
    std::string_view s = line_;
    size_t i = SkipBlanks(s, 0);
    // Only a "]" line can end the block; other lines need no recognition.
    if (i < s.size() && s[i] == ']' && Classify() == LineKind::ArrayClose) break;
    ++length;
    uint8_t byte;
    if (ParseHexByte(s.substr(i), &byte)) bytes->push_back(byte);
  }
  bytes->resize(static_cast<size_t>(length), 0);
  return length;
}

// ---------------------------------------------------------------- navigation

void ConfigStream::CloseAll() {
  names_.Clear();
  positions_.Clear();
  sectionLines_.clear();
  arrayOpen_ = false;
  arrayName_.clear();
}

int ConfigStream::Reset() {
  CloseAll();
  Seek(0);
  lineNumber_ = 0;
  return 1;
}

int ConfigStream::FindChildSection(const char* name) {
  arrayOpen_ = false;
  arrayName_.clear();
  std::string kept;
  if (names_.Count() > 0) kept = TopSectionName();
  const int depth = positions_.Count();
  const int64_t top = positions_.Top();
  const long long topLine = sectionLines_.empty() ? 0 : sectionLines_.back();
  while (NextLine()) {
    LineKind kind = Classify();
    if (kind == LineKind::SectionClose && positions_.Count() < depth) {
      names_.Push(kept);
      positions_.Push(top);
      sectionLines_.push_back(topLine);
      Seek(top);
      lineNumber_ = topLine;
      return 0;
    }
    if (kind == LineKind::SectionOpen) {
      if (name == nullptr) return 1;
      if (positions_.Count() == depth + 1 && NamesEqual(TopSectionName(), name)) return 1;
    }
  }
  Reset();
  return 0;
}

int ConfigStream::SkipChildSection() {
  const int depth = positions_.Count();
  arrayOpen_ = false;
  arrayName_.clear();
  while (NextLine()) {
    if (Classify() == LineKind::SectionClose && positions_.Count() < depth) return 1;
  }
  Reset();
  return 0;
}

int ConfigStream::RewindSection() {
  if (positions_.Count() == 0) {
    Reset();
    return 0;
  }
  Seek(positions_.Top());
  lineNumber_ = sectionLines_.back();
  arrayOpen_ = false;
  arrayName_.clear();
  return 1;
}

// ------------------------------------------------------------------- writing

const std::string& ConfigStream::Output() const {
  outText_.assign(out_.get() ? out_.get() : "", outLength_);
  return outText_;
}

int ConfigStream::WriteOutputOf(const ConfigStream& piece) {
  const size_t n = piece.outLength_;
  if (n == 0) return 0;
  if (file_ == nullptr || n < kWriteChunk) {
    std::memcpy(Room(n), piece.out_.get(), n);
    outLength_ += n;
    FlushIfFull();
    return 1;
  }
  // A large piece goes to the file straight from its own buffer.
  Flush();
  if (std::fwrite(piece.out_.get(), 1, n, file_) != n) writeFailed_ = true;
  written_ += static_cast<int64_t>(n);
  return 1;
}

void ConfigStream::ClearOutput() {
  CloseAll();
  outLength_ = 0;
  written_ = 0;
}

char* ConfigStream::Room(size_t n) {
  // kRoomSlack more than asked: PutIndentAt writes whole blocks of blanks.
  if (outLength_ + n + kRoomSlack > outCapacity_ || !out_) {
    size_t capacity = outCapacity_ ? outCapacity_ : 64 * 1024;
    while (capacity < outLength_ + n + kRoomSlack) capacity *= 2;
    std::unique_ptr<char[]> grown(new char[capacity]);
    if (outLength_) std::memcpy(grown.get(), out_.get(), outLength_);
    out_ = std::move(grown);
    outCapacity_ = capacity;
  }
  return out_.get() + outLength_;
}

char* ConfigStream::PutText(char* at, std::string_view text) {
  return CopyBytes(at, text.data(), text.size());
}

int ConfigStream::IndentDepth() const {
  int depth = positions_.Count();
  return depth > kMaxIndentDepth ? kMaxIndentDepth : depth;
}

char* ConfigStream::PutIndentAt(char* at, int depth) {
  // Sixteen blanks at a time; the last block may run past the indentation
  // into the room that Room keeps spare, to be overwritten by the line.
  static const char kBlanks[16] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                                   ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
  const size_t width = static_cast<size_t>(depth) * 4;
  for (size_t done = 0; done < width; done += 16) std::memcpy(at + done, kBlanks, 16);
  return at + width;
}

// One line: indentation, head, name, tail (the tail holds the line end).
void ConfigStream::PutLine(std::string_view head, std::string_view name, std::string_view tail) {
  const int depth = IndentDepth();
  char* at = Room(static_cast<size_t>(depth) * 4 + head.size() + name.size() + tail.size());
  at = PutIndentAt(at, depth);
  at = PutText(at, head);
  at = PutText(at, name);
  at = PutText(at, tail);
  outLength_ = static_cast<size_t>(at - out_.get());
  FlushIfFull();
}

void ConfigStream::FlushIfFull() {
  if (outLength_ >= kWriteChunk && file_ != nullptr) Flush();
}

bool ConfigStream::Flush() {
  if (file_ == nullptr || outLength_ == 0) return !writeFailed_;
  size_t put = std::fwrite(out_.get(), 1, outLength_, file_);
  if (put != outLength_) writeFailed_ = true;
  written_ += static_cast<int64_t>(outLength_);
  outLength_ = 0;
  return !writeFailed_;
}

void ConfigStream::WriteIndent() {
  const int depth = IndentDepth();
  char* at = Room(static_cast<size_t>(depth) * 4);
  outLength_ = static_cast<size_t>(PutIndentAt(at, depth) - out_.get());
}

int ConfigStream::WriteSectionOpen(const char* name) {
  return WriteSectionOpen(name ? std::string_view(name) : std::string_view());
}

int ConfigStream::WriteSectionOpen(std::string_view name) {
  PutLine("{ ", name, ":\n");
  PushSection(name);
  return 1;
}

int ConfigStream::WriteSectionClose() {
  if (names_.Count() == 0) return 0;
  std::string name;
  PopSection(&name);
  PutLine("} ", name, ";\n");
  return 1;
}

int ConfigStream::WriteArrayOpen(const char* name) {
  if (name == nullptr) return 0;
  return WriteArrayOpen(std::string_view(name));
}

int ConfigStream::WriteArrayOpen(std::string_view name) {
  if (arrayOpen_) return 0;
  PutLine("[ ", name, ":\n");
  arrayName_.assign(name.data(), name.size());
  arrayOpen_ = true;
  return 1;
}

int ConfigStream::WriteArrayBytes(const uint8_t* bytes, int count) {
  if (bytes == nullptr) return 0;
  static const char kHex[] = "0123456789ABCDEF";
  const int depth = IndentDepth();
  const size_t lineRoom = static_cast<size_t>(depth) * 4 + 3;
  // Room for a run of lines at a time, flushed between runs.
  const size_t run = std::max<size_t>(1, 64 * 1024 / lineRoom);
  const size_t total = count > 0 ? static_cast<size_t>(count) : 0;
  for (size_t first = 0; first < total; first += run) {
    const size_t last = std::min(total, first + run);
    char* at = Room(lineRoom * (last - first));
    for (size_t i = first; i < last; ++i) {
      at = PutIndentAt(at, depth);
      const uint8_t b = bytes[i];
      if (b >= 16) *at++ = kHex[b >> 4];
      *at++ = kHex[b & 15];
      *at++ = '\n';
    }
    outLength_ = static_cast<size_t>(at - out_.get());
    FlushIfFull();
  }
  return 1;
}

int ConfigStream::WriteArrayClose() {
  if (!arrayOpen_) return 0;
  PutLine("] ", arrayName_, ";\n");
  arrayName_.clear();
  arrayOpen_ = false;
  return 1;
}

namespace {
inline std::string_view OrEmpty(const char* text) {
  return text ? std::string_view(text) : std::string_view();
}
}  // namespace

int ConfigStream::WriteInt(const char* name, int32_t number) {
  return name ? WriteInt(std::string_view(name), number) : 0;
}
int ConfigStream::WriteFloat(const char* name, float number) {
  return name ? WriteFloat(std::string_view(name), number) : 0;
}
int ConfigStream::WriteString(const char* name, const char* text) {
  return name ? WriteString(std::string_view(name), OrEmpty(text)) : 0;
}
int ConfigStream::WriteDouble(const char* name, double number) {
  return name ? WriteDouble(std::string_view(name), number) : 0;
}
int ConfigStream::WriteInt64(const char* name, int64_t number) {
  return name ? WriteInt64(std::string_view(name), number) : 0;
}

void ConfigStream::PutValueLine(std::string_view keyword, std::string_view name,
                                std::string_view text) {
  const int depth = IndentDepth();
  char* at = Room(static_cast<size_t>(depth) * 4 + keyword.size() + name.size() + text.size() + 2);
  at = PutIndentAt(at, depth);
  at = PutText(at, keyword);
  at = PutText(at, name);
  *at++ = '=';
  at = PutText(at, text);
  *at++ = '\n';
  outLength_ = static_cast<size_t>(at - out_.get());
  FlushIfFull();
}

int ConfigStream::WriteValue(std::string_view record, const Value& value) {
  const std::string_view valueName = value.NameView();
  const size_t nameLength = record.size() + (valueName.empty() ? 0 : valueName.size() + 2);
  auto putName = [&](char* at) {
    at = CopyBytes(at, record.data(), record.size());
    if (!valueName.empty()) {
      *at++ = '[';
      at = CopyBytes(at, valueName.data(), valueName.size());
      *at++ = ']';
    }
    return at;
  };
  if (value.Type() == ValueType::None) return 0;
  if (value.Type() == ValueType::Binary) {
    std::string name(nameLength, '\0');
    putName(name.data());
    WriteArrayOpen(name);
    WriteArrayBytes(value.GetBytes(), value.GetSize());
    WriteArrayClose();
    return 1;
  }
  // One line, straight into the buffer: numbers are formatted in place (the
  // longest takes under 64 bytes, its NUL included), keywords (at most eight
  // bytes) copied as constants.
  const int depth = IndentDepth();
  const size_t textRoom = value.Type() == ValueType::String ? value.StringLength() : 64;
  char* at = Room(static_cast<size_t>(depth) * 4 + 8 + nameLength + textRoom + 2);
  at = PutIndentAt(at, depth);
  auto head = [&](const char (&keyword)[sizeof "(string)"], size_t length) {
    std::memcpy(at, keyword, 8);  // the blanks past a shorter keyword are overwritten
    at = putName(at + length);
    *at++ = '=';
  };
  switch (value.Type()) {
    case ValueType::Int:
      head("(int)   ", 5);
      at += FormatInt64(value.GetInt(), at);
      break;
    case ValueType::Float:
      head("(float) ", 7);
      at += FormatFloat(value.GetFloat(), at);
      break;
    case ValueType::String:
      head("(string)", 8);
      at = CopyBytes(at, value.GetString(), value.StringLength());
      break;
    case ValueType::Double:
      head("(double)", 8);
      at += FormatDouble(value.GetDouble(), at);
      break;
    case ValueType::Int64:
      head("(int64) ", 7);
      at += FormatInt64(value.GetInt64(), at);
      break;
    default:
      break;
  }
  *at++ = '\n';
  outLength_ = static_cast<size_t>(at - out_.get());
  FlushIfFull();
  return 1;
}

int ConfigStream::WriteInt(std::string_view name, int32_t number) {
  char text[32];
  int length = FormatInt64(number, text);
  PutValueLine("(int)", name, std::string_view(text, length));
  return 1;
}

int ConfigStream::WriteFloat(std::string_view name, float number) {
  char text[64];
  int length = FormatFloat(number, text);
  PutValueLine("(float)", name, std::string_view(text, length));
  return 1;
}

int ConfigStream::WriteString(std::string_view name, std::string_view text) {
  PutValueLine("(string)", name, text);
  return 1;
}

int ConfigStream::WriteDouble(std::string_view name, double number) {
  char text[64];
  int length = FormatDouble(number, text);
  PutValueLine("(double)", name, std::string_view(text, length));
  return 1;
}

int ConfigStream::WriteInt64(std::string_view name, int64_t number) {
  char text[32];
  int length = FormatInt64(number, text);
  PutValueLine("(int64)", name, std::string_view(text, length));
  return 1;
}

}  // namespace cfg
