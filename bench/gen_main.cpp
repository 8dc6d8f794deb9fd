// Writes the benchmark's data files: the same tree in our format and in the
// syntaxes of the peer libraries.
//
//   cfg_gen nested MEGABYTES PREFIX   about MEGABYTES MB of our format
//   cfg_gen flat N PREFIX             one section of N records
//   cfg_gen wide N PREFIX             one record of N named values
//
// Writes PREFIX.cfg, PREFIX.libconfig, PREFIX.info and PREFIX.json
// (--only-cfg: PREFIX.cfg alone).
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
  std::fprintf(stderr, "usage: cfg_gen nested|flat|wide SIZE PREFIX [--only-cfg]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || argc > 5) return Usage();
  const std::string kind = argv[1];
  const double size = std::atof(argv[2]);
  const std::string prefix = argv[3];
  const bool onlyCfg = argc == 5 && std::strcmp(argv[4], "--only-cfg") == 0;
  if (argc == 5 && !onlyCfg) return Usage();
  if (size <= 0 || (kind != "nested" && kind != "flat" && kind != "wide")) return Usage();

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
  } else {
    generator.Wide(all, static_cast<int>(size));
  }
  bool ok = all.Finish();
  for (size_t i = 0; i < files.size(); ++i) {
    ok = std::fclose(files[i]) == 0 && ok;
    std::printf("%s.%s %llu bytes\n", prefix.c_str(), bench::SyntaxExtension(syntaxes[i]),
                static_cast<unsigned long long>(sinks[i]->Written()));
  }
  return ok ? 0 : 1;
}
