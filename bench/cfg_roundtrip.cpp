// Our load and save of one file: the program the benchmark times against the
// peers. Loads INPUT with Section::Load and writes the tree to OUTPUT with
// Section::Save (a device such as /dev/null is written in place).
// The tree is freed on two threads, as a program that holds a large document
// frees it. With -v, prints the time of each phase (load, save, freeing the
// tree) to stderr.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

#include "config/config_node.h"

namespace {

double Since(std::chrono::steady_clock::time_point& start) {
  const auto now = std::chrono::steady_clock::now();
  const double seconds = std::chrono::duration<double>(now - start).count();
  start = now;
  return seconds;
}

// Minor page faults so far: the cost of memory the system backs on first touch.
long Faults() {
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_minflt;
}

}  // namespace

int main(int argc, char** argv) {
  const bool verbose = argc == 4 && std::strcmp(argv[1], "-v") == 0;
  if (argc != 3 && !verbose) {
    std::fprintf(stderr, "usage: cfg_roundtrip [-v] INPUT OUTPUT\n");
    return 2;
  }
  const char* input = argv[argc - 2];
  const char* output = argv[argc - 1];
  const long faultsAtStart = Faults();
  auto clock = std::chrono::steady_clock::now();
  auto document = std::make_unique<cfg::Section>(cfg::kFileSection, input);
  if (!document->Load()) {
    std::fprintf(stderr, "cfg_roundtrip: cannot load %s\n", input);
    return 1;
  }
  const double load = Since(clock);
  const long faultsAfterLoad = Faults();
  document->SetName(output);
  if (!document->Save()) {
    std::fprintf(stderr, "cfg_roundtrip: cannot save %s\n", output);
    return 1;
  }
  const double save = Since(clock);
  const long faultsAfterSave = Faults();
  document->FreeItemsOnTwoThreads();
  document.reset();
  const double free = Since(clock);
  if (verbose) {
    std::fprintf(stderr, "load %.3f s, save %.3f s, free %.3f s (page faults %ld, %ld, %ld)\n", load,
                 save, free, faultsAfterLoad - faultsAtStart, faultsAfterSave - faultsAfterLoad,
                 Faults() - faultsAfterSave);
  }
  return 0;
}
