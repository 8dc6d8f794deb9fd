#include "scratch_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace hardening {

namespace fs = std::filesystem;

ScratchDir::ScratchDir() {
  std::vector<char> templ(std::begin("/tmp/cfg_hardening.XXXXXX"),
                          std::end("/tmp/cfg_hardening.XXXXXX"));
  if (mkdtemp(templ.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = templ.data();
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !out.fail();
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string name = fs::relative(entry.path(), folder).string();
    files[name] = entry.is_directory() ? "<folder>" : ReadFile(entry.path().string());
  }
  return files;
}

std::string DescribeChanges(const std::map<std::string, std::string>& expected,
                            const std::map<std::string, std::string>& actual) {
  std::string changes;
  for (const auto& [name, content] : actual) {
    auto it = expected.find(name);
    if (it == expected.end()) {
      changes += "added " + name + "\n";
    } else if (it->second != content) {
      changes += "changed " + name + " (" + std::to_string(it->second.size()) + " -> " +
                 std::to_string(content.size()) + " bytes)\n";
    }
  }
  for (const auto& entry : expected) {
    if (actual.count(entry.first) == 0) changes += "removed " + entry.first + "\n";
  }
  return changes;
}

}  // namespace hardening
