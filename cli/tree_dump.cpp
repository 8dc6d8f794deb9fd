#include "tree_dump.h"

#include <cstdio>
#include <string>
#include <vector>

#include "config/value.h"
#include "json_text.h"
#include "config/value_text.h"

namespace cfgtool {

namespace {

// Deeper than this, the outline stops indenting further and numbers the
// level instead, and JSON goes on without line breaks: both stay linear in
// size however deep the tree is.
constexpr int kMaxIndentLevels = 32;

void Indent(std::string& out, int levels) {
  out.append(static_cast<size_t>(levels < kMaxIndentLevels ? levels : kMaxIndentLevels) * 2, ' ');
  if (levels > kMaxIndentLevels) {
    out += '#';
    out += std::to_string(levels);
    out += ' ';
  }
}

// A line break and the indentation of a JSON line, or nothing deeper than
// breakLevels.
void JsonLine(std::string& out, int levels, int breakLevels = kMaxIndentLevels) {
  if (levels > breakLevels) return;
  out += '\n';
  out.append(static_cast<size_t>(levels) * 2, ' ');
}

// A section being walked and the next slot to look at.
struct Frame {
  const cfg::Section* section;
  int next;
  bool any;  // a child has been written
};

// The next child to write in the frame (skipping empty slots and null nodes),
// or nullptr when the frame is done.
const cfg::ConfigNode* NextChild(Frame& frame) {
  while (frame.next <= frame.section->Count()) {
    const cfg::NamedObject* item = frame.section->ItemAt(frame.next++);
    auto node = dynamic_cast<const cfg::ConfigNode*>(item);
    if (node != nullptr && !node->IsNull()) return node;
  }
  return nullptr;
}

void AppendJsonValue(std::string& out, const cfg::Value& value) {
  out += "{\"name\": ";
  if (value.GetName() != nullptr) AppendJsonString(out, value.NameView());
  else out += "null";
  out += ", \"type\": \"";
  out += cfg::TypeWord(value.Type());
  out += "\", \"value\": ";
  char buffer[32];
  switch (value.Type()) {
    case cfg::ValueType::Int:
      std::snprintf(buffer, sizeof buffer, "%d", static_cast<int>(value.GetInt()));
      out += buffer;
      break;
    case cfg::ValueType::Int64:
      std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(value.GetInt64()));
      out += buffer;
      break;
    case cfg::ValueType::Float:
      AppendJsonFloat(out, value.GetFloat());
      break;
    case cfg::ValueType::Double:
      AppendJsonDouble(out, value.GetDouble());
      break;
    case cfg::ValueType::String:
      AppendJsonString(out, value.GetString());
      break;
    case cfg::ValueType::Binary:
      out += '"';
      out += HexPairs(value.GetBytes(), value.GetSize());
      out += '"';
      break;
    case cfg::ValueType::None:
      out += "null";
      break;
  }
  out += '}';
}

}  // namespace

void WriteOutline(const cfg::Section& document, TextSink& sink) {
  std::string& out = sink.Text();
  std::vector<Frame> stack{{&document, 1, false}};
  while (!stack.empty()) {
    int depth = static_cast<int>(stack.size()) - 1;
    const cfg::ConfigNode* child = NextChild(stack.back());
    if (child == nullptr) {
      stack.pop_back();
      continue;
    }
    Indent(out, depth);
    out += child->NameView();
    if (!child->IsRecord()) {
      out += "/\n";
      stack.push_back({static_cast<const cfg::Section*>(child), 1, false});
    } else {
      out += '\n';
      auto record = static_cast<const cfg::Record*>(child);
      for (int i = 1; i <= record->Count(); ++i) {
        const cfg::Value* value = record->ValueAt(i);
        if (value->IsNone()) continue;
        Indent(out, depth + 1);
        if (value->GetName() != nullptr) {
          out += '[';
          out += value->NameView();
          out += "] ";
        }
        out += '(';
        out += cfg::TypeWord(value->Type());
        out += ") = ";
        out += cfg::ValueText(*value);
        out += '\n';
      }
    }
    sink.MaybeFlush();
  }
}

namespace {

// A record's JSON object, its "{" already written at level.
void AppendJsonRecord(std::string& out, const cfg::Record& record, int level, int breakLevels) {
  out += "\"record\": ";
  AppendJsonString(out, record.NameView());
  out += ',';
  JsonLine(out, level + 1, breakLevels);
  out += "\"values\": [";
  bool anyValue = false;
  for (int i = 1; i <= record.Count(); ++i) {
    const cfg::Value* value = record.ValueAt(i);
    if (value->IsNone()) continue;
    if (anyValue) out += ',';
    anyValue = true;
    JsonLine(out, level + 2, breakLevels);
    AppendJsonValue(out, *value);
  }
  if (anyValue) JsonLine(out, level + 1, breakLevels);
  out += ']';
  JsonLine(out, level, breakLevels);
  out += '}';
}

// The children of root, after the caller has written "\"children\": [" of
// root's object, whose "{" stands at level 0; then the "]" and "}" that end
// it. Line breaks stop at breakLevels.
void WriteJsonChildren(const cfg::Section& root, TextSink& sink, int breakLevels) {
  std::string& out = sink.Text();
  // A section at depth d has its "{" at 2d levels, its keys at 2d + 1 and its
  // children at 2d + 2.
  std::vector<Frame> stack{{&root, 1, false}};
  while (!stack.empty()) {
    int level = 2 * (static_cast<int>(stack.size()) - 1);
    Frame& frame = stack.back();
    const cfg::ConfigNode* child = NextChild(frame);
    if (child == nullptr) {
      if (frame.any) JsonLine(out, level + 1, breakLevels);
      out += ']';
      JsonLine(out, level, breakLevels);
      out += '}';
      stack.pop_back();
      continue;
    }
    if (frame.any) out += ',';
    frame.any = true;
    JsonLine(out, level + 2, breakLevels);
    out += '{';
    JsonLine(out, level + 3, breakLevels);
    if (!child->IsRecord()) {
      out += "\"section\": ";
      AppendJsonString(out, child->NameView());
      out += ',';
      JsonLine(out, level + 3, breakLevels);
      out += "\"children\": [";
      stack.push_back({static_cast<const cfg::Section*>(child), 1, false});
    } else {
      AppendJsonRecord(out, *static_cast<const cfg::Record*>(child), level + 2, breakLevels);
    }
    sink.MaybeFlush();
  }
}

}  // namespace

void WriteJson(const cfg::Section& document, std::string_view file, TextSink& sink) {
  std::string& out = sink.Text();
  out += '{';
  JsonLine(out, 1);
  out += "\"file\": ";
  AppendJsonString(out, file);
  out += ',';
  JsonLine(out, 1);
  out += "\"children\": [";
  WriteJsonChildren(document, sink, kMaxIndentLevels);
  out += '\n';
}

void WriteJsonNode(const cfg::ConfigNode& node, TextSink& sink) {
  // No line breaks at all: one object on the caller's line.
  constexpr int kNoBreaks = -1;
  std::string& out = sink.Text();
  out += '{';
  if (node.IsRecord()) {
    AppendJsonRecord(out, static_cast<const cfg::Record&>(node), 0, kNoBreaks);
    return;
  }
  out += "\"section\": ";
  AppendJsonString(out, node.NameView());
  out += ",\"children\": [";
  WriteJsonChildren(static_cast<const cfg::Section&>(node), sink, kNoBreaks);
}

}  // namespace cfgtool
