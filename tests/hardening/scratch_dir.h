// Scratch folders and whole-file helpers for the hardening tests.
#pragma once

#include <map>
#include <string>

namespace hardening {

// A new folder under /tmp, removed with everything in it at the end.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Writes bytes as they are; false on any failure.
bool WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);

// Everything below folder: relative path -> content of a regular file, or
// "<folder>" for a folder. Two snapshots are equal when no file was added,
// removed or changed.
std::map<std::string, std::string> Snapshot(const std::string& folder);
// The names that differ between two snapshots ("added x", "removed y",
// "changed z", one a line); empty when they are equal.
std::string DescribeChanges(const std::map<std::string, std::string>& expected,
                            const std::map<std::string, std::string>& actual);

}  // namespace hardening
