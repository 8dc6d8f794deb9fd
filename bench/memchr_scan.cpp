// The floor: read the file in 1 MiB pieces and count its lines with memchr.
#include <cstdio>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: memchr_scan INPUT\n");
    return 2;
  }
  std::FILE* file = std::fopen(argv[1], "rb");
  if (!file) {
    std::perror(argv[1]);
    return 1;
  }
  std::vector<char> buffer(1 << 20);
  unsigned long long lines = 0;
  size_t got;
  while ((got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0) {
    const char* p = buffer.data();
    const char* end = p + got;
    while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p))))) {
      ++lines;
      ++p;
    }
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  std::printf("%llu lines\n", lines);
  return failed ? 1 : 0;
}
