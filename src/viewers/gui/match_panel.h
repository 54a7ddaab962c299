#pragma once
// "Отбор" of the filter panel as the filter's record test.
#include <functional>
#include <memory>

#include "match/match.h"
#include "viewers/gui/viewer_window.h"

namespace pkt {

// The panel's expression as a record test; empty when "Отбор:" is unchecked
// or its text empty. A bad expression gives a test that raises its MatchError
// at the first record, so the rebuild fails as for any bad text of the panel:
// the message is shown and the list stays empty.
template <class Packet>
std::function<bool(const Packet&)> PanelMatch(const TViewerWindow& window) {
  std::shared_ptr<const TMatcher> matcher;
  try {
    matcher = window.PanelMatcher();
  } catch (const MatchError& e) {
    return [error = MatchError(e)](const Packet&) -> bool { throw error; };
  }
  if (!matcher) return {};
  return [matcher](const Packet& packet) { return matcher->Holds(packet); };
}

}  // namespace pkt
