// Section::Load, Save, LoadFrom and SaveTo: a document from its file (or any
// stream) and back, on two threads where that helps.
#include <cstring>
#include <memory>
#include <system_error>
#include <string>
#include <vector>

#include "config_node.h"
#include "config_stream.h"
#include "file_replace.h"
#include "read_ahead.h"
#include "save_walk.h"
#include "tree_builder.h"
#include "write_ahead.h"

namespace cfg {
namespace {

// From this size on, an input is read and recognised on a second thread
// while this one builds the tree.
constexpr int64_t kReadAheadFrom = 4 << 20;

}  // namespace

int Section::Load(LoadObserver* observer) {
  if (!IsFile() || GetName() == nullptr) return 0;
  ConfigStream stream(GetName(), ConfigStream::ReadMode);
  if (!stream.IsOpen()) return 0;
  return LoadFrom(stream, observer) ? 1 : 0;
}

bool Section::LoadFrom(ConfigStream& stream, LoadObserver* observer) {
  const int64_t size = stream.InputSize();
  if (observer == nullptr && (size < 0 || size >= kReadAheadFrom)) {
    LoadSectionAhead(stream);
  } else {
    LoadSection(stream, observer);
  }
  // A read error is not the end of the input: report it rather than pass a
  // cut-off tree as a whole one.
  return !stream.ReadFailed();
}

void Section::LoadSection(ConfigStream& stream, LoadObserver* observer) {
  TreeBuilder builder(this, observer);
  ArrayStorage array;
  RecognisedLine line;
  while (stream.NextLine()) {
    const LineKind kind = stream.Classify();
    const bool skipped = kind == LineKind::NoItem || kind == LineKind::OtherLine;
    if (observer) {
      if (skipped) observer->Skipped(stream);
      // A line taken as an item, a blank or a comment, whose rest is lost; a
      // line refused for any other reason is lost whole, and said so above.
      const LineIssue issue = stream.Issue();
      if ((!skipped || issue == LineIssue::Blank || issue == LineIssue::Comment) && stream.HidesText(kind))
        observer->Dropped(stream.LineNumber(), LoadObserver::Drop::HiddenText, {});
    }
    if (skipped) continue;
    if (kind == LineKind::ArrayClose) continue;
    TakeLine(stream, kind, &array, &line);
    if (!builder.Apply(line)) return;
  }
  if (observer) {
    // Sections still open at the end of the input end there.
    for (int i = stream.Depth() - 1; i >= 0; --i) {
      observer->Dropped(stream.SectionLine(i), LoadObserver::Drop::UnclosedSection,
                        stream.SectionName(i));
    }
  }
}

void Section::LoadSectionAhead(ConfigStream& stream) {
  std::unique_ptr<ReadAhead> ahead;
  try {
    ahead = std::make_unique<ReadAhead>(stream);
  } catch (const std::system_error&) {
    // No thread to read with: nothing is read yet, so read here.
    LoadSection(stream);
    return;
  }
  TreeBuilder builder(this, nullptr);
  while (const RecognisedLine* line = ahead->Next()) {
    if (!builder.Apply(*line)) return;
  }
}

int Section::Save() const {
  if (!IsFile() || GetName() == nullptr) return 0;
  const std::string target = ResolveSaveTarget(GetName());
  if (IsSpecialFile(target)) {
    // A device or a pipe cannot be replaced: write to it directly.
    ConfigStream stream(target.c_str(), ConfigStream::WriteMode);
    if (!stream.IsOpen()) return 0;
    return SaveTo(stream) ? 1 : 0;
  }
  std::string temporary;
  {
    ConfigStream stream(CreateTemporaryBeside(target, &temporary), ConfigStream::WriteMode, true);
    if (!stream.IsOpen()) return 0;
    if (!SaveTo(stream)) {
      std::remove(temporary.c_str());
      return 0;
    }
  }
  return ReplaceWithTemporary(temporary, target) ? 1 : 0;
}

bool Section::SaveTo(ConfigStream& stream) const {
  SaveSectionAhead(stream);
  return stream.Close();
}

void Section::SaveSection(ConfigStream& stream) const {
  SaveWalk walk(*this);
  while (walk.WriteNext(stream)) {
  }
}

void Section::SaveSectionAhead(ConfigStream& stream) const {
  // Pieces are formatted as if from outside every block.
  if (stream.Depth() != 0) {
    SaveSection(stream);
  } else {
    WriteAhead(*this, stream);
  }
}

void Record::WriteValues(ConfigStream& stream) const {
  if (GetName() == nullptr) return;
  const std::string_view recordName = NameView();
  for (int i = 1; i <= Count(); ++i) {
    const auto* value = static_cast<const Value*>(ItemAt(i));
    if (value != nullptr && !value->IsNone()) stream.WriteValue(recordName, *value);
  }
}

}  // namespace cfg
