#include "tree_generator.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace bench {
namespace {

constexpr std::array<int, 4> kFanOut = {8, 6, 6, 8};

constexpr std::array<const char*, 8> kSectionWords = {
    "network", "paths", "display", "plugins", "users", "storage", "audio", "input"};
constexpr std::array<const char*, 10> kRecordWords = {
    "window", "cache", "server", "account", "font", "color", "route", "device", "job", "entry"};
constexpr std::array<const char*, 32> kWords = {
    "alpha",  "bravo",  "main",    "view",   "default", "primary", "backup",  "remote",
    "local",  "north",  "south",   "window", "screen",  "left",    "right",   "upper",
    "lower",  "fast",   "slow",    "cached", "shared",  "private", "public",  "temp",
    "config", "user",   "service", "disk",   "queue",   "port",    "channel", "mode"};

enum class Kind { Int, Float, String, Double, Int64 };
struct Field {
  Kind kind;
  const char* name;
};
constexpr std::array<Field, 13> kFields = {{{Kind::Int, "count"},
                                            {Kind::Int, "port"},
                                            {Kind::Int, "width"},
                                            {Kind::Float, "scale"},
                                            {Kind::Float, "alpha"},
                                            {Kind::String, "title"},
                                            {Kind::String, "host"},
                                            {Kind::String, "path"},
                                            {Kind::String, "label"},
                                            {Kind::Double, "limit"},
                                            {Kind::Double, "weight"},
                                            {Kind::Int64, "total"},
                                            {Kind::Int64, "stamp"}}};

std::string Numbered(const char* word, int number) {
  return std::string(word) + "_" + std::to_string(number);
}

}  // namespace

std::string TreeGenerator::Words(int low, int high) {
  std::string text;
  for (int i = Uniform(low, high); i > 0; --i) {
    if (!text.empty()) text.push_back(' ');
    text += kWords[Uniform(0, kWords.size() - 1)];
  }
  return text;
}

std::string TreeGenerator::Text() {
  if (Uniform(0, 3) == 0) {
    return "/srv/" + std::string(kWords[Uniform(0, kWords.size() - 1)]) + "/" +
           kWords[Uniform(0, kWords.size() - 1)] + "_" + std::to_string(Uniform(0, 9999)) + ".dat";
  }
  return Words(1, 6);
}

// Six significant digits at various scales, as the text our writer keeps
// ("%G"), so that a file survives loading and saving unchanged.
double TreeGenerator::RealNumber() {
  char text[64];
  std::snprintf(text, sizeof text, "%de%d", Uniform(100000, 999999), Uniform(-10, 2));
  char canonical[64];
  std::snprintf(canonical, sizeof canonical, "%G", std::strtod(text, nullptr));
  return std::strtod(canonical, nullptr);
}

void TreeGenerator::RandomRecord(TreeSink& sink, const std::string& name) {
  sink.BeginRecord(name);
  std::array<int, kFields.size()> order;
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  std::shuffle(order.begin(), order.end(), random_);
  const int count = Uniform(2, 6);
  for (int i = 0; i < count; ++i) {
    const Field& field = kFields[order[i]];
    switch (field.kind) {
      case Kind::Int:
        sink.Int(field.name, Uniform(0, 1) ? Uniform(0, 65535) : static_cast<int32_t>(random_()));
        break;
      case Kind::Float:
        // Multiples of 1/64: exact in a float and in six decimals.
        sink.Float(field.name, static_cast<float>(Uniform(-64000, 64000)) / 64.0f);
        break;
      case Kind::String: sink.String(field.name, Text()); break;
      case Kind::Double: sink.Double(field.name, RealNumber()); break;
      case Kind::Int64: sink.Int64(field.name, static_cast<int64_t>(random_() >> Uniform(1, 40))); break;
    }
  }
  if (Uniform(0, 7) == 0) {
    std::vector<uint8_t> bytes(static_cast<size_t>(Uniform(4, 32)));
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random_());
    sink.Bytes("data", bytes.data(), bytes.size());
  }
  sink.EndRecord();
}

void TreeGenerator::NestedSection(TreeSink& sink, int level, int recordsPerSection) {
  // Records before and after the child sections, as files grow in practice.
  const int records = level == 0 ? 0 : Uniform(1, 2 * recordsPerSection - 1);
  const int before = records / 2;
  const char* recordWord = kRecordWords[Uniform(0, kRecordWords.size() - 1)];
  for (int i = 0; i < before; ++i) RandomRecord(sink, Numbered(recordWord, i));
  if (level < static_cast<int>(kFanOut.size())) {
    for (int i = 0; i < kFanOut[level]; ++i) {
      sink.BeginSection(Numbered(kSectionWords[Uniform(0, kSectionWords.size() - 1)], i));
      NestedSection(sink, level + 1, recordsPerSection);
      sink.EndSection();
    }
  }
  for (int i = before; i < records; ++i) RandomRecord(sink, Numbered(recordWord, i));
}

void TreeGenerator::Nested(TreeSink& sink, int recordsPerSection) {
  NestedSection(sink, 0, std::max(1, recordsPerSection));
}

int TreeGenerator::RecordsForSize(uint64_t targetBytes) {
  constexpr int kProbe = 8;
  std::unique_ptr<TreeSink> counter = MakeSink(Syntax::Cfg, nullptr);
  TreeGenerator(1).Nested(*counter, kProbe);
  const double perRecord = static_cast<double>(counter->Written()) / kProbe;
  return std::max(1, static_cast<int>(static_cast<double>(targetBytes) / perRecord + 0.5));
}

void TreeGenerator::Flat(TreeSink& sink, int count) {
  sink.BeginSection("flat");
  char name[32];
  for (int i = 0; i < count; ++i) {
    std::snprintf(name, sizeof name, "item%07d", i);
    sink.BeginRecord(name);
    sink.Int("id", i);
    sink.Double("weight", RealNumber());
    sink.String("name", Words(1, 4));
    sink.EndRecord();
  }
  sink.EndSection();
}

void TreeGenerator::Wide(TreeSink& sink, int count) {
  sink.BeginSection("wide");
  sink.BeginRecord("wide");
  char name[32];
  for (int i = 0; i < count; ++i) {
    std::snprintf(name, sizeof name, "v%07d", i);
    if (i % 2 == 0) {
      sink.Int(name, Uniform(0, 1 << 30));
    } else {
      sink.String(name, Words(1, 4));
    }
  }
  sink.EndRecord();
  sink.EndSection();
}

void TreeGenerator::Sections(TreeSink& sink, int count) {
  char name[32];
  for (int i = 0; i < count; ++i) {
    std::snprintf(name, sizeof name, "section_%07d", i);
    sink.BeginSection(name);
    sink.EndSection();
  }
}

void TreeGenerator::Ints(TreeSink& sink, int count) {
  sink.BeginSection("ints");
  sink.BeginRecord("ints");
  char name[32];
  for (int i = 0; i < count; ++i) {
    std::snprintf(name, sizeof name, "v%07d", i);
    sink.Int(name, Uniform(0, 1 << 30));
  }
  sink.EndRecord();
  sink.EndSection();
}

}  // namespace bench
