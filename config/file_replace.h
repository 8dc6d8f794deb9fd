// Replacing a file safely: write a temporary file beside it, then move it in place.
#pragma once

#include <string>

namespace cfg {

// Where a save of path really writes: the file a symbolic link points to
// (following every link), else path itself.
std::string ResolveSaveTarget(const std::string& path);
// True when target exists and is not a regular file (a device, a pipe):
// such a target is written in place, since it cannot be replaced.
bool IsSpecialFile(const std::string& target);
// A path for a temporary file in the same folder as target.
std::string TemporaryPathBeside(const std::string& target);
// Gives temporary the permission bits of target (when target exists), then
// moves it over target. False when the move failed; temporary is then removed.
bool ReplaceWithTemporary(const std::string& temporary, const std::string& target);

}  // namespace cfg
