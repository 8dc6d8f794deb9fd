#include "subcommands.h"

#include <cstring>

#include <CLI/CLI.hpp>

#include "commands.h"
#include "tool_io.h"
#include "value_argument.h"

namespace cfgtool {

namespace {

constexpr const char* kPathHelp =
    "section names separated by \"/\", then a record name, then optionally [value name]; "
    "a path ending in \"/\" names a section; \"\\/\" and \"\\\\\" put a slash or a backslash into a name";

void DefineFmt(CLI::App& fmt, Arguments& a) {
  fmt.add_flag("-i,--in-place", a.inPlace, "Rewrite each file in place");
  fmt.add_option("FILE", a.files, "Configuration files (\"-\" for standard input)")->required();
}

void DefineCheck(CLI::App& check, Arguments& a) {
  check.add_option("FILE", a.files, "Configuration files (\"-\" for standard input)")->required();
}

void DefineGet(CLI::App& get, Arguments& a) {
  get.add_option("FILE", a.file, "Configuration file (\"-\" for standard input)")->required();
  get.add_option("PATH", a.path, kPathHelp)->required();
}

void DefineSet(CLI::App& set, Arguments& a) {
  set.add_option("FILE", a.file, "Configuration file (created when missing)")->required();
  set.add_option("PATH", a.path, kPathHelp)->required();
  set.add_option("TYPE", a.type, TypeWordList())->required();
  set.add_option("TEXT", a.text, "The value, in the file's own syntax (bytes: hexadecimal bytes separated by blanks); "
                                 "put \"--\" before a text that starts with \"-\" and a letter")->required();
}

void DefineDel(CLI::App& del, Arguments& a) {
  del.add_option("FILE", a.file, "Configuration file")->required();
  del.add_option("PATH", a.path, kPathHelp)->required();
}

void DefineDump(CLI::App& dump, Arguments& a) {
  dump.add_flag("--json", a.json, "Print JSON: {\"file\", \"children\"}, sections {\"section\", \"children\"}, "
                                  "records {\"record\", \"values\"}, values {\"name\", \"type\", \"value\"}");
  dump.add_option("FILE", a.file, "Configuration file (\"-\" for standard input)")->required();
}

void DefineFromJson(CLI::App& fromJson, Arguments& a) {
  fromJson.add_option("-o,--output", a.output, "The file to write (default: standard output)");
  fromJson.add_option("JSONFILE", a.file, "JSON file (\"-\" for standard input)")->required();
}

void DefineFind(CLI::App& find, Arguments& a) {
  find.add_flag("-r,--regex", a.regex, "PATTERN is an ECMAScript regular expression");
  find.add_flag("-s,--case-sensitive", a.caseSensitive,
                "Letters must match in case too (by default ASCII case is ignored)");
  find.add_flag("--json", a.json, "Print JSON: an array of {\"path\", \"kind\", \"type\", \"text\"}");
  find.add_option("FILE", a.file, "Configuration file (\"-\" for standard input)")->required();
  find.add_option("PATTERN", a.pattern, "The text to look for; put \"--\" before a pattern that starts with \"-\"")
      ->required();
  find.footer("Prints PATH/ for a section, PATH for a record, PATH[name] TAB type TAB text for a value. "
              "Exit status: 0 found; 1 nothing found; 2 usage or I/O error.");
}

void DefineDiff(CLI::App& diff, Arguments& a) {
  diff.add_flag("--json", a.json, "Print JSON: an array of {\"op\", \"path\", \"type\", \"old\", \"new\"}, "
                                  "op \"-\", \"+\" or \"~\"");
  diff.add_option("FILE1", a.file, "The first configuration file (\"-\" for standard input)")->required();
  diff.add_option("FILE2", a.secondFile, "The second configuration file (\"-\" for standard input)")->required();
  diff.footer("Prints - PATH TAB type TAB text for what only FILE1 has, + ... for what only FILE2 has; "
              "a section or record on one side only is one line. "
              "Exit status: 0 equal; 1 different; 2 usage or I/O error.");
}

void DefineApply(CLI::App& apply, Arguments& a) {
  apply.add_flag("-R,--reverse", a.reverse, "Apply the patch in reverse: undo it");
  apply.add_option("-o,--output", a.output, "The file to write (\"-\": standard output) instead of FILE");
  apply.add_option("FILE", a.file, "Configuration file (\"-\" for standard input, with -o)")->required();
  apply.add_option("PATCH", a.secondFile, "What diff --json printed (\"-\" for standard input)")->required();
  apply.footer("Entries apply in order, each to what the earlier ones left: a removal must find what it removes, "
               "a change its old value, an addition its path free; otherwise each such entry is listed as "
               "FILE: PATH: reason and nothing is written. "
               "Exit status: 0 applied; 1 some entry did not fit; 2 usage, JSON, value or I/O error.");
}

void DefineMerge(CLI::App& merge, Arguments& a) {
  merge.add_option("-o,--output", a.output, "The file to write (\"-\": standard output) instead of OURS");
  merge.add_option("BASE", a.file, "The common ancestor")->required();
  merge.add_option("OURS", a.secondFile, "Our version; the result is written here")->required();
  merge.add_option("THEIRS", a.thirdFile, "Their version")->required();
  merge.footer("Edits to different items combine; an item changed two ways, deleted on one side and changed on the "
               "other, or added on both sides differently is a conflict, written between <<<<<<< ours, ======= and "
               ">>>>>>> theirs lines and listed on standard error. "
               "Exit status: 0 clean; 1 conflicts; 2 usage or I/O error.");
}

}  // namespace

const std::vector<Subcommand>& Subcommands() {
  static const std::vector<Subcommand> kAll = {
      {"fmt", "Write each file as the editor saves it: to standard output, or in place with -i.", DefineFmt,
       [](const Arguments& a) { return RunFmt(a.files, a.inPlace); }},
      {"check", "List every line that loading skips or drops, as FILE:LINE: reason.", DefineCheck,
       [](const Arguments& a) { return RunCheck(a.files); }},
      {"get", "Print one value's text as a value line holds it.", DefineGet,
       [](const Arguments& a) { return RunGet(a.file, a.path); }},
      {"set", "Create or replace one value, creating sections and records on the way.", DefineSet,
       [](const Arguments& a) { return RunSet(a.file, a.path, a.type, a.text); }},
      {"del", "Delete a value (rec[name], rec[] for the first unnamed one), a record (rec) or a section (sec/).",
       DefineDel, [](const Arguments& a) { return RunDel(a.file, a.path); }},
      {"dump", "Print the tree as an indented outline, or as JSON.", DefineDump,
       [](const Arguments& a) { return RunDump(a.file, a.json); }},
      {"from-json", "Build a configuration file from the JSON that dump --json prints.", DefineFromJson,
       [](const Arguments& a) { return RunFromJson(a.file, a.output); }},
      {"find",
       "List every section, record and value whose name, or value whose text, holds PATTERN, in document order.",
       DefineFind, [](const Arguments& a) { return RunFind(a.file, a.pattern, a.regex, a.caseSensitive, a.json); }},
      {"diff", "Compare two trees as loaded: names ignoring case, numbers by value, slot order not counted.",
       DefineDiff, [](const Arguments& a) { return RunDiff(a.file, a.secondFile, a.json); }},
      {"apply", "Apply a diff --json patch to FILE: in place, as set rewrites a file, or into OUT.", DefineApply,
       [](const Arguments& a) { return RunApply(a.file, a.secondFile, a.output, a.reverse); }},
      {"merge", "Merge the changes from BASE to THEIRS into OURS (git's merge driver order %O %A %B).", DefineMerge,
       [](const Arguments& a) { return RunMerge(a.file, a.secondFile, a.thirdFile, a.output); }},
  };
  return kAll;
}

const Subcommand* FindSubcommand(const char* name) {
  for (const Subcommand& command : Subcommands()) {
    if (std::strcmp(command.name, name) == 0) return &command;
  }
  return nullptr;
}

void BuildParser(CLI::App& app, Arguments& arguments, const Subcommand* only) {
  app.name("cfgtool");
  app.description("Formats, checks, reads, changes and converts configuration files.");
  app.require_subcommand(1);
  app.footer("Exit status: 0 success; 1 not found, check found something, diff found a difference, "
             "a patch did not fit or a merge has conflicts; 2 usage, type or I/O error.");
  for (const Subcommand& command : Subcommands()) {
    if (only != nullptr && &command != only) continue;
    command.define(*app.add_subcommand(command.name, command.summary), arguments);
  }
}

int RunParsed(const CLI::App& app, const Arguments& arguments) {
  for (const CLI::App* parsed : app.get_subcommands()) {
    if (const Subcommand* command = FindSubcommand(parsed->get_name().c_str())) return command->run(arguments);
  }
  return kFailure;
}

}  // namespace cfgtool
