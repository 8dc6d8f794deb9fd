// Searching a tree: every section, record and value whose name, or for a
// value whose text, a caller's test accepts, in the order a save writes them.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

namespace cfg {

class Record;
class Section;
class Value;

// One hit of SearchTree. Its pointers and views are valid during the call
// that reports it only.
struct SearchHit {
  enum class Kind { Section, Record, Value };
  Kind kind;
  // The named sections from the searched section down to the hit's own
  // section, outermost first, as the blocks of a save nest them: a file
  // section and an unnamed section, which write no block, are left out (so
  // the list is empty for a record at the top of a document). For a section
  // hit the last entry is the hit itself.
  const std::vector<const Section*>* sections;
  const Record* record;   // the record hit, or the value hit's record; else null
  const Value* value;     // the value hit; else null
  int valueSlot;          // the value's slot in its record; else 0
  // The hit's name (empty for an unnamed value), and for a value its text as
  // ValueText gives it.
  std::string_view name;
  std::string_view text;
};

// Tells whether a name or a value's text is a match.
using SearchTest = std::function<bool(std::string_view text)>;
// The usual test: whether text holds part anywhere, ASCII letters matching in
// either case as names do; every text holds an empty part.
bool HoldsIgnoringCase(std::string_view text, std::string_view part);
// Receives each hit; returns false to end the search there.
using SearchReceiver = std::function<bool(const SearchHit& hit)>;
// A part that every text a test accepts holds, when the caller knows one
// (the whole PATTERN of a substring search), matched ignoring ASCII case or
// not; empty when none is known.
struct RequiredPart {
  std::string_view part;
  bool ignoreCase = false;
};

// Walks root's tree in the order a save writes it (see SaveWalk): a section
// when its block opens, a record with its values in slot order. Skips what a
// save skips: null sections and records with everything below them, unnamed
// records, values of type None. Reports a section or a record whose name
// passes the test, and a value whose name or text passes it (once, before the
// next item). Unnamed sections are not tested; an unnamed value's text is.
// Depth is bounded only by memory: no recursion. Returns false when the
// receiver ended the search, true when the walk went to the end. With a
// required part, a name or text without it is not tested, and the texts of
// the value types that can not hold it (see ValueTextCanHold) are not even
// formatted: the same hits, sooner.
bool SearchTree(const Section& root, const SearchTest& test, const SearchReceiver& receive,
                const RequiredPart& required = {});

}  // namespace cfg
