#include "cfgtool_runner.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace cfgtool_test {

namespace fs = std::filesystem;

namespace {

std::string Quote(const std::string& arg) {
#ifdef _WIN32
  return "\"" + arg + "\"";
#else
  std::string quoted = "'";
  for (char c : arg) quoted += (c == '\'') ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
#endif
}

int ProcessId() {
#ifdef _WIN32
  return 0;
#else
  return static_cast<int>(getpid());
#endif
}

}  // namespace

ScratchDir::ScratchDir() {
  static std::atomic<int> counter{0};
  fs::path base = fs::temp_directory_path();
  path_ = (base / ("cfgtool-test-" + std::to_string(ProcessId()) + "-" + std::to_string(++counter))).string();
  fs::remove_all(path_);
  fs::create_directories(path_);
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

void ScratchDir::Write(const std::string& name, const std::string& bytes) const {
  std::ofstream file(fs::path(path_) / name, std::ios::binary | std::ios::trunc);
  file << bytes;
}

std::string ScratchDir::Read(const std::string& name) const {
  std::ifstream file(fs::path(path_) / name, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
#ifdef _WIN32
  // Files and standard output are written in text mode there: CR LF line ends.
  std::string lines;
  for (char c : text.str()) {
    if (c == '\n' && !lines.empty() && lines.back() == '\r') lines.back() = '\n';
    else lines.push_back(c);
  }
  return lines;
#else
  return text.str();
#endif
}

bool ScratchDir::Exists(const std::string& name) const { return fs::exists(fs::path(path_) / name); }

RunResult ScratchDir::Run(const std::vector<std::string>& args, const std::string& input) const {
  Write(".stdin", input);
  std::string command;
#ifdef _WIN32
  command = "\"cd /d " + Quote(path_) + " && " + Quote(CFGTOOL_PATH);
#else
  command = "cd " + Quote(path_) + " && " + Quote(CFGTOOL_PATH);
#endif
  for (const std::string& arg : args) command += " " + Quote(arg);
  command += " <.stdin >.stdout 2>.stderr";
#ifdef _WIN32
  command += "\"";
#endif
  int raw = std::system(command.c_str());
  RunResult result;
#ifdef _WIN32
  result.status = raw;
#else
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + (WIFSIGNALED(raw) ? WTERMSIG(raw) : 0);
#endif
  result.out = Read(".stdout");
  result.err = Read(".stderr");
  // A sanitizer report exits with status 1, which would look like "not found".
  EXPECT_EQ(result.err.find("Sanitizer"), std::string::npos) << result.err;
  EXPECT_EQ(result.err.find("runtime error"), std::string::npos) << result.err;
  return result;
}

}  // namespace cfgtool_test
