#pragma once
// pktdump's command line as plain values.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "match/match.h"
#include "viewers/filter.h"

namespace pkt::cli {

enum class Command { List, Tree, Export, Charts, Fields, Pair };
enum class Family { Terminal, H2H };

struct Options {
  Command command = Command::List;
  Family family = Family::Terminal;
  std::vector<std::string> files;
  std::string folder;  // empty: files are merged
  TTerminalFilterSettings terminalFilter;
  TH2HFilterSettings h2hFilter;
  std::optional<std::int64_t> row;
  std::optional<std::string> output;
  // --match: compiled for the family; the filters of both families ask it.
  std::shared_ptr<const TMatcher> matcher;
  // fields -e NAME...
  std::shared_ptr<const TFieldValues> fields;
  bool json = false;  // --json: JSON Lines for list and fields
};

// A command line that does not make sense: exit status 2 with the usage text.
struct UsageError {
  std::string message;
};

// Reads argv; raises UsageError. A request for help (-h, --help) gives nullopt
// after printing the usage on standard output.
std::optional<Options> ParseOptions(int argc, char** argv);

// The short usage text.
std::string UsageText();

// The family that a log file's name tells: NS... terminal; H2H, H2D, H2A, H2O
// host-to-host (case-insensitive, the name without its folder); nullopt otherwise.
std::optional<Family> FamilyOfFileName(const std::string& path);

// "YYYY-MM-DD HH:MM:SS" as a date-time in milliseconds; nullopt when it is not one.
std::optional<std::int64_t> ParseDateTimeOption(const std::string& text);

}  // namespace pkt::cli
