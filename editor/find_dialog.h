// The Find dialog (template 105): a text, a Find button and the list of the
// sections, records and values whose names or value texts hold it; picking a
// hit ends the dialog and tells the main window where to go.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "config/config_node.h"
#include "dialogs/dialog.h"

// Where a hit sits: the sections from the top level of the document down to
// the hit's section (empty for the document itself; for a section hit the
// last one is the hit), and the hit's record and value when it is one or
// lies in one.
struct FindTarget {
  std::vector<const cfg::Section*> sections;
  const cfg::Record* record = nullptr;
  const cfg::Value* value = nullptr;
};

class FindDialog : public dlg::Dialog {
 public:
  // At most this many hits are listed; a search stops at the next one.
  static constexpr int kMaxHits = 10000;

  // Searches document, which must not change while the dialog runs.
  FindDialog(HINSTANCE instance, HWND owner, const cfg::Section* document);
  // Shows lines made beforehand under caption, without the text field and
  // the Find button (File > Compare with...); Go to picks the target of the
  // selected line. capped tells that lines stop short of all there are.
  FindDialog(HINSTANCE instance, HWND owner, const char* caption, std::vector<std::string> lines,
             std::vector<FindTarget> targets, bool capped);

  // Find (its button, or Enter in the text field) lists the hits of the text;
  // Go to (its button, or Enter in the list) or a double-click picks the
  // selected hit and ends the dialog with 1; Close, Esc and the close box end
  // it with 0.
  int OnMessage(dlg::WindowMessage* message) override;

  // The hit picked, once ShowModal has returned 1.
  const FindTarget& Picked() const { return picked_; }

 private:
  // One listed hit; its line in the list has the same index.
  struct Hit {
    int32_t node;  // its section in nodes_, -1 for the document itself
    const cfg::Record* record;
    const cfg::Value* value;
  };
  // A section some hit lies in, with the node of its parent section (-1 for
  // a section at the top level).
  struct Node {
    const cfg::Section* section;
    int32_t parent;
  };

  void Initialize();
  void Search();
  // Picks the selected hit and ends the dialog; nothing when none is selected.
  void GoToSelected();
  // The node of the last section of the chain, adding the nodes it lacks.
  int32_t NodeOf(const std::vector<const cfg::Section*>& sections);
  // The hit's section path as a line shows it ("a/b/"), the outer part cut
  // when it is very long.
  std::string PathText(int32_t node) const;
  void FillList(const std::vector<std::string>& lines, bool capped);

  const cfg::Section* document_ = nullptr;
  // A list made beforehand: its caption (empty for Find), lines and targets.
  std::string caption_;
  std::vector<std::string> givenLines_;
  std::vector<FindTarget> givenTargets_;
  bool givenCapped_ = false;
  std::vector<Hit> hits_;
  std::vector<Node> nodes_;
  std::unordered_map<const cfg::Section*, int32_t> nodeOf_;
  FindTarget picked_;
};
