// The manual page held against the program it describes: every command that
// "cfgtool --help" lists has its own section in the man source, naming every
// option and operand that "cfgtool COMMAND --help" lists, and the page
// describes no command that the program lacks.
#include <cctype>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cfgtool_runner.h"

namespace {

using cfgtool_test::RunResult;
using cfgtool_test::ScratchDir;

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The first word of each entry of one block of CLI11's help ("Options:",
// "Positionals:", "Subcommands:"): entries are indented by two blanks, and
// a description carried over to another line is indented further.
std::vector<std::string> HelpEntries(const std::string& help, const std::string& heading) {
  std::vector<std::string> entries;
  std::istringstream lines(help);
  std::string line;
  bool inside = false;
  while (std::getline(lines, line)) {
    if (!line.empty() && line[0] != ' ') {
      inside = Lower(line) == Lower(heading);
      continue;
    }
    if (inside && line.size() > 2 && line.compare(0, 2, "  ") == 0 && line[2] != ' ')
      entries.push_back(line.substr(2, line.find(' ', 2) - 2));
  }
  return entries;
}

// The names an option entry stands for ("-o,--output" gives -o and --output);
// an operand ("FILE") is its own name.
std::vector<std::string> Names(const std::string& entry) {
  std::vector<std::string> names;
  std::istringstream parts(entry);
  std::string name;
  while (std::getline(parts, name, ',')) names.push_back(name);
  return names;
}

// The man source as a reader sees its words: font changes dropped and the
// escapes for a minus, a backslash and quotes turned into those characters.
std::string ManWords(const std::string& source) {
  std::string text;
  for (size_t i = 0; i < source.size(); ++i) {
    if (source[i] != '\\' || i + 1 == source.size()) {
      text += source[i];
      continue;
    }
    char next = source[++i];
    if (next == '-') text += '-';
    else if (next == 'e') text += '\\';
    else if (next == 'f' && i + 1 < source.size()) ++i;  // \fB, \fI, \fR, \fP
    else if (source.compare(i, 3, "(dq") == 0) text += '"', i += 2;
    else if (source.compare(i, 3, "(aq") == 0) text += '\'', i += 2;
    else if (next == '&') continue;
    else text += next;
  }
  return text;
}

// The text of each ".SH" section of the page, and of each ".SS" part of its
// COMMANDS section, by heading.
struct ManPage {
  std::map<std::string, std::string> sections;
  std::map<std::string, std::string> commands;
};

ManPage ReadManPage(const std::string& path) {
  std::ifstream file(path);
  std::stringstream source;
  source << file.rdbuf();
  std::istringstream lines(ManWords(source.str()));
  ManPage page;
  std::string line, section, command;
  while (std::getline(lines, line)) {
    if (line.compare(0, 4, ".SH ") == 0) {
      section = line.substr(4);
      page.sections[section];
      command.clear();
    } else if (line.compare(0, 4, ".SS ") == 0 && section == "COMMANDS") {
      command = line.substr(4);
      page.commands[command];
    } else if (!command.empty()) {
      page.commands[command] += line + "\n";
    } else if (!section.empty()) {
      page.sections[section] += line + "\n";
    }
  }
  return page;
}

// Whether text holds name as a word of its own: "-i" is not in "--in-place",
// nor "FILE" in "FILE1".
bool HasWord(const std::string& text, const std::string& name) {
  auto isNameChar = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_'; };
  for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + 1)) {
    bool startsWord = at == 0 || !isNameChar(text[at - 1]);
    size_t end = at + name.size();
    if (startsWord && (end == text.size() || !isNameChar(text[end]))) return true;
  }
  return false;
}

bool IsHelpFlag(const std::string& name) { return name == "-h" || name == "--help"; }

class ManPageTest : public ::testing::Test {
 protected:
  ScratchDir dir_;
  ManPage page_ = ReadManPage(CFGTOOL_MAN_SOURCE);
};

TEST_F(ManPageTest, DescribesEveryCommandWithItsOptionsAndOperands) {
  RunResult help = dir_.Run({"--help"});
  ASSERT_EQ(help.status, 0) << help.err;
  std::vector<std::string> commands = HelpEntries(help.out, "Subcommands:");
  ASSERT_FALSE(commands.empty()) << "no commands found in cfgtool --help:\n" << help.out;

  for (const std::string& entry : HelpEntries(help.out, "Options:"))
    for (const std::string& name : Names(entry))
      EXPECT_TRUE(HasWord(page_.sections["OPTIONS"], name))
          << CFGTOOL_MAN_SOURCE << ": the OPTIONS section does not name " << name << ", which cfgtool --help lists";

  for (const std::string& command : commands) {
    SCOPED_TRACE(command);
    auto part = page_.commands.find(command);
    if (part == page_.commands.end()) {
      ADD_FAILURE() << CFGTOOL_MAN_SOURCE << ": no \".SS " << command << "\" under \".SH COMMANDS\" for the command "
                    << command << ", which cfgtool --help lists";
      continue;
    }
    RunResult commandHelp = dir_.Run({command, "--help"});
    ASSERT_EQ(commandHelp.status, 0) << commandHelp.err;
    std::vector<std::string> entries = HelpEntries(commandHelp.out, "Options:");
    for (const std::string& operand : HelpEntries(commandHelp.out, "Positionals:")) entries.push_back(operand);
    for (const std::string& entry : entries)
      for (const std::string& name : Names(entry)) {
        if (IsHelpFlag(name)) continue;
        EXPECT_TRUE(HasWord(part->second, name))
            << CFGTOOL_MAN_SOURCE << ": \".SS " << command << "\" does not name " << name << ", which cfgtool "
            << command << " --help lists";
      }
  }

  for (const auto& [described, text] : page_.commands) {
    bool listed = false;
    for (const std::string& command : commands) listed = listed || command == described;
    EXPECT_TRUE(listed) << CFGTOOL_MAN_SOURCE << ": \".SS " << described
                        << "\" describes a command that cfgtool --help does not list";
  }
}

TEST_F(ManPageTest, HasTheSectionsOfAManualPage) {
  for (const char* section : {"NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "COMMANDS", "PATH", "JSON FORM",
                              "EXIT STATUS", "EXAMPLES"}) {
    SCOPED_TRACE(section);
    EXPECT_TRUE(page_.sections.count(section)) << CFGTOOL_MAN_SOURCE << " has no \".SH " << section << "\"";
  }
}

}  // namespace
