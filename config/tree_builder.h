// The half of loading that does not read: recognised lines go into a
// section's tree. Loading from a stream and loading ahead on a reading thread
// (see ReadAhead) both feed their lines through here, so they build the same
// tree.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config_stream.h"
#include "line_grammar.h"

namespace cfg {

class LoadObserver;
class Record;
class Section;

// One line that loading acts on: a section's opening or closing line, a value
// line, or an array block read whole. The views point into storage that the
// producer of the line keeps until it hands out the next one.
struct RecognisedLine {
  LineKind kind = LineKind::NoItem;  // SectionOpen, SectionClose, ArrayOpen or a value line
  long long line = 0;                // its 1-based number (an array's opening line)
  std::string_view name;             // section or array name; a value line's whole name
  QualifiedName split;               // a value line's name, split into record and value
  std::string_view text;             // StringLine: the text
  NumberDatum number{};              // the datum of the other value lines
  const uint8_t* bytes = nullptr;    // ArrayOpen: count bytes (see ConfigStream::ReadArray)
  int count = 0;
  bool unclosed = false;             // ArrayOpen: the input ended inside the block
};

// What a RecognisedLine of an array block points at.
struct ArrayStorage {
  std::string name;
  std::vector<uint8_t> bytes;
};

// Takes the stream's current line, which Classify has just recognised as kind
// (SectionOpen, SectionClose, ArrayOpen or a value line), into *out. For
// ArrayOpen it reads the whole block into *array, which *out then points at.
// The other views in *out stay valid until the stream reads on. Inline: both
// loaders take every line through it.
inline void TakeLine(ConfigStream& stream, LineKind kind, ArrayStorage* array, RecognisedLine* out) {
  out->kind = kind;
  out->line = stream.LineNumber();
  out->name = stream.ItemNameView();
  switch (kind) {
    case LineKind::IntLine: out->number.i = stream.IntValue(); break;
    case LineKind::FloatLine: out->number.f = stream.FloatValue(); break;
    case LineKind::DoubleLine: out->number.d = stream.DoubleValue(); break;
    case LineKind::Int64Line: out->number.l = stream.Int64Value(); break;
    case LineKind::StringLine: out->text = stream.StringValueView(); break;
    case LineKind::ArrayOpen:
      // The name is a view into the line, which reading the block moves past.
      array->name.assign(out->name.data(), out->name.size());
      out->count = stream.ReadArray(&array->bytes);
      out->name = array->name;
      out->bytes = array->bytes.data();
      out->unclosed = stream.IsArrayOpen() != 0;
      return;
    default:
      return;
  }
  out->split = stream.ItemQualifiedName();
}

// Applies recognised lines to a section, as Section::LoadSection describes.
class TreeBuilder {
 public:
  // observer may be nullptr.
  TreeBuilder(Section* root, LoadObserver* observer);

  // Applies one line. Returns false once a closing line has ended the
  // section loading began in (nothing further belongs to it), else true.
  bool Apply(const RecognisedLine& line);

 private:
  // Where the loader stands: the section being filled, and the number of
  // refused blocks (blocks whose name belongs to a record) open inside it.
  struct Frame {
    Section* section;
    int refusedBlocks;
    Record* lastRecord;  // the record of the previous value line in this section
  };
  Record* RecordFor(Frame& frame, std::string_view name);

  std::vector<Frame> stack_;
  LoadObserver* observer_;
};

}  // namespace cfg
