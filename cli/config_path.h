// The PATH argument of cfgtool: where a section, a record or a value sits in
// a document.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace cfg {
struct SearchHit;
struct TreeChange;
}

namespace cfgtool {

// A parsed PATH.
//
//   sec/sub/           the section sub inside section sec
//   sec/rec            record rec inside section sec (for get and set: its
//                      first unnamed value)
//   sec/rec[]          the first unnamed value of record rec
//   sec/rec[name]      the value called name in record rec
//
// A backslash makes the next character part of a name, so "\/" and "\\" put a
// slash or a backslash into a name. The value name runs from the first "[" of
// the last part up to the closing "]", which must end the path.
struct ConfigPath {
  std::vector<std::string> sections;  // outermost first
  std::string record;                 // empty when the path names a section
  bool bracketed = false;             // the record name was followed by "[...]"
  std::string value;                  // the value name; empty for an unnamed value

  bool NamesSection() const { return record.empty(); }
  bool HasValueName() const { return !value.empty(); }
};

// Parses text into *path. On failure returns false and describes the fault in
// *error (without the path itself); *path is then unspecified.
bool ParseConfigPath(std::string_view text, ConfigPath* path, std::string* error);

// Where a name stands in a PATH: its escapes depend on it.
enum class PathPart { Section, Record, Value };
// Appends name as that part of a PATH, with a backslash before each character
// that would otherwise end the name or start another part there.
void AppendPathName(std::string* out, std::string_view name, PathPart part);
// The PATH of a search hit: "sec/sub/" for a section, "sec/rec" for a record,
// "sec/rec[name]" for a value, "sec/rec[]" for an unnamed one.
std::string HitPath(const cfg::SearchHit& hit);
// The PATH of a difference, in the same forms; names on both sides are spelt
// as the first tree spells them.
std::string ChangePath(const cfg::TreeChange& change);

}  // namespace cfgtool
