// cfgtool: format, check, query, edit and convert configuration files from
// the command line, with the same core as the editor.
#include <CLI/CLI.hpp>

#include "cfg_version.h"
#include "subcommands.h"
#include "tool_io.h"

int main(int argc, char** argv) {
  CLI::App app;
  app.set_version_flag("--version", "cfgtool " CFG_VERSION);
  cfgtool::Arguments arguments;
  cfgtool::BuildParser(app, arguments, argc > 1 ? cfgtool::FindSubcommand(argv[1]) : nullptr);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);  // --help, --version
    cfgtool::ReportError("", e.what());
    return cfgtool::kFailure;
  }
  return cfgtool::RunParsed(app, arguments);
}
