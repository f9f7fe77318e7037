// Sub-command registry of glimmerbox-cli. A sub-command is one file that
// defines a function and registers it with GB_CLI_COMMAND; nothing else
// needs to change.
#pragma once
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Parsed arguments: "--name value" (or "--name=value") options, "--flag"
// switches and positional arguments, in order. The command's option list
// says which is which: "name" is a switch, "name=" takes a value once,
// "name*" takes a value and may be repeated. Anything else that starts with
// "--" is an error, and "--" ends the options.
class CliArgs {
 public:
  CliArgs(const std::vector<std::string>& raw, const std::vector<std::string>& optionSpecs = {});
  const std::vector<std::string>& positional() const { return positional_; }
  bool has(const std::string& name) const;
  std::optional<std::string> value(const std::string& name) const;
  // All values of an option given several times, in order.
  std::vector<std::string> values(const std::string& name) const;
  std::string valueOr(const std::string& name, const std::string& fallback) const;
  // Decimal integer option; false (with a message on stderr) when it is not one.
  bool intValue(const std::string& name, long& out, long fallback) const;
  // Why the arguments can't be used; empty when they can.
  const std::string& error() const { return error_; }
  // --help was given: the caller shows the command's help instead of running.
  bool helpAsked() const { return help_; }
  // The arguments as given, for commands whose options take several values.
  const std::vector<std::string>& raw() const { return raw_; }

 private:
  std::vector<std::string> raw_;
  std::vector<std::string> positional_;
  std::multimap<std::string, std::string> options_;
  std::vector<std::string> flags_;
  std::string error_;
  bool help_ = false;
};

// Reads a whole decimal number (a leading zero is not octal); false when the
// text is not one or does not fit.
bool CliParseDecimal(const std::string& text, long& out);

struct CliCommand {
  std::string name;
  std::string summary;                     // one line for the help text
  std::string usage;                       // arguments, shown by "help <command>"
  std::vector<std::string> options;        // "flag", "single=", "repeatable*" (see CliArgs)
  std::function<int(const CliArgs&)> run;  // exit code
};

class CliRegistry {
 public:
  static CliRegistry& instance();
  void add(CliCommand command);
  const CliCommand* find(const std::string& name) const;
  const std::map<std::string, CliCommand>& all() const { return commands_; }

 private:
  std::map<std::string, CliCommand> commands_;
};

struct CliRegistrar {
  explicit CliRegistrar(CliCommand command) { CliRegistry::instance().add(std::move(command)); }
};

#define GB_CLI_CONCAT2(a, b) a##b
#define GB_CLI_CONCAT(a, b) GB_CLI_CONCAT2(a, b)
#define GB_CLI_COMMAND(...)                                      \
  static CliRegistrar GB_CLI_CONCAT(gbCliRegistrar_, __LINE__) { \
    CliCommand { __VA_ARGS__ }                                   \
  }
