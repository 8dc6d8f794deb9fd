// cfgtool: format, check, query, edit and convert configuration files from
// the command line, with the same core as the editor.
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cfg_version.h"
#include "commands.h"
#include "tool_io.h"
#include "value_argument.h"

namespace {

constexpr const char* kPathHelp =
    "section names separated by \"/\", then a record name, then optionally [value name]; "
    "a path ending in \"/\" names a section; \"\\/\" and \"\\\\\" put a slash or a backslash into a name";

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Formats, checks, reads, changes and converts configuration files.", "cfgtool"};
  app.set_version_flag("--version", "cfgtool " CFG_VERSION);
  app.require_subcommand(1);
  app.footer("Exit status: 0 success; 1 not found, check found something, or diff found a difference; "
             "2 usage, type or I/O error.");

  std::vector<std::string> files;
  std::string file, secondFile, path, type, text, output, pattern;
  bool inPlace = false, json = false, regex = false, caseSensitive = false;

  CLI::App* fmt = app.add_subcommand("fmt", "Write each file as the editor saves it: to standard output, or in place with -i.");
  fmt->add_flag("-i,--in-place", inPlace, "Rewrite each file in place");
  fmt->add_option("FILE", files, "Configuration files (\"-\" for standard input)")->required();

  CLI::App* check = app.add_subcommand("check", "List every line that loading skips or drops, as FILE:LINE: reason.");
  check->add_option("FILE", files, "Configuration files (\"-\" for standard input)")->required();

  CLI::App* get = app.add_subcommand("get", "Print one value's text as a value line holds it.");
  get->add_option("FILE", file, "Configuration file (\"-\" for standard input)")->required();
  get->add_option("PATH", path, kPathHelp)->required();

  CLI::App* set = app.add_subcommand("set", "Create or replace one value, creating sections and records on the way.");
  set->add_option("FILE", file, "Configuration file (created when missing)")->required();
  set->add_option("PATH", path, kPathHelp)->required();
  set->add_option("TYPE", type, cfgtool::TypeWordList())->required();
  set->add_option("TEXT", text, "The value, in the file's own syntax (bytes: hexadecimal bytes separated by blanks); "
                                "put \"--\" before a text that starts with \"-\" and a letter")->required();

  CLI::App* del = app.add_subcommand("del", "Delete a value (rec[name], rec[] for the first unnamed one), a record (rec) or a section (sec/).");
  del->add_option("FILE", file, "Configuration file")->required();
  del->add_option("PATH", path, kPathHelp)->required();

  CLI::App* dump = app.add_subcommand("dump", "Print the tree as an indented outline, or as JSON.");
  dump->add_flag("--json", json, "Print JSON: {\"file\", \"children\"}, sections {\"section\", \"children\"}, "
                                 "records {\"record\", \"values\"}, values {\"name\", \"type\", \"value\"}");
  dump->add_option("FILE", file, "Configuration file (\"-\" for standard input)")->required();

  CLI::App* fromJson = app.add_subcommand("from-json", "Build a configuration file from the JSON that dump --json prints.");
  fromJson->add_option("-o,--output", output, "The file to write (default: standard output)");
  fromJson->add_option("JSONFILE", file, "JSON file (\"-\" for standard input)")->required();

  CLI::App* find = app.add_subcommand("find", "List every section, record and value whose name, or value whose text, "
                                             "holds PATTERN, in document order.");
  find->add_flag("-r,--regex", regex, "PATTERN is an ECMAScript regular expression");
  find->add_flag("-s,--case-sensitive", caseSensitive, "Letters must match in case too (by default ASCII case is ignored)");
  find->add_flag("--json", json, "Print JSON: an array of {\"path\", \"kind\", \"type\", \"text\"}");
  find->add_option("FILE", file, "Configuration file (\"-\" for standard input)")->required();
  find->add_option("PATTERN", pattern, "The text to look for; put \"--\" before a pattern that starts with \"-\"")->required();
  find->footer("Prints PATH/ for a section, PATH for a record, PATH[name] TAB type TAB text for a value. "
               "Exit status: 0 found; 1 nothing found; 2 usage or I/O error.");

  CLI::App* diff = app.add_subcommand("diff", "Compare two trees as loaded: names ignoring case, numbers by value, "
                                             "slot order not counted.");
  diff->add_flag("--json", json, "Print JSON: an array of {\"op\", \"path\", \"type\", \"old\", \"new\"}, "
                                 "op \"-\", \"+\" or \"~\"");
  diff->add_option("FILE1", file, "The first configuration file (\"-\" for standard input)")->required();
  diff->add_option("FILE2", secondFile, "The second configuration file (\"-\" for standard input)")->required();
  diff->footer("Prints - PATH TAB type TAB text for what only FILE1 has, + ... for what only FILE2 has; "
               "a section or record on one side only is one line. "
               "Exit status: 0 equal; 1 different; 2 usage or I/O error.");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);  // --help, --version
    cfgtool::ReportError("", e.what());
    return cfgtool::kFailure;
  }

  if (fmt->parsed()) return cfgtool::RunFmt(files, inPlace);
  if (check->parsed()) return cfgtool::RunCheck(files);
  if (get->parsed()) return cfgtool::RunGet(file, path);
  if (set->parsed()) return cfgtool::RunSet(file, path, type, text);
  if (del->parsed()) return cfgtool::RunDel(file, path);
  if (dump->parsed()) return cfgtool::RunDump(file, json);
  if (fromJson->parsed()) return cfgtool::RunFromJson(file, output);
  if (find->parsed()) return cfgtool::RunFind(file, pattern, regex, caseSensitive, json);
  if (diff->parsed()) return cfgtool::RunDiff(file, secondFile, json);
  return cfgtool::kFailure;
}
