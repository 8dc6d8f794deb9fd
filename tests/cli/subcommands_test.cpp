// cfgtool's parser: a command line naming a subcommand builds that one alone,
// and must read exactly as the parser of every subcommand reads it.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/subcommands.h"

namespace {

using cfgtool::Arguments;
using cfgtool::Subcommand;

// What a parse gives: the exit status and texts CLI11 reports (help, or the
// error), the subcommand chosen and every argument read.
std::string Outcome(const std::vector<std::string>& args, const Subcommand* only) {
  CLI::App app;
  app.set_version_flag("--version", "cfgtool x");
  Arguments a;
  cfgtool::BuildParser(app, a, only);
  std::vector<const char*> argv = {"cfgtool"};
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  std::ostringstream result;
  try {
    app.parse(static_cast<int>(argv.size()), argv.data());
    for (const CLI::App* parsed : app.get_subcommands()) result << "parsed " << parsed->get_name() << "\n";
  } catch (const CLI::ParseError& e) {
    std::ostringstream out, err;
    const int status = app.exit(e, out, err);
    result << "status " << status << "\nout: " << out.str() << "\nerr: " << err.str() << "\n";
  }
  result << "files:";
  for (const std::string& file : a.files) result << " [" << file << "]";
  result << "\nfile [" << a.file << "] second [" << a.secondFile << "] path [" << a.path << "] type [" << a.type
         << "] text [" << a.text << "] output [" << a.output << "] pattern [" << a.pattern << "]\nflags "
         << a.inPlace << a.json << a.regex << a.caseSensitive << "\n";
  return result.str();
}

TEST(Subcommands, OneSubcommandsParserReadsEveryLineAsAllOfThem) {
  // Tails after the subcommand's name: its help, missing, extra and unknown
  // arguments, every flag of every subcommand, another subcommand's name,
  // the top level's own flags, and "--".
  const std::vector<std::vector<std::string>> tails = {
      {},
      {"--help"},
      {"-h"},
      {"a.cfg"},
      {"a.cfg", "r[v]"},
      {"a.cfg", "r[v]", "int"},
      {"a.cfg", "r[v]", "int", "5"},
      {"a.cfg", "r[v]", "int", "5", "extra"},
      {"a.cfg", "b.cfg", "c.cfg"},
      {"-i", "a.cfg"},
      {"--in-place", "a.cfg", "b.cfg"},
      {"--json", "a.cfg"},
      {"--json", "a.cfg", "b.cfg"},
      {"-r", "-s", "a.cfg", "x+"},
      {"--regex", "--case-sensitive", "--json", "a.cfg", "x"},
      {"-o", "out.cfg", "in.json"},
      {"--output=out.cfg", "in.json"},
      {"--xml", "a.cfg"},
      {"-z", "a.cfg", "p"},
      {"get", "a.cfg"},
      {"a.cfg", "fmt"},
      {"a.cfg", "r[v]", "fmt", "x"},
      {"a.cfg", "diff", "string", "-"},
      {"--version"},
      {"a.cfg", "r[v]", "--version"},
      {"--", "-a.cfg", "-r"},
      {"a.cfg", "r[v]", "int", "--", "-1"},
      {"-", "r[v]", "string", "text"},
  };
  for (const Subcommand& command : cfgtool::Subcommands()) {
    for (const auto& tail : tails) {
      std::vector<std::string> args = {command.name};
      args.insert(args.end(), tail.begin(), tail.end());
      std::string line;
      for (const std::string& arg : args) line += arg + " ";
      SCOPED_TRACE(line);
      EXPECT_EQ(Outcome(args, &command), Outcome(args, nullptr));
    }
  }
}

TEST(Subcommands, HelpListsEverySubcommand) {
  const std::string help = Outcome({"--help"}, nullptr);
  for (const Subcommand& command : cfgtool::Subcommands()) {
    SCOPED_TRACE(command.name);
    EXPECT_NE(help.find(std::string("  ") + command.name + " "), std::string::npos) << help;
    EXPECT_NE(help.find(command.summary), std::string::npos) << help;
    EXPECT_EQ(cfgtool::FindSubcommand(command.name), &command);
  }
  EXPECT_EQ(cfgtool::FindSubcommand("--help"), nullptr);
  EXPECT_EQ(cfgtool::FindSubcommand("GET"), nullptr);
}

}  // namespace
