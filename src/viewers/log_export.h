#pragma once
// The text export that every rebuild of a viewer writes: one block per listed
// record, lines in cp1251 joined by the delimited-text rule and ended by CR LF.
#include <cstdint>
#include <ctime>
#include <ostream>
#include <string>
#include <vector>

#include "logs/fastlog.h"
#include "viewers/progress.h"

namespace pkt {

// "PKT dd.mm.yyyy hh-mm-ss.txt" of the given local time.
std::string ExportFileName(const std::tm& localTime);
// The program directory, a separator and ExportFileName of the current local time.
std::string ExportFilePathNow();

// Where a rebuild's export goes.
struct TExportTarget {
  enum Kind {
    ProgramDirectory,  // a new "PKT ....txt" in the program directory (the viewers)
    File,              // path (pktdump --output)
    Stream,            // stream (pktdump without --output)
    Nothing,           // no export (pktdump list, tree, charts)
  };
  Kind kind = ProgramDirectory;
  std::string path;
  std::ostream* stream = nullptr;
};

// What became of a rebuild's export; the window shows it in its status.
struct TExportResult {
  bool attempted = false;  // the export step was reached
  bool written = false;    // the file was created and written to its end
  std::string path;        // the file (empty for a stream)
  std::string reason;      // why it was skipped: the system error of the creation
  std::uint64_t bytes = 0;
};

// Writes the export bytes of every listed record of log, in list order, to out.
// The caller creates and closes the destination.
void WriteTerminalExport(const TTerminalFastLog& log, std::ostream& out, const TProgress& progress = {});
void WriteH2HExport(const TH2HFastLog& log, std::ostream& out, const TProgress& progress = {});

// Creates the file at path (replacing an existing one) and writes the export
// into it. When the file cannot be created nothing is written and the result
// tells why; errors while writing raise (the part written so far stays).
TExportResult ExportTerminalLogToFile(const TTerminalFastLog& log, const std::string& path, const TProgress& progress = {});
TExportResult ExportH2HLogToFile(const TH2HFastLog& log, const std::string& path, const TProgress& progress = {});

// Runs the export of a rebuild to its target.
TExportResult ExportTerminalLog(const TTerminalFastLog& log, const TExportTarget& target, const TProgress& progress = {});
TExportResult ExportH2HLog(const TH2HFastLog& log, const TExportTarget& target, const TProgress& progress = {});

}  // namespace pkt
