// Preloaded into a program under test (LD_PRELOAD): reading a regular file
// fails with EIO once the file's offset has passed kReadableBytes, as a disk
// that goes bad partway through a file would. Standard input, pipes and
// terminals read as usual; writing is not touched. glibc on Linux only.
#include <dlfcn.h>
#include <errno.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

// The bytes of each file that still read well.
constexpr off_t kReadableBytes = off_t{1} << 20;

// True when fd is a regular file read past kReadableBytes.
bool PastTheGoodPart(int fd) {
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return false;
  return lseek(fd, 0, SEEK_CUR) >= kReadableBytes;
}

template <class F>
F Next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

ssize_t read(int fd, void* buffer, size_t count) {
  static auto next = Next<ssize_t (*)(int, void*, size_t)>("read");
  if (PastTheGoodPart(fd)) {
    errno = EIO;
    return -1;
  }
  return next(fd, buffer, count);
}

size_t fread(void* buffer, size_t size, size_t count, FILE* file) {
  static auto next = Next<size_t (*)(void*, size_t, size_t, FILE*)>("fread");
  if (PastTheGoodPart(fileno(file))) {
    // The stream's own error flag, as a failed read inside fread sets it.
    file->_flags |= _IO_ERR_SEEN;
    errno = EIO;
    return 0;
  }
  return next(buffer, size, count, file);
}

}  // extern "C"
