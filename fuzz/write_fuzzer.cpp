// Fuzz target for cfgtool's write paths: what a writer takes reads back as
// it was given, and what it refuses it leaves untouched.
//
// An input starting with 'J' is the JSON form given to from-json (the rest
// of it). from-json either refuses it, or the document it builds is saved,
// loaded again and printed as dump --json prints it, which must hold the
// input's tree: the same sections, records and values in the same order,
// with the same names (null and "" both unnamed), types and data, numbers
// compared by value at the precision of their type.
//
// Any other input is a file and the arguments of set, separated by NUL
// bytes: FILE-CONTENT \0 PATH \0 TYPE \0 TEXT (a TYPE of at most one byte
// picks one of the type words). set either fails and leaves the file as it
// was, byte for byte, or succeeds, and then get gives back the value by
// value (get prints numbers in their saved form, "010" as "8"), and the file
// is a fixed point of loading and saving.
//
// set's and get's messages go to the process's standard streams, which
// scripts/fuzz.sh closes for this target (-close_fd_mask=3); a failed check
// is told on the standard error the process started with.
#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/json_load.h"
#include "cli/json_text.h"
#include "cli/text_sink.h"
#include "cli/tree_dump.h"
#include "cli/value_argument.h"
#include "config/config_node.h"
#include "config/config_stream.h"
#include "config/value.h"
#include "config/value_text.h"

namespace {

using Json = nlohmann::json;

// The standard error the process started with, kept before libFuzzer
// closes it.
int gReportFd = STDERR_FILENO;

[[noreturn]] void Fail(const std::string& what, const std::string& detail) {
  const std::string report = "\n*** " + what + "\n" + detail + "\n";
  if (write(gReportFd, report.data(), report.size()) < 0) std::abort();
  std::abort();
}

// ------------------------------------------------------------- from-json

std::string DumpJson(const cfg::Section& document) {
  char* buffer = nullptr;
  size_t size = 0;
  std::FILE* memory = open_memstream(&buffer, &size);
  {
    cfgtool::TextSink sink(memory);
    cfgtool::WriteJson(document, "fuzz.cfg", sink);
    sink.Finish();
  }
  std::fclose(memory);
  std::string text(buffer, size);
  std::free(buffer);
  return text;
}

std::string Bytes(const Json& text) { return cfgtool::BytesFromJsonString(text.get<std::string>()); }

std::string UpperHex(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

// Whether a number of the JSON input and one of the dump are the same value
// of the type: a float read from its digits may differ from the double read
// from them and then rounded by one unit in the last place.
bool SameNumber(const std::string& type, const Json& in, const Json& out) {
  if (in.is_string() || out.is_string()) {
    if (!in.is_string() || !out.is_string()) return false;
    return in.get<std::string>() == out.get<std::string>();  // "inf", "-inf", "nan"
  }
  if (type == "int" || type == "int64") return in == out;
  const double given = in.get<double>();
  const double back = out.get<double>();
  if (type == "double") return given == back;
  const float narrow = static_cast<float>(given), returned = static_cast<float>(back);
  return narrow == returned || std::nextafter(narrow, returned) == returned;
}

// The input's tree against the dump's, item by item; a description of the
// first difference, or empty.
std::string Difference(const Json& in, const Json& out, const std::string& where);

std::string ValuesDifference(const Json& in, const Json& out, const std::string& where) {
  if (in.size() != out.size()) return where + ": " + std::to_string(in.size()) + " values, " +
                                      std::to_string(out.size()) + " read back";
  for (size_t i = 0; i < in.size(); ++i) {
    const Json& a = in[i];
    const Json& b = out[i];
    const std::string at = where + "[value " + std::to_string(i + 1) + "]";
    const std::string givenName = a.contains("name") && a["name"].is_string() ? Bytes(a["name"]) : "";
    const std::string backName = b["name"].is_string() ? Bytes(b["name"]) : "";
    if (givenName != backName) return at + ": name \"" + givenName + "\" read back as \"" + backName + "\"";
    const std::string type = a["type"].get<std::string>();
    if (type != b["type"].get<std::string>()) return at + ": type " + type + " changed";
    bool same;
    if (type == "string") same = Bytes(a["value"]) == Bytes(b["value"]);
    else if (type == "bytes") same = UpperHex(a["value"].get<std::string>()) == b["value"].get<std::string>();
    else same = SameNumber(type, a["value"], b["value"]);
    if (!same) return at + ": " + a["value"].dump() + " read back as " + b["value"].dump();
  }
  return {};
}

std::string Difference(const Json& in, const Json& out, const std::string& where) {
  const Json empty = Json::array();
  const Json& given = in.contains("children") ? in["children"] : empty;
  const Json& back = out["children"];
  if (given.size() != back.size())
    return where + ": " + std::to_string(given.size()) + " children, " + std::to_string(back.size()) + " read back";
  for (size_t i = 0; i < given.size(); ++i) {
    const Json& a = given[i];
    const Json& b = back[i];
    const bool section = a.contains("section") || a.contains("children");
    const char* key = section ? "section" : "record";
    if (!b.contains(key)) return where + "/" + std::to_string(i + 1) + ": a " + key + " read back as another kind";
    const std::string name = Bytes(a[key]);
    if (name != Bytes(b[key])) return where + "/" + name + ": read back as " + b[key].dump();
    const std::string difference =
        section ? Difference(a, b, where + "/" + name)
                : ValuesDifference(a.contains("values") ? a["values"] : empty, b["values"], where + "/" + name);
    if (!difference.empty()) return difference;
  }
  return {};
}

void FromJson(std::string_view input) {
  cfg::Section document(cfg::kFileSection, "fuzz.cfg");
  std::vector<std::string> problems;
  if (!cfgtool::LoadJson(input, document, &problems)) return;  // refused
  cfg::ConfigStream saved(cfg::InMemory{});
  document.SaveTo(saved);
  cfg::ConfigStream reading(cfg::InMemory{}, saved.Output());
  cfg::Section reloaded(cfg::kFileSection, "fuzz.cfg");
  reloaded.LoadFrom(reading);
  const std::string dump = DumpJson(reloaded);
  const std::string difference = Difference(Json::parse(input), Json::parse(dump), "");
  if (!difference.empty())
    Fail("from-json took a tree that does not read back: " + difference,
         "input:\n" + std::string(input) + "\nwritten:\n" + saved.Output() + "\nread back:\n" + dump);
}

// ------------------------------------------------------------------- set

const std::string& ScratchFolder() {
  static const std::string folder = [] {
    char pattern[] = "/tmp/write_fuzzer.XXXXXX";
    const char* made = mkdtemp(pattern);
    if (made == nullptr) Fail("no scratch folder", "");
    return std::string(made);
  }();
  return folder;
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// What get prints for path, or nullptr with its exit status in *status.
std::string Get(const std::string& file, const std::string& path, int* status) {
  const std::string output = ScratchFolder() + "/get.out";
  std::fflush(stdout);
  const int saved = dup(STDOUT_FILENO);
  const int fd = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  dup2(fd, STDOUT_FILENO);
  close(fd);
  *status = cfgtool::RunGet(file, path);
  std::fflush(stdout);
  dup2(saved, STDOUT_FILENO);
  close(saved);
  return ReadFile(output);
}

// The value a TEXT stands for, described by value; NaNs alike.
std::string ValueOf(cfg::ValueType type, const std::string& text) {
  std::string error;
  std::unique_ptr<cfg::Value> value = cfgtool::ParseValueArgument(type, text, &error);
  if (!value) return "unreadable: " + error;
  if (type == cfg::ValueType::Float && std::isnan(value->GetFloat())) return "nan";
  if (type == cfg::ValueType::Double && std::isnan(value->GetDouble())) return "nan";
  return cfg::ValueText(*value);
}

void Set(std::string_view input) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (int i = 0; i < 3; ++i) {
    const size_t nul = input.find('\0', start);
    if (nul == std::string_view::npos) return;
    parts.emplace_back(input.substr(start, nul - start));
    start = nul + 1;
  }
  parts.emplace_back(input.substr(start));
  const std::string& content = parts[0];
  const std::string& path = parts[1];
  std::string type = parts[2];
  const std::string& text = parts[3];
  if (type.size() <= 1) {
    const size_t pick = type.empty() ? 0 : static_cast<unsigned char>(type[0]) % std::size(cfg::kValueTypes);
    type = std::string(cfg::kValueTypes[pick].word);
  }

  const std::string file = ScratchFolder() + "/F.cfg";
  WriteFile(file, content);
  const int status = cfgtool::RunSet(file, path, type, text);
  const std::string after = ReadFile(file);
  std::error_code ec;
  size_t entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(ScratchFolder(), ec)) {
    (void)entry;
    ++entries;
  }
  const std::string call = "set F.cfg '" + path + "' '" + type + "' '" + text + "' on:\n" + content;
  if (entries > 2) Fail("set left a file behind beside F.cfg", call);  // F.cfg and get.out only
  if (status != 0) {
    if (after != content) Fail("a refused set changed the file", call + "\nto:\n" + after);
    return;
  }
  int getStatus = 0;
  std::string got = Get(file, path, &getStatus);
  if (getStatus != 0 || got.empty() || got.back() != '\n')
    Fail("get does not find what set set (status " + std::to_string(getStatus) + ")", call + "\nfile:\n" + after);
  got.pop_back();
  const cfg::ValueType valueType = cfg::TypeOfWord(type);
  if (ValueOf(valueType, got) != ValueOf(valueType, text))
    Fail("get gives back \"" + got + "\"", call + "\nfile:\n" + after);
  cfg::Section document(cfg::kFileSection, "F.cfg");
  cfg::ConfigStream reading(cfg::InMemory{}, after);
  document.LoadFrom(reading);
  cfg::ConfigStream saved(cfg::InMemory{});
  document.SaveTo(saved);
  if (saved.Output() != after) Fail("what set wrote is no fixed point of loading and saving", call + "\nfile:\n" + after);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  gReportFd = dup(STDERR_FILENO);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  if (!input.empty() && input[0] == 'J') FromJson(input.substr(1));
  else Set(input);
  return 0;
}
