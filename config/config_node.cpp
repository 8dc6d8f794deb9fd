#include "config_node.h"

#include <cstring>


namespace cfg {

// ----------------------------------------------------------------- ConfigNode

ConfigNode::ConfigNode(const char* name, bool isRecord) : NamedList(name) {
  SetTag(isRecord ? kRecordBit : 0);
}
ConfigNode::ConfigNode(bool isRecord, bool isNull) {
  SetTag(static_cast<unsigned char>((isRecord ? kRecordBit : 0) | (isNull ? kNullBit : 0)));
}
// Copies keep every flag, a section's file flag included.
ConfigNode::ConfigNode(const ConfigNode& other) : NamedList(other) { SetTag(other.Tag()); }
ConfigNode::ConfigNode(const ConfigNode& other, ShallowCopy) : NamedList(other, ShallowCopy{}) {
  SetTag(other.Tag());
}

// --------------------------------------------------------------------- Record

Record::Record() : ConfigNode(true, true) {}
Record::Record(const char* name) : ConfigNode(name, true) {}
Record::Record(std::string_view name) : ConfigNode(nullptr, true) { SetName(name); }
Record::Record(const Record& other) : ConfigNode(other) {}
Record::Record(const Record& other, ShallowCopy) : ConfigNode(other, ShallowCopy{}) {}

std::unique_ptr<NamedList> Record::CloneEmpty() const {
  return std::unique_ptr<NamedList>(new Record(*this, ShallowCopy{}));
}

std::unique_ptr<NamedObject> Record::Clone() const { return NamedList::Clone(); }

Value* Record::ValueAt(int index) const {
  auto* value = static_cast<Value*>(ItemAt(index));
  return value ? value : &NullValue;
}

namespace {

template <class... Args>
int CreateValue(Record* record, const char* name, Args... args) {
  std::unique_ptr<Value> value = std::make_unique<Value>(args...);
  value->SetName(name);
  return record->AddChild(value);
}

}  // namespace

int Record::CreateIntValue(const char* name, int32_t number) {
  return CreateValue(this, name, number);
}
int Record::CreateStringValue(const char* name, const char* text) {
  return CreateValue(this, name, text);
}
int Record::CreateBinaryValue(const char* name, const uint8_t* bytes, int32_t count) {
  return CreateValue(this, name, bytes, count);
}

// -------------------------------------------------------------------- Section

Section::Section() : ConfigNode(false, true) {}
Section::Section(const char* name) : ConfigNode(name, false) {}
Section::Section(std::string_view name) : ConfigNode(nullptr, false) { SetName(name); }
Section::Section(FileSectionTag, const char* path) : ConfigNode(path, false) {
  SetTag(static_cast<unsigned char>(Tag() | kFileBit));
}
Section::Section(const Section& other) : ConfigNode(other) {}
Section::Section(const Section& other, ShallowCopy) : ConfigNode(other, ShallowCopy{}) {}

std::unique_ptr<NamedList> Section::CloneEmpty() const {
  return std::unique_ptr<NamedList>(new Section(*this, ShallowCopy{}));
}

std::unique_ptr<NamedObject> Section::Clone() const { return NamedList::Clone(); }

std::unique_ptr<Section> Section::CloneSection() const {
  return std::unique_ptr<Section>(static_cast<Section*>(Clone().release()));
}

Record* Section::RecordByName(const char* name) const {
  return name ? RecordByName(std::string_view(name)) : &NullRecord;
}

Record* Section::RecordByName(std::string_view name) const {
  auto* node = static_cast<ConfigNode*>(FindByName(name));
  return (node && node->IsRecord()) ? static_cast<Record*>(node) : &NullRecord;
}

Record* Section::RecordAt(int index) const {
  auto* node = static_cast<ConfigNode*>(ItemAt(index));
  return (node && node->IsRecord()) ? static_cast<Record*>(node) : &NullRecord;
}

Section* Section::SectionAt(int index) const {
  auto* node = static_cast<ConfigNode*>(ItemAt(index));
  return (node && !node->IsRecord()) ? static_cast<Section*>(node) : &NullSection;
}

Record* Section::FindOrCreateRecord(const char* name) {
  return FindOrCreateRecord(name ? std::string_view(name) : std::string_view());
}

Record* Section::FindOrCreateRecord(std::string_view name) {
  if (auto* node = static_cast<ConfigNode*>(FindByName(name))) {
    return node->IsRecord() ? static_cast<Record*>(node) : nullptr;
  }
  auto record = std::make_unique<Record>(name);
  Record* raw = record.get();
  AddUnchecked(std::move(record));
  return raw;
}

Section* Section::FindOrCreateSection(const char* name) {
  return FindOrCreateSection(name ? std::string_view(name) : std::string_view());
}

Section* Section::FindOrCreateSection(std::string_view name) {
  if (auto* node = static_cast<ConfigNode*>(FindByName(name))) {
    return node->IsRecord() ? nullptr : static_cast<Section*>(node);
  }
  auto section = std::make_unique<Section>(name);
  Section* raw = section.get();
  AddUnchecked(std::move(section));
  return raw;
}

// ----------------------------------------------------------------- sentinels
// Defined in this order in one translation unit, so they are constructed
// before main in this order: NullSection, NullRecord, NullValue.

namespace {
Section nullSectionObject;
Record nullRecordObject;
Value nullValueObject;
}  // namespace

Section& NullSection = nullSectionObject;
Record& NullRecord = nullRecordObject;
Value& NullValue = nullValueObject;

}  // namespace cfg
