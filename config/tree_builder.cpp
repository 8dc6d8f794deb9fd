#include "tree_builder.h"

#include <memory>

#include "config_node.h"
#include "value.h"

namespace cfg {

TreeBuilder::TreeBuilder(Section* root, LoadObserver* observer)
    : stack_{{root, 0, nullptr}}, observer_(observer) {}

Record* TreeBuilder::RecordFor(Frame& frame, std::string_view name) {
  // Consecutive lines of one record are common; nothing renames children while
  // loading, so the previous match is still the first match for that name.
  if (frame.lastRecord && NamesEqual(frame.lastRecord->NameView(), name)) return frame.lastRecord;
  Record* record = frame.section->FindOrCreateRecord(name);
  if (record) frame.lastRecord = record;
  return record;
}

bool TreeBuilder::Apply(const RecognisedLine& line) {
  Frame& frame = stack_.back();
  switch (line.kind) {
    case LineKind::SectionOpen: {
      Section* child = frame.section->FindOrCreateSection(line.name);
      if (child) {
        stack_.push_back({child, 0, nullptr});
      } else {
        // The name belongs to a record: the block's lines are read at this
        // level, and its closing line ends only the block.
        ++frame.refusedBlocks;
        if (observer_) {
          observer_->Dropped(line.line, LoadObserver::Drop::SectionIsRecord, line.name);
        }
      }
      return true;
    }
    case LineKind::SectionClose:
      if (frame.refusedBlocks > 0) {
        --frame.refusedBlocks;
        return true;
      }
      stack_.pop_back();
      return !stack_.empty();
    case LineKind::ArrayOpen: {
      if (line.count <= 0) {
        if (observer_) {
          observer_->Dropped(line.line, line.unclosed ? LoadObserver::Drop::UnclosedArray
                                                      : LoadObserver::Drop::EmptyArray,
                             line.name);
        }
        return true;
      }
      const QualifiedName q = SplitQualifiedName(line.name);
      Record* record = RecordFor(frame, q.record);
      int added = 0;
      if (record) {
        auto value = std::make_unique<Value>(line.bytes, line.count);
        if (q.hasValueName) value->SetName(q.value);
        added = record->AddChild(value);
      }
      if (observer_) {
        if (!added) {
          observer_->Dropped(line.line, record ? LoadObserver::Drop::ValueNameTaken
                                               : LoadObserver::Drop::RecordIsSection,
                             line.name);
        }
        if (line.unclosed) observer_->Dropped(line.line, LoadObserver::Drop::UnclosedArray, line.name);
      }
      return true;
    }
    case LineKind::IntLine:
    case LineKind::FloatLine:
    case LineKind::StringLine:
    case LineKind::DoubleLine:
    case LineKind::Int64Line: {
      Record* record = RecordFor(frame, line.split.record);
      int added = 0;
      if (record) {
        std::unique_ptr<Value> value;
        switch (line.kind) {
          case LineKind::IntLine: value = std::make_unique<Value>(line.number.i); break;
          case LineKind::FloatLine: value = std::make_unique<Value>(line.number.f); break;
          case LineKind::DoubleLine: value = std::make_unique<Value>(line.number.d); break;
          case LineKind::Int64Line: value = std::make_unique<Value>(line.number.l); break;
          default: value = std::make_unique<Value>(line.text.data(), line.text.size());
        }
        if (line.split.hasValueName) value->SetName(line.split.value);
        added = record->AddChild(value);
      }
      if (!added && observer_) {
        observer_->Dropped(line.line, record ? LoadObserver::Drop::ValueNameTaken
                                             : LoadObserver::Drop::RecordIsSection,
                           line.name);
      }
      return true;
    }
    default:
      return true;
  }
}

}  // namespace cfg
