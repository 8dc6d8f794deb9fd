#include "file_replace.h"

#include <sys/stat.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#ifdef _WIN32
#include <process.h>
// From kernel32; declared here so that the core stays free of windows.h.
extern "C" __declspec(dllimport) int __stdcall MoveFileExA(const char* existing,
                                                          const char* replacement,
                                                          unsigned long flags);
#else
#include <climits>
#include <unistd.h>
#endif

namespace cfg {

std::string ResolveSaveTarget(const std::string& path) {
#ifndef _WIN32
  struct stat info;
  if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    if (char* real = realpath(path.c_str(), nullptr)) {
      std::string target(real);
      std::free(real);
      return target;
    }
    // A dangling link: write the file it names.
    char buffer[PATH_MAX];
    ssize_t length = readlink(path.c_str(), buffer, sizeof buffer - 1);
    if (length > 0) {
      std::string link(buffer, static_cast<size_t>(length));
      if (link[0] == '/') return link;
      size_t slash = path.rfind('/');
      return slash == std::string::npos ? link : path.substr(0, slash + 1) + link;
    }
  }
#endif
  return path;
}

bool IsSpecialFile(const std::string& target) {
  struct stat info;
  if (stat(target.c_str(), &info) != 0) return false;
  return (info.st_mode & S_IFMT) != S_IFREG && (info.st_mode & S_IFMT) != S_IFDIR;
}

std::string TemporaryPathBeside(const std::string& target) {
  static std::atomic<unsigned> counter{0};
#ifdef _WIN32
  long pid = _getpid();
#else
  long pid = static_cast<long>(getpid());
#endif
  return target + ".~" + std::to_string(pid) + "-" + std::to_string(++counter) + ".tmp";
}

bool ReplaceWithTemporary(const std::string& temporary, const std::string& target) {
#ifdef _WIN32
  const unsigned long kReplaceExisting = 0x1, kWriteThrough = 0x8;
  if (MoveFileExA(temporary.c_str(), target.c_str(), kReplaceExisting | kWriteThrough) != 0) {
    return true;
  }
#else
  struct stat info;
  if (stat(target.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
    chmod(temporary.c_str(), info.st_mode & 07777);
  }
  if (std::rename(temporary.c_str(), target.c_str()) == 0) return true;
#endif
  std::remove(temporary.c_str());
  return false;
}

}  // namespace cfg
