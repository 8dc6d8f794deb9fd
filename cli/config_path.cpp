#include "config_path.h"

#include "config/config_node.h"
#include "config/tree_diff.h"
#include "config/tree_search.h"
#include "config/value.h"

namespace cfgtool {

namespace {

// One part of the path between unescaped slashes, after escapes are resolved.
// openBracket and closeBracket are the positions (in the resolved text) of the
// first unescaped "[" and the last unescaped "]", or npos.
struct Part {
  std::string text;
  size_t openBracket = std::string::npos;
  size_t closeBracket = std::string::npos;
  bool closeIsLast = false;  // the last unescaped "]" was the last character
};

}  // namespace

bool ParseConfigPath(std::string_view text, ConfigPath* path, std::string* error) {
  *path = ConfigPath{};
  if (text.empty()) {
    *error = "empty path";
    return false;
  }

  std::vector<Part> parts(1);
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    Part& part = parts.back();
    if (c == '\\') {
      if (i + 1 == text.size()) {
        *error = "the path ends with a lone backslash";
        return false;
      }
      part.text.push_back(text[++i]);
      part.closeIsLast = false;
    } else if (c == '/') {
      parts.emplace_back();
    } else {
      if (c == '[' && part.openBracket == std::string::npos) part.openBracket = part.text.size();
      if (c == ']') part.closeBracket = part.text.size();
      part.text.push_back(c);
      part.closeIsLast = (c == ']');
    }
  }

  // A path ending in "/" names a section: its last part is empty.
  bool namesSection = parts.back().text.empty() && parts.size() > 1;
  if (namesSection) parts.pop_back();
  size_t sectionCount = namesSection ? parts.size() : parts.size() - 1;

  for (size_t i = 0; i < sectionCount; ++i) {
    if (parts[i].text.empty()) {
      *error = "empty section name";
      return false;
    }
    path->sections.push_back(std::move(parts[i].text));
  }
  if (namesSection) return true;

  Part& last = parts.back();
  if (last.openBracket == std::string::npos) {
    if (last.closeBracket != std::string::npos) {
      *error = "\"]\" without \"[\" in the record name";
      return false;
    }
    path->record = std::move(last.text);
  } else {
    if (last.closeBracket == std::string::npos || last.closeBracket < last.openBracket ||
        !last.closeIsLast) {
      *error = "a value name must be closed by \"]\" at the end of the path";
      return false;
    }
    path->record = last.text.substr(0, last.openBracket);
    path->bracketed = true;
    path->value = last.text.substr(last.openBracket + 1, last.closeBracket - last.openBracket - 1);
  }
  if (path->record.empty()) {
    *error = "empty record name";
    return false;
  }
  return true;
}

void AppendPathName(std::string* out, std::string_view name, PathPart part) {
  for (char c : name) {
    // A slash ends every part; in the last part, a record name ends at the
    // first "[" and no "]" may follow it but the one that ends a value name.
    bool escape = c == '\\' || c == '/' || (part == PathPart::Record && (c == '[' || c == ']'));
    if (escape) out->push_back('\\');
    out->push_back(c);
  }
}

namespace {

std::string SectionsPath(const std::vector<const cfg::Section*>& sections) {
  std::string text;
  for (const cfg::Section* section : sections) {
    AppendPathName(&text, section->NameView(), PathPart::Section);
    text += '/';
  }
  return text;
}

}  // namespace

std::string HitPath(const cfg::SearchHit& hit) {
  std::string text = SectionsPath(*hit.sections);
  if (hit.kind == cfg::SearchHit::Kind::Section) return text;
  AppendPathName(&text, hit.record->NameView(), PathPart::Record);
  if (hit.kind == cfg::SearchHit::Kind::Value) {
    text += '[';
    AppendPathName(&text, hit.name, PathPart::Value);
    text += ']';
  }
  return text;
}

std::string ChangePath(const cfg::TreeChange& change) {
  std::string text = SectionsPath(*change.sections);
  if (change.node != nullptr) {
    if (change.node->IsRecord()) {
      AppendPathName(&text, change.node->NameView(), PathPart::Record);
    } else {
      AppendPathName(&text, change.node->NameView(), PathPart::Section);
      text += '/';
    }
    return text;
  }
  AppendPathName(&text, change.record->NameView(), PathPart::Record);
  text += '[';
  AppendPathName(&text, (change.before != nullptr ? change.before : change.after)->NameView(), PathPart::Value);
  text += ']';
  return text;
}

}  // namespace cfgtool
