#include "config_stream.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "simd_scan.h"
#include "byte_scan.h"
#include "name_compare.h"
#include "value.h"

namespace cfg {
namespace {

// Bytes read from a file at a time (a smaller file is read whole), and
// written to it at a time.
constexpr size_t kReadChunk = 1 << 20;
constexpr size_t kWriteChunk = 1 << 20;
// A small file's buffer holds it whole, with this much more room.
constexpr size_t kSmallFileRoom = 64;
// The output buffer starts at this size and doubles as it needs.
constexpr size_t kFirstOutputCapacity = 64 * 1024;
// An array's byte lines are formatted in runs of about this many bytes,
// flushed between runs.
constexpr size_t kByteRun = 64 * 1024;

bool StatFile(std::FILE* file, struct stat* info) {
#ifdef _WIN32
  return fstat(_fileno(file), info) == 0;
#else
  return fstat(fileno(file), info) == 0;
#endif
}

}  // namespace

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
        chunk = static_cast<size_t>(info.st_size) + kSmallFileRoom;
      }
    }
  }
  open_ = file_ != nullptr;
  if (open_ && mode_ == ReadMode) buf_.resize(chunk + kLineSlack);
}

ConfigStream::ConfigStream(InMemory, std::string text)
    : open_(true), mode_(ReadMode) {
  buf_.assign(text.begin(), text.end());
  bufLen_ = buf_.size();
  buf_.resize(bufLen_ + kLineSlack);
  eof_ = true;
  inputSize_ = static_cast<int64_t>(bufLen_);
}

ConfigStream::ConfigStream(InMemory) : open_(true), mode_(WriteMode) {}

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
  sectionLines_.push_back(lineNumber_);
}

bool ConfigStream::PopSection(std::string* name) {
  if (names_.Count() == 0) return false;
  names_.Pop(name);
  sectionLines_.pop_back();
  return true;
}

const char* ConfigStream::SectionName(int index) const { return names_.Get(index); }

long long ConfigStream::SectionLine(int index) const {
  return (index >= 0 && index < static_cast<int>(sectionLines_.size())) ? sectionLines_[index] : 0;
}

// ------------------------------------------------------------------- reading

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

QualifiedName ConfigStream::ItemQualifiedName() const { return SplitBy(itemView_, itemSplit_); }

bool ConfigStream::Fill() {
  if (eof_ || file_ == nullptr) return false;
  PinViews();
  // Keep the unread bytes, at the front; grow only for a line longer than the buffer.
  if (bufPos_ > 0) {
    std::memmove(buf_.data(), buf_.data() + bufPos_, bufLen_ - bufPos_);
    bufLen_ -= bufPos_;
    bufPos_ = 0;
  }
  const size_t capacity = buf_.size() - kLineSlack;
  if (bufLen_ == capacity) buf_.resize(capacity * 2 + kLineSlack);
  size_t got = std::fread(buf_.data() + bufLen_, 1, buf_.size() - kLineSlack - bufLen_, file_);
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
  std::string_view text = line_;
  // A NUL byte ends the text of a line.
  if (lineHasNul_) {
    text = text.substr(0, static_cast<const char*>(std::memchr(text.data(), '\0', text.size())) - text.data());
  }
  const size_t at = SkipIndentation(text);
  if (at < text.size()) {
    if (text[at] == kValueLineStart) return ClassifyValueLine(text, at);
    if (const BlockLineForm* form = BlockLineOf(text[at])) return ClassifyBlockLine(text, at, *form);
  }
  return ReadOtherLine(line_, text, at, &issue_);
}

LineKind ConfigStream::ClassifyValueLine(std::string_view text, size_t at) {
  ValueLine value;
  const LineIssue issue = ReadValueLine(text, at, lineHasCr_, &value);
  if (issue != LineIssue::None) return Refuse(issue);
  switch (value.kind) {
    case LineKind::IntLine: intSlot_ = value.number.i; break;
    case LineKind::FloatLine: floatSlot_ = value.number.f; break;
    case LineKind::DoubleLine: doubleSlot_ = value.number.d; break;
    case LineKind::Int64Line: int64Slot_ = value.number.l; break;
    default: break;
  }
  itemView_ = value.name;
  valueView_ = value.text;
  itemSplit_ = value.split;
  return value.kind;
}

LineKind ConfigStream::ClassifyBlockLine(std::string_view text, size_t at, const BlockLineForm& form) {
  // Which block may open or close here depends on what is open.
  if (arrayOpen_ && form.kind != LineKind::ArrayClose) return Refuse(LineIssue::InsideArray);
  if (form.kind == LineKind::ArrayClose && !arrayOpen_) return Refuse(LineIssue::CloseWithoutOpen);
  if (form.kind == LineKind::SectionClose && names_.Count() == 0) {
    return Refuse(LineIssue::CloseWithoutOpen);
  }
  std::string_view name;
  const LineIssue issue = ReadBlockName(text, at, form, lineHasCr_, &name);
  if (issue != LineIssue::None) return Refuse(issue);
  switch (form.kind) {
    case LineKind::SectionOpen:
      itemView_ = name;
      PushSection(name);
      break;
    case LineKind::SectionClose:
      if (!NamesEqual(name, std::string_view(TopSectionName()))) return Refuse(LineIssue::CloseMismatch);
      PopSection(&itemName_);
      itemView_ = itemName_;
      break;
    case LineKind::ArrayOpen:
      itemView_ = name;
      arrayName_.assign(name.data(), name.size());
      arrayOpen_ = true;
      break;
    default:
      if (!NamesEqual(name, arrayName_)) return Refuse(LineIssue::CloseMismatch);
      itemView_ = name;
      arrayName_.clear();
      arrayOpen_ = false;
      break;
  }
  return form.kind;
}

bool ConfigStream::RecogniseWrittenValue(ValueLine* out) const {
  if (lineHasNul_ || lineHasCr_) return false;
  return ReadWrittenValueLine(line_, out);
}

bool ConfigStream::NextByteLine(uint8_t* byte) {
  // Straight from the buffer, when it holds the whole line already.
  const std::string_view rest(buf_.data() + bufPos_, bufLen_ - bufPos_);
  size_t length;
  if (!ReadWrittenByteLine(rest, byte, &length)) return false;
  line_ = rest.substr(0, length);
  lineHasNul_ = lineHasCr_ = false;
  bufPos_ += length;
  ++lineNumber_;
  return true;
}

int ConfigStream::ReadArray(std::vector<uint8_t>* bytes, std::vector<long long>* byteless) {
  bytes->clear();
  if (byteless != nullptr) byteless->clear();
  int length = 0;
  for (;;) {
    uint8_t quick;
    if (NextByteLine(&quick)) {
      bytes->push_back(quick);
      ++length;
      continue;
    }
    if (!NextLine()) break;
    const std::string_view s = line_;
    const size_t at = SkipIndentation(s);
    // Only the array's closing line can end the block; other lines need no
    // recognition.
    const BlockLineForm* form = at < s.size() ? BlockLineOf(s[at]) : nullptr;
    if (form && form->kind == LineKind::ArrayClose && Classify() == LineKind::ArrayClose) break;
    ++length;
    uint8_t byte;
    if (ReadByteLine(s.substr(at), &byte)) bytes->push_back(byte);
    else if (byteless != nullptr) byteless->push_back(lineNumber_);
  }
  bytes->resize(static_cast<size_t>(length), 0);
  return length;
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
    Written(CopyBytes(Room(n), piece.out_.get(), n));
    return 1;
  }
  // A large piece goes to the file straight from its own buffer.
  Flush();
  if (std::fwrite(piece.out_.get(), 1, n, file_) != n) writeFailed_ = true;
  return 1;
}

void ConfigStream::ClearOutput() {
  names_.Clear();
  sectionLines_.clear();
  arrayOpen_ = false;
  arrayName_.clear();
  outLength_ = 0;
}

char* ConfigStream::Room(size_t n) {
  if (outLength_ + n + kPutSlack > outCapacity_ || !out_) {
    size_t capacity = outCapacity_ ? outCapacity_ : kFirstOutputCapacity;
    while (capacity < outLength_ + n + kPutSlack) capacity *= 2;
    std::unique_ptr<char[]> grown(new char[capacity]);
    if (outLength_) std::memcpy(grown.get(), out_.get(), outLength_);
    out_ = std::move(grown);
    outCapacity_ = capacity;
  }
  return out_.get() + outLength_;
}

void ConfigStream::Written(char* at) {
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
  outLength_ = 0;
  return !writeFailed_;
}

int ConfigStream::WriteSectionOpen(std::string_view name) {
  const int depth = Depth();
  char* at = PutIndent(Room(IndentWidth(depth) + BlockLineLength(name)), depth);
  Written(PutBlockLine(at, LineKind::SectionOpen, name));
  PushSection(name);
  return 1;
}

int ConfigStream::WriteSectionClose() {
  if (names_.Count() == 0) return 0;
  std::string name;
  PopSection(&name);
  const int depth = Depth();
  char* at = PutIndent(Room(IndentWidth(depth) + BlockLineLength(name)), depth);
  Written(PutBlockLine(at, LineKind::SectionClose, name));
  return 1;
}

void ConfigStream::WriteArray(std::string_view name, const uint8_t* bytes, int count) {
  const int depth = Depth();
  const size_t indent = IndentWidth(depth);
  Written(PutBlockLine(PutIndent(Room(indent + BlockLineLength(name)), depth), LineKind::ArrayOpen, name));
  const size_t lineRoom = indent + kByteLineRoom;
  const size_t run = std::max<size_t>(1, kByteRun / lineRoom);
  const size_t total = count > 0 ? static_cast<size_t>(count) : 0;
  for (size_t first = 0; first < total; first += run) {
    const size_t last = std::min(total, first + run);
    char* at = Room(lineRoom * (last - first));
    for (size_t i = first; i < last; ++i) at = PutByteLine(PutIndent(at, depth), bytes[i]);
    Written(at);
  }
  Written(PutBlockLine(PutIndent(Room(indent + BlockLineLength(name)), depth), LineKind::ArrayClose, name));
}

int ConfigStream::WriteValue(std::string_view record, const Value& value) {
  const ValueType type = value.Type();
  if (type == ValueType::None) return 0;
  const std::string_view valueName = value.NameView();
  if (type == ValueType::Binary) {
    std::string name(QualifiedNameLength(record, valueName), '\0');
    PutQualifiedName(name.data(), record, valueName);
    WriteArray(name, value.GetBytes(), value.GetSize());
    return 1;
  }
  // One line, straight into the buffer.
  const int depth = Depth();
  const std::string_view text(value.GetString(), value.StringLength());
  char* at = PutIndent(Room(IndentWidth(depth) + ValueLineRoom(type, record, valueName, text.size())), depth);
  Written(PutValueLine(at, type, record, valueName, value.Number(), text));
  return 1;
}

}  // namespace cfg
