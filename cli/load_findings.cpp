#include "load_findings.h"

#include <algorithm>

#include "config/name_rules.h"
#include "tool_io.h"

namespace cfgtool {

void LoadFindings::Add(long long line, std::string reason) {
  findings_.push_back({line, std::move(reason)});
}

void LoadFindings::Skipped(const cfg::ConfigStream& stream) {
  cfg::LineIssue issue = stream.Issue();
  if (issue == cfg::LineIssue::Blank || issue == cfg::LineIssue::Comment || issue == cfg::LineIssue::None)
    return;
  Add(stream.LineNumber(), cfg::DescribeLineIssue(issue));
}

void LoadFindings::Dropped(long long line, Drop what, std::string_view name) {
  switch (what) {
    case Drop::ValueNameTaken:
      Add(line, "value " + Quoted(name) + " dropped: its name is taken in its record");
      break;
    case Drop::RecordIsSection:
      Add(line, "value " + Quoted(name) + " dropped: its record name belongs to a section");
      break;
    case Drop::SectionIsRecord:
      Add(line, "section " + Quoted(name) + " not entered: its name belongs to a record");
      break;
    case Drop::EmptyArray:
      Add(line, "array " + Quoted(name) + " dropped: it has no lines");
      break;
    case Drop::UnclosedSection:
      Add(line, "section " + Quoted(name) + " still open at the end of the file");
      break;
    case Drop::UnclosedArray:
      Add(line, "array " + Quoted(name) + " still open at the end of the file");
      break;
    case Drop::HiddenText:
      Add(line, "text behind a carriage return or NUL byte is not read");
      break;
  }
}

void LoadFindings::CheckRestUnread(cfg::ConfigStream& stream) {
  long long last = stream.LineNumber();
  if (stream.NextLine() != 0) {
    lastLineLoaded_ = last;
    Add(stream.LineNumber(), "not read: loading ended at an earlier closing line");
  }
}

void LoadFindings::ScanNames(cfg::ConfigStream& stream) {
  auto checkName = [this](long long line, const char* what, cfg::NameUse use, std::string_view name) {
    if (const char* problem = cfg::NameLostBySave(use, name))
      Add(line, std::string(what) + " " + Quoted(name) + " will not survive a save: " + problem);
  };
  while (stream.NextLine() != 0) {
    long long line = stream.LineNumber();
    if (lastLineLoaded_ >= 0 && line > lastLineLoaded_) break;
    cfg::LineKind kind = stream.Classify();
    switch (kind) {
      case cfg::LineKind::SectionOpen:
        checkName(line, "section name", cfg::NameUse::Section, stream.ItemNameView());
        break;
      case cfg::LineKind::IntLine:
      case cfg::LineKind::FloatLine:
      case cfg::LineKind::StringLine:
      case cfg::LineKind::DoubleLine:
      case cfg::LineKind::Int64Line: {
        std::string name(stream.ItemNameView());
        cfg::QualifiedName split = cfg::SplitQualifiedName(name);
        checkName(line, "record name", cfg::NameUse::Record, split.record);
        if (split.hasValueName) checkName(line, "value name", cfg::NameUse::Value, split.value);
        break;
      }
      case cfg::LineKind::ArrayOpen: {
        std::string name(stream.ItemNameView());
        cfg::QualifiedName split = cfg::SplitQualifiedName(name);
        checkName(line, "record name", cfg::NameUse::ArrayRecord, split.record);
        if (split.hasValueName) checkName(line, "value name", cfg::NameUse::ArrayValue, split.value);
        // The block's lines are bytes whatever they hold; one without a
        // number still counts in the array's length.
        // An array left open swallows the rest of the input; that is one
        // finding (from loading), not one per line.
        std::vector<uint8_t> bytes;
        std::vector<long long> byteless;
        stream.ReadArray(&bytes, &byteless);
        if (!stream.IsArrayOpen()) {
          for (long long at : byteless)
            Add(at, "line in array " + Quoted(name) + " holds no byte but counts in the array's length");
        }
        break;
      }
      default:
        break;
    }
  }
}

std::vector<Finding> LoadFindings::Sorted() const {
  std::vector<Finding> sorted = findings_;
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const Finding& a, const Finding& b) { return a.line < b.line; });
  sorted.erase(std::unique(sorted.begin(), sorted.end(),
                           [](const Finding& a, const Finding& b) { return a.line == b.line && a.reason == b.reason; }),
               sorted.end());
  return sorted;
}

}  // namespace cfgtool
