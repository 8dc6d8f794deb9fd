// One writer at a time per file. Every program that rewrites a configuration
// file (cfgtool's writers, the editor's Save) holds the file's writer lock
// from its reading of the file to the moment the new file is in place, so
// that writers started together each see the other's result and none is
// lost.
//
// The lock is a file beside the file, its name with ".lock" added, created
// only when no such file exists (O_EXCL, CREATE_NEW on Windows) and removed
// when the lock is released: the way git locks its own files. A writer that
// is killed while it holds the lock leaves that file behind; once no writer
// runs, deleting it clears the lock.
#pragma once

#include <chrono>
#include <string>

namespace cfg {

// How long a writer waits for another to release a lock before giving up.
inline constexpr std::chrono::milliseconds kWriterLockWait{10000};

class WriterLock {
 public:
  enum class State {
    Held,    // this object holds the lock
    Busy,    // another writer held it for the whole wait
    Failed,  // the lock file could not be created (Error() says why)
    None,    // nothing to lock: the file is a device or a pipe, written in place
  };

  // Takes the lock of the file at path (of the file a symbolic link leads
  // to), waiting up to wait while another writer holds it.
  explicit WriterLock(const std::string& path, std::chrono::milliseconds wait = kWriterLockWait);
  // Releases the lock when it is held.
  ~WriterLock();
  WriterLock(const WriterLock&) = delete;
  WriterLock& operator=(const WriterLock&) = delete;

  State GetState() const { return state_; }
  // Whether the holder may go on and write: the lock is held, or the file
  // needs none.
  bool MayWrite() const { return state_ == State::Held || state_ == State::None; }
  // The lock file's path.
  const std::string& LockPath() const { return lockPath_; }
  // Why the lock file could not be created (State::Failed); empty otherwise.
  const std::string& Error() const { return error_; }

 private:
  State state_ = State::Failed;
  std::string lockPath_;
  std::string error_;
};

}  // namespace cfg
