// "ops": every operation --op can run, with its arguments.
#include <cstdio>

#include "tools/Cli.h"
#include "tools/CliOps.h"

namespace {

int runOps(const CliArgs& args) {
  const auto& all = CliOpRegistry::instance().all();
  int broken = 0;
  if (!args.positional().empty()) {
    for (const std::string& name : args.positional()) {
      const CliOp* op = CliOpRegistry::instance().find(name);
      if (!op) {
        std::fprintf(stderr, "glimmerbox-cli ops: unknown operation \"%s\"\n", name.c_str());
        return 1;
      }
      std::printf("%s\n", op->Usage().c_str());
    }
    return 0;
  }
  std::printf(
      "Operations for convert --op \"Name arg ...\". Arguments in [ ] may be left out from the\n"
      "end. Numbers as typed, 0|1 for yes/no, #RRGGBB colours, FILE an image file; the\n"
      "destination image of an operation is left out: its result replaces the picture.\n\n");
  for (const auto& [name, op] : all) {
    if (op.tableError.empty()) {
      std::printf("  %s\n", op.Usage().c_str());
    } else {
      std::printf("  %s  (unavailable: %s)\n", name.c_str(), op.tableError.c_str());
      ++broken;
    }
  }
  return broken ? 1 : 0;
}

}  // namespace

GB_CLI_COMMAND("ops", "list the operations convert --op can run, with their arguments", "[NAME...]", {}, runOps);
