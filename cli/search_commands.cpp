// cfgtool find and cfgtool diff.
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "commands.h"
#include "config/config_node.h"
#include "config/tree_diff.h"
#include "config/tree_search.h"
#include "config/value_text.h"
#include "config_path.h"
#include "find_pattern.h"
#include "json_text.h"
#include "text_sink.h"
#include "tool_io.h"
#include "tree_dump.h"

namespace cfgtool {

namespace {

// "value" and the like: the kind word of find --json.
const char* KindWord(cfg::SearchHit::Kind kind) {
  switch (kind) {
    case cfg::SearchHit::Kind::Section: return "section";
    case cfg::SearchHit::Kind::Record: return "record";
    case cfg::SearchHit::Kind::Value: break;
  }
  return "value";
}

// A text as a JSON string, or null.
void AppendJsonText(std::string& out, const cfg::Value* value, std::string* scratch) {
  if (value == nullptr) out += "null";
  else AppendJsonString(out, cfg::ValueText(*value, scratch));
}

// The tab, type word, tab and text that follow a value's PATH.
void AppendTypeAndText(std::string& out, const cfg::Value& value, std::string_view text) {
  out += '\t';
  out += cfg::TypeWord(value.Type());
  out += '\t';
  out += text;
}

bool FinishOutput(TextSink& sink) {
  if (sink.Finish()) return true;
  ReportError("", "standard output: write error");
  return false;
}

// Opening and closing a JSON array of one object a line.
void StartJsonItem(std::string& out, size_t index) { out += index == 0 ? "[\n  " : ",\n  "; }
void EndJsonArray(std::string& out, size_t count) { out += count == 0 ? "[]\n" : "\n]\n"; }

}  // namespace

int RunFind(const std::string& file, const std::string& pattern, bool regex, bool caseSensitive, bool json) {
  FindTest test;
  std::string error;
  if (!MakeFindTest(pattern, regex, caseSensitive, &test, &error)) {
    ReportError("", "bad regular expression \"" + pattern + "\": " + error);
    return kFailure;
  }
  cfg::DocumentPtr document = LoadDocument(file);
  if (!document) return kFailure;

  TextSink sink(stdout);
  std::string& out = sink.Text();
  size_t hits = 0;
  cfg::SearchTree(*document, test.test, [&](const cfg::SearchHit& hit) {
    const std::string path = HitPath(hit);
    if (json) {
      StartJsonItem(out, hits);
      out += "{\"path\": ";
      AppendJsonString(out, path);
      out += ", \"kind\": \"";
      out += KindWord(hit.kind);
      out += "\", \"type\": ";
      if (hit.value != nullptr) {
        out += '"';
        out += cfg::TypeWord(hit.value->Type());
        out += "\", \"text\": ";
        AppendJsonString(out, hit.text);
      } else {
        out += "null, \"text\": null";
      }
      out += '}';
    } else {
      out += path;
      if (hit.value != nullptr) AppendTypeAndText(out, *hit.value, hit.text);
      out += '\n';
    }
    ++hits;
    sink.MaybeFlush();
    return true;
  }, test.Required());
  if (json) EndJsonArray(out, hits);
  if (!FinishOutput(sink)) return kFailure;
  KeepUntilExit(std::move(document));
  return hits > 0 ? kSuccess : kNotFound;
}

int RunDiff(const std::string& firstFile, const std::string& secondFile, bool json) {
  // Two files load side by side; standard input, read once, only one at a time.
  cfg::DocumentPtr first, second;
  if (firstFile == "-" || secondFile == "-") {
    first = LoadDocument(firstFile);
    if (first) second = LoadDocument(secondFile);
  } else {
    std::thread loader([&] { second = LoadDocument(secondFile); });
    first = LoadDocument(firstFile);
    loader.join();
  }
  if (!first || !second) return kFailure;

  TextSink sink(stdout);
  std::string& out = sink.Text();
  std::string scratch;
  size_t changes = 0;
  cfg::DiffTrees(*first, *second, [&](const cfg::TreeChange& change) {
    using Op = cfg::TreeChange::Op;
    const std::string path = ChangePath(change);
    if (json) {
      StartJsonItem(out, changes);
      out += "{\"op\": \"";
      out += change.op == Op::Removed ? '-' : change.op == Op::Added ? '+' : '~';
      out += "\", \"path\": ";
      AppendJsonString(out, path);
      out += ", \"type\": ";
      const cfg::Value* value = change.before != nullptr ? change.before : change.after;
      if (value != nullptr) {
        out += '"';
        out += cfg::TypeWord(value->Type());
        out += '"';
      } else {
        out += "null";
      }
      out += ", \"old\": ";
      AppendJsonText(out, change.before, &scratch);
      out += ", \"new\": ";
      AppendJsonText(out, change.after, &scratch);
      // What a patch needs beyond the PATH: the whole of a section or record,
      // and where an unnamed value stands among its record's unnamed values.
      if (change.node != nullptr) {
        out += ", \"tree\": ";
        WriteJsonNode(*change.node, sink);
      }
      if (change.unnamedIndex >= 0) {
        out += ", \"index\": ";
        out += std::to_string(change.unnamedIndex);
      }
      out += '}';
    } else {
      if (change.op != Op::Added) {
        out += "- ";
        out += path;
        if (change.before != nullptr)
          AppendTypeAndText(out, *change.before, cfg::ValueText(*change.before, &scratch));
        out += '\n';
      }
      if (change.op != Op::Removed) {
        out += "+ ";
        out += path;
        if (change.after != nullptr)
          AppendTypeAndText(out, *change.after, cfg::ValueText(*change.after, &scratch));
        out += '\n';
      }
    }
    ++changes;
    sink.MaybeFlush();
  });
  if (json) EndJsonArray(out, changes);
  if (!FinishOutput(sink)) return kFailure;
  KeepUntilExit(std::move(first));
  KeepUntilExit(std::move(second));
  return changes > 0 ? kNotFound : kSuccess;
}

}  // namespace cfgtool
