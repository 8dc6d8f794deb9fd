// Writes the benchmark's data files: the same tree in our format and in the
// syntaxes of the peer libraries.
//
//   cfg_gen nested MEGABYTES PREFIX   about MEGABYTES MB of our format
//   cfg_gen flat N PREFIX             one section of N records
//   cfg_gen wide N PREFIX             one record of N named values
//   cfg_gen sections N PREFIX         N empty sections at the top level
//   cfg_gen ints N PREFIX             one record of N int values
//   cfg_gen deep N PREFIX             a chain of sections N levels deep
//
// Writes PREFIX.cfg, PREFIX.libconfig, PREFIX.info and PREFIX.json
// (--only-cfg: PREFIX.cfg alone). "deep" writes PREFIX.cfg alone and without
// indentation, which the reader ignores: indented, a chain of 10^6 levels
// would take 2 TB.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tree_generator.h"
#include "tree_sinks.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: cfg_gen nested|flat|wide|sections|ints|deep SIZE PREFIX [--only-cfg]\n");
  return 2;
}

// Sections "level_0000001" inside one another down to depth levels, the
// innermost empty, every line at the left margin.
int WriteChain(const std::string& prefix, int levels) {
  const std::string path = prefix + ".cfg";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    std::perror(path.c_str());
    return 1;
  }
  unsigned long long written = 0;
  for (int i = 1; i <= levels; ++i) written += std::fprintf(file, "{ level_%07d:\n", i);
  for (int i = levels; i >= 1; --i) written += std::fprintf(file, "} level_%07d;\n", i);
  const bool ok = std::fclose(file) == 0;
  std::printf("%s %llu bytes\n", path.c_str(), written);
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || argc > 5) return Usage();
  const std::string kind = argv[1];
  const double size = std::atof(argv[2]);
  const std::string prefix = argv[3];
  const bool onlyCfg = argc == 5 && std::strcmp(argv[4], "--only-cfg") == 0;
  if (argc == 5 && !onlyCfg) return Usage();
  const bool known = kind == "nested" || kind == "flat" || kind == "wide" ||
                     kind == "sections" || kind == "ints" || kind == "deep";
  if (size <= 0 || !known) return Usage();
  if (kind == "deep") return WriteChain(prefix, static_cast<int>(size));

  std::vector<bench::Syntax> syntaxes{bench::Syntax::Cfg};
  if (!onlyCfg) {
    syntaxes.insert(syntaxes.end(),
                    {bench::Syntax::Libconfig, bench::Syntax::Info, bench::Syntax::Json});
  }
  std::vector<std::FILE*> files;
  std::vector<std::unique_ptr<bench::TreeSink>> sinks;
  bench::FanOut all;
  for (bench::Syntax syntax : syntaxes) {
    const std::string path = prefix + "." + bench::SyntaxExtension(syntax);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
      std::perror(path.c_str());
      return 1;
    }
    files.push_back(file);
    sinks.push_back(bench::MakeSink(syntax, file));
    all.Attach(sinks.back().get());
  }

  bench::TreeGenerator generator;
  if (kind == "nested") {
    generator.Nested(all, bench::TreeGenerator::RecordsForSize(
                              static_cast<uint64_t>(size * 1024 * 1024)));
  } else if (kind == "flat") {
    generator.Flat(all, static_cast<int>(size));
  } else if (kind == "wide") {
    generator.Wide(all, static_cast<int>(size));
  } else if (kind == "sections") {
    generator.Sections(all, static_cast<int>(size));
  } else {
    generator.Ints(all, static_cast<int>(size));
  }
  bool ok = all.Finish();
  for (size_t i = 0; i < files.size(); ++i) {
    ok = std::fclose(files[i]) == 0 && ok;
    std::printf("%s.%s %llu bytes\n", prefix.c_str(), bench::SyntaxExtension(syntaxes[i]),
                static_cast<unsigned long long>(sinks[i]->Written()));
  }
  return ok ? 0 : 1;
}
