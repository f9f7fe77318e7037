// glimmerbox-cli: the engine from the command line, for batch work and for
// checking results from outside.
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/Cli.h"

static void printHelp(std::FILE* to) {
  std::fprintf(to, "usage: glimmerbox-cli <command> [arguments]\n\ncommands:\n");
  for (const auto& [name, cmd] : CliRegistry::instance().all())
    std::fprintf(to, "  %-14s %s\n", name.c_str(), cmd.summary.c_str());
  std::fprintf(
      to, "\n\"glimmerbox-cli help <command>\" or \"glimmerbox-cli <command> --help\" shows a command's arguments.\n");
}

static void printCommandHelp(const CliCommand& cmd) {
  std::printf("%s: %s\nusage: glimmerbox-cli %s %s\n", cmd.name.c_str(), cmd.summary.c_str(), cmd.name.c_str(),
              cmd.usage.c_str());
}

int main(int argc, char** argv) {
#ifdef SIGXFSZ
  // A file size limit (or a full quota) must end a write with an error the
  // command reports and cleans up after, not kill the process half-way.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  if (argc < 2) {
    printHelp(stderr);
    return 2;
  }
  const std::string name = argv[1];
  if (name == "help" || name == "--help" || name == "-h") {
    if (argc >= 3) {
      if (const CliCommand* cmd = CliRegistry::instance().find(argv[2])) {
        printCommandHelp(*cmd);
        return 0;
      }
      std::fprintf(stderr, "glimmerbox-cli help: there is no command \"%s\"\n", argv[2]);
      printHelp(stderr);
      return 2;
    }
    printHelp(stdout);
    return 0;
  }
  const CliCommand* cmd = CliRegistry::instance().find(name);
  if (!cmd) {
    std::fprintf(stderr, "glimmerbox-cli: unknown command \"%s\"\n", name.c_str());
    printHelp(stderr);
    return 2;
  }
  std::vector<std::string> raw(argv + 2, argv + argc);
  CliArgs args(raw, cmd->options);
  if (args.helpAsked()) {
    // Alone it asks for the help; among other arguments it is a slip, and
    // nothing is run.
    if (raw.size() == 1) {
      printCommandHelp(*cmd);
      return 0;
    }
    std::fprintf(stderr, "glimmerbox-cli %s: --help goes alone (\"glimmerbox-cli %s --help\"); nothing was done\n",
                 name.c_str(), name.c_str());
    std::fprintf(stderr, "usage: glimmerbox-cli %s %s\n", cmd->name.c_str(), cmd->usage.c_str());
    return 2;
  }
  if (!args.error().empty()) {
    std::fprintf(stderr, "glimmerbox-cli %s: %s\n(\"glimmerbox-cli help %s\" lists its arguments)\n", name.c_str(),
                 args.error().c_str(), name.c_str());
    return 2;
  }
  return cmd->run(args);
}
