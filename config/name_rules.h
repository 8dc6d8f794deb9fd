// Which names survive a save: the writer puts any name into its line as it
// stands, but the reader splits lines at certain characters, so a name that
// holds one of them (or is empty where a name is required) is read back
// differently or not at all. Every caller that creates or renames something -
// the editor's commands, cfgtool set and check - asks here before it does;
// a value and its two names together are judged by ValueProblem
// (value_rules.h), which asks here.
#pragma once

#include <functional>
#include <string_view>

namespace cfg {

class Record;
class Section;
struct SearchHit;

// What a name is used as. A record or value of a byte array is written in a
// block's opening line ("[ record[value]:"), whose name ends at ":" and may
// not begin with a blank, so it has the stricter rules of a section name too.
enum class NameUse { Section, Record, ArrayRecord, Value, ArrayValue };

// Who a phrase of NameProblem speaks of: "it", or one of the two names of a
// value line ("the record name", "the value name").
enum class NameSubject { It, RecordName, ValueName };

// Why the name would be written but read back differently or not at all, as
// a phrase ("it holds \":\""), or nullptr when it survives. A value name may
// be empty (the value is then read back unnamed); the others may not.
const char* NameProblem(NameUse use, std::string_view name, NameSubject subject = NameSubject::It);

// For a name read from a file: NameProblem's phrase when a save and a reload
// really give the name back differently or not at all, between neighbours
// that keep their places; nullptr when it comes back as it was. NameProblem
// refuses more than that for a new name ("x\r" as a record name survives a
// value line but not an array's opening line); this one asks the writer and
// the reader themselves.
const char* NameLostBySave(NameUse use, std::string_view name);

// What the name of that record is used as when it is written: ArrayRecord
// once it holds a byte array, Record otherwise.
NameUse RecordNameUse(const Record& record);

// Whether a save of root's tree gives every name back: false after calling
// lost with the first item (in the order a save writes them) whose name
// NameLostBySave finds lost in its use, and its phrase. A program that
// rewrites a file it has read asks here before it writes: a name read from
// a file can be one that a save changes (a section's "a;b" closes as "a").
bool NamesSurviveSave(const Section& root, const std::function<void(const SearchHit& item, const char* problem)>& lost);

}  // namespace cfg
