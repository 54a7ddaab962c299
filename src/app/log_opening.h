#pragma once
// Opening a log: the chosen files, or the terminal logs of one folder, are
// copied one after the other into a new temporary merged log in the program
// directory, which the viewer then owns. Because a log has no file header,
// the merged file is again a log of its family. Logs packed with gzip, xz,
// zstd or bzip2, and zips of logs, are unpacked into the merged log as it is
// written (app/unpack.h). A single plain log is read where it lies instead
// (OpenLogFiles).
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "logs/log_family.h"
#include "platform/errors.h"

namespace pkt {

// The family a log file's name tells, without its folder and in any case: a
// name beginning with NS is a terminal log, one beginning with H2H, H2D, H2A
// or H2O a host-to-host log (packed names such as NS1_a.pkt.gz included);
// nullopt for any other name.
std::optional<TLogFamily> LogFamilyOfName(const std::string& path);

// The one family of the files opened together. Raises AppError naming the
// file when a name tells no family, or the first two files of different families.
TLogFamily LogFamilyOfNames(const std::vector<std::string>& paths);

// Called after every block written: bytes copied so far and the total of the
// sources' sizes as they were when the merge began (0 when unknown). It only
// reports; an exception it raises ends the merge like a failed copy.
using TMergeProgress = std::function<void(std::uint64_t copied, std::uint64_t total)>;

// The copy buffer's size: 128 KiB.
constexpr std::size_t kMergeBufferSize = 131072;

// The path of a new temporary merged log: program directory, '/', a new GUID text, ".tmp".
std::string NewTemporaryLogPath();

// Creates a new temporary merged log holding the files in list order and
// returns its path. A packed file contributes what it unpacks to; a zip its
// entries named *.pkt. Every failed create, open, read or write raises its
// SystemError at once, a packed file that cannot be unpacked its UnpackError;
// the partly written file then stays until the next start-up.
std::string MergeLogFiles(const std::vector<std::string>& paths, const TMergeProgress& progress = {});

// The same for the folder's files named NS1_*.pkt (any case), packed ones
// (NS1_*.pkt.gz, .xz, .zst, .bz2) and zips named NS1_*.zip included, in the
// order the directory search returns them; folders of that name are skipped,
// and a zip contributes its entries named NS1_*.pkt. A folder without such
// files gives an empty merged log.
std::string MergeLogFolder(const std::string& folder, const TMergeProgress& progress = {});

// The log a viewer opens for the chosen files. One plain log that lies on a
// disk of this machine is not copied: it is read where it lies, through a
// path of this process that names the file opened (DescriptorPath) even if it
// is renamed or deleted meanwhile, and only as far as it reached at the
// opening (OpenedLogByteLimit), so that the viewer shows the log as it was,
// as it would from a copy; should another program cut it short meanwhile, what
// it cut off reads as zeros (TMappedFile). The file is only ever read; IsLogReadInPlace tells
// the viewer not to delete it, and ReleaseTemporaryLog lets go of it. Several
// files, a packed one, an empty one and any other file (a pipe, a file of a
// network disk, which other machines may cut short or change) are merged as
// MergeLogFiles does, with its errors (a file that cannot be opened too).
std::string OpenLogFiles(const std::vector<std::string>& paths, const TMergeProgress& progress = {});

// Whether path is a log that OpenLogFiles reads where it lies (still held).
bool IsLogReadInPlace(const std::string& path);
// The bytes of such a log at its opening; for any other path, no limit (the
// largest value).
std::uint64_t OpenedLogByteLimit(const std::string& path);

// The name masks of a folder's terminal logs, plain and packed.
extern const char* const kFolderLogMasks[6];

// A merged log without a single record cannot be indexed. Its error keeps the
// system's text as the message's first line; the second names the log or
// folder (fileName, as the viewer got it) that held no records.
class EmptyLogError : public Error {
 public:
  EmptyLogError(const std::string& systemMessage, const std::string& fileName);
};

// The current local time as the locale's long time text, one blank, and the
// path up to and including its last '/'.
std::string OpeningCaption(const std::string& path);
// The same at the given local time.
std::string OpeningCaptionAt(const std::string& path, const std::tm& localTime);

// Deletes every *.tmp file of the program directory (folders and names
// beginning with a dot are left; a file that cannot be deleted stays). A
// merged log that a running copy of the program still owns is in use and
// stays: every merge marks its file with a shared lock that lasts until
// ReleaseTemporaryLog, until the file is deleted, or until the program ends.
void RemoveLeftoverFiles();

// Ends this copy's claim on a merged log (the viewer that owns it calls this
// when it deletes the file), or on a log read in place (the file is closed
// here; it is never deleted). Unknown paths are ignored.
void ReleaseTemporaryLog(const std::string& path);

}  // namespace pkt
