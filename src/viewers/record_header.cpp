#include "viewers/record_header.h"

#include "text/codepage.h"

namespace pkt {

void TTerminalFamily::OwnCells(const THeaderCells<TTerminalFamily>& h, std::string* cells) {
  cells[0] = std::to_string(h.fields.emitent);
  cells[1] = std::to_string(h.fields.terminal);
}

void TH2HFamily::OwnCells(const THeaderCells<TH2HFamily>& h, std::string* cells) { cells[0] = h.packet.GetHostID(); }

template <class Family>
void ListCells(std::uint32_t row, const THeaderCells<Family>& h, std::vector<std::string>& cells) {
  constexpr std::size_t own = 3, address = own + Family::kOwnCells;
  cells.resize(address + 3);
  cells[0] = std::to_string(row);
  cells[1] = Family::KindName(h.fields.kind);
  cells[2] = TimeStampText(h.fields.time);
  Family::OwnCells(h, &cells[own]);
  cells[address] = Cp1251ToUtf8(h.address);
  cells[address + 1].clear();
  cells[address + 2].clear();
  if (!h.HasBody()) return;
  if (h.frame.HasMessageNumber) cells[address + 1] = std::to_string(h.frame.MessageNumber);
  if (h.frame.HasSize) cells[address + 2] = std::to_string(h.frame.Size);
}

template void ListCells(std::uint32_t, const THeaderCells<TTerminalFamily>&, std::vector<std::string>&);
template void ListCells(std::uint32_t, const THeaderCells<TH2HFamily>&, std::vector<std::string>&);

}  // namespace pkt
