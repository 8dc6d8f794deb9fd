#include "file_replace.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <random>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
// From kernel32; declared here so that the core stays free of windows.h.
extern "C" __declspec(dllimport) int __stdcall MoveFileExA(const char* existing,
                                                          const char* replacement,
                                                          unsigned long flags);
#else
#include <fcntl.h>
#include <unistd.h>

#include <climits>
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

namespace {

// Tries at most this many random names before giving up.
constexpr int kNameAttempts = 100;
// Hexadecimal digits of the random part of a temporary file's name.
constexpr int kRandomDigits = 16;

std::string RandomPart() {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::random_device source;
  std::string part;
  while (part.size() < kRandomDigits) {
    unsigned word = source();
    for (int i = 0; i < 8 && part.size() < kRandomDigits; ++i, word >>= 4) part += kDigits[word & 0xF];
  }
  return part;
}

}  // namespace

std::FILE* CreateTemporaryBeside(const std::string& target, std::string* path) {
#ifndef _WIN32
  struct stat info;
  const bool keepBits = stat(target.c_str(), &info) == 0 && (info.st_mode & S_IFMT) == S_IFREG;
#endif
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    *path = target + ".~" + RandomPart() + ".tmp";
#ifdef _WIN32
    // _O_EXCL creates the file as CREATE_NEW does: never over an existing name.
    const int fd = _open(path->c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_TEXT, _S_IREAD | _S_IWRITE);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return nullptr;
    }
    std::FILE* file = _fdopen(fd, "wt");
    if (file == nullptr) _close(fd);
#else
    // O_EXCL: an existing file or symbolic link at the name fails the call
    // instead of being opened. A new file starts with the mode fopen gives.
    const mode_t kNewFileMode = 0666;
    const int fd = open(path->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                        keepBits ? (info.st_mode & 07777) : kNewFileMode);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return nullptr;
    }
    // The umask may have taken bits that target has: give them back before
    // anything is written.
    if (keepBits && fchmod(fd, info.st_mode & 07777) != 0) {
      close(fd);
      std::remove(path->c_str());
      return nullptr;
    }
    std::FILE* file = fdopen(fd, "w");
    if (file == nullptr) close(fd);
#endif
    if (file == nullptr) std::remove(path->c_str());
    return file;
  }
  return nullptr;
}

bool ReplaceWithTemporary(const std::string& temporary, const std::string& target) {
#ifdef _WIN32
  const unsigned long kReplaceExisting = 0x1, kWriteThrough = 0x8;
  if (MoveFileExA(temporary.c_str(), target.c_str(), kReplaceExisting | kWriteThrough) != 0) {
    return true;
  }
#else
  if (std::rename(temporary.c_str(), target.c_str()) == 0) return true;
#endif
  std::remove(temporary.c_str());
  return false;
}

}  // namespace cfg
