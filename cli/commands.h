// The commands of cfgtool, each returning the process's exit status.
#pragma once

#include <string>
#include <vector>

namespace cfgtool {

int RunFmt(const std::vector<std::string>& files, bool inPlace);
int RunCheck(const std::vector<std::string>& files);
int RunGet(const std::string& file, const std::string& path);
int RunSet(const std::string& file, const std::string& path, const std::string& type,
           const std::string& text);
int RunDel(const std::string& file, const std::string& path);
int RunDump(const std::string& file, bool json);
int RunFromJson(const std::string& jsonFile, const std::string& output);

}  // namespace cfgtool
