#include "tool_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <filesystem>

#include "config/file_replace.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace cfgtool {

namespace {

bool ReadStream(std::FILE* file, std::string* text) {
  char buffer[1 << 16];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text->append(buffer, got);
  return std::ferror(file) == 0;
}

const std::string* StdinText() {
  static std::string text;
  static bool read = false;
  static bool ok = false;
  if (!read) {
    read = true;
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    ok = ReadStream(stdin, &text);
  }
  return ok ? &text : nullptr;
}

// Why the file can not be read, or an empty text when it can.
std::string ReadProblem(const std::string& file, int* error) {
  std::error_code ec;
  if (std::filesystem::is_directory(file, ec)) {
    *error = EISDIR;
    return "is a directory";
  }
  errno = 0;
  std::FILE* probe = std::fopen(file.c_str(), "rb");
  if (probe == nullptr) {
    *error = errno;
    return std::string("can not open: ") + (errno != 0 ? std::strerror(errno) : "unknown error");
  }
  std::fclose(probe);
  *error = 0;
  return std::string();
}

}  // namespace

std::string DisplayName(const std::string& file) { return file == "-" ? "<stdin>" : file; }

void ReportError(const std::string& file, const std::string& message) {
  std::string line = "cfgtool: ";
  if (!file.empty()) line += DisplayName(file) + ": ";
  for (char c : message) line.push_back(c == '\n' || c == '\r' ? ' ' : c);
  while (!line.empty() && line.back() == ' ') line.pop_back();
  line += '\n';
  std::fflush(stdout);
  std::fputs(line.c_str(), stderr);
}

std::unique_ptr<cfg::ConfigStream> OpenInput(const std::string& file, bool missingOk, bool* missing) {
  if (missing != nullptr) *missing = false;
  if (file == "-") {
    const std::string* text = StdinText();
    if (text == nullptr) {
      ReportError(file, "read error");
      return nullptr;
    }
    return std::make_unique<cfg::ConfigStream>(cfg::InMemory{}, *text);
  }
  int error = 0;
  std::string problem = ReadProblem(file, &error);
  if (!problem.empty()) {
    if (missingOk && error == ENOENT) {
      *missing = true;
      return nullptr;
    }
    ReportError(file, problem);
    return nullptr;
  }
  auto stream = std::make_unique<cfg::ConfigStream>(file.c_str(), cfg::ConfigStream::ReadMode);
  if (!stream->IsOpen()) {
    ReportError(file, "can not open");
    return nullptr;
  }
  return stream;
}

bool ReadWholeFile(const std::string& file, std::string* text) {
  text->clear();
  if (file == "-") {
    const std::string* input = StdinText();
    if (input == nullptr) {
      ReportError(file, "read error");
      return false;
    }
    *text = *input;
    return true;
  }
  int error = 0;
  std::string problem = ReadProblem(file, &error);
  if (!problem.empty()) {
    ReportError(file, problem);
    return false;
  }
  std::FILE* in = std::fopen(file.c_str(), "rb");
  if (in == nullptr) {
    ReportError(file, "can not open");
    return false;
  }
  bool ok = ReadStream(in, text);
  std::fclose(in);
  if (!ok) ReportError(file, "read error");
  return ok;
}

bool WriteWholeFile(const std::string& file, const std::string& text) {
  if (file == "-") return WriteStdout(text);
  const std::string target = cfg::ResolveSaveTarget(file);
  auto write = [&](std::FILE* out) {
    if (out == nullptr) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    return std::fclose(out) == 0 && written;
  };
  bool ok;
  if (cfg::IsSpecialFile(target)) {
    ok = write(std::fopen(target.c_str(), "w"));
  } else {
    std::string temporary;
    ok = write(cfg::CreateTemporaryBeside(target, &temporary));
    if (!ok && !temporary.empty()) std::remove(temporary.c_str());
    ok = ok && cfg::ReplaceWithTemporary(temporary, target);
  }
  if (!ok) ReportError(file, "can not write the file; it is left as it was");
  return ok;
}

bool WriteStdout(const std::string& text) {
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
    ReportError("", "standard output: write error");
    return false;
  }
  return true;
}

}  // namespace cfgtool
