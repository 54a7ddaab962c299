#pragma once
// What the program knows about itself and about fresh names: the program
// directory (where merged logs and exports go) and GUID texts.
#include <optional>
#include <string>

namespace pkt {

// The folder where merged logs and exports go, without a trailing '/': the
// directory of the running executable, or, where this user cannot write into
// it (a program installed under /usr), the per-user folder (below).
std::string ProgramDirectory();

// The folder of merged logs and exports for a program in executableDir: that
// folder when a file can be created in it, otherwise PerUserDirectory(),
// made (mode 0700) when it is missing.
std::string ProgramDirectoryFor(const std::string& executableDir);

// The per-user data folder of the program: $XDG_DATA_HOME/pktview, or
// $HOME/.local/share/pktview when XDG_DATA_HOME is unset, empty or not an
// absolute path. Empty when neither tells a folder.
std::string PerUserDirectory();
// Points ProgramDirectory at another folder (tests, tools); an empty path
// returns to the executable's directory.
void SetProgramDirectory(const std::string& path);

// A new version-4 GUID as its braced upper-case text,
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::string NewGuidText();

// The system's text for an error number ("No such file or directory").
std::string SystemErrorMessage(int code);

// The C library's settings (GLIBC_TUNABLES) with large pages for the heap's
// big blocks added to current (null or empty: no settings); nothing when
// current already says how the heap uses large pages.
std::optional<std::string> TunablesWithLargePages(const char* current);

// Starts the program once more, in place (the same process, arguments and
// environment), with large pages for the heap's big blocks, unless they are
// set already. The C library reads that setting only when a program starts,
// and the window's list asks for eight bytes a listed row at once (126 MB for
// the 15.8 M records of a 2 GB log): in pages of 4 KB the first rows of such
// a log showed 0.4 to 0.7 s after its index on a machine with slow page
// faults, in large pages 0.03 to 0.13 s. Returns, changing nothing, under
// the address sanitizer or valgrind, or when the program cannot be started
// again.
void RestartWithLargePages(char** argv);

}  // namespace pkt
