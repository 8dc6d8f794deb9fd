// Load and save throughput of the core on generated files (Google Benchmark).
//
//   Load/Save nested/MB   a nested tree of about 10 or 100 MB
//   Load/Save flat/N      one section holding N records
//   Load/Save wide/N      one record holding N named values
//
// Files are generated on first use into CFG_BENCH_DATA (default: the data
// folder of the build, shared with scripts/bench.sh) and reused afterwards;
// cfg_gen writes the same content under the same names.
#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "config/config_node.h"
#include "tree_generator.h"
#include "tree_sinks.h"

namespace {

std::string DataDir() {
  const char* dir = std::getenv("CFG_BENCH_DATA");
  return dir && *dir ? dir : CFG_BENCH_DATA_DIR;
}

enum Shape { kNested, kFlat, kWide };

const char* ShapeName(Shape shape) {
  switch (shape) {
    case kNested: return "nested";
    case kFlat: return "flat";
    case kWide: return "wide";
  }
  return "";
}

long long FileSize(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}

// The path of the data file for shape and size, written when missing.
std::string DataFile(Shape shape, int64_t size) {
  const std::string dir = DataDir();
  mkdir(dir.c_str(), 0777);
  const std::string path = dir + "/" + ShapeName(shape) + "_" + std::to_string(size) + ".cfg";
  if (FileSize(path) > 0) return path;
  const std::string temporary = path + ".part";
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) return path;
  std::unique_ptr<bench::TreeSink> sink = bench::MakeSink(bench::Syntax::Cfg, file);
  bench::TreeGenerator generator;
  switch (shape) {
    case kNested:
      generator.Nested(*sink, bench::TreeGenerator::RecordsForSize(static_cast<uint64_t>(size) << 20));
      break;
    case kFlat: generator.Flat(*sink, static_cast<int>(size)); break;
    case kWide: generator.Wide(*sink, static_cast<int>(size)); break;
  }
  const bool ok = sink->Finish();
  if (std::fclose(file) == 0 && ok) std::rename(temporary.c_str(), path.c_str());
  return path;
}

void Load(benchmark::State& state, Shape shape) {
  const std::string path = DataFile(shape, state.range(0));
  const long long bytes = FileSize(path);
  if (bytes <= 0) {
    state.SkipWithError("no data file");
    return;
  }
  for (auto _ : state) {
    auto document = std::make_unique<cfg::Section>(cfg::kFileSection, path.c_str());
    if (!document->Load()) {
      state.SkipWithError("load failed");
      break;
    }
    state.PauseTiming();
    document->FreeItemsOnTwoThreads();
    document.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * bytes);
  if (shape != kNested) state.SetItemsProcessed(state.iterations() * state.range(0));
}

void Save(benchmark::State& state, Shape shape) {
  const std::string path = DataFile(shape, state.range(0));
  const long long bytes = FileSize(path);
  cfg::Section document(cfg::kFileSection, path.c_str());
  if (bytes <= 0 || !document.Load()) {
    state.SkipWithError("no data file");
    return;
  }
  const std::string output = DataDir() + "/saved_by_cfg_bench.cfg";
  document.SetName(output.c_str());
  for (auto _ : state) {
    if (!document.Save()) {
      state.SkipWithError("save failed");
      break;
    }
  }
  state.SetBytesProcessed(state.iterations() * bytes);
  if (shape != kNested) state.SetItemsProcessed(state.iterations() * state.range(0));
  std::remove(output.c_str());
}

void Register(const char* name, void (*run)(benchmark::State&, Shape), Shape shape) {
  auto* b = benchmark::RegisterBenchmark((std::string(name) + "/" + ShapeName(shape)).c_str(), run, shape);
  b->Unit(benchmark::kMillisecond)->UseRealTime();
  if (shape == kNested) {
    b->ArgName("MB")->Arg(10)->Arg(100);
  } else {
    b->ArgName("N")->Arg(10000)->Arg(100000)->Arg(1000000);
  }
}

}  // namespace

int main(int argc, char** argv) {
  for (Shape shape : {kNested, kFlat, kWide}) {
    Register("Load", Load, shape);
    Register("Save", Save, shape);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
