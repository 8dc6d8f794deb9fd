#include "mounted_tmpfs.h"

#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace hardening {

MountedTmpfs::MountedTmpfs(size_t bytes) : options_("size=" + std::to_string(bytes)) {
  if (geteuid() != 0) {
    error_ = "mounting a tmpfs needs root";
    return;
  }
  std::vector<char> templ(std::begin("/tmp/cfg_hardening_mnt.XXXXXX"),
                          std::end("/tmp/cfg_hardening_mnt.XXXXXX"));
  if (mkdtemp(templ.data()) == nullptr) {
    error_ = std::string("mkdtemp: ") + std::strerror(errno);
    return;
  }
  path_ = templ.data();
  if (mount("tmpfs", path_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options_.c_str()) != 0) {
    error_ = std::string("mount -t tmpfs: ") + std::strerror(errno);
    rmdir(path_.c_str());
    path_.clear();
    return;
  }
  mounted_ = true;
}

MountedTmpfs::~MountedTmpfs() {
  if (mounted_ && umount2(path_.c_str(), 0) != 0) umount2(path_.c_str(), MNT_DETACH);
  if (!path_.empty()) rmdir(path_.c_str());
}

bool MountedTmpfs::MakeReadOnly() {
  if (mount("tmpfs", path_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV,
            options_.c_str()) != 0) {
    error_ = std::string("remount read-only: ") + std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace hardening
