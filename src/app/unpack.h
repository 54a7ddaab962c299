#pragma once
// Rotated logs are kept compressed: a log packed with gzip, xz, zstd or bzip2
// (NS1_x.pkt.gz), or a zip holding several logs. The merge unpacks them
// straight into the merged log: nothing is extracted to a file of its own, and
// no name from inside an archive ever becomes a path.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/errors.h"
#include "platform/files.h"

namespace pkt {

enum class TPacking { Plain, Gzip, Bzip2, Xz, Zstd, Zip };

// The endings of a log packed by a compressor (a zip ends in ".zip").
extern const char* const kCompressorSuffixes[4];

// How a file is packed, told by its name's ending (any case): ".gz", ".bz2",
// ".xz", ".zst", ".zip"; any other name is a plain log.
TPacking PackingOfName(std::string_view path);

// The name without its compressor's ending ("NS1_a.pkt.gz" gives "NS1_a.pkt");
// a zip's name and a plain name stay as they are.
std::string_view UnpackedName(std::string_view path);

// A packed file that cannot be unpacked: damaged, cut short, of another
// packing than its name says, or an encrypted zip entry. The message names the file.
class UnpackError : public Error {
 public:
  UnpackError(const std::string& path, const std::string& reason);
};

// Called with the bytes of the packed file read so far.
using TUnpackProgress = std::function<void(std::uint64_t consumed)>;

// Appends the unpacked bytes of the packed file at path to target. A zip gives
// its regular entries whose names (without their folders) match entryMask, in
// the archive's order; other entries are skipped. The source's open failure
// and the target's write failures raise their SystemError; anything the
// unpacking itself refuses raises UnpackError.
void UnpackInto(const TAutoHandle& target, const std::string& path, TPacking packing, std::string_view entryMask,
                const TUnpackProgress& progress = {});

}  // namespace pkt
