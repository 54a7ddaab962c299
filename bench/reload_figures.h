#pragma once
// Figures of a rebuild as the window runs it, and of an opening: how long the
// calling thread is held before the rows show, how long until the export is
// complete, and the merge with the index against reading the log once.
#include <string>

namespace pkt {

// Prints read_floor_s (the log read once into memory), open_s (the opening of
// one plain log and its index, as the viewer runs them), open_index_ratio
// (open_s against index_s), merge_open_s (the same with the log copied into a
// temporary log first, as an opening of several files does), reload_ui_s
// (the index step, until the rows are ready and the thread is free),
// reload_total_s (until the export file is complete), and the ratios the
// goals are set on: reload_ui_ratio against index_s, open_ratio against
// read_floor_s. Temporary logs and exports go to folder and are removed.
void PrintReloadFigures(const std::string& terminalLogPath, const std::string& folder, double indexS);

}  // namespace pkt
