#include "tree_search.h"

#include <algorithm>
#include <string>

#include "config_node.h"
#include "save_walk.h"
#include "value_text.h"

namespace cfg {

bool HoldsIgnoringCase(std::string_view text, std::string_view part) {
  auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  return part.empty() || std::search(text.begin(), text.end(), part.begin(), part.end(), [&](char a, char b) {
                           return fold(a) == fold(b);
                         }) != text.end();
}

bool SearchTree(const Section& root, const SearchTest& test, const SearchReceiver& receive) {
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
        if (test(name)) {
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
        if (test(recordName)) {
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
          const std::string_view text = ValueText(*value, &scratch);
          if ((name.empty() || !test(name)) && !test(text)) continue;
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
