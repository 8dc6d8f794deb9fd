#include "editor/compare_list.h"

#include "config/tree_diff.h"
#include "config/value_text.h"
#include "config/value_type.h"

namespace {

// The longest value text a line shows; a longer one keeps its start.
constexpr size_t kTextShown = 240;
constexpr char kCut[] = "...";

void AppendText(std::string& line, const cfg::Value& value) {
  std::string scratch;
  const std::string_view text = cfg::ValueText(value, &scratch);
  line += text.substr(0, kTextShown);
  if (text.size() > kTextShown) line += kCut;
}

}  // namespace

std::vector<CompareLine> CompareDocuments(const cfg::Section& document, const cfg::Section& other,
                                          size_t maxLines, bool* capped) {
  std::vector<CompareLine> lines;
  *capped = false;
  cfg::DiffTrees(document, other, [&](const cfg::TreeChange& change) {
    if (lines.size() == maxLines) {
      *capped = true;
      return;
    }
    using Op = cfg::TreeChange::Op;
    CompareLine line;
    line.text = change.op == Op::Removed ? "- " : change.op == Op::Added ? "+ " : "~ ";
    line.target.sections = *change.sections;
    for (const cfg::Section* section : *change.sections) {
      line.text += section->NameView();
      line.text += '/';
    }
    if (change.node != nullptr) {
      line.text += change.node->NameView();
      if (!change.node->IsRecord()) line.text += '/';
      // A removed node is the document's; an added one is not, and its
      // section is the nearest place the document holds.
      if (change.op == Op::Removed) {
        if (change.node->IsRecord()) line.target.record = static_cast<const cfg::Record*>(change.node);
        else line.target.sections.push_back(static_cast<const cfg::Section*>(change.node));
      }
    } else {
      const cfg::Value& value = *(change.before != nullptr ? change.before : change.after);
      line.text += change.record->NameView();
      line.text += '[';
      line.text += value.NameView();
      line.text += "]\t";
      line.text += cfg::TypeWord(value.Type());
      line.text += '\t';
      if (change.before != nullptr) AppendText(line.text, *change.before);
      if (change.op == Op::Changed) line.text += " -> ";
      if (change.after != nullptr) AppendText(line.text, *change.after);
      line.target.record = change.record;
      line.target.value = change.before;  // null for an added value: its record is the place
    }
    lines.push_back(std::move(line));
  });
  return lines;
}
