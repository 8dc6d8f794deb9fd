// Runs a program and reports its wall time and peak resident memory:
//   measure REPORT PROGRAM [ARGS...]
// writes "WALL_SECONDS CPU_SECONDS PEAK_KIB EXIT_CODE" to REPORT (CPU: user plus
// system time). The child is forked from this
// small process, so its peak is not inflated by a large parent (as it is when
// a script's interpreter spawns it directly).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: measure REPORT PROGRAM [ARGS...]\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child < 0) {
    std::perror("fork");
    return 2;
  }
  if (child == 0) {
    execvp(argv[2], argv + 2);
    std::perror(argv[2]);
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (wait4(child, &status, 0, &usage) != child) {
    std::perror("wait4");
    return 2;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  std::FILE* report = std::fopen(argv[1], "w");
  if (!report) {
    std::perror(argv[1]);
    return 2;
  }
  auto toSeconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  const double cpu = toSeconds(usage.ru_utime) + toSeconds(usage.ru_stime);
  std::fprintf(report, "%.6f %.6f %ld %d\n", seconds, cpu, usage.ru_maxrss, code);
  return std::fclose(report) == 0 ? code : 2;
}
