#include "writer_lock.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <thread>

#include "file_replace.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace cfg {

namespace {

constexpr char kLockSuffix[] = ".lock";
// A waiting writer looks again after a pause drawn from this range, so that
// writers that wait together do not keep trying in step.
constexpr int kShortestPauseMs = 5;
constexpr int kLongestPauseMs = 25;

// Creates the lock file; 0 when created, else the errno of the failure.
int CreateLockFile(const std::string& path) {
#ifdef _WIN32
  // _O_EXCL creates the file as CREATE_NEW does: never over an existing one.
  const int fd = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL, _S_IREAD | _S_IWRITE);
  if (fd < 0) return errno;
  _close(fd);
#else
  const mode_t kLockFileMode = 0666;
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kLockFileMode);
  if (fd < 0) return errno;
  close(fd);
#endif
  return 0;
}

// Whether a creation that failed with error failed for a lock file that is
// there. Windows refuses to create a file over one that is still being
// deleted with an access error rather than EEXIST.
bool LockFileExists(const std::string& path, int error) {
#ifdef _WIN32
  struct _stat info;
  return error == EACCES && _stat(path.c_str(), &info) == 0;
#else
  (void)path;
  (void)error;
  return false;
#endif
}

}  // namespace

WriterLock::WriterLock(const std::string& path, std::chrono::milliseconds wait) {
  const std::string target = ResolveSaveTarget(path);
  lockPath_ = target + kLockSuffix;
  if (IsSpecialFile(target)) {
    state_ = State::None;
    return;
  }
  const auto deadline = std::chrono::steady_clock::now() + wait;
  std::minstd_rand pauses(std::random_device{}());
  std::uniform_int_distribution<int> pause(kShortestPauseMs, kLongestPauseMs);
  for (;;) {
    const int error = CreateLockFile(lockPath_);
    if (error == 0) {
      state_ = State::Held;
      return;
    }
    if (error != EEXIST && !LockFileExists(lockPath_, error)) {
      state_ = State::Failed;
      error_ = std::strerror(error);
      return;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      state_ = State::Busy;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(pause(pauses)));
  }
}

WriterLock::~WriterLock() {
  if (state_ == State::Held) std::remove(lockPath_.c_str());
}

}  // namespace cfg
