// Fuzz target for the loader: any bytes load without a crash or a hang, and
// what a document saves is a fixed point of loading and saving.
//
//   bytes --load--> tree --save--> text1 --load--> tree --save--> text2
//
// text1 must equal text2 whenever every name and text in the first tree obeys
// the format's name rules (a name that breaks them is written unchanged but
// legitimately reads back differently; see NameRuleBroken). The bytes are also
// loaded and saved through a real file, with Load and Save, and must give the
// same text as the in-memory stream. Every line that the shortcut for lines
// in the writer's shape takes is taken apart as Classify takes it.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "config/config_node.h"
#include "config/config_stream.h"

namespace {

std::string SaveToText(const cfg::Section& doc) {
  cfg::ConfigStream out(cfg::InMemory{});
  doc.SaveTo(out);
  return out.Output();
}

std::string LoadAndSave(std::string bytes) {
  cfg::Section doc(cfg::kFileSection, "fuzz.cfg");
  cfg::ConfigStream in(cfg::InMemory{}, std::move(bytes));
  doc.LoadFrom(in);
  return SaveToText(doc);
}

bool Has(std::string_view name, std::string_view bytes) {
  return name.find_first_of(bytes) != std::string_view::npos;
}

bool StartsWithBlank(std::string_view name) {
  return !name.empty() && (name[0] == ' ' || name[0] == '\t');
}

// The first name rule of the format that the tree breaks, or nullptr.
const char* NameRuleBroken(const cfg::Section& section) {
  for (int i = 1; i <= section.Count(); ++i) {
    auto* node = static_cast<const cfg::ConfigNode*>(section.ItemAt(i));
    if (node == nullptr || node->IsNull()) continue;
    const std::string_view name = node->NameView();
    if (!node->IsRecord()) {
      if (name.empty() || StartsWithBlank(name) || Has(name, ":;\r\n")) return "section name";
      if (const char* broken = NameRuleBroken(*static_cast<const cfg::Section*>(node))) {
        return broken;
      }
      continue;
    }
    auto* record = static_cast<const cfg::Record*>(node);
    if (name.empty()) continue;  // an unnamed record is never written
    if (Has(name, "[=\r\n")) return "record name";
    for (int v = 1; v <= record->Count(); ++v) {
      const cfg::Value* value = record->ValueAt(v);
      const std::string_view valueName = value->NameView();
      if (value->Type() == cfg::ValueType::Binary) {
        if (StartsWithBlank(name) || Has(name, ":;")) return "record name of a byte array";
        if (Has(valueName, ":;")) return "value name of a byte array";
        if (value->GetSize() == 0) return "empty byte array";
      }
      if (Has(valueName, "]=\r\n")) return "value name";
      if (value->Type() == cfg::ValueType::String) {
        const std::string_view text = value->GetString();
        // An empty text is written as "(string)name=", which this reader
        // accepts: it is no exception here.
        if (Has(text, "\r\n")) return "string value";
      }
    }
  }
  return nullptr;
}

[[noreturn]] void Fail(const char* what, const std::string& a, const std::string& b) {
  std::fprintf(stderr, "\n*** %s\n--- first (%zu bytes) ---\n%s\n--- second (%zu bytes) ---\n%s\n",
               what, a.size(), a.c_str(), b.size(), b.c_str());
  std::abort();
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Load and Save through a real file in a temporary folder.
void CheckThroughFile(const std::string& bytes, const std::string& expected) {
  static const std::string path = [] {
    // A memory file system when there is one: this runs for every input.
    const char* dir = std::getenv("TMPDIR");
    if (dir == nullptr || *dir == '\0') dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(dir) + "/cfg_loader_fuzz." +
           std::to_string(static_cast<long>(getpid())) + ".cfg";
  }();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) return;  // the temporary folder is full: nothing to check
  }
  cfg::Section doc(cfg::kFileSection, path.c_str());
  if (doc.Load() != 1) Fail("Load of an existing file failed", bytes, "");
  if (doc.Save() != 1) Fail("Save to a writable file failed", bytes, "");
  const std::string saved = ReadFile(path);
  std::remove(path.c_str());
  if (saved != expected) Fail("a file load and save differs from the in-memory one", saved, expected);
}

// RecogniseWrittenValue against Classify, line by line.
void CheckWrittenValueShortcut(const std::string& bytes) {
  cfg::ConfigStream in(cfg::InMemory{}, bytes);
  cfg::ValueLine written;
  while (in.NextLine()) {
    const bool taken = in.RecogniseWrittenValue(&written);
    const cfg::LineKind kind = in.Classify();
    if (!taken) continue;
    const cfg::QualifiedName q = in.ItemQualifiedName();
    const float f = in.FloatValue();
    const double d = in.DoubleValue();
    const int32_t i = in.IntValue();
    const int64_t l = in.Int64Value();
    const cfg::NameSplit& split = written.split;
    bool same = written.kind == kind && split.known && written.name == in.ItemNameView() &&
                written.name.substr(0, split.recordEnd) == q.record &&
                (split.valueStart != 0) == q.hasValueName && written.text == in.StringValueView();
    if (same && q.hasValueName) {
      same = written.name.substr(split.valueStart, split.valueEnd - split.valueStart) == q.value;
    }
    switch (kind) {
      case cfg::LineKind::IntLine: same = same && written.number.i == i; break;
      case cfg::LineKind::Int64Line: same = same && written.number.l == l; break;
      case cfg::LineKind::FloatLine: same = same && std::memcmp(&written.number.f, &f, sizeof f) == 0; break;
      case cfg::LineKind::DoubleLine: same = same && std::memcmp(&written.number.d, &d, sizeof d) == 0; break;
      default: break;
    }
    if (!same) Fail("the written-value shortcut disagrees with Classify", std::string(in.Line()), "");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  cfg::Section first(cfg::kFileSection, "fuzz.cfg");
  {
    cfg::ConfigStream in(cfg::InMemory{}, bytes);
    first.LoadFrom(in);
  }
  const std::string text1 = SaveToText(first);
  const std::string text2 = LoadAndSave(text1);
  if (NameRuleBroken(first) == nullptr && text1 != text2) {
    Fail("saving is not a fixed point of loading and saving", text1, text2);
  }
  // A copy of the tree saves to the same text.
  if (SaveToText(cfg::Section(first)) != text1) Fail("a copy saves differently", text1, "");

  CheckThroughFile(bytes, text1);
  CheckWrittenValueShortcut(bytes);
  return 0;
}
