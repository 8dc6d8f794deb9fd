// The reader and writer of one configuration file, line by line.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "named_object.h"
#include "qualified_name.h"

namespace cfg {

class Value;

// What Classify recognised; 6..10 equal the ValueType codes of the same types.
enum class LineKind : int {
  NoItem = 0,
  SectionOpen = 1,
  SectionClose = 2,
  ArrayOpen = 3,
  ArrayClose = 4,
  IntLine = 6,
  FloatLine = 7,
  StringLine = 8,
  DoubleLine = 9,
  Int64Line = 10,
  OtherLine = 11,
};

// Why the last line classified as NoItem or OtherLine carries nothing.
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
};
const char* DescribeLineIssue(LineIssue issue);

// 1-based index of text among "int", "float", "string", "double", "int64"
// (ASCII case ignored); 0 when it is none of them.
int LookupTypeKeyword(std::string_view text);

// Names of the open sections, innermost last.
class NameStack {
 public:
  void Push(std::string_view name);
  // Removes the innermost name, copying it into *name when given; false when empty.
  bool Pop(std::string* name = nullptr);
  // The name at 0-based index, or nullptr past the end. Valid until the next change.
  const char* Get(int index) const;
  int Count() const { return static_cast<int>(starts_.size()); }
  void Clear();

 private:
  std::string buffer_;          // names back to back, each ended by NUL
  std::vector<size_t> starts_;  // offset of each name in buffer_
};

// File positions of the open sections, innermost on top.
class PositionStack {
 public:
  int Push(int64_t position);
  // Removes and returns the top position; 0 when empty.
  int64_t Pop();
  int64_t Top() const { return positions_.empty() ? 0 : positions_.back(); }
  int Count() const { return static_cast<int>(positions_.size()); }
  void Clear() { positions_.clear(); }

 private:
  std::vector<int64_t> positions_;
};

struct InMemory {};

// The datum of a number line, by its kind: i for IntLine, f for FloatLine,
// d for DoubleLine, l for Int64Line.
union NumberDatum {
  int32_t i;
  float f;
  double d;
  int64_t l;
};

// A value line as the writer writes it, taken apart (see
// ConfigStream::RecogniseWrittenValue).
struct WrittenValueLine {
  LineKind kind = LineKind::NoItem;  // IntLine ... Int64Line
  std::string_view name;             // the whole name, "record[value]"
  // Where the name splits, as ItemQualifiedName splits it: the record is
  // name[0, recordEnd); the value, when valueStart is not 0, name[valueStart, valueEnd).
  size_t recordEnd = 0;
  size_t valueStart = 0;
  size_t valueEnd = 0;
  std::string_view text;             // the text after "=", without the line end
  NumberDatum number{};              // the number of the number types
};

// One configuration file opened for reading or writing. Lines are read whole,
// however long. Writes are buffered; Close() reports whether everything
// reached the file.
class ConfigStream : public NamedObject {
 public:
  enum Mode { ReadMode = 0, WriteMode = 1 };

  // Opens path for reading (mode bit 0 clear) or writing (bit 0 set; the file
  // is created or truncated). Never fails: IsOpen() tells whether it opened.
  ConfigStream(const char* path, int mode);
  // Reads from or writes to file, already open (binary on reading, text on
  // writing, as the path constructor opens it). Close() flushes it, and
  // closes it too when adopt is set. IsOpen() is false for nullptr.
  ConfigStream(std::FILE* file, int mode, bool adopt);
  // Reads from text instead of a file.
  ConfigStream(InMemory, std::string text);
  // Writes into Output() instead of a file.
  explicit ConfigStream(InMemory);
  ~ConfigStream() override;
  ConfigStream(const ConfigStream&) = delete;

  int IsOpen() const { return open_ ? 1 : 0; }
  // Bytes to read: a regular file's size when it was opened, an in-memory
  // text's length; -1 when unknown (a device, a pipe, a writing stream).
  int64_t InputSize() const { return inputSize_; }
  int IsArrayOpen() const { return arrayOpen_ ? 1 : 0; }
  // The innermost open section's name, or nullptr when none is open.
  const char* TopSectionName() const;
  // Pushes name and the current position.
  void PushSection(std::string_view name);
  // Number of open sections, and the name and opening line number of each
  // (0 is the outermost).
  int Depth() const { return names_.Count(); }
  const char* SectionName(int index) const;
  long long SectionLine(int index) const;
  // True once reading the file failed (not at its end).
  bool ReadFailed() const { return readFailed_; }
  // 0 when no section is open; otherwise pops the innermost name (into *name
  // when given) and its position, and returns the position.
  int64_t PopSection(std::string* name = nullptr);

  // --- reading ---
  // Reads the next line; 1 when a line was read, 0 at the end of the input.
  int NextLine();
  // Recognises the current line and updates the stream's state.
  LineKind Classify();
  // A shortcut for the lines of most files: when the current line is a value
  // line in the writer's own shape (blanks, "(", a keyword spelt as the
  // writer spells it, ")", a name that neither starts with "[" nor has a
  // value part that is empty or starts with "]", "=", a text that holds a
  // number for the number types; no NUL, no carriage return), fills *out
  // with what Classify and the item accessors would give for it, and returns
  // true. Nothing of the stream's state changes. False for any other line:
  // Classify decides.
  bool RecogniseWrittenValue(WrittenValueLine* out) const;
  // The current line as read, with its line end.
  std::string_view Line() const { return line_; }
  // Whether the current line, which Classify has just read as kind, goes on
  // behind the point where reading it stopped: text (anything but blanks,
  // line ends and NULs) after a value line's text, or, on any other line,
  // after its first carriage return or NUL. A value line's name may hold a
  // carriage return; its text ends at one.
  bool HidesText(LineKind kind) const;
  // 1-based number of the current line.
  long long LineNumber() const { return lineNumber_; }
  // Why the last NoItem or OtherLine carries nothing.
  LineIssue Issue() const { return issue_; }
  // Name of the last recognised value, section or array line; overwritten by
  // the next Classify.
  const char* ItemName() const;
  std::string_view ItemNameView() const { return itemView_; }
  // The item name split as SplitQualifiedName splits it (the split of a value
  // line's name is found while the line is recognised).
  QualifiedName ItemQualifiedName() const;
  int32_t IntValue() const { return intSlot_; }
  float FloatValue() const { return floatSlot_; }
  double DoubleValue() const { return doubleSlot_; }
  int64_t Int64Value() const { return int64Slot_; }
  // Value text of the last value line (the string itself for a StringLine).
  const char* StringValue() const;
  std::string_view StringValueView() const { return valueView_; }
  // Lines up to the open array's closing line, leaving the stream where it
  // was; 0 when no array is open.
  int CountArrayLines();
  // Reads the array's lines up to and including its closing line, storing the
  // byte of each line that holds a hexadecimal number while fewer than
  // capacity are stored; returns the number of such lines.
  int ReadArrayBytes(uint8_t* buffer, int capacity);
  // Both in one pass: reads the open array's lines up to and including its
  // closing line (or the end of the input) and returns the array's length,
  // the number of lines before the closing line. bytes receives that many
  // bytes: those of the lines that hold a hexadecimal number, in order, then
  // zeros for the lines that hold none.
  int ReadArray(std::vector<uint8_t>* bytes);

  // --- writing ---
  void WriteIndent();
  int WriteSectionOpen(const char* name);
  int WriteSectionOpen(std::string_view name);
  int WriteSectionClose();
  int WriteArrayOpen(const char* name);
  int WriteArrayOpen(std::string_view name);
  int WriteArrayBytes(const uint8_t* bytes, int count);
  int WriteArrayClose();
  // Each value writer returns 0 and writes nothing when the name is nullptr.
  int WriteInt(const char* name, int32_t number);
  int WriteFloat(const char* name, float number);
  int WriteString(const char* name, const char* text);
  int WriteDouble(const char* name, double number);
  int WriteInt64(const char* name, int64_t number);
  int WriteInt(std::string_view name, int32_t number);
  int WriteFloat(std::string_view name, float number);
  int WriteString(std::string_view name, std::string_view text);
  int WriteDouble(std::string_view name, double number);
  int WriteInt64(std::string_view name, int64_t number);
  // The value line, or for a Binary value the array block, of value, named
  // record[name] after the value's name, or record alone when it has none;
  // nothing for a value of type None. Returns 1, or 0 when nothing is written.
  int WriteValue(std::string_view record, const Value& value);
  // Writes what the in-memory writer piece has written, as it stands; 1, or
  // 0 when piece holds nothing.
  int WriteOutputOf(const ConfigStream& piece);
  // Empties an in-memory writer: its output and its open sections go; its
  // buffer stays for what is written next.
  void ClearOutput();
  // Flushes and closes the file; false when any write failed. Idempotent.
  bool Close();
  // True once a write to the file has failed.
  bool WriteFailed() const { return writeFailed_; }
  // What an in-memory writer has written.
  const std::string& Output() const;

  // --- navigation (reading) ---
  int Reset();
  int FindChildSection(const char* name);
  int NextChildSection() { return FindChildSection(nullptr); }
  int SkipChildSection();
  int RewindSection();

 private:
  // Sizes the read buffer from the open file; the stream is open when
  // file_ is.
  void Start();
  int64_t Tell() const;
  void Seek(int64_t position);
  bool Fill();
  // Reads the next line when it is a byte line of the writer's shape that the
  // buffer holds whole; false (nothing read) otherwise.
  bool NextByteLine(uint8_t* byte);
  // Room for n more bytes at the end of the output buffer.
  char* Room(size_t n);
  char* PutText(char* at, std::string_view text);
  char* PutIndentAt(char* at, int depth);
  int IndentDepth() const;
  void PutLine(std::string_view head, std::string_view name, std::string_view tail);
  void FlushIfFull();
  bool Flush();
  void PutValueLine(std::string_view keyword, std::string_view name, std::string_view text);
  LineKind Refuse(LineIssue issue);
  // Forgets every open section and array.
  void CloseAll();
  void SetItemName(std::string_view name);
  void PinViews();

  std::FILE* file_ = nullptr;
  bool memory_ = false;
  bool open_ = false;
  int mode_ = ReadMode;
  bool closeFile_ = true;  // Close() closes file_, not only flushes it

  // reading
  std::vector<char> buf_;   // file bytes from bufStart_
  int64_t bufStart_ = 0;    // file offset of buf_[0]
  size_t bufLen_ = 0;       // valid bytes in buf_
  size_t bufPos_ = 0;       // next unread byte
  bool eof_ = false;
  int64_t inputSize_ = -1;
  std::string_view line_;
  bool lineHasNul_ = false;  // a NUL byte cuts the current line short
  bool lineHasCr_ = false;   // the current line holds a carriage return
  long long lineNumber_ = 0;
  std::vector<long long> sectionLines_;  // line number of each open section's opening line
  bool readFailed_ = false;
  LineIssue issue_ = LineIssue::None;

  NameStack names_;
  PositionStack positions_;
  bool arrayOpen_ = false;
  std::string arrayName_;
  // The item name and value text are views into the current line until the
  // buffer moves; then they are copied into the strings (PinViews).
  std::string_view itemView_;
  // Where the last value line's name splits, as offsets into itemView_, when
  // it has the plain shape (known false: ask SplitQualifiedName).
  struct ItemSplit {
    bool known = false;
    size_t recordEnd = 0;
    size_t valueStart = 0;  // 0: no value name
    size_t valueEnd = 0;
  } itemSplit_;
  std::string_view valueView_;
  mutable std::string itemName_;
  mutable std::string valueText_;
  int32_t intSlot_ = 0;
  float floatSlot_ = 0;
  double doubleSlot_ = 0;
  int64_t int64Slot_ = 0;

  // writing
  std::unique_ptr<char[]> out_;
  size_t outLength_ = 0;
  size_t outCapacity_ = 0;
  mutable std::string outText_;
  int64_t written_ = 0;     // bytes already handed to the file
  bool writeFailed_ = false;
};

}  // namespace cfg
