// Loading a document from its file and saving it back.
#include <cstring>
#include <string>
#include <vector>

#include "config_node.h"
#include "config_stream.h"
#include "file_replace.h"

namespace cfg {
namespace {

// Where the loader stands: the section being filled, and the number of
// refused blocks (blocks whose name belongs to a record) open inside it.
struct LoadFrame {
  Section* section;
  int refusedBlocks;
  Record* lastRecord;  // the record of the previous value line in this section
};

Record* RecordFor(LoadFrame& frame, std::string_view name) {
  // Consecutive lines of one record are common; nothing renames children while
  // loading, so the previous match is still the first match for that name.
  if (frame.lastRecord && NamesEqual(frame.lastRecord->NameView(), name)) return frame.lastRecord;
  Record* record = frame.section->FindOrCreateRecord(name);
  if (record) frame.lastRecord = record;
  return record;
}

}  // namespace

int Section::Load(LoadObserver* observer) {
  if (!IsFile() || GetName() == nullptr) return 0;
  ConfigStream stream(GetName(), ConfigStream::ReadMode);
  if (!stream.IsOpen()) return 0;
  LoadSection(stream, observer);
  // A read error is not the end of the file: report it rather than pass a
  // cut-off document as a whole one.
  return stream.ReadFailed() ? 0 : 1;
}

void Section::LoadSection(ConfigStream& stream, LoadObserver* observer) {
  std::vector<LoadFrame> stack{{this, 0, nullptr}};
  std::vector<uint8_t> bytes;
  while (stream.NextLine()) {
    const LineKind kind = stream.Classify();
    LoadFrame& frame = stack.back();
    switch (kind) {
      case LineKind::SectionOpen: {
        Section* child = frame.section->FindOrCreateSection(stream.ItemNameView());
        if (child) {
          stack.push_back({child, 0, nullptr});
        } else {
          // The name belongs to a record: the block's lines are read at this
          // level, and its closing line ends only the block.
          ++frame.refusedBlocks;
          if (observer) {
            observer->Dropped(stream.LineNumber(), LoadObserver::Drop::SectionIsRecord,
                              stream.ItemNameView());
          }
        }
        break;
      }
      case LineKind::SectionClose:
        if (frame.refusedBlocks > 0) {
          --frame.refusedBlocks;
        } else {
          stack.pop_back();
          if (stack.empty()) return;
        }
        break;
      case LineKind::ArrayOpen: {
        const std::string name(stream.ItemNameView());
        const long long line = stream.LineNumber();
        const int count = stream.ReadArray(&bytes);
        if (count > 0) {
          QualifiedName q = SplitQualifiedName(name);
          Record* record = RecordFor(frame, q.record);
          int added = 0;
          if (record) {
            std::unique_ptr<Value> value = std::make_unique<Value>(bytes.data(), count);
            if (q.hasValueName) value->SetName(q.value);
            added = record->AddChild(value);
          }
          if (!added && observer) {
            observer->Dropped(line, record ? LoadObserver::Drop::ValueNameTaken
                                           : LoadObserver::Drop::RecordIsSection, name);
          }
          if (stream.IsArrayOpen() && observer) {
            observer->Dropped(line, LoadObserver::Drop::UnclosedArray, name);
          }
        } else if (observer) {
          observer->Dropped(line, stream.IsArrayOpen() ? LoadObserver::Drop::UnclosedArray
                                                       : LoadObserver::Drop::EmptyArray, name);
        }
        break;
      }
      case LineKind::IntLine:
      case LineKind::FloatLine:
      case LineKind::StringLine:
      case LineKind::DoubleLine:
      case LineKind::Int64Line: {
        QualifiedName q = stream.ItemQualifiedName();
        Record* record = RecordFor(frame, q.record);
        int added = 0;
        if (record) {
          std::unique_ptr<Value> value;
          switch (kind) {
            case LineKind::IntLine: value = std::make_unique<Value>(stream.IntValue()); break;
            case LineKind::FloatLine: value = std::make_unique<Value>(stream.FloatValue()); break;
            case LineKind::DoubleLine: value = std::make_unique<Value>(stream.DoubleValue()); break;
            case LineKind::Int64Line: value = std::make_unique<Value>(stream.Int64Value()); break;
            default: {
              std::string_view text = stream.StringValueView();
              value = std::make_unique<Value>(text.data(), text.size());
            }
          }
          if (q.hasValueName) value->SetName(q.value);
          added = record->AddChild(value);
        }
        if (!added && observer) {
          observer->Dropped(stream.LineNumber(),
                            record ? LoadObserver::Drop::ValueNameTaken
                                   : LoadObserver::Drop::RecordIsSection,
                            stream.ItemNameView());
        }
        break;
      }
      case LineKind::NoItem:
      case LineKind::OtherLine:
        if (observer) observer->Skipped(stream);
        break;
      case LineKind::ArrayClose:
        break;
    }
  }
  if (observer) {
    // Sections still open at the end of the input end there.
    for (int i = stream.Depth() - 1; i >= 0; --i) {
      observer->Dropped(stream.SectionLine(i), LoadObserver::Drop::UnclosedSection,
                        stream.SectionName(i));
    }
  }
}

int Section::Save() const {
  if (!IsFile() || GetName() == nullptr) return 0;
  const std::string target = ResolveSaveTarget(GetName());
  if (IsSpecialFile(target)) {
    // A device or a pipe cannot be replaced: write to it directly.
    ConfigStream stream(target.c_str(), ConfigStream::WriteMode);
    if (!stream.IsOpen()) return 0;
    SaveSection(stream);
    return stream.Close() ? 1 : 0;
  }
  const std::string temporary = TemporaryPathBeside(target);
  {
    ConfigStream stream(temporary.c_str(), ConfigStream::WriteMode);
    if (!stream.IsOpen()) return 0;
    SaveSection(stream);
    if (!stream.Close()) {
      std::remove(temporary.c_str());
      return 0;
    }
  }
  return ReplaceWithTemporary(temporary, target) ? 1 : 0;
}

void Section::SaveSection(ConfigStream& stream) const {
  // A file section and an unnamed section write no block of their own: their
  // children go straight into the enclosing level.
  auto opensBlock = [](const Section* s) { return !s->IsFile() && s->GetName() != nullptr; };
  struct Frame {
    const Section* section;
    int next;
  };
  std::vector<Frame> stack{{this, 1}};
  if (opensBlock(this)) stream.WriteSectionOpen(NameView());
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.next > frame.section->Count()) {
      if (opensBlock(frame.section)) stream.WriteSectionClose();
      stack.pop_back();
      continue;
    }
    auto* node = static_cast<const ConfigNode*>(frame.section->ItemAt(frame.next++));
    if (node == nullptr || node->IsNull()) continue;
    if (node->IsRecord()) {
      static_cast<const Record*>(node)->WriteValues(stream);
    } else {
      auto* child = static_cast<const Section*>(node);
      if (opensBlock(child)) stream.WriteSectionOpen(child->NameView());
      stack.push_back({child, 1});
    }
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
