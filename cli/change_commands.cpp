// cfgtool apply and cfgtool merge.
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "commands.h"
#include "config/writer_lock.h"
#include "tool_io.h"
#include "tree_merge.h"
#include "tree_patch.h"

namespace cfgtool {

int RunApply(const std::string& file, const std::string& patchFile, const std::string& output, bool reverse) {
  const std::string& target = output.empty() ? file : output;
  if (target == "-" && output.empty()) {
    ReportError(file, "apply needs a file to rewrite, or -o");
    return kFailure;
  }
  if (file == "-" && patchFile == "-") {
    ReportError(file, "FILE and PATCH can not both be standard input");
    return kFailure;
  }
  std::string json;
  if (!ReadWholeFile(patchFile, &json)) return kFailure;
  std::vector<PatchEntry> entries;
  std::string error;
  if (!ReadPatch(json, reverse, &entries, &error)) {
    ReportError(patchFile, error);
    return kFailure;
  }
  // Held from the reading of FILE (when it is the target) to the rename.
  std::unique_ptr<cfg::WriterLock> lock;
  if (target != "-") {
    lock = std::make_unique<cfg::WriterLock>(target);
    if (!MayWrite(*lock, target)) return kFailure;
  }
  cfg::DocumentPtr document = LoadDocument(file);
  if (!document) return kFailure;
  const size_t conflicts = ApplyPatch(*document, entries, [&](const std::string& path, const std::string& reason) {
    ReportError(file, path + ": " + reason);
  });
  if (conflicts > 0) return kNotFound;
  const bool written = WriteDocument(*document, target);
  KeepUntilExit(std::move(document));
  return written ? kSuccess : kFailure;
}

int RunMerge(const std::string& base, const std::string& ours, const std::string& theirs, const std::string& output) {
  const std::string& target = output.empty() ? ours : output;
  if (target == "-" && output.empty()) {
    ReportError(ours, "merge needs OURS to be a file to rewrite, or -o");
    return kFailure;
  }
  if ((base == "-") + (ours == "-") + (theirs == "-") > 1) {
    ReportError("", "only one of BASE, OURS and THEIRS can be standard input");
    return kFailure;
  }
  std::unique_ptr<cfg::WriterLock> lock;
  if (target != "-") {
    lock = std::make_unique<cfg::WriterLock>(target);
    if (!MayWrite(*lock, target)) return kFailure;
  }
  // Files load side by side; standard input, read once, only one at a time.
  cfg::DocumentPtr baseTree, oursTree, theirsTree;
  if (base == "-" || ours == "-" || theirs == "-") {
    baseTree = LoadDocument(base);
    if (baseTree) oursTree = LoadDocument(ours);
    if (oursTree) theirsTree = LoadDocument(theirs);
  } else {
    std::thread loader([&] {
      theirsTree = LoadDocument(theirs);
      if (theirsTree) baseTree = LoadDocument(base);
    });
    oursTree = LoadDocument(ours);
    loader.join();
  }
  if (!baseTree || !oursTree || !theirsTree) return kFailure;

  TreeMerge merge(*baseTree, *oursTree, *theirsTree);
  int status = kSuccess;
  if (merge.ConflictCount() == 0) {
    if (!WriteDocument(*oursTree, target)) status = kFailure;
  } else {
    std::vector<MergeConflict> conflicts;
    const std::string text = merge.ConflictedText(&conflicts);
    if (!WriteWholeFile(target, text)) {
      status = kFailure;
    } else {
      for (const MergeConflict& conflict : conflicts) ReportError(ours, conflict.path + ": " + conflict.reason);
      status = kNotFound;
    }
  }
  KeepUntilExit(std::move(baseTree));
  KeepUntilExit(std::move(oursTree));
  KeepUntilExit(std::move(theirsTree));
  return status;
}

}  // namespace cfgtool
