// The reader and writer of one configuration file, line by line.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "line_grammar.h"

namespace cfg {

class Value;

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

struct InMemory {};

// One configuration file opened for reading or writing. Lines are read whole,
// however long. Writes are buffered; Close() reports whether everything
// reached the file.
class ConfigStream {
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
  ~ConfigStream();
  ConfigStream(const ConfigStream&) = delete;

  int IsOpen() const { return open_ ? 1 : 0; }
  // Bytes to read: a regular file's size when it was opened, an in-memory
  // text's length; -1 when unknown (a device, a pipe, a writing stream).
  int64_t InputSize() const { return inputSize_; }
  int IsArrayOpen() const { return arrayOpen_ ? 1 : 0; }
  // The innermost open section's name, or nullptr when none is open.
  const char* TopSectionName() const;
  // Opens a section of that name (for a writer that starts inside it).
  void PushSection(std::string_view name);
  // Number of open sections, and the name and opening line number of each
  // (0 is the outermost).
  int Depth() const { return names_.Count(); }
  const char* SectionName(int index) const;
  long long SectionLine(int index) const;
  // True once reading the file failed (not at its end).
  bool ReadFailed() const { return readFailed_; }
  // Closes the innermost open section, copying its name into *name when
  // given; false when none is open.
  bool PopSection(std::string* name = nullptr);

  // --- reading ---
  // Reads the next line; 1 when a line was read, 0 at the end of the input.
  int NextLine();
  // Recognises the current line (see line_grammar.h) and updates the
  // stream's state: the open sections and the open array.
  LineKind Classify();
  // The shortcut for the lines of most files: when the current line is a
  // value line in the writer's own shape (ReadWrittenValueLine), fills *out
  // with what Classify and the item accessors would give for it, and returns
  // true. Nothing of the stream's state changes. False for any other line:
  // Classify decides.
  bool RecogniseWrittenValue(ValueLine* out) const;
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
  // Name of the last recognised value, section or array line; valid until
  // the next Classify.
  std::string_view ItemNameView() const { return itemView_; }
  // The item name split as SplitQualifiedName splits it (the split of a value
  // line's name of the plain shape is found while the line is recognised).
  QualifiedName ItemQualifiedName() const;
  int32_t IntValue() const { return intSlot_; }
  float FloatValue() const { return floatSlot_; }
  double DoubleValue() const { return doubleSlot_; }
  int64_t Int64Value() const { return int64Slot_; }
  // Value text of the last value line (the string itself for a StringLine);
  // valid until the next Classify.
  std::string_view StringValueView() const { return valueView_; }
  // Reads the open array's lines up to and including its
  // closing line (or the end of the input) and returns the array's length,
  // the number of lines before the closing line. bytes receives that many
  // bytes: those of the lines that hold a hexadecimal number, in order, then
  // zeros for the lines that hold none. byteless, when given, receives the
  // numbers of the lines that hold none. IsArrayOpen() tells afterwards
  // whether the input ended before the closing line.
  int ReadArray(std::vector<uint8_t>* bytes, std::vector<long long>* byteless = nullptr);

  // --- writing ---
  // Writes a section's opening line and opens the section; its closing line
  // and closes it (0, and nothing written, when no section is open).
  int WriteSectionOpen(std::string_view name);
  int WriteSectionClose();
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
  // What an in-memory writer has written.
  const std::string& Output() const;

 private:
  // Sizes the read buffer from the open file; the stream is open when
  // file_ is.
  void Start();
  bool Fill();
  // Reads the next line when it is a byte line of the writer's shape that the
  // buffer holds whole; false (nothing read) otherwise.
  bool NextByteLine(uint8_t* byte);
  LineKind ClassifyValueLine(std::string_view text, size_t at);
  LineKind ClassifyBlockLine(std::string_view text, size_t at, const BlockLineForm& form);
  LineKind Refuse(LineIssue issue);
  void SetItemName(std::string_view name);
  void PinViews();
  // Room for n more bytes at the end of the output buffer, and kPutSlack past them.
  char* Room(size_t n);
  // The output buffer's end is at; flushed when it is full.
  void Written(char* at);
  void FlushIfFull();
  bool Flush();
  void WriteArray(std::string_view name, const uint8_t* bytes, int count);

  std::FILE* file_ = nullptr;
  bool open_ = false;
  int mode_ = ReadMode;
  bool closeFile_ = true;  // Close() closes file_, not only flushes it

  // reading
  std::vector<char> buf_;   // file bytes, then kLineSlack bytes of room
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
  bool arrayOpen_ = false;
  std::string arrayName_;
  // The item name and value text are views into the current line until the
  // buffer moves; then they are copied into the strings (PinViews).
  std::string_view itemView_;
  NameSplit itemSplit_;  // where the last value line's name splits, when plain
  std::string_view valueView_;
  std::string itemName_;
  std::string valueText_;
  int32_t intSlot_ = 0;
  float floatSlot_ = 0;
  double doubleSlot_ = 0;
  int64_t int64Slot_ = 0;

  // writing
  std::unique_ptr<char[]> out_;
  size_t outLength_ = 0;
  size_t outCapacity_ = 0;
  mutable std::string outText_;
  bool writeFailed_ = false;
};

}  // namespace cfg
