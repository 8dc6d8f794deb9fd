// Fuzz target for the tree comparison: the bytes before the first NUL
// and the bytes after it load as two documents (without a NUL, one document
// twice), which compare without a crash; a tree equals itself; and comparing
// the second with the first reports the same changes mirrored (removals as
// additions, old texts as new ones).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "cli/config_path.h"
#include "config/config_node.h"
#include "config/config_stream.h"
#include "config/tree_diff.h"
#include "config/value_text.h"

namespace {

void Load(std::string_view bytes, cfg::Section* doc) {
  cfg::ConfigStream in(cfg::InMemory{}, std::string(bytes));
  doc->LoadSection(in);
}

std::string Text(const cfg::Value* value) {
  if (value == nullptr) return "-";
  return std::string(cfg::TypeWord(value->Type())) + ":" + cfg::ValueText(*value);
}

// Each change as one line, in an order of its own; with mirror, as the
// comparison the other way round reports it. Paths are folded to lower case,
// since a name on both sides is spelt as the first side spells it.
std::vector<std::string> Changes(const cfg::Section& a, const cfg::Section& b, bool mirror) {
  std::vector<std::string> lines;
  cfg::DiffTrees(a, b, [&](const cfg::TreeChange& change) {
    char op = change.op == cfg::TreeChange::Op::Removed ? '-'
              : change.op == cfg::TreeChange::Op::Added ? '+'
                                                         : '~';
    const cfg::Value* before = change.before;
    const cfg::Value* after = change.after;
    if (mirror) {
      std::swap(before, after);
      if (op != '~') op = op == '-' ? '+' : '-';
    }
    std::string path = cfgtool::ChangePath(change);
    for (char& c : path) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    lines.push_back(op + path + "\t" + Text(before) + "\t" + Text(after));
  });
  std::sort(lines.begin(), lines.end());
  return lines;
}

[[noreturn]] void Fail(const char* what, const std::vector<std::string>& one,
                       const std::vector<std::string>& other) {
  std::fprintf(stderr, "\n*** %s\n", what);
  for (const std::string& line : one) std::fprintf(stderr, "  one:   %s\n", line.c_str());
  for (const std::string& line : other) std::fprintf(stderr, "  other: %s\n", line.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const size_t nul = bytes.find('\0');
  cfg::Section first(cfg::kFileSection, "1.cfg");
  cfg::Section second(cfg::kFileSection, "2.cfg");
  Load(bytes.substr(0, nul), &first);
  Load(nul == std::string_view::npos ? bytes : bytes.substr(nul + 1), &second);

  const std::vector<std::string> self = Changes(first, first, false);
  if (!self.empty()) Fail("a tree differs from itself", self, {});
  const std::vector<std::string> forth = Changes(first, second, false);
  const std::vector<std::string> back = Changes(second, first, true);
  if (forth != back) Fail("the comparison the other way round is not the mirror image", forth, back);
  if (nul == std::string_view::npos && !forth.empty()) Fail("one text loads as two trees that differ", forth, {});
  return 0;
}
