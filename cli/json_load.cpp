#include "json_load.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <unordered_map>
#include <vector>

#include <nlohmann/json.hpp>

#include "config/name_rules.h"
#include "config/value.h"
#include "config/value_rules.h"
#include "config_path.h"
#include "json_text.h"

namespace cfgtool {

namespace {

using Json = nlohmann::json;

// Receives the parser's events and grows the tree with an explicit stack.
// A fault of the JSON form stops the parse (Error()); what the form holds
// but a save would not give back is noted as a problem of its item, and
// the parse goes on, so that every such problem is found in one run.
class JsonTreeReader : public nlohmann::json_sax<Json> {
 public:
  explicit JsonTreeReader(cfg::Section& document) : document_(document) {}

  const std::string& Error() const { return error_; }
  // Every problem found, in the order of the input: "PATH: reason".
  std::vector<std::string> Problems() const;

  bool null() override { return OnScalar(ScalarKind::Null); }
  bool boolean(bool) override { return OnScalar(ScalarKind::Bool); }
  bool number_integer(number_integer_t number) override {
    scalarInt_ = number;
    return OnScalar(ScalarKind::Int);
  }
  bool number_unsigned(number_unsigned_t number) override {
    scalarUnsigned_ = number;
    return OnScalar(ScalarKind::Unsigned);
  }
  bool number_float(number_float_t, const string_t& text) override {
    scalarText_ = text;
    return OnScalar(ScalarKind::Float);
  }
  bool string(string_t& text) override {
    scalarText_ = BytesFromJsonString(text);
    return OnScalar(ScalarKind::String);
  }
  bool binary(binary_t&) override { return Fail("binary data is not allowed"); }

  bool start_object(std::size_t) override;
  bool key(string_t& name) override;
  bool end_object() override;
  bool start_array(std::size_t) override;
  bool end_array() override;
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& ex) override {
    std::string what = ex.what();
    size_t end = what.find("] ");
    error_ = (what.rfind("[json.exception", 0) == 0 && end != std::string::npos) ? what.substr(end + 2) : what;
    return false;
  }

 private:
  enum class Kind : uint8_t { Document, Node, Children, Values, Value };
  enum class Key : uint8_t { None, File, Children, Section, Record, Values, Name, Type, ValueKey };
  enum class NodeKind : uint8_t { Unknown, Section, Record };
  enum class ScalarKind : uint8_t { Null, Bool, Int, Unsigned, Float, String };

  struct Frame {
    explicit Frame(Kind frameKind) : kind(frameKind) {}
    Kind kind;
    Key pending = Key::None;
    NodeKind nodeKind = NodeKind::Unknown;
    uint16_t seen = 0;  // bit per Key already given
    std::unique_ptr<cfg::Section> section;  // Node frame of a section
    std::unique_ptr<cfg::Record> record;    // Node frame of a record
    cfg::NamedList* owner = nullptr;        // Children and Values frames: the list they fill
    size_t order = 0;                       // Node frames: where the item starts in the input
    std::vector<int> positions;             // Node frames of a record: each value's place in "values"
    int given = 0;                          // Values frames: values given so far
  };

  // Something the tree holds that a save would not give back. item is the
  // section or record it concerns, or the record of the value it concerns.
  struct Problem {
    size_t order;  // where it starts in the input, for the report's order
    const cfg::NamedObject* item;
    bool isValue = false;
    std::string valueName;  // a value's name; empty for an unnamed value
    int position = 0;       // a value's place in its record's "values", from 1
    std::string reason;
  };

  // The value object being read (values do not nest).
  struct PendingValue {
    bool hasName = false;
    std::string name;
    bool hasType = false;
    std::string type;
    bool hasValue = false;
    ScalarKind kind = ScalarKind::Null;
    int64_t integer = 0;
    uint64_t unsignedInteger = 0;
    std::string text;
    size_t order = 0;
    int position = 0;  // its place in "values", from 1
  };

  bool Fail(std::string message) {
    std::string where = Where();
    error_ = where.empty() ? message : message + " (in " + where + ")";
    return false;
  }
  std::string Where() const;
  bool OnScalar(ScalarKind kind);
  bool SetNodeKind(Frame& frame, NodeKind kind);
  bool FinishNode();
  bool FinishValue();
  std::unique_ptr<cfg::Value> MakeValue();
  void NoteProblem(const Frame& node, std::string reason) {
    problems_.push_back({node.order, node.section ? static_cast<const cfg::NamedObject*>(node.section.get())
                                                  : node.record.get(),
                         false, {}, 0, std::move(reason)});
  }
  void NoteValueProblem(size_t order, const cfg::Record* record, std::string_view name, int position,
                        std::string reason) {
    problems_.push_back({order, record, true, std::string(name), position, std::move(reason)});
  }
  void CheckRecord(const Frame& node);
  // The list that holds item, or held it until the tree refused it.
  const cfg::NamedList* OwnerOf(const cfg::NamedObject* item) const;
  std::string PathOf(const Problem& problem) const;

  cfg::Section& document_;
  size_t itemsStarted_ = 0;
  std::vector<Problem> problems_;
  // Items the tree refused for a name taken before: kept for the paths of
  // their problems, with the list they were meant for.
  std::vector<std::unique_ptr<cfg::NamedObject>> refused_;
  std::unordered_map<const cfg::NamedObject*, const cfg::NamedList*> refusedOwners_;
  std::vector<Frame> stack_;
  PendingValue value_;
  int64_t scalarInt_ = 0;
  uint64_t scalarUnsigned_ = 0;
  std::string scalarText_;
  std::string error_;
  bool done_ = false;
};

const char* KeyText(int key) {
  static const char* const kTexts[] = {"", "file", "children", "section", "record", "values", "name", "type", "value"};
  return kTexts[key];
}

std::string JsonTreeReader::Where() const {
  std::vector<const Frame*> nodes;
  for (const Frame& frame : stack_)
    if (frame.kind == Kind::Node) nodes.push_back(&frame);
  // Very deep input: name the outermost two and the innermost four.
  const size_t kHead = 2, kTail = 4;
  std::string where;
  for (size_t i = 0; i < nodes.size(); ++i) {
    if (nodes.size() > kHead + kTail + 1 && i == kHead) {
      where += "/...(" + std::to_string(nodes.size() - kHead - kTail) + " more)";
      i = nodes.size() - kTail - 1;
      continue;
    }
    const Frame& frame = *nodes[i];
    const cfg::NamedObject* node = frame.section ? static_cast<const cfg::NamedObject*>(frame.section.get())
                                                 : frame.record.get();
    if (node == nullptr || node->GetName() == nullptr) continue;  // its name is still to come
    if (!where.empty()) where += '/';
    where += node->NameView();
    if (frame.record) where += " (record)";
  }
  if (!stack_.empty() && stack_.back().kind == Kind::Value && value_.hasName)
    where += "[" + value_.name + "]";
  return where;
}

bool JsonTreeReader::SetNodeKind(Frame& frame, NodeKind kind) {
  if (frame.nodeKind == kind) return true;
  if (frame.nodeKind != NodeKind::Unknown)
    return Fail("an object can not be both a section and a record");
  frame.nodeKind = kind;
  if (kind == NodeKind::Section) frame.section = std::make_unique<cfg::Section>("");
  else frame.record = std::make_unique<cfg::Record>("");
  return true;
}

bool JsonTreeReader::start_object(std::size_t) {
  if (done_) return Fail("more than one document");
  if (stack_.empty()) {
    stack_.emplace_back(Kind::Document);
    return true;
  }
  Frame& top = stack_.back();
  if (top.kind == Kind::Children) {
    stack_.emplace_back(Kind::Node);
    stack_.back().order = itemsStarted_++;
    return true;
  }
  if (top.kind == Kind::Values) {
    value_ = PendingValue{};
    value_.order = itemsStarted_++;
    value_.position = ++top.given;
    stack_.emplace_back(Kind::Value);
    return true;
  }
  return Fail(std::string("\"") + KeyText(static_cast<int>(top.pending)) + "\" can not be an object");
}

bool JsonTreeReader::key(string_t& name) {
  Frame& top = stack_.back();
  Key key = Key::None;
  switch (top.kind) {
    case Kind::Document:
      if (name == "file") key = Key::File;
      else if (name == "children") key = Key::Children;
      break;
    case Kind::Node:
      if (name == "section") key = Key::Section;
      else if (name == "record") key = Key::Record;
      else if (name == "children") key = Key::Children;
      else if (name == "values") key = Key::Values;
      break;
    case Kind::Value:
      if (name == "name") key = Key::Name;
      else if (name == "type") key = Key::Type;
      else if (name == "value") key = Key::ValueKey;
      break;
    case Kind::Children:
    case Kind::Values:
      break;
  }
  if (key == Key::None) return Fail("unknown key \"" + name + "\"");
  uint16_t bit = static_cast<uint16_t>(1u << static_cast<int>(key));
  if (top.seen & bit) return Fail("key \"" + name + "\" given twice");
  top.seen |= bit;
  top.pending = key;
  if (top.kind == Kind::Node) {
    bool section = key == Key::Section || key == Key::Children;
    return SetNodeKind(top, section ? NodeKind::Section : NodeKind::Record);
  }
  return true;
}

bool JsonTreeReader::start_array(std::size_t) {
  if (stack_.empty()) return Fail("the document must be a JSON object");
  Frame& top = stack_.back();
  if (top.pending == Key::Children) {
    cfg::NamedList* owner = top.kind == Kind::Document ? static_cast<cfg::NamedList*>(&document_)
                                                       : top.section.get();
    top.pending = Key::None;
    stack_.emplace_back(Kind::Children);
    stack_.back().owner = owner;
    return true;
  }
  if (top.pending == Key::Values) {
    cfg::NamedList* owner = top.record.get();
    top.pending = Key::None;
    stack_.emplace_back(Kind::Values);
    stack_.back().owner = owner;
    return true;
  }
  return Fail(std::string("\"") + KeyText(static_cast<int>(top.pending)) + "\" can not be an array");
}

bool JsonTreeReader::end_array() {
  stack_.pop_back();
  return true;
}

bool JsonTreeReader::OnScalar(ScalarKind kind) {
  if (stack_.empty()) return Fail("the document must be a JSON object");
  Frame& top = stack_.back();
  Key key = top.pending;
  top.pending = Key::None;
  switch (key) {
    case Key::File:
      if (kind == ScalarKind::String || kind == ScalarKind::Null) return true;
      return Fail("\"file\" must be a string or null");
    case Key::Section:
    case Key::Record: {
      if (kind != ScalarKind::String || scalarText_.empty())
        return Fail(std::string("\"") + KeyText(static_cast<int>(key)) + "\" must be a non-empty string");
      if (top.section) top.section->SetName(scalarText_);
      else top.record->SetName(scalarText_);
      return true;
    }
    case Key::Name:
      if (kind == ScalarKind::Null) return true;
      if (kind != ScalarKind::String) return Fail("\"name\" must be a string or null");
      value_.hasName = !scalarText_.empty();
      value_.name = scalarText_;
      return true;
    case Key::Type:
      if (kind != ScalarKind::String) return Fail("\"type\" must be a string");
      value_.hasType = true;
      value_.type = scalarText_;
      return true;
    case Key::ValueKey:
      value_.hasValue = true;
      value_.kind = kind;
      value_.integer = scalarInt_;
      value_.unsignedInteger = scalarUnsigned_;
      value_.text = scalarText_;
      return true;
    case Key::Children:
    case Key::Values:
      return Fail(std::string("\"") + KeyText(static_cast<int>(key)) + "\" must be an array");
    case Key::None:
      break;
  }
  return Fail("the document must be a JSON object");
}

bool JsonTreeReader::end_object() {
  Kind kind = stack_.back().kind;
  if (kind == Kind::Node) return FinishNode();
  if (kind == Kind::Value) return FinishValue();
  stack_.pop_back();  // the document
  done_ = true;
  return true;
}

bool JsonTreeReader::FinishNode() {
  Frame& top = stack_.back();
  if (top.nodeKind == NodeKind::Unknown) return Fail("an object in \"children\" must be a section or a record");
  bool named = top.section ? top.section->GetName() != nullptr : top.record->GetName() != nullptr;
  if (!named) return Fail(top.section ? "a section needs \"section\"" : "a record needs \"record\"");
  if (top.section) {
    if (const char* problem = cfg::NameProblem(cfg::NameUse::Section, top.section->NameView()))
      NoteProblem(top, problem);
  } else {
    CheckRecord(top);
  }
  std::unique_ptr<cfg::NamedObject> node;
  if (top.section) node = std::move(top.section);
  else node = std::move(top.record);
  const size_t order = top.order;
  stack_.pop_back();
  cfg::NamedList* owner = stack_.back().owner;
  if (owner->Add(node) == 0) {
    const auto* earlier = static_cast<const cfg::ConfigNode*>(owner->FindByName(node->NameView()));
    problems_.push_back({order, node.get(), false, {}, 0,
                         earlier->IsRecord() ? "an earlier record has the same name (ASCII case ignored)"
                                             : "an earlier section has the same name (ASCII case ignored)"});
    refusedOwners_[node.get()] = owner;
    refused_.push_back(std::move(node));
  }
  return true;
}

// A record's name in the use its values give it, and each of its values,
// through the rules of names and values.
void JsonTreeReader::CheckRecord(const Frame& node) {
  const cfg::Record& record = *node.record;
  if (record.Count() == 0) {
    NoteProblem(node, "the record holds no values");
    return;
  }
  const char* nameProblem = cfg::NameProblem(cfg::RecordNameUse(record), record.NameView());
  if (nameProblem != nullptr) NoteProblem(node, nameProblem);
  // With its name reported once above, each value is judged as if its
  // record were well named.
  const std::string_view recordName = nameProblem != nullptr ? std::string_view("record") : record.NameView();
  for (int i = 1; i <= record.Count(); ++i) {
    const cfg::Value& value = *record.ValueAt(i);
    if (const char* problem = cfg::ValueProblem(recordName, value.NameView(), value))
      NoteValueProblem(node.order, &record, value.NameView(), node.positions[i - 1], problem);
  }
}

std::unique_ptr<cfg::Value> JsonTreeReader::MakeValue() {
  const PendingValue& v = value_;
  cfg::ValueType type = cfg::TypeOfWord(v.type);
  const char* word = v.type.c_str();
  auto fail = [&](const std::string& message) {
    Fail(message);
    return std::unique_ptr<cfg::Value>();
  };
  if (type == cfg::ValueType::None) return fail("unknown type \"" + v.type + "\"");
  bool integral = v.kind == ScalarKind::Int || v.kind == ScalarKind::Unsigned;
  switch (type) {
    case cfg::ValueType::Int:
    case cfg::ValueType::Int64: {
      if (!integral) return fail(std::string("a value of type ") + word + " must be an integer");
      int64_t low = type == cfg::ValueType::Int ? std::numeric_limits<int32_t>::min() : std::numeric_limits<int64_t>::min();
      int64_t high = type == cfg::ValueType::Int ? std::numeric_limits<int32_t>::max() : std::numeric_limits<int64_t>::max();
      bool fits = v.kind == ScalarKind::Int ? (v.integer >= low && v.integer <= high)
                                        : v.unsignedInteger <= static_cast<uint64_t>(high);
      if (!fits) return fail(std::string("the value is out of the range of type ") + word);
      int64_t number = v.kind == ScalarKind::Int ? v.integer : static_cast<int64_t>(v.unsignedInteger);
      if (type == cfg::ValueType::Int) return std::make_unique<cfg::Value>(static_cast<int32_t>(number));
      return std::make_unique<cfg::Value>(number);
    }
    case cfg::ValueType::Float:
    case cfg::ValueType::Double: {
      bool isFloat = type == cfg::ValueType::Float;
      double number = 0;
      float single = 0;
      if (v.kind == ScalarKind::Int || v.kind == ScalarKind::Unsigned) {
        number = v.kind == ScalarKind::Int ? static_cast<double>(v.integer) : static_cast<double>(v.unsignedInteger);
        single = v.kind == ScalarKind::Int ? static_cast<float>(v.integer) : static_cast<float>(v.unsignedInteger);
      } else if (v.kind == ScalarKind::Float) {
        // Read the number's own text at the type's precision, so that a float
        // is rounded once, straight from the digits.
        number = std::strtod(v.text.c_str(), nullptr);
        single = std::strtof(v.text.c_str(), nullptr);
        if (isFloat ? std::isinf(single) : std::isinf(number))
          return fail(std::string("the value is out of the range of type ") + word);
      } else if (v.kind == ScalarKind::String && (v.text == "inf" || v.text == "-inf" || v.text == "nan")) {
        number = v.text == "nan" ? std::numeric_limits<double>::quiet_NaN()
                                 : (v.text[0] == '-' ? -1 : 1) * std::numeric_limits<double>::infinity();
        single = static_cast<float>(number);
      } else {
        return fail(std::string("a value of type ") + word + " must be a number, \"inf\", \"-inf\" or \"nan\"");
      }
      if (isFloat) return std::make_unique<cfg::Value>(single);
      return std::make_unique<cfg::Value>(number);
    }
    case cfg::ValueType::String:
      if (v.kind != ScalarKind::String) return fail("a value of type string must be a string");
      return std::make_unique<cfg::Value>(v.text.data(), v.text.size());
    case cfg::ValueType::Binary: {
      std::string bytes;
      if (v.kind != ScalarKind::String || !BytesFromHexPairs(v.text, &bytes))
        return fail("a value of type bytes must be a string of hexadecimal digit pairs");
      return std::make_unique<cfg::Value>(reinterpret_cast<const uint8_t*>(bytes.data()),
                                          static_cast<int32_t>(bytes.size()));
    }
    case cfg::ValueType::None:
      break;
  }
  return nullptr;
}

bool JsonTreeReader::FinishValue() {
  if (!value_.hasType) return Fail("a value needs \"type\"");
  if (!value_.hasValue) return Fail("a value needs \"value\"");
  std::unique_ptr<cfg::Value> value = MakeValue();
  if (!value) return false;
  if (value_.hasName) value->SetName(value_.name);
  stack_.pop_back();
  Frame& node = stack_[stack_.size() - 2];  // below the Values frame
  if (node.record->AddChild(value) == 0) {
    NoteValueProblem(value_.order, node.record.get(), value_.name, value_.position,
                     "an earlier value has the same name (ASCII case ignored)");
  } else {
    node.positions.push_back(value_.position);
  }
  return true;
}

const cfg::NamedList* JsonTreeReader::OwnerOf(const cfg::NamedObject* item) const {
  if (const cfg::NamedList* owner = item->Owner()) return owner;
  auto refused = refusedOwners_.find(item);
  return refused == refusedOwners_.end() ? nullptr : refused->second;
}

// The item's PATH as find prints it, with control bytes as "\xHH" so that
// the problem stays on one line.
std::string JsonTreeReader::PathOf(const Problem& problem) const {
  std::vector<const cfg::NamedList*> sections;
  for (const cfg::NamedList* list = OwnerOf(problem.item); list != nullptr && list != &document_;
       list = OwnerOf(list))
    sections.push_back(list);
  std::string path;
  for (auto section = sections.rbegin(); section != sections.rend(); ++section) {
    AppendPathName(&path, (*section)->NameView(), PathPart::Section);
    path += '/';
  }
  const auto* node = static_cast<const cfg::ConfigNode*>(problem.item);
  AppendPathName(&path, node->NameView(), node->IsRecord() ? PathPart::Record : PathPart::Section);
  if (problem.isValue) {
    path += '[';
    AppendPathName(&path, problem.valueName, PathPart::Value);
    path += ']';
    if (problem.valueName.empty()) path += " (value " + std::to_string(problem.position) + ")";
  } else if (!node->IsRecord()) {
    path += '/';
  }
  std::string escaped;
  for (char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    constexpr unsigned char kFirstPrintable = 0x20, kDelete = 0x7F;
    if (byte >= kFirstPrintable && byte != kDelete) {
      escaped += c;
      continue;
    }
    static const char kHex[] = "0123456789ABCDEF";
    escaped += "\\x";
    escaped += kHex[byte >> 4];
    escaped += kHex[byte & 0xF];
  }
  return escaped;
}

std::vector<std::string> JsonTreeReader::Problems() const {
  std::vector<const Problem*> sorted;
  for (const Problem& problem : problems_) sorted.push_back(&problem);
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const Problem* a, const Problem* b) { return a->order < b->order; });
  std::vector<std::string> lines;
  for (const Problem* problem : sorted) lines.push_back(PathOf(*problem) + ": " + problem->reason);
  return lines;
}

}  // namespace

bool LoadJson(std::string_view json, cfg::Section& document, std::vector<std::string>* problems) {
  JsonTreeReader reader(document);
  if (!Json::sax_parse(json.begin(), json.end(), &reader)) {
    *problems = {reader.Error().empty() ? "not a valid document" : reader.Error()};
    return false;
  }
  *problems = reader.Problems();
  return problems->empty();
}

}  // namespace cfgtool
