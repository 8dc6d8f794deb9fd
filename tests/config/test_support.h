// Helpers shared by the configuration core's tests.
#pragma once

#include <string>
#include <vector>

#include "config/config_stream.h"

namespace cfgtest {

// A fresh directory for one test, removed with everything in it at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }
  // Path of an entry inside the directory.
  std::string File(const std::string& name) const;

 private:
  std::string path_;
};

// Whole file as bytes; an empty string when it cannot be read.
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
// Writes the bytes exactly (binary mode).
void WriteFile(const std::string& path, const std::string& bytes);
// Turns every CR LF into LF.
std::string NormaliseLineEnds(const std::string& text);

// Reads every line of text and classifies it: the kinds in order.
std::vector<cfg::LineKind> ClassifyAll(cfg::ConfigStream& stream);

const char* KindName(cfg::LineKind kind);

}  // namespace cfgtest

namespace cfg {
// Lets gtest print line kinds by name.
void PrintTo(LineKind kind, std::ostream* os);
}  // namespace cfg
