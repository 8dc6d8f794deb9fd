// What loading a configuration file skips, drops or would not write back:
// the findings of cfgtool check.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "config/config_node.h"
#include "config/config_stream.h"

namespace cfgtool {

struct Finding {
  long long line;
  std::string reason;
};

// Collects findings while a document loads, then from a second pass over the
// same input. Comments and blank lines are not findings.
class LoadFindings : public cfg::LoadObserver {
 public:
  void Skipped(const cfg::ConfigStream& stream) override;
  void Dropped(long long line, Drop what, std::string_view name) override;

  // Call with the stream that loading used, once loading has returned: any
  // line left unread is a finding.
  void CheckRestUnread(cfg::ConfigStream& stream);
  // A second pass over the same input: names that would not survive a save,
  // and lines inside byte arrays that hold no byte.
  void ScanNames(cfg::ConfigStream& stream);

  // The findings in line order (on one line, in the order noted), each once.
  std::vector<Finding> Sorted() const;

 private:
  void Add(long long line, std::string reason);

  std::vector<Finding> findings_;
  long long lastLineLoaded_ = -1;  // -1: loading read the whole input
};

}  // namespace cfgtool
