#pragma once
// What the program knows about itself and about fresh names: the program
// directory (where merged logs and exports go) and GUID texts.
#include <string>

namespace pkt {

// The directory of the running executable, without a trailing '/'.
std::string ProgramDirectory();
// Points ProgramDirectory at another folder (tests, tools); an empty path
// returns to the executable's directory.
void SetProgramDirectory(const std::string& path);

// A new version-4 GUID as its braced upper-case text,
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::string NewGuidText();

// The system's text for an error number ("No such file or directory").
std::string SystemErrorMessage(int code);

}  // namespace pkt
