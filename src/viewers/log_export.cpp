#include "viewers/log_export.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <ctime>
#include <functional>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#include "platform/digits.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/process.h"
#include "terminal/fields/renderer.h"
#include "terminal/tlv.h"
#include "text/codepage.h"
#include "text/delimited.h"
#include "text/format.h"
#include "text/text_buffer.h"
#include "terminal/frame.h"
#include "viewers/record_header.h"

namespace pkt {

namespace {

// Rows rendered into one buffer before it is written; a chunk of ordinary
// messages is under a megabyte. Small chunks keep the two threads evenly
// loaded: the last chunk one of them renders is the most the other waits for.
constexpr std::uint32_t kChunkRows = 2048;
constexpr std::size_t kChunkBytes = 1 << 20;
// Chunks rendered ahead of the one being written.
constexpr std::size_t kSlots = 6;
constexpr std::uint32_t kProgressStep = 16384;

// The kind names of a family as export fields: cp1251, quoted where they hold blanks.
struct TKindFields {
  std::array<std::string, 256> field;
  explicit TKindFields(const char* (*name)(TRecordKind)) {
    for (int k = 0; k < 256; ++k) {
      std::string cp = Utf8ToCp1251(name(static_cast<TRecordKind>(k)));
      AppendDelimitedField(field[k], cp);
    }
  }
};

template <class Family>
const TKindFields& KindFields() {
  static const TKindFields fields(&Family::KindName);
  return fields;
}

const std::string& MessageField() {
  static const std::string field = [] {
    std::string f;
    AppendDelimitedUtf8Field(f, "Сообщение ");
    return f;
  }();
  return field;
}

// The reused state of one rendering thread: the storage and the export line
// (with its field text buffer).
class TBlockRenderer {
 public:
  // One item line per item of the message, when the region parses. The first
  // line starts with the message field.
  void MessageLines(TTextBuffer& out, const TFrameRegion& region) {
    if (!region.ok || storage_.Parse(region.data, region.size) != TLV_OK) return;
    // A parsed message holds at least its root.
    const std::uint32_t count = storage_.Count();
    const TTLV* const items = storage_.Item(0);
    out += MessageField();
    // One call site, so that the whole line is written inline.
    for (std::uint32_t i = 0; i < count; ++i) AddExportLine(line_, out, i == 0, storage_, items[i]);
  }

 private:
  TTLVStorage storage_;
  ExportLine line_;
};

// The room of a record's header line besides its kind field: the time stamp
// in quotes, the family's own cells, the address (quoted and doubled at
// worst), the message number and size, the tabs and the line end.
constexpr std::size_t kHeaderRoom = (kTimeStampTextMax + 2) + kOwnExportCellsMax + (2 * kAddressSize + 2) + 2 * 20 + 8;

// The header line of a record: the time in quotes, the kind, the family's own
// cells, the address, then the frame's message number and size for a record
// with a body (a field that the body is too short to hold stays empty).
template <class Family>
char* PutHeaderLine(char* o, const THeaderCells<Family>& h, const std::string& kind) {
  o = PutQuotedTime(o, h.fields.time);
  *o++ = '\t';
  TTextBuffer::CopyBytes(o, kind.data(), kind.size());
  o += kind.size();
  *o++ = '\t';
  o = Family::PutOwnCells(o, h);
  o = PutDelimitedField(o, h.address);
  if (h.HasBody()) {
    *o++ = '\t';
    if (h.frame.HasMessageNumber) o = PutDecimal(o, h.frame.MessageNumber);
    *o++ = '\t';
    if (h.frame.HasSize) o = PutDecimal(o, h.frame.Size);
  }
  *o++ = '\r';
  *o++ = '\n';
  return o;
}

// The record blocks of rows [begin, end). Whatever a host-to-host record's
// kind, its body is read as a host frame: ISO 8583 and raw messages give
// lines only when their bytes happen to parse.
template <class Family, class Log>
void RenderRecords(const Log& log, std::uint32_t begin, std::uint32_t end, TBlockRenderer& r, TTextBuffer& out) {
  const TKindFields& kinds = KindFields<Family>();
  for (std::uint32_t i = begin; i < end; ++i) {
    const THeaderCells<Family> h = ReadHeaderCells<Family>(log.GetPacket(i));
    const std::string& kind = kinds.field[h.fields.kind];
    out.Commit(PutHeaderLine(out.Room(kHeaderRoom + kind.size()), h, kind));
    if (h.HasBody()) r.MessageLines(out, h.frame.TlvRegion(h.fields.body, h.fields.bodySize));
    out.Append2('\r', '\n');
  }
}

using TSink = std::function<void(const char*, std::size_t)>;

// Renders the rows in chunks and hands them to sink in list order.
//
// With two cores a helper thread shares the rendering: both threads take the
// next chunk not yet taken, and this thread writes the finished chunks in
// list order, so the bytes are those of one pass. Chunks are taken, not
// dealt out, so a thread that the system holds back (a busy machine) only
// leaves the other more chunks; at most kSlots chunks are under way, which
// bounds the memory. Progress is reported from this thread only; an error
// of either thread stops both and is raised here.
template <class Log, class Render>
std::uint64_t WriteChunked(const Log& log, Render render, const TSink& sink, const TProgress& progress) {
  const std::uint32_t n = log.GetCount();
  const std::uint32_t chunks = (n + kChunkRows - 1) / kChunkRows;
  std::uint64_t bytes = 0;
  std::uint32_t reported = 0;
  auto report = [&](std::uint32_t rowsDone) {
    if (progress && rowsDone - reported >= kProgressStep) {
      progress(TWorkStage::Export, rowsDone, n);
      reported = rowsDone;
    }
  };

  if (chunks < 2 || std::thread::hardware_concurrency() < 2) {
    TBlockRenderer renderer;
    TTextBuffer buffer;
    buffer.reserve(kChunkBytes);
    for (std::uint32_t c = 0; c < chunks; ++c) {
      const std::uint32_t begin = c * kChunkRows;
      report(begin);
      render(log, begin, std::min(n, begin + kChunkRows), renderer, buffer);
      if (!buffer.empty()) sink(buffer.data(), buffer.size());
      bytes += buffer.size();
      buffer.clear();
    }
    if (progress) progress(TWorkStage::Export, n, n);
    return bytes;
  }

  // A slot to a cache line: the two threads write the ends of their texts
  // at every field, and slots sharing a line would pass it to and fro.
  struct alignas(64) Slot {
    TTextBuffer text;
    bool ready = false;
    std::exception_ptr error;
  };
  std::array<Slot, kSlots> slots;
  std::mutex mutex;
  std::condition_variable changed;
  std::uint32_t nextToTake = 0;   // the first chunk no thread has taken
  std::uint32_t nextToWrite = 0;  // the first chunk not yet written
  bool stop = false;

  // Takes the next chunk when its slot is free (the chunk kSlots before it is
  // written); false when there is none to take now.
  auto take = [&](std::uint32_t& chunk) {
    if (stop || nextToTake >= chunks || nextToTake >= nextToWrite + kSlots) return false;
    chunk = nextToTake++;
    return true;
  };
  // Renders a taken chunk into its slot, outside the lock.
  auto renderChunk = [&](std::unique_lock<std::mutex>& lock, std::uint32_t chunk, TBlockRenderer& renderer) {
    Slot& slot = slots[chunk % kSlots];
    lock.unlock();
    std::exception_ptr error;
    try {
      const std::uint32_t begin = chunk * kChunkRows;
      slot.text.clear();
      if (slot.text.capacity() < kChunkBytes) slot.text.reserve(kChunkBytes);
      render(log, begin, std::min(n, begin + kChunkRows), renderer, slot.text);
    } catch (...) {
      error = std::current_exception();
    }
    lock.lock();
    slot.error = error;
    slot.ready = true;
    changed.notify_all();
  };

  std::thread helper([&] {
    TBlockRenderer renderer;
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      std::uint32_t chunk;
      if (take(chunk)) {
        renderChunk(lock, chunk, renderer);
      } else if (stop || nextToTake >= chunks) {
        return;
      } else {
        changed.wait(lock);
      }
    }
  });

  TBlockRenderer renderer;
  try {
    std::unique_lock<std::mutex> lock(mutex);
    while (nextToWrite < chunks) {
      Slot& slot = slots[nextToWrite % kSlots];
      if (slot.ready) {
        // Writing the next chunk in list order comes first: it frees a slot.
        if (slot.error) std::rethrow_exception(slot.error);
        lock.unlock();
        report(nextToWrite * kChunkRows);
        if (!slot.text.empty()) sink(slot.text.data(), slot.text.size());
        bytes += slot.text.size();
        lock.lock();
        slot.ready = false;
        ++nextToWrite;
        changed.notify_all();
        continue;
      }
      std::uint32_t chunk;
      if (take(chunk)) {
        renderChunk(lock, chunk, renderer);
      } else {
        changed.wait(lock);
      }
    }
  } catch (...) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      stop = true;
    }
    changed.notify_all();
    helper.join();
    throw;
  }
  helper.join();
  if (progress) progress(TWorkStage::Export, n, n);
  return bytes;
}

std::uint64_t WriteTerminal(const TTerminalFastLog& log, const TSink& sink, const TProgress& progress) {
  return WriteChunked(log, RenderRecords<TTerminalFamily, TTerminalFastLog>, sink, progress);
}

std::uint64_t WriteH2H(const TH2HFastLog& log, const TSink& sink, const TProgress& progress) {
  return WriteChunked(log, RenderRecords<TH2HFamily, TH2HFastLog>, sink, progress);
}
std::function<void(const char*, std::size_t)> StreamSink(std::ostream& out) {
  return [&out](const char* data, std::size_t size) {
    out.write(data, static_cast<std::streamsize>(size));
    if (!out) throw SystemError(EIO);
  };
}

template <class Log, class Write>
TExportResult ToFile(const Log& log, const std::string& path, const TProgress& progress, Write write) {
  TExportResult result;
  result.attempted = true;
  result.path = path;
  TAutoHandle file;
  try {
    file = CreateFileForWriting(path);
  } catch (const SystemError& e) {
    result.reason = e.what();
    return result;
  }
  result.bytes = write(log, [&file](const char* data, std::size_t size) { WriteFile(file, data, size); }, progress);
  file.closeChecked();
  result.written = true;
  return result;
}

template <class Log, class Write>
TExportResult ToTarget(const Log& log, const TExportTarget& target, const TProgress& progress, Write write) {
  switch (target.kind) {
    case TExportTarget::ProgramDirectory: return ToFile(log, ExportFilePathNow(), progress, write);
    case TExportTarget::File: return ToFile(log, target.path, progress, write);
    case TExportTarget::Stream: {
      TExportResult result;
      result.attempted = true;
      if (!target.stream) return result;
      result.bytes = write(log, StreamSink(*target.stream), progress);
      target.stream->flush();
      result.written = true;
      return result;
    }
    case TExportTarget::Nothing: break;
  }
  return {};
}

}  // namespace

std::string ExportFileName(const std::tm& t) {
  return format("PKT %.2d.%.2d.%.4d %.2d-%.2d-%.2d.txt", t.tm_mday, t.tm_mon + 1, t.tm_year + 1900, t.tm_hour,
                t.tm_min, t.tm_sec);
}

std::string ExportFilePathNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return ProgramDirectory() + "/" + ExportFileName(local);
}

void WriteTerminalExport(const TTerminalFastLog& log, std::ostream& out, const TProgress& progress) {
  WriteTerminal(log, StreamSink(out), progress);
}

void WriteH2HExport(const TH2HFastLog& log, std::ostream& out, const TProgress& progress) {
  WriteH2H(log, StreamSink(out), progress);
}

TExportResult ExportTerminalLogToFile(const TTerminalFastLog& log, const std::string& path, const TProgress& progress) {
  return ToFile(log, path, progress, WriteTerminal);
}
TExportResult ExportH2HLogToFile(const TH2HFastLog& log, const std::string& path, const TProgress& progress) {
  return ToFile(log, path, progress, WriteH2H);
}
TExportResult ExportTerminalLog(const TTerminalFastLog& log, const TExportTarget& target, const TProgress& progress) {
  return ToTarget(log, target, progress, WriteTerminal);
}
TExportResult ExportH2HLog(const TH2HFastLog& log, const TExportTarget& target, const TProgress& progress) {
  return ToTarget(log, target, progress, WriteH2H);
}

}  // namespace pkt
