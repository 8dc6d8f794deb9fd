// The benchmark's configuration trees, walked deterministically into a sink so
// that every syntax receives the same content.
#pragma once

#include <cstdint>
#include <random>
#include <string>

#include "tree_sinks.h"

namespace bench {

class TreeGenerator {
 public:
  explicit TreeGenerator(uint64_t seed = 20240611) : random_(seed) {}

  // 2648 sections nested up to depth 4 (8 at the root, then 6, 6 and 8 per
  // parent); each holds on average recordsPerSection records of two to six
  // mixed typed values, one record in eight also a byte array of 4 to 32 bytes.
  void Nested(TreeSink& sink, int recordsPerSection);
  // The recordsPerSection that makes Nested write about targetBytes of our format.
  static int RecordsForSize(uint64_t targetBytes);
  // One section "flat" holding count records, each an int, a double and a string.
  void Flat(TreeSink& sink, int count);
  // One section "wide" holding one record "wide" of count named values, ints
  // and strings by turns.
  void Wide(TreeSink& sink, int count);
  // count empty sections at the top level, "section_0000000" and on.
  void Sections(TreeSink& sink, int count);
  // One section "ints" holding one record "ints" of count named int values.
  void Ints(TreeSink& sink, int count);

 private:
  void NestedSection(TreeSink& sink, int level, int recordsPerSection);
  void RandomRecord(TreeSink& sink, const std::string& name);
  int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  std::string Words(int low, int high);
  std::string Text();
  double RealNumber();

  std::mt19937_64 random_;
};

}  // namespace bench
