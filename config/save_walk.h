// The order in which a section's tree is written: one step at a time, a
// section block opening, a record's values, a section block closing. Saving
// on one thread walks it whole; saving on two cuts it into pieces, each
// starting from a copy of the walk.
#pragma once

#include <vector>

namespace cfg {

class ConfigNode;
class ConfigStream;
class Section;

class SaveWalk {
 public:
  enum Kind { Open, Values, Close };
  // The walk of root's tree. A file section and an unnamed section write no
  // block of their own: their children go straight into the enclosing level.
  // Null children and unnamed records write nothing and make no step.
  explicit SaveWalk(const Section& root);
  // The next step; false when the walk is over.
  bool Next(Kind* kind, const ConfigNode** node);
  // Writes the next step to out; false when the walk is over.
  bool WriteNext(ConfigStream& out);
  // Opens, in out, the blocks open at this point of the walk (for a writer
  // that starts here).
  void ReopenBlocks(ConfigStream& out) const;

 private:
  struct Frame {
    const Section* section;
    int next;
  };
  std::vector<Frame> stack_;
  bool rootPending_;  // the root's own block is still to open
};

}  // namespace cfg
