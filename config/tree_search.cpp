#include "tree_search.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "config_node.h"
#include "name_compare.h"
#include "save_walk.h"
#include "value_text.h"

namespace cfg {

bool HoldsIgnoringCase(std::string_view text, std::string_view part) {
  using namespace name_compare;
  if (part.size() > text.size()) return false;
  if (part.empty()) return true;
  // A place where part may start holds its first byte, folded. For a
  // letter, setting the case bit is folding it: the only bytes that the bit
  // turns into a small letter are that letter and its capital.
  const unsigned char first = FoldByte(static_cast<unsigned char>(part[0]));
  const unsigned char caseBit = first >= 'a' && first <= 'z' ? kCaseBit : 0;
  auto startsAt = [&](size_t i) {
    return (static_cast<unsigned char>(text[i]) | caseBit) == first && NamesEqual(text.substr(i, part.size()), part);
  };
  const size_t starts = text.size() - part.size() + 1;
  size_t i = 0;
  // A word of places at a time: a word with no byte equal to first (after
  // the case bit is set in every byte, for a letter) has no place to start,
  // and (t - ones) & ~t & highs is nonzero exactly when some byte of t is
  // zero.
  constexpr size_t kWord = sizeof(uint64_t);
  const uint64_t firsts = first * kOnes;
  const uint64_t caseBits = caseBit * kOnes;
  for (; i + kWord <= starts; i += kWord) {
    uint64_t word;
    std::memcpy(&word, text.data() + i, kWord);
    const uint64_t t = (word | caseBits) ^ firsts;
    if (((t - kOnes) & ~t & kHighs) == 0) continue;
    for (size_t j = i; j < i + kWord; ++j) {
      if (startsAt(j)) return true;
    }
  }
  for (; i < starts; ++i) {
    if (startsAt(i)) return true;
  }
  return false;
}

namespace {

// The value types by number, for a table of what each one's texts can hold.
constexpr size_t kTypeSlots = static_cast<size_t>(ValueType::Int64) + 1;

}  // namespace

bool SearchTree(const Section& root, const SearchTest& test, const SearchReceiver& receive,
                const RequiredPart& required) {
  // A text without the required part fails the test: it is turned away
  // here, without calling the test.
  const std::string_view part = required.part;
  auto passes = [&](std::string_view text) {
    const bool holds = required.ignoreCase ? HoldsIgnoringCase(text, part) : text.find(part) != text.npos;
    return holds && test(text);
  };
  bool textCanMatch[kTypeSlots] = {};
  textCanMatch[static_cast<size_t>(ValueType::None)] =
      ValueTextCanHold(ValueType::None, required.part, required.ignoreCase);
  for (const ValueTypeNames& names : kValueTypes)
    textCanMatch[static_cast<size_t>(names.type)] = ValueTextCanHold(names.type, required.part, required.ignoreCase);
  std::vector<const Section*> sections;
  std::string scratch;
  SearchHit hit{};
  hit.sections = &sections;
  SaveWalk walk(root);
  SaveWalk::Kind kind;
  const ConfigNode* node;
  while (walk.Next(&kind, &node)) {
    switch (kind) {
      case SaveWalk::Open: {
        sections.push_back(static_cast<const Section*>(node));
        const std::string_view name = node->NameView();
        if (passes(name)) {
          hit.kind = SearchHit::Kind::Section;
          hit.record = nullptr;
          hit.value = nullptr;
          hit.valueSlot = 0;
          hit.name = name;
          hit.text = std::string_view();
          if (!receive(hit)) return false;
        }
        break;
      }
      case SaveWalk::Close:
        sections.pop_back();
        break;
      case SaveWalk::Values: {
        const auto* record = static_cast<const Record*>(node);
        hit.record = record;
        const std::string_view recordName = record->NameView();
        if (passes(recordName)) {
          hit.kind = SearchHit::Kind::Record;
          hit.value = nullptr;
          hit.valueSlot = 0;
          hit.name = recordName;
          hit.text = std::string_view();
          if (!receive(hit)) return false;
        }
        for (int slot = 1; slot <= record->Count(); ++slot) {
          const Value* value = record->ValueAt(slot);
          if (value->IsNone()) continue;
          const std::string_view name = value->NameView();
          const bool nameMatches = !name.empty() && passes(name);
          if (!nameMatches && !textCanMatch[static_cast<size_t>(value->Type())]) continue;
          const std::string_view text = ValueText(*value, &scratch);
          if (!nameMatches && !passes(text)) continue;
          hit.kind = SearchHit::Kind::Value;
          hit.value = value;
          hit.valueSlot = slot;
          hit.name = name;
          hit.text = text;
          if (!receive(hit)) return false;
        }
        break;
      }
    }
  }
  return true;
}

}  // namespace cfg
