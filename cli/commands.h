// The commands of cfgtool, each returning the process's exit status.
#pragma once

#include <string>
#include <vector>

#include "config/config_node.h"
#include "config/writer_lock.h"

namespace cfgtool {

// Loads FILE ("-" for standard input) into a fresh document; nullptr after
// reporting the error.
cfg::DocumentPtr LoadDocument(const std::string& file);
// Leaves a document that a command has finished with to the end of the
// process, which takes back all its memory at once: quicker than freeing a
// large tree node by node. It stays reachable until then, so it is no leak.
void KeepUntilExit(cfg::DocumentPtr document);

// Writes document as a save writes it to target, the file it is then named
// after, or to standard output for "-"; false after reporting the error (a
// file that was there is then left as it was).
bool WriteDocument(cfg::Section& document, const std::string& target);

// Whether lock, taken for FILE, lets its holder write; false after reporting
// why not.
bool MayWrite(const cfg::WriterLock& lock, const std::string& file);

int RunFmt(const std::vector<std::string>& files, bool inPlace);
int RunCheck(const std::vector<std::string>& files);
int RunGet(const std::string& file, const std::string& path);
int RunSet(const std::string& file, const std::string& path, const std::string& type,
           const std::string& text);
int RunDel(const std::string& file, const std::string& path);
int RunDump(const std::string& file, bool json);
int RunFromJson(const std::string& jsonFile, const std::string& output);
// Exit status as grep's: 0 something found, 1 nothing, 2 an error.
int RunFind(const std::string& file, const std::string& pattern, bool regex, bool caseSensitive, bool json);
// Exit status as diff's: 0 the trees are equal, 1 they differ, 2 an error.
int RunDiff(const std::string& firstFile, const std::string& secondFile, bool json);
// Applies a diff --json patch (reversed with reverse) to FILE, in place or
// into output. 0 applied; 1 some entry did not fit, nothing written; 2 an
// error.
int RunApply(const std::string& file, const std::string& patchFile, const std::string& output, bool reverse);
// Merges the changes from base to theirs into ours (or into output). 0
// clean; 1 conflicts, written with markers; 2 an error.
int RunMerge(const std::string& base, const std::string& ours, const std::string& theirs, const std::string& output);

}  // namespace cfgtool
