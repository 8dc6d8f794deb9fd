#include "editor/list_views.h"

#include <array>
#include <string>
#include <vector>

#include "editor/view_fill.h"

namespace editor {

namespace {

// wsprintfA writes at most this many characters and the NUL.
constexpr size_t kLineSize = 1025;

}  // namespace

void FillRecords(const dlg::ListBoxControl& list, const cfg::Section& section) {
  std::vector<std::string> names;
  for (int i = 1; i <= section.Count(); ++i) {
    cfg::Record* record = section.RecordAt(i);
    if (!record->IsNull()) names.emplace_back(record->GetName());
  }
  FillSortedList(list, names, {});
}

void FillValues(const dlg::ListBoxControl& list, const cfg::Record& record) {
  std::array<char, kLineSize> line;
  std::vector<std::string> lines;
  std::vector<LPARAM> data;
  for (int i = 1; i <= record.Count(); ++i) {
    cfg::Value* value = record.ValueAt(i);
    const char* valueName = value->GetName();
    switch (value->Type()) {
      case cfg::ValueType::Int:
        if (valueName != nullptr)
          wsprintfA(line.data(), "(int)%s = %d", valueName, value->GetInt());
        else
          wsprintfA(line.data(), "(int) = %d", value->GetInt());
        break;
      case cfg::ValueType::String:
        if (valueName != nullptr)
          wsprintfA(line.data(), "(string)%s = %s", valueName, value->GetString());
        else
          wsprintfA(line.data(), "(string) = %s", value->GetString());
        break;
      default:
        continue;
    }
    lines.emplace_back(line.data());
    data.push_back(reinterpret_cast<LPARAM>(value));
  }
  FillSortedList(list, lines, data);
}

LRESULT LineOfValue(const dlg::ListBoxControl& list, const cfg::Value* value) {
  const dlg::ListBoxControl lines(list.ref.Pinned());
  LRESULT count = lines.ref.Send(LB_GETCOUNT, 0, 0);
  for (int i = 0; i < count; ++i)
    if (lines.GetItemData(i) == reinterpret_cast<LRESULT>(value)) return i;
  return LB_ERR;
}

}  // namespace editor
