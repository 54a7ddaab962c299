#pragma once
// What the program knows about itself and about fresh names: the program
// directory (where merged logs and exports go) and GUID texts.
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

}  // namespace pkt
