#include <cstdio>

#include "tools/Cli.h"

GB_CLI_COMMAND("version", "print the program version", "", {}, [](const CliArgs&) {
  std::printf("Glimmerbox 1.0.5\n");
  return 0;
});
