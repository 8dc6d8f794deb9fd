// Fuzz target for cfgtool's PATH parser and printer: any text parses or is
// refused with a reason, and a parsed path written back as cfgtool prints
// paths (AppendPathName) parses to the same path.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cli/config_path.h"

namespace {

// The path as cfgtool prints one.
std::string Format(const cfgtool::ConfigPath& path) {
  std::string text;
  for (const std::string& section : path.sections) {
    cfgtool::AppendPathName(&text, section, cfgtool::PathPart::Section);
    text += '/';
  }
  if (path.NamesSection()) return text;
  cfgtool::AppendPathName(&text, path.record, cfgtool::PathPart::Record);
  if (path.bracketed) {
    text += '[';
    cfgtool::AppendPathName(&text, path.value, cfgtool::PathPart::Value);
    text += ']';
  }
  return text;
}

bool Same(const cfgtool::ConfigPath& a, const cfgtool::ConfigPath& b) {
  return a.sections == b.sections && a.record == b.record && a.bracketed == b.bracketed &&
         a.value == b.value;
}

[[noreturn]] void Fail(const char* what, std::string_view input, const std::string& detail) {
  std::fprintf(stderr, "\n*** %s\ninput: \"%.*s\"\n%s\n", what, static_cast<int>(input.size()),
               input.data(), detail.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  cfgtool::ConfigPath path;
  std::string error;
  if (!cfgtool::ParseConfigPath(text, &path, &error)) {
    if (error.empty()) Fail("refused without a reason", text, "");
    return 0;
  }
  if (path.NamesSection() && path.sections.empty()) Fail("a path that names nothing", text, "");
  if (!path.bracketed && !path.value.empty()) Fail("a value name without brackets", text, "");
  for (const std::string& section : path.sections) {
    if (section.empty()) Fail("an empty section name", text, "");
  }

  const std::string printed = Format(path);
  cfgtool::ConfigPath again;
  if (!cfgtool::ParseConfigPath(printed, &again, &error)) {
    Fail("the printed path is refused", text, printed + ": " + error);
  }
  if (!Same(path, again)) Fail("the printed path parses differently", text, printed);
  return 0;
}
