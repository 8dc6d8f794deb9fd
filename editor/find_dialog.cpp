#include "editor/find_dialog.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <string_view>
#include <utility>

#include "config/tree_search.h"
#include "config/value_text.h"
#include "resources/resource.h"

namespace {

// The longest section path and value text a line shows; a longer path keeps
// its inner end, a longer text its start.
constexpr size_t kPathShown = 240;
constexpr size_t kTextShown = 240;
constexpr char kCut[] = "...";
// Where the type and the text of a value's line start, in dialog units.
constexpr int kTypeColumn = 150;
constexpr int kTextColumn = 180;
// Bytes a line is expected to take, for the list's advance reservation.
constexpr int kLineBytesGuess = 64;

// A count with its thousands grouped by commas ("10,000").
std::string GroupedNumber(int number) {
  std::string digits = std::to_string(number);
  for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(at, ",");
  return digits;
}

}  // namespace

FindDialog::FindDialog(HINSTANCE instance, HWND owner, const cfg::Section* document)
    : Dialog(instance, IDD_FIND, owner), document_(document) {}

FindDialog::FindDialog(HINSTANCE instance, HWND owner, const char* caption, std::vector<std::string> lines,
                       std::vector<FindTarget> targets, bool capped)
    : Dialog(instance, IDD_FIND, owner),
      caption_(caption),
      givenLines_(std::move(lines)),
      givenTargets_(std::move(targets)),
      givenCapped_(capped) {}

int FindDialog::OnMessage(dlg::WindowMessage* message) {
  if (message->message == WM_INITDIALOG) {
    Initialize();
  } else if (message->message == WM_COMMAND) {
    switch (message->ControlId()) {
      case IDOK:  // Enter while no button is the default one
      case IDC_FIND_START:
        if (caption_.empty()) Search();
        else GoToSelected();
        break;
      case IDC_FIND_GO_TO: GoToSelected(); break;
      // Enter presses the default button: Find while the text has the focus,
      // Go to while the list has it.
      case IDC_FIND_TEXT:
        if (message->NotifyCode() == EN_SETFOCUS) SendMessageA(Window(), DM_SETDEFID, IDC_FIND_START, 0);
        break;
      case IDC_FIND_HITS:
        if (message->NotifyCode() == LBN_SETFOCUS) SendMessageA(Window(), DM_SETDEFID, IDC_FIND_GO_TO, 0);
        if (message->NotifyCode() == LBN_DBLCLK) GoToSelected();
        break;
      case IDC_FIND_CLOSE:
      case IDCANCEL: End(0); break;
      default: break;
    }
  }
  return 0;
}

void FindDialog::Initialize() {
  if (dlg::ControlWrapper* hits = FindControl(IDC_FIND_HITS)) {
    const int stops[] = {kTypeColumn, kTextColumn};
    hits->ref.Send(LB_SETTABSTOPS, std::size(stops), reinterpret_cast<LPARAM>(stops));
  }
  if (caption_.empty()) {
    if (dlg::ControlWrapper* field = FindControl(IDC_FIND_TEXT)) SetFocus(field->ref.Resolve());
    return;
  }
  SetWindowTextA(Window(), caption_.c_str());
  // A list made beforehand: the text field, its label (the control before
  // it) and the Find button have nothing to do.
  if (dlg::ControlWrapper* field = FindControl(IDC_FIND_TEXT)) {
    const HWND text = field->ref.Resolve();
    ShowWindow(GetWindow(text, GW_HWNDPREV), SW_HIDE);
    ShowWindow(text, SW_HIDE);
  }
  if (dlg::ControlWrapper* find = FindControl(IDC_FIND_START)) ShowWindow(find->ref.Resolve(), SW_HIDE);
  FillList(givenLines_, givenCapped_);
}

void FindDialog::Search() {
  dlg::ControlWrapper* field = FindControl(IDC_FIND_TEXT);
  std::unique_ptr<char[]> pattern = field != nullptr ? field->ref.TextCopy() : nullptr;
  if (pattern == nullptr || document_ == nullptr) return;
  const std::string_view wanted(pattern.get());
  hits_.clear();
  nodes_.clear();
  nodeOf_.clear();
  std::vector<std::string> lines;
  bool capped = false;
  cfg::SearchTree(
      *document_, [&](std::string_view text) { return cfg::HoldsIgnoringCase(text, wanted); },
      [&](const cfg::SearchHit& hit) {
        if (hits_.size() == static_cast<size_t>(kMaxHits)) {
          capped = true;
          return false;
        }
        const int32_t node = NodeOf(*hit.sections);
        hits_.push_back({node, hit.record, hit.value});
        std::string line = PathText(node);
        if (hit.kind != cfg::SearchHit::Kind::Section) line += hit.record->NameView();
        if (hit.kind == cfg::SearchHit::Kind::Value) {
          line += '[';
          line += hit.name;
          line += "]\t";
          line += cfg::TypeWord(hit.value->Type());
          line += '\t';
          line += hit.text.substr(0, kTextShown);
          if (hit.text.size() > kTextShown) line += kCut;
        }
        lines.push_back(std::move(line));
        return true;
      });
  FillList(lines, capped);
}

int32_t FindDialog::NodeOf(const std::vector<const cfg::Section*>& sections) {
  // A section stands for its whole chain of parents: find the innermost one
  // known already, then add the ones inside it, outermost first.
  size_t known = sections.size();
  int32_t parent = -1;
  while (known > 0) {
    auto found = nodeOf_.find(sections[known - 1]);
    if (found != nodeOf_.end()) {
      parent = found->second;
      break;
    }
    --known;
  }
  for (size_t i = known; i < sections.size(); ++i) {
    nodes_.push_back({sections[i], parent});
    parent = static_cast<int32_t>(nodes_.size() - 1);
    nodeOf_.emplace(sections[i], parent);
  }
  return parent;
}

std::string FindDialog::PathText(int32_t node) const {
  // Built from the inside out, names reversed, then turned around once.
  std::string reversed;
  for (; node >= 0 && reversed.size() <= kPathShown; node = nodes_[node].parent) {
    std::string_view name = nodes_[node].section->NameView();
    reversed += '/';
    reversed.append(name.rbegin(), name.rend());
  }
  if (node >= 0) {
    reversed.resize(kPathShown);
    reversed.append(std::string_view(kCut).rbegin(), std::string_view(kCut).rend());
  }
  return std::string(reversed.rbegin(), reversed.rend());
}

void FindDialog::FillList(const std::vector<std::string>& lines, bool capped) {
  dlg::ControlWrapper* hits = FindControl(IDC_FIND_HITS);
  if (hits == nullptr) return;
  const dlg::WindowRef list = hits->ref.Pinned();
  // Lines are added with drawing off and their room reserved first: one
  // drawing at the end instead of one per line.
  list.Send(WM_SETREDRAW, FALSE, 0);
  list.Send(LB_RESETCONTENT, 0, 0);
  list.Send(LB_INITSTORAGE, lines.size(), static_cast<LPARAM>(lines.size() * kLineBytesGuess));
  for (const std::string& line : lines) list.Send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  list.Send(WM_SETREDRAW, TRUE, 0);
  list.Invalidate(nullptr);

  const std::string noun = caption_.empty() ? "hit" : "difference";
  std::string status;
  if (capped)
    status = "Only the first " + GroupedNumber(static_cast<int>(lines.size())) + " " + noun + "s are shown.";
  else if (lines.empty())
    status = "No " + noun + "s.";
  else
    status = GroupedNumber(static_cast<int>(lines.size())) + " " + noun + (lines.size() == 1 ? "" : "s");
  if (dlg::ControlWrapper* label = FindControl(IDC_FIND_STATUS)) label->ref.SetText(status.c_str());

  if (!lines.empty()) {
    // The first hit is ready to go to: Enter now picks it.
    list.Send(LB_SETCURSEL, 0, 0);
    SendMessageA(Window(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(list.Resolve()), TRUE);
  }
}

void FindDialog::GoToSelected() {
  dlg::ControlWrapper* list = FindControl(IDC_FIND_HITS);
  if (list == nullptr) return;
  LRESULT index = list->ref.Send(LB_GETCURSEL, 0, 0);
  if (index == LB_ERR) return;
  if (!caption_.empty()) {
    if (static_cast<size_t>(index) >= givenTargets_.size()) return;
    picked_ = givenTargets_[static_cast<size_t>(index)];
    End(1);
    return;
  }
  if (static_cast<size_t>(index) >= hits_.size()) return;
  const Hit& hit = hits_[static_cast<size_t>(index)];
  picked_.sections.clear();
  for (int32_t node = hit.node; node >= 0; node = nodes_[node].parent)
    picked_.sections.push_back(nodes_[node].section);
  std::reverse(picked_.sections.begin(), picked_.sections.end());
  picked_.record = hit.record;
  picked_.value = hit.value;
  End(1);
}
