// Replacing a file safely: write a temporary file beside it, then move it in place.
#pragma once

#include <cstdio>
#include <string>

namespace cfg {

// Where a save of path really writes: the file a symbolic link points to
// (following every link), else path itself.
std::string ResolveSaveTarget(const std::string& path);
// True when target exists and is not a regular file (a device, a pipe):
// such a target is written in place, since it cannot be replaced.
bool IsSpecialFile(const std::string& target);
// Creates a new file for writing in the same folder as target and sets *path
// to its name: target's name with a random part added, drawn again while a
// file (or a link) of that name exists. The file is created exclusively, so a
// file or link already at the name is never opened or followed. From its
// creation it has the permission bits of target when target is a regular
// file, else those a new file gets. Opened as a ConfigStream opens a file for
// writing; nullptr when no file could be created.
std::FILE* CreateTemporaryBeside(const std::string& target, std::string* path);
// Moves temporary over target. False when the move failed; temporary is then
// removed.
bool ReplaceWithTemporary(const std::string& temporary, const std::string& target);

}  // namespace cfg
