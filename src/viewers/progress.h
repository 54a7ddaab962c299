#pragma once
// Progress of the long steps of an opening and a rebuild. The desktop window
// shows it in a progress dialog, pktdump as a line on a terminal; both are
// optional: an empty callback costs nothing.
#include <cstdint>
#include <functional>

namespace pkt {

enum class TWorkStage { Merge, Index, Charts, Export };

// done out of total units of the stage (bytes for Merge and Index, records for
// Charts and Export). Called now and then, not for every unit; the last call of
// a stage has done == total.
using TProgress = std::function<void(TWorkStage stage, std::uint64_t done, std::uint64_t total)>;

// The stage's name as the progress dialog and pktdump show it.
const char* WorkStageText(TWorkStage stage);

}  // namespace pkt
