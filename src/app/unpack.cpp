#include "app/unpack.h"

#include <archive.h>
#include <archive_entry.h>
#include <zlib.h>

#include <memory>
#include <new>
#include <vector>

#include "platform/find.h"

namespace pkt {

namespace {

// Bytes asked of the packed file at a time, and of the unpacked stream.
constexpr std::size_t kPackedBlock = 131072;
constexpr std::size_t kUnpackedBlock = 262144;

struct TPackingSuffix {
  std::string_view suffix;
  TPacking packing;
};
constexpr TPackingSuffix kSuffixes[] = {
    {".gz", TPacking::Gzip}, {".bz2", TPacking::Bzip2}, {".xz", TPacking::Xz},
    {".zst", TPacking::Zstd}, {".zip", TPacking::Zip},
};

bool EndsWithAnyCase(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  const std::string_view tail = text.substr(text.size() - suffix.size());
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    char c = tail[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != suffix[i]) return false;
  }
  return true;
}

std::string_view BaseName(std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

using TArchive = std::unique_ptr<archive, int (*)(archive*)>;

std::string ReasonOf(archive* a) {
  const char* text = archive_error_string(a);
  return text && *text ? text : "архив повреждён";
}

// The compressor a packed log is read through, and the code libarchive gives
// it once it has recognised the data.
struct TFilter {
  int (*support)(archive*);
  int code;
  const char* name;
};

TFilter FilterOf(TPacking packing) {
  switch (packing) {
    case TPacking::Bzip2: return {archive_read_support_filter_bzip2, ARCHIVE_FILTER_BZIP2, "bzip2"};
    case TPacking::Xz: return {archive_read_support_filter_xz, ARCHIVE_FILTER_XZ, "xz"};
    case TPacking::Zstd: return {archive_read_support_filter_zstd, ARCHIVE_FILTER_ZSTD, "zstd"};
    default: return {nullptr, ARCHIVE_FILTER_NONE, ""};
  }
}

// Appends the data of the current entry to target. Any refusal, a checksum
// that does not match included, is a damaged file: no part of a damaged
// stream is taken as sound.
void CopyEntry(archive* a, const TAutoHandle& target, const std::string& path, std::vector<std::uint8_t>& buffer,
               const TUnpackProgress& progress) {
  for (;;) {
    const la_ssize_t n = archive_read_data(a, buffer.data(), buffer.size());
    if (n < 0) throw UnpackError(path, ReasonOf(a));
    if (n == 0) return;
    WriteFile(target, buffer.data(), static_cast<std::size_t>(n));
    if (progress) progress(static_cast<std::uint64_t>(archive_filter_bytes(a, -1)));
  }
}

// A gzip file, read with zlib: libarchive's gzip reader does not compare the
// members' checksums, and a damaged log must never pass for a sound one.
// Members that follow one another (as `cat a.gz b.gz` makes) give their data
// one after the other.
void GunzipInto(const TAutoHandle& target, const TAutoHandle& file, const std::string& path,
                const TUnpackProgress& progress) {
  z_stream z{};
  if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK) throw std::bad_alloc();
  struct TEnd {
    z_stream& z;
    ~TEnd() { inflateEnd(&z); }
  } end{z};
  std::vector<std::uint8_t> in(kPackedBlock), out(kUnpackedBlock);
  std::uint64_t consumed = 0;
  bool inMember = false;  // a member has begun and not yet ended with its checksum
  bool outputHeld = false;  // the last call filled the output: zlib may hold more
  for (;;) {
    if (z.avail_in == 0 && !outputHeld) {
      const std::size_t n = ReadFile(file, in.data(), in.size());
      if (n == 0) break;
      z.next_in = in.data();
      z.avail_in = static_cast<uInt>(n);
      consumed += n;
      if (progress) progress(consumed);
    }
    if (!inMember && inflateReset(&z) != Z_OK) throw UnpackError(path, "архив повреждён");
    inMember = true;
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int r = inflate(&z, Z_NO_FLUSH);
    if (r != Z_OK && r != Z_STREAM_END && r != Z_BUF_ERROR) throw UnpackError(path, z.msg ? z.msg : "архив повреждён");
    WriteFile(target, out.data(), out.size() - z.avail_out);
    outputHeld = z.avail_out == 0;
    if (r == Z_STREAM_END) inMember = outputHeld = false;
  }
  if (inMember || consumed == 0) throw UnpackError(path, "архив обрывается");
}

}  // namespace

const char* const kCompressorSuffixes[4] = {".gz", ".xz", ".zst", ".bz2"};

TPacking PackingOfName(std::string_view path) {
  for (const TPackingSuffix& s : kSuffixes)
    if (EndsWithAnyCase(path, s.suffix)) return s.packing;
  return TPacking::Plain;
}

std::string_view UnpackedName(std::string_view path) {
  const TPacking packing = PackingOfName(path);
  if (packing == TPacking::Plain || packing == TPacking::Zip) return path;
  return path.substr(0, path.find_last_of('.'));
}

UnpackError::UnpackError(const std::string& path, const std::string& reason)
    : Error("Не удаётся распаковать файл \"" + path + "\": " + reason) {}

void UnpackInto(const TAutoHandle& target, const std::string& path, TPacking packing, std::string_view entryMask,
                const TUnpackProgress& progress) {
  TAutoHandle file = OpenFileForReading(path);
  if (packing == TPacking::Gzip) return GunzipInto(target, file, path, progress);
  // The reader only borrows the descriptor; it is released before the file is closed.
  TArchive a(archive_read_new(), archive_read_free);
  if (!a) throw std::bad_alloc();
  const TFilter filter = FilterOf(packing);
  if (packing == TPacking::Zip) {
    archive_read_support_format_zip(a.get());
  } else {
    filter.support(a.get());
    archive_read_support_format_raw(a.get());
  }
  if (archive_read_open_fd(a.get(), file.get(), kPackedBlock) != ARCHIVE_OK) throw UnpackError(path, ReasonOf(a.get()));

  std::vector<std::uint8_t> buffer(kUnpackedBlock);
  archive_entry* entry = nullptr;
  for (;;) {
    const int r = archive_read_next_header(a.get(), &entry);
    if (r == ARCHIVE_EOF) break;
    // A warning on a header (a name in an unknown character set) leaves its data readable.
    if (r != ARCHIVE_OK && r != ARCHIVE_WARN) throw UnpackError(path, ReasonOf(a.get()));
    if (packing != TPacking::Zip) {
      // With no compressor recognised the raw reader would pass the bytes
      // through as they are: a file whose name promises a packing must have it.
      if (archive_filter_code(a.get(), 0) != filter.code)
        throw UnpackError(path, std::string("данные не сжаты ") + filter.name);
      CopyEntry(a.get(), target, path, buffer, progress);
      continue;
    }
    const char* name = archive_entry_pathname(entry);
    if (archive_entry_filetype(entry) != AE_IFREG || !name || !MatchesWildcard(BaseName(name), entryMask)) continue;
    if (archive_entry_is_encrypted(entry)) throw UnpackError(path, std::string("запись \"") + name + "\" зашифрована");
    CopyEntry(a.get(), target, path, buffer, progress);
  }
}

}  // namespace pkt
