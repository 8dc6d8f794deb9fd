#include "cfgtool_runner.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace cfgtool_test {

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
// One argument as the runtime's command-line parser reads it back: in double
// quotes, a quote escaped, and backslashes doubled where a quote follows them.
std::string Quote(const std::string& arg) {
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

// Runs cfgtool in dir with its standard streams on the three files, without a
// shell (the command shell under Wine now and then fails to start a program);
// returns its exit code, or -1 with the reason in failure when it could not start.
int RunInDir(const std::string& dir, const std::vector<std::string>& args, std::string& failure) {
  std::string program = CFGTOOL_PATH;
  for (char& c : program) {
    if (c == '/') c = '\\';
  }
  std::string commandLine = Quote(program);
  for (const std::string& arg : args) commandLine += " " + Quote(arg);
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  auto open = [&](const char* name, bool write) {
    return CreateFileA((dir + "\\" + name).c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = open(".stdin", false);
  startup.hStdOutput = open(".stdout", true);
  startup.hStdError = open(".stderr", true);
  PROCESS_INFORMATION process{};
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  // Wine, busy, now and then fails to start a process at all; a failed
  // start is tried again a few times before the run counts as not started.
  constexpr int kStartAttempts = 4;
  constexpr DWORD kStartRetryMilliseconds = 250;
  BOOL started = FALSE;
  for (int attempt = 0; attempt < kStartAttempts && !started; ++attempt) {
    if (attempt > 0) Sleep(kStartRetryMilliseconds);
    started = CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                             dir.c_str(), &startup, &process);
  }
  const DWORD startError = started ? 0 : GetLastError();
  for (HANDLE h : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
  if (!started) {
    failure = "cfgtool could not start (error " + std::to_string(startError) + ")";
    return -1;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return static_cast<int>(code);
}
#else
std::string Quote(const std::string& arg) {
  std::string quoted = "'";
  for (char c : arg) quoted += (c == '\'') ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}
#endif

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
#ifdef _WIN32
  Write(".stdin", input);
  RunResult result;
  std::string failure;
  result.status = RunInDir(path_, args, failure);
  result = Collect(result);
  result.err += failure;
  return result;
#else
  return RunWith({}, args, input);
#endif
}

#ifndef _WIN32
RunResult ScratchDir::RunWith(const std::vector<std::string>& environment, const std::vector<std::string>& args,
                              const std::string& input) const {
  Write(".stdin", input);
  RunResult result;
  std::string command = "cd " + Quote(path_) + " &&";
  for (const std::string& entry : environment) {
    // The shell takes a word as an assignment only when its name is unquoted.
    const size_t equals = entry.find('=');
    command += " " + entry.substr(0, equals) + "=" + Quote(entry.substr(equals + 1));
  }
  command += " " + Quote(CFGTOOL_PATH);
  for (const std::string& arg : args) command += " " + Quote(arg);
  command += " <.stdin >.stdout 2>.stderr";
  const int raw = std::system(command.c_str());
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + (WIFSIGNALED(raw) ? WTERMSIG(raw) : 0);
  return Collect(result);
}
#endif

RunResult ScratchDir::Collect(RunResult result) const {
  result.out = Read(".stdout");
  result.err = Read(".stderr");
  // A sanitizer report exits with status 1, which would look like "not found".
  EXPECT_EQ(result.err.find("Sanitizer"), std::string::npos) << result.err;
  EXPECT_EQ(result.err.find("runtime error"), std::string::npos) << result.err;
  return result;
}

}  // namespace cfgtool_test
