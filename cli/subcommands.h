// cfgtool's subcommands: one table of their names, options and commands, and
// the parser built from it.
#pragma once

#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace cfgtool {

// Everything any subcommand reads from its command line.
struct Arguments {
  std::vector<std::string> files;
  std::string file, secondFile, thirdFile, path, type, text, output, pattern;
  bool inPlace = false, json = false, regex = false, caseSensitive = false, reverse = false;
};

// One subcommand: its name and summary (listed by --help), its options and
// positionals (define adds them to the subcommand's parser, bound to
// arguments), and the command that runs it, returning the exit status.
struct Subcommand {
  const char* name;
  const char* summary;
  void (*define)(CLI::App& parser, Arguments& arguments);
  int (*run)(const Arguments& arguments);
};

// Every subcommand, in the order --help lists them.
const std::vector<Subcommand>& Subcommands();

// The subcommand of that name, or nullptr.
const Subcommand* FindSubcommand(const char* name);

// Sets up app, a parser constructed with its --version flag, as cfgtool's
// command line: the top level, then the subcommand only or, when only is
// nullptr, every subcommand.
//
// Building the parser of a subcommand costs more than a small get or set
// does, so a command line whose first argument names a subcommand needs that
// one alone: the top level takes no positionals and, once a subcommand is
// chosen, recognises no other subcommand's name (at most one is allowed), so
// the rest of the line is read as with all of them. Any other command line
// (--help, --version, no or an unknown subcommand) gets all of them, so that
// help lists every one and a mistake is reported as always.
void BuildParser(CLI::App& app, Arguments& arguments, const Subcommand* only);

// The exit status of the subcommand that app parsed.
int RunParsed(const CLI::App& app, const Arguments& arguments);

}  // namespace cfgtool
