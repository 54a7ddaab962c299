#pragma once
// Figures of the viewer's rebuild over one terminal log: charts, row texts and
// the text export against the time of writing as many bytes in one loop.
#include <string>

namespace pkt {

// Prints charts_s, rows_s, export_s, export_render_s (the export's bytes
// rendered and discarded), export_bytes, export_records_per_s, export_floor_s
// and export_ratio, one "name: value" line each. The export and the floor
// file are written beside the log and removed afterwards. Returns export_render_s.
double PrintViewerFigures(const std::string& terminalLogPath);

}  // namespace pkt
