// Writing a large tree on two threads. The tree is cut, in the order of
// writing, into pieces of some ten thousand lines; the calling thread and a
// helper format pieces into memory by turns, and the calling thread writes
// them to the stream in order. The text is the one Section::SaveSection
// writes.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace cfg {

class ConfigNode;
class ConfigStream;
class Section;

class WriteAhead {
 public:
  // Plans the pieces of the section's tree. The tree must not change until
  // Write has returned.
  explicit WriteAhead(const Section& section);

  // Number of pieces; with fewer than two, a helper has nothing to do.
  size_t Pieces() const { return pieces_.size(); }

  // Writes the tree to the stream (a writer that stands outside any section
  // block). Rethrows what a formatting thread threw.
  void Write(ConfigStream& stream) const;

 private:
  // The walk of Section::SaveSection, one step at a time: a section block
  // opens, a record's values, a section block closes. Copies of it mark
  // where pieces start.
  class Walk {
   public:
    enum Kind { Open, Values, Close };
    explicit Walk(const Section& root);
    // The next step; false when the walk is over.
    bool Next(Kind* kind, const ConfigNode** node);
    // Opens, in out, the blocks open at this point of the walk.
    void ReopenBlocks(ConfigStream& out) const;

   private:
    struct Frame {
      const Section* section;
      int next;
    };
    std::vector<Frame> stack_;
    bool rootPending_;  // the root's own block is still to open
  };
  // A piece: the walk where it starts, and its number of steps.
  struct Piece {
    Walk start;
    size_t steps;
  };
  // Formats one piece into the in-memory writer out.
  void Format(const Piece& piece, ConfigStream& out) const;

  std::vector<Piece> pieces_;
};

}  // namespace cfg
