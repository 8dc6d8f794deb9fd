// Sections, records and the document.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "named_object.h"
#include "line_grammar.h"
#include "value.h"

namespace cfg {

class ConfigStream;
class Record;
class Section;

// A named list with two kind flags.
class ConfigNode : public NamedList {
 public:
  ConfigNode(const char* name, bool isRecord);  // named; isNull clear
  ConfigNode(bool isRecord, bool isNull);       // unnamed
  ConfigNode(const ConfigNode& other);          // deep copy with both flags
  bool IsRecord() const { return (Tag() & kRecordBit) != 0; }
  bool IsNull() const { return (Tag() & kNullBit) != 0; }

 protected:
  ConfigNode(const ConfigNode& other, ShallowCopy);

  // The kind flags live in the object's tag (see NamedObject::Tag).
  static constexpr unsigned char kRecordBit = 1;
  static constexpr unsigned char kNullBit = 2;
  static constexpr unsigned char kFileBit = 4;  // a Section's file flag
};

// Receives what loading skips or drops (for diagnostics); see Section::Load.
class LoadObserver {
 public:
  enum class Drop {
    ValueNameTaken,        // a value whose name its record already holds
    RecordIsSection,       // a value or array whose record name belongs to a section
    SectionIsRecord,       // a section block whose name belongs to a record
    EmptyArray,            // an array block without lines
    UnclosedSection,       // a section still open at the end of the input
    UnclosedArray,         // an array block still open at the end of the input
    HiddenText,            // text behind a carriage return or NUL that ends a line for the
                           // reader (see ConfigStream::HidesText); name is empty
  };
  virtual ~LoadObserver() = default;
  // A line the stream did not recognise (NoItem or OtherLine), with the stream
  // positioned on it: ConfigStream::LineNumber() and Issue() describe it.
  virtual void Skipped(const ConfigStream& stream) = 0;
  // A recognised item that loading dropped; line is the 1-based line number.
  virtual void Dropped(long long line, Drop what, std::string_view name) = 0;
};

// A record: a list of values.
class Record : public ConfigNode {
 public:
  Record();                          // unnamed, isNull set (NullRecord)
  explicit Record(const char* name); // isNull clear
  explicit Record(std::string_view name);
  Record(const Record& other);       // deep copy

  // The value in that slot; NullValue for an empty slot or an index out of range.
  Value* ValueAt(int index) const;

  // Each creator makes a value of its type, names it (nullptr or "" leaves it
  // unnamed) and adds it; when a value of that name (ASCII case ignored) is
  // there already, the new value is discarded. Returns the slot index, or 0.
  int CreateIntValue(const char* name, int32_t number);
  int CreateStringValue(const char* name, const char* text);
  int CreateBinaryValue(const char* name, const uint8_t* bytes, int32_t count);
  // Adds a value made by the caller, named as it is; 0 when refused (the
  // value then stays with the caller).
  int AddChild(std::unique_ptr<Value>& value) { return Add(value); }

  // Writes every value of type other than None as a value line or array block,
  // in slot order; an unnamed record writes nothing.
  void WriteValues(ConfigStream& stream) const;

  std::unique_ptr<NamedObject> Clone() const override;

 protected:
  Record(const Record& other, ShallowCopy);
  std::unique_ptr<NamedList> CloneEmpty() const override;
};

// Tag of Section's file constructor.
struct FileSectionTag {};
inline constexpr FileSectionTag kFileSection{};

// A section: sections and records in one slot list. A document is a section
// with the file flag set, named by the path of its file.
class Section : public ConfigNode {
 public:
  Section();                           // unnamed, isNull set, not a file
  explicit Section(const char* name);  // isNull clear, not a file
  explicit Section(std::string_view name);
  Section(FileSectionTag, const char* path);  // named by path ("" gives none), file flag set
  Section(const Section& other);       // deep copy, file flag included

  bool IsFile() const { return (Tag() & kFileBit) != 0; }

  // The child record of that name; NullRecord when none (or when the name
  // belongs to a section).
  Record* RecordByName(const char* name) const;
  Record* RecordByName(std::string_view name) const;
  // The child in that slot when it is a record / a section; else the sentinel.
  Record* RecordAt(int index) const;
  Section* SectionAt(int index) const;

  // The child of that name, existing or new; nullptr when the name belongs to
  // the other kind of child. nullptr or "" always makes a new unnamed child.
  Record* FindOrCreateRecord(const char* name);
  Record* FindOrCreateRecord(std::string_view name);
  Section* FindOrCreateSection(const char* name);
  Section* FindOrCreateSection(std::string_view name);

  // Adds a section or record; the slot index, or 0 when refused (the child
  // then stays with the caller).
  template <class T>
  int AddChild(std::unique_ptr<T>& child) { return Add(child); }

  // Loads the file named by this section into it (adding to what is there),
  // through LoadFrom. Returns 1 when this is a file section and its file
  // could be opened and read to its end, else 0 (when it could not be
  // opened, the tree is unchanged).
  int Load(LoadObserver* observer = nullptr);
  // Writes the tree to the file named by this section, through SaveTo.
  // Returns 1 when this is a file section and the whole file was written; 0
  // otherwise, and then the file that was there before is left as it was.
  int Save() const;
  // The one way in, for every loader: reads the whole input of stream (a
  // file, standard input, a text) into this section by the fastest path -
  // on two threads when no observer listens and the input is large or of
  // unknown size; with an observer, on this thread. False when reading failed
  // before the end of the input (the tree then holds what came before).
  bool LoadFrom(ConfigStream& stream, LoadObserver* observer = nullptr);
  // The one way out, for every writer: writes the tree into stream (a file,
  // standard output, an in-memory writer) as Save does, on two threads when
  // the tree is large, then closes the stream (a stream over a file it did
  // not open is flushed). False when any write failed.
  bool SaveTo(ConfigStream& stream) const;
  // Reads lines from the stream into this section until this section's closing
  // line or the end of the input (without recursion).
  void LoadSection(ConfigStream& stream, LoadObserver* observer = nullptr);
  // LoadSection without an observer, with the stream read and its lines
  // recognised on a second thread while this one builds the tree (Load does
  // so for large files); when no thread can be started, LoadSection itself.
  // The same tree. The stream is left at the end of the input, or, when this
  // section's closing line ends the loading, somewhere after that line.
  void LoadSectionAhead(ConfigStream& stream);
  // Writes this section (a block unless it is a file section) and everything
  // below it, in slot order, skipping null children (without recursion).
  void SaveSection(ConfigStream& stream) const;
  // The same text, formatted on two threads when the tree is large and the
  // stream stands outside any section block (Save does so): pieces of the
  // tree are formatted side by side and written in order.
  void SaveSectionAhead(ConfigStream& stream) const;

  std::unique_ptr<NamedObject> Clone() const override;
  std::unique_ptr<Section> CloneSection() const;

 protected:
  Section(const Section& other, ShallowCopy);
  std::unique_ptr<NamedList> CloneEmpty() const override;
};

// Destroys a document whole, a large one on two threads: every owner of a
// loaded document frees it through this (DocumentPtr does so).
struct DocumentDeleter {
  void operator()(Section* document) const {
    if (document == nullptr) return;
    document->FreeItemsOnTwoThreads();
    delete document;
  }
};
using DocumentPtr = std::unique_ptr<Section, DocumentDeleter>;

// The shared sentinels, created before main runs: NullSection, NullRecord,
// NullValue, in that order. Never put into a list, never destroyed.
extern Section& NullSection;
extern Record& NullRecord;

}  // namespace cfg
