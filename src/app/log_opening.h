#pragma once
// Opening a log: the chosen files, or the terminal logs of one folder, are
// copied one after the other into a new temporary merged log in the program
// directory, which the viewer then owns. Because a log has no file header,
// the merged file is again a log of its family.
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace pkt {

// Called after every block written: bytes copied so far and the total of the
// sources' sizes as they were when the merge began (0 when unknown). It only
// reports; an exception it raises ends the merge like a failed copy.
using TMergeProgress = std::function<void(std::uint64_t copied, std::uint64_t total)>;

// The copy buffer's size: 128 KiB.
constexpr std::size_t kMergeBufferSize = 131072;

// The path of a new temporary merged log: program directory, '/', a new GUID text, ".tmp".
std::string NewTemporaryLogPath();

// Creates a new temporary merged log holding the files in list order and
// returns its path. Every failed create, open, read or write raises its
// SystemError at once; the partly written file then stays until the next start-up.
std::string MergeLogFiles(const std::vector<std::string>& paths, const TMergeProgress& progress = {});

// The same for the folder's files named NS1_*.pkt (any case), in the order the
// directory search returns them; folders of that name are skipped. A folder
// without such files gives an empty merged log.
std::string MergeLogFolder(const std::string& folder, const TMergeProgress& progress = {});

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
// when it deletes the file). Unknown paths are ignored.
void ReleaseTemporaryLog(const std::string& path);

}  // namespace pkt
