// Writing a large tree on two threads. The tree is cut, in the order of
// writing, into pieces of about 32 Ki lines; while the calling thread cuts, a
// helper formats pieces into memory, then both format the pieces left, and
// the calling thread writes them to the stream in order.
#pragma once

namespace cfg {

class ConfigStream;
class Section;

// Writes the section's tree to the stream, which must stand outside any
// section block: the text Section::SaveSection writes. A tree of one piece
// is written by SaveSection itself, with no helper. The tree must not change
// meanwhile. Rethrows what the helper threw.
void WriteAhead(const Section& section, ConfigStream& stream);

}  // namespace cfg
