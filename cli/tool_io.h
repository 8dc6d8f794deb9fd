// Inputs, outputs and error lines of cfgtool.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "config/config_stream.h"

namespace cfgtool {

enum ExitStatus : int { kSuccess = 0, kNotFound = 1, kFailure = 2 };

// The name of FILE in messages: "<stdin>" for "-".
std::string DisplayName(const std::string& file);

// Writes "cfgtool: FILE: message" (or "cfgtool: message" when file is empty)
// as one line on standard error.
void ReportError(const std::string& file, const std::string& message);

// Opens FILE for reading as a configuration stream; "-" reads standard input
// (read once and kept, so it can be opened again). nullptr after reporting the
// error. When missingOk is set, a file that does not exist gives nullptr
// without a report and sets *missing.
std::unique_ptr<cfg::ConfigStream> OpenInput(const std::string& file, bool missingOk = false,
                                             bool* missing = nullptr);

// The whole content of FILE ("-": standard input), read as bytes; false after
// reporting the error.
bool ReadWholeFile(const std::string& file, std::string* text);

// Writes text as the whole of FILE ("-": standard output), replacing a file
// as a save does: written beside it and moved in place, so that a failed
// write leaves the old file as it was. False after reporting the error.
bool WriteWholeFile(const std::string& file, const std::string& text);

// text between double quotes, as messages name a name or a text.
inline std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// Writes text to standard output; false after reporting a write error.
bool WriteStdout(const std::string& text);

}  // namespace cfgtool
