#include "test_support.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <system_error>

#ifdef _WIN32
#include <process.h>
#define CFGTEST_PID _getpid()
#else
#include <unistd.h>
#define CFGTEST_PID getpid()
#endif

namespace fs = std::filesystem;

namespace cfgtest {

TempDir::TempDir() {
  static std::atomic<int> serial{0};
  fs::path base = fs::temp_directory_path();
  for (;;) {
    fs::path candidate = base / ("cfgcore_" + std::to_string(CFGTEST_PID) + "_" +
                                 std::to_string(serial++));
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) {
      path_ = candidate.generic_string();
      break;
    }
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  // Put write permission back on anything a test took it from.
  for (auto it = fs::recursive_directory_iterator(path_, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec))
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::remove_all(path_, ec);
}

std::string TempDir::File(const std::string& name) const { return path_ + "/" + name; }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec));
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string NormaliseLineEnds(const std::string& text) {
  std::string result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    result += text[i];
  }
  return result;
}

std::vector<cfg::LineKind> ClassifyAll(cfg::ConfigStream& stream) {
  std::vector<cfg::LineKind> kinds;
  while (stream.NextLine()) kinds.push_back(stream.Classify());
  return kinds;
}

const char* KindName(cfg::LineKind kind) {
  switch (kind) {
    case cfg::LineKind::NoItem: return "NoItem";
    case cfg::LineKind::SectionOpen: return "SectionOpen";
    case cfg::LineKind::SectionClose: return "SectionClose";
    case cfg::LineKind::ArrayOpen: return "ArrayOpen";
    case cfg::LineKind::ArrayClose: return "ArrayClose";
    case cfg::LineKind::IntLine: return "IntLine";
    case cfg::LineKind::FloatLine: return "FloatLine";
    case cfg::LineKind::StringLine: return "StringLine";
    case cfg::LineKind::DoubleLine: return "DoubleLine";
    case cfg::LineKind::Int64Line: return "Int64Line";
    case cfg::LineKind::OtherLine: return "OtherLine";
  }
  return "?";
}

}  // namespace cfgtest

namespace cfg {
void PrintTo(LineKind kind, std::ostream* os) { *os << cfgtest::KindName(kind); }
}  // namespace cfg
