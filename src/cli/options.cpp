#include "cli/options.h"

#include <CLI/CLI.hpp>
#include <cctype>
#include <cstdio>
#include <iostream>

#include "app/log_opening.h"
#include "platform/systime.h"

namespace pkt::cli {

namespace {
void ApplyExclusions(const std::string& list, TKindBoxes& boxes) {
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = list.find(',', start);
    const std::string name = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (name == "connects") boxes.connects = false;
    else if (name == "disconnects") boxes.disconnects = false;
    else if (name == "incoming") boxes.incoming = false;
    else if (name == "outgoing") boxes.outgoing = false;
    else if (name == "keyexchange") boxes.keyExchange = false;
    else if (name == "authentication") boxes.authentication = false;
    else throw UsageError{"--exclude: unknown kind box '" + name +
                          "' (connects, disconnects, incoming, outgoing, keyexchange, authentication)"};
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
}
}  // namespace

std::string UsageText() {
  return "usage: pktdump COMMAND [OPTIONS] FILE...\n"
         "       pktdump COMMAND [OPTIONS] --folder DIR\n"
         "commands: list, tree --row N, export [--output PATH], charts, fields -e NAME..., pair --row N\n"
         "options:  --terminal | --h2h, --emitent TEXT, --terminal-id TEXT, --host TEXT,\n"
         "          --start 'YYYY-MM-DD HH:MM:SS', --end 'YYYY-MM-DD HH:MM:SS',\n"
         "          --exclude connects,disconnects,incoming,outgoing,keyexchange,authentication,\n"
         "          --match EXPR, --json (list, fields)\n";
}

std::optional<Family> FamilyOfFileName(const std::string& path) {
  const std::optional<TLogFamily> family = LogFamilyOfName(path);
  if (!family) return std::nullopt;
  return *family == TLogFamily::Terminal ? Family::Terminal : Family::H2H;
}

std::optional<std::int64_t> ParseDateTimeOption(const std::string& text) {
  unsigned y, mo, d, h, mi, s;
  char tail;
  if (text.size() != 19 || std::sscanf(text.c_str(), "%4u-%2u-%2u %2u:%2u:%2u%c", &y, &mo, &d, &h, &mi, &s, &tail) != 6)
    return std::nullopt;
  for (std::size_t i : {4u, 7u}) if (text[i] != '-') return std::nullopt;
  if (text[10] != ' ' || text[13] != ':' || text[16] != ':') return std::nullopt;
  TSystemTime t;
  t.wYear = static_cast<std::uint16_t>(y);
  t.wMonth = static_cast<std::uint16_t>(mo);
  t.wDay = static_cast<std::uint16_t>(d);
  t.wHour = static_cast<std::uint16_t>(h);
  t.wMinute = static_cast<std::uint16_t>(mi);
  t.wSecond = static_cast<std::uint16_t>(s);
  std::int64_t ms;
  if (!TryDateTimeMs(t, ms)) return std::nullopt;
  return ms;
}

std::optional<Options> ParseOptions(int argc, char** argv) {
  CLI::App app{"pktdump: the packet log viewers without windows"};
  app.set_help_flag();  // help is handled below, with our own usage text
  bool help = false, terminal = false, h2h = false;
  std::string command;
  std::vector<std::string> files;
  std::string folderV, emitentV, terminalIdV, hostV, startV, endV, excludeV, outputV;
  std::int64_t rowV = 0;
  std::string matchV;
  std::vector<std::string> fieldNames;
  bool json = false;

  app.add_flag("-h,--help", help);
  app.add_option("command", command)->check(CLI::IsMember({"list", "tree", "export", "charts", "fields", "pair"}));
  app.add_option("files", files);
  app.add_flag("--terminal", terminal);
  app.add_flag("--h2h", h2h);
  CLI::Option* folderOpt = app.add_option("--folder", folderV);
  CLI::Option* emitentOpt = app.add_option("--emitent", emitentV);
  CLI::Option* terminalIdOpt = app.add_option("--terminal-id", terminalIdV);
  CLI::Option* hostOpt = app.add_option("--host", hostV);
  CLI::Option* startOpt = app.add_option("--start", startV);
  CLI::Option* endOpt = app.add_option("--end", endV);
  CLI::Option* excludeOpt = app.add_option("--exclude", excludeV);
  CLI::Option* rowOpt = app.add_option("--row", rowV);
  CLI::Option* outputOpt = app.add_option("--output", outputV);
  CLI::Option* matchOpt = app.add_option("--match", matchV);
  app.add_option("-e", fieldNames)->allow_extra_args(false);
  app.add_flag("--json", json);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    throw UsageError{e.what()};
  }
  auto given = [](CLI::Option* o, const auto& v) {
    return o->count() ? std::optional<std::decay_t<decltype(v)>>(v) : std::nullopt;
  };
  const auto folder = given(folderOpt, folderV), emitent = given(emitentOpt, emitentV),
             terminalId = given(terminalIdOpt, terminalIdV), host = given(hostOpt, hostV),
             start = given(startOpt, startV), end = given(endOpt, endV), exclude = given(excludeOpt, excludeV),
             output = given(outputOpt, outputV), match = given(matchOpt, matchV);
  const auto row = given(rowOpt, rowV);
  if (help) {
    std::cout << UsageText();
    return std::nullopt;
  }

  Options o;
  if (command.empty()) throw UsageError{"a command is required"};
  o.command = command == "list" ? Command::List
            : command == "tree" ? Command::Tree
            : command == "export" ? Command::Export
            : command == "charts" ? Command::Charts
            : command == "fields" ? Command::Fields
                                  : Command::Pair;

  if (terminal && h2h) throw UsageError{"--terminal and --h2h exclude each other"};
  if (folder && !files.empty()) throw UsageError{"give either FILE... or --folder DIR"};
  if (!folder && files.empty()) throw UsageError{"no log file given"};
  if (folder) {
    // A folder opening merges the folder's terminal logs, as "Открыть папку...".
    if (h2h) throw UsageError{"--folder opens terminal logs; --h2h does not apply"};
    o.family = Family::Terminal;
    o.folder = *folder;
    if (o.folder.empty()) throw UsageError{"--folder needs a folder"};
  } else {
    o.files = files;
    if (terminal) o.family = Family::Terminal;
    else if (h2h) o.family = Family::H2H;
    else if (auto f = FamilyOfFileName(files.front())) o.family = *f;
    else throw UsageError{"cannot tell the log family from the name '" + files.front() + "': use --terminal or --h2h"};
  }

  const bool isTerminal = o.family == Family::Terminal;
  if (isTerminal && host) throw UsageError{"--host applies to host-to-host logs"};
  if (!isTerminal && (emitent || terminalId)) throw UsageError{"--emitent and --terminal-id apply to terminal logs"};
  if (!isTerminal && o.command == Command::Charts) throw UsageError{"charts are drawn for terminal logs only"};
  const bool rowCommand = o.command == Command::Tree || o.command == Command::Pair;
  if (rowCommand && !row) throw UsageError{command + " needs --row N"};
  if (!rowCommand && row) throw UsageError{"--row applies to tree and pair"};
  if (!isTerminal && o.command == Command::Pair) throw UsageError{"pair joins requests and responses of terminal logs only"};
  if (o.command == Command::Fields && fieldNames.empty()) throw UsageError{"fields needs -e NAME"};
  if (o.command != Command::Fields && !fieldNames.empty()) throw UsageError{"-e applies to fields"};
  if (json && o.command != Command::List && o.command != Command::Fields)
    throw UsageError{"--json applies to list and fields"};
  if (o.command != Command::Export && output) throw UsageError{"--output applies to export"};

  TTimeBounds bounds;
  if (start) {
    auto ms = ParseDateTimeOption(*start);
    if (!ms) throw UsageError{"--start: not a date and time 'YYYY-MM-DD HH:MM:SS': " + *start};
    bounds.startChecked = true;
    bounds.startMs = *ms;
  }
  if (end) {
    auto ms = ParseDateTimeOption(*end);
    if (!ms) throw UsageError{"--end: not a date and time 'YYYY-MM-DD HH:MM:SS': " + *end};
    bounds.endChecked = true;
    bounds.endMs = *ms;
  }
  TKindBoxes kinds;
  if (exclude) ApplyExclusions(*exclude, kinds);

  o.terminalFilter.time = bounds;
  o.terminalFilter.kinds = kinds;
  if (emitent) o.terminalFilter.emitentChecked = true, o.terminalFilter.emitentText = *emitent;
  if (terminalId) o.terminalFilter.terminalChecked = true, o.terminalFilter.terminalText = *terminalId;
  o.h2hFilter.time = bounds;
  o.h2hFilter.kinds = kinds;
  if (host) o.h2hFilter.hostChecked = true, o.h2hFilter.hostText = *host;
  o.row = row;
  o.output = output;
  o.json = json;
  const TLogFamily family = isTerminal ? TLogFamily::Terminal : TLogFamily::H2H;
  try {
    if (match) {
      auto matcher = std::make_shared<const TMatcher>(*match, family);
      o.matcher = matcher;
      if (isTerminal) o.terminalFilter.match = [matcher](const TTerminalPacketHandler& p) { return matcher->Holds(p); };
      else o.h2hFilter.match = [matcher](const TH2HPacketHandler& p) { return matcher->Holds(p); };
    }
    if (!fieldNames.empty()) o.fields = std::make_shared<const TFieldValues>(fieldNames, family);
  } catch (const MatchError& e) {
    throw UsageError{e.what()};
  }
  return o;
}

}  // namespace pkt::cli
