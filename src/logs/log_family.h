#pragma once
// The two families of packet log: terminal logs (NS*.pkt) and host-to-host
// logs (H2H*, H2D*, H2A*, H2O*.pkt). Their record formats differ; every
// opening, viewer and match expression works on one family at a time.

namespace pkt {

enum class TLogFamily { Terminal, H2H };

}  // namespace pkt
