#pragma once
// Packed logs as the servers' log rotation keeps them: one log through a
// compressor (gzip, bzip2, xz, zstd), or several logs in a zip.
#include <archive.h>
#include <archive_entry.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "support/bytes.h"

namespace pkt::test {

namespace detail {

// Writes the entries through libarchive into memory; format is a
// archive_write_set_format_* call, filter an ARCHIVE_FILTER_* code.
template <class SetFormat>
Bytes WriteArchive(SetFormat setFormat, int filter, const std::vector<std::pair<std::string, Bytes>>& entries) {
  std::size_t room = 65536;
  for (const auto& e : entries) room += e.second.size() + e.first.size() + 512;
  Bytes out(room);
  std::size_t used = 0;
  archive* a = archive_write_new();
  archive_write_add_filter(a, filter);
  setFormat(a);
  if (archive_write_open_memory(a, out.data(), out.size(), &used) != ARCHIVE_OK)
    throw std::runtime_error(archive_error_string(a));
  for (const auto& [name, data] : entries) {
    archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname(entry, name.c_str());
    const bool folder = !name.empty() && name.back() == '/';
    archive_entry_set_filetype(entry, folder ? AE_IFDIR : AE_IFREG);
    archive_entry_set_perm(entry, 0644);
    archive_entry_set_size(entry, static_cast<la_int64_t>(data.size()));
    archive_write_header(a, entry);
    if (!data.empty()) archive_write_data(a, data.data(), data.size());
    archive_entry_free(entry);
  }
  archive_write_close(a);
  archive_write_free(a);
  out.resize(used);
  return out;
}

}  // namespace detail

// One log through a compressor: ARCHIVE_FILTER_GZIP, _BZIP2, _XZ or _ZSTD.
inline Bytes Compressed(const Bytes& log, int filter) {
  return detail::WriteArchive([](archive* a) { archive_write_set_format_raw(a); }, filter, {{"log", log}});
}

// A zip of the named entries, in order; a name ending in '/' is a folder.
inline Bytes Zip(const std::vector<std::pair<std::string, Bytes>>& entries) {
  return detail::WriteArchive([](archive* a) { archive_write_set_format_zip(a); }, ARCHIVE_FILTER_NONE, entries);
}

}  // namespace pkt::test
