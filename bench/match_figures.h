#pragma once
// Figures of the match expression over one terminal log: the matching rows
// counted on every core, for an expression that needs a decoded field and for
// one that reads only the list's cells.
#include <string>

namespace pkt {

// Prints match_s (MF_CARD_ID == a card of the log) and match_header_s (a
// terminal and a kind), each the best of two runs, with their ratios to the
// floors given (export_render_s and index_s of the same run).
void PrintMatchFigures(const std::string& terminalLogPath, double exportRenderS, double indexS);

}  // namespace pkt
