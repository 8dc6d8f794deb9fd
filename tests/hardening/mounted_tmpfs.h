// A small memory file system mounted for one test, to make saving meet a full
// disk or a read-only folder. Needs root (CAP_SYS_ADMIN).
#pragma once

#include <cstddef>
#include <string>

namespace hardening {

class MountedTmpfs {
 public:
  // Mounts a tmpfs of at most bytes on a new folder under /tmp. When that is
  // not possible, Mounted() is false and Error() says why.
  explicit MountedTmpfs(size_t bytes);
  // Unmounts and removes the folder.
  ~MountedTmpfs();
  MountedTmpfs(const MountedTmpfs&) = delete;
  MountedTmpfs& operator=(const MountedTmpfs&) = delete;

  bool Mounted() const { return mounted_; }
  const std::string& Error() const { return error_; }
  const std::string& Path() const { return path_; }
  // Remounts the file system read-only; false (Error() says why) on failure.
  bool MakeReadOnly();

 private:
  std::string path_;
  std::string options_;
  std::string error_;
  bool mounted_ = false;
};

}  // namespace hardening
