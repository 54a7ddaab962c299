#pragma once
// Figures of a rebuild as the window runs it, and of an opening: how long the
// calling thread is held before the rows show, how long until the export is
// complete, and the merge with the index against reading the log once.
#include <string>

namespace pkt {

// Prints read_floor_s (the log read once into memory), open_s (merge into a
// temporary log and index, as the viewer's opening runs them), reload_ui_s
// (the index step, until the rows are ready and the thread is free),
// reload_total_s (until the export file is complete), and the ratios the
// goals are set on: reload_ui_ratio against index_s, open_ratio against
// read_floor_s. Temporary logs and exports go to folder and are removed.
void PrintReloadFigures(const std::string& terminalLogPath, const std::string& folder, double indexS);

}  // namespace pkt
