// Runs the real cfgtool program in a scratch folder and captures what it does.
#pragma once

#include <string>
#include <vector>

namespace cfgtool_test {

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

// A scratch folder of its own, removed again at the end.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& Path() const { return path_; }
  // Writes (or reads) a file of the folder, bytes as they are.
  void Write(const std::string& name, const std::string& bytes) const;
  std::string Read(const std::string& name) const;
  bool Exists(const std::string& name) const;

  // Runs cfgtool with args in this folder, with input on standard input.
  RunResult Run(const std::vector<std::string>& args, const std::string& input = "") const;
#ifndef _WIN32
  // The same, with environment entries ("NAME=value") added for cfgtool alone.
  RunResult RunWith(const std::vector<std::string>& environment, const std::vector<std::string>& args,
                    const std::string& input = "") const;
#endif

 private:
  // Adds what the run left on standard output and standard error.
  RunResult Collect(RunResult result) const;

  std::string path_;
};

}  // namespace cfgtool_test
