#pragma once
// "Отбор" of the filter panel as the filter's record test.
#include <exception>
#include <memory>

#include "match/match.h"
#include "viewers/gui/viewer_window.h"

namespace pkt {

// Puts the panel's expression into the filter settings: nothing when "Отбор:"
// is unchecked or its text empty. A bad expression becomes the settings'
// match fault, so the rebuild fails as for any bad text of the panel: the
// message is shown and the list stays empty.
template <class Packet, class Settings>
void ReadPanelMatch(const TViewerWindow& window, Settings& settings) {
  std::shared_ptr<const TMatcher> matcher;
  try {
    matcher = window.PanelMatcher();
  } catch (const MatchError&) {
    settings.matchFault = std::current_exception();
    return;
  }
  if (matcher) settings.match = [matcher](const Packet& packet) { return matcher->Holds(packet); };
}

}  // namespace pkt
