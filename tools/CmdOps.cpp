// "ops": every operation --op can run, with its arguments.
#include <cstdio>
#include <set>
#include <string>

#include "tools/Cli.h"
#include "tools/CliOps.h"

namespace {

// "  Type: Name=1 Name=2 ..." for each named enum the operations take, once each.
void printNames(const std::vector<const CliOp*>& ops) {
  std::set<std::string> shown;
  for (const CliOp* op : ops)
    for (const CliOpParam& p : op->params)
      if (p.names && shown.insert(p.names->type).second)
        std::printf("  %s: %s\n", p.names->type, p.names->Listing().c_str());
}

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
      printNames({op});
    }
    return 0;
  }
  std::printf(
      "Operations for convert --op \"Name arg ...\". Arguments in [ ] may be left out from the\n"
      "end. Numbers as typed, 0|1 for yes/no, #RRGGBB colours, FILE an image file; the\n"
      "destination image of an operation is left out: its result replaces the picture.\n\n");
  std::vector<const CliOp*> listed;
  for (const auto& [name, op] : all) {
    listed.push_back(&op);
    if (op.tableError.empty()) {
      std::printf("  %s\n", op.Usage().c_str());
    } else {
      std::printf("  %s  (unavailable: %s)\n", name.c_str(), op.tableError.c_str());
      ++broken;
    }
  }
  std::printf(
      "\nNamed values: an argument of one of these types is a name (in any case) or its\n"
      "number.\n");
  printNames(listed);
  return broken ? 1 : 0;
}

}  // namespace

GB_CLI_COMMAND("ops", "list the operations convert --op can run, with their arguments", "[NAME...]", {}, runOps);
