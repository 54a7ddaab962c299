#include "viewers/log_export.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <ctime>
#include <functional>
#include <future>
#include <thread>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/process.h"
#include "terminal/fields/renderer.h"
#include "terminal/tlv.h"
#include "text/codepage.h"
#include "text/delimited.h"
#include "text/format.h"
#include "terminal/frame.h"

namespace pkt {

namespace {

// Rows rendered into one buffer before it is written; a chunk of ordinary
// messages is a few megabytes.
constexpr std::uint32_t kChunkRows = 8192;
constexpr std::size_t kChunkBytes = 4 << 20;
constexpr std::uint32_t kProgressStep = 16384;

// A UTF-8 field of the renderer, appended by the delimited-text rule in
// cp1251. Plain ASCII is the same in both, so only a field holding other
// characters is converted (through scratch) first.
void AppendUtf8Field(std::string& out, std::string_view field, std::string& scratch) {
  bool ascii = true;
  for (unsigned char c : field) ascii &= c < 0x80;
  if (ascii) {
    AppendDelimitedField(out, field);
    return;
  }
  scratch.clear();
  AppendUtf8AsCp1251(scratch, field);
  AppendDelimitedField(out, scratch);
}

void AppendUnsigned(std::string& out, std::uint64_t v) {
  char buf[24];
  char* p = buf + sizeof buf;
  do {
    *--p = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v);
  out.append(p, buf + sizeof buf - p);
}

// At least minDigits decimal digits, zero-padded in front (printf's "%.Nd").
void AppendPadded(std::string& out, unsigned v, int minDigits) {
  char buf[12];
  int n = 0;
  do {
    buf[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v);
  while (n < minDigits) buf[n++] = '0';
  while (n) out += buf[--n];
}

// The time stamp text of a record, quoted (it holds a blank), without a format call.
void AppendQuotedTime(std::string& out, const TSystemTime& t) {
  out += '"';
  AppendPadded(out, t.wYear, 4);
  out += '-';
  AppendPadded(out, t.wMonth, 2);
  out += '-';
  AppendPadded(out, t.wDay, 2);
  out += ' ';
  AppendPadded(out, t.wHour, 2);
  out += ':';
  AppendPadded(out, t.wMinute, 2);
  out += ':';
  AppendPadded(out, t.wSecond, 2);
  out += '.';
  AppendPadded(out, t.wMilliseconds, 3);
  out += '"';
}

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

const TKindFields& TerminalKindFields() {
  static const TKindFields fields(&TerminalKindName);
  return fields;
}
const TKindFields& H2HKindFields() {
  static const TKindFields fields(&H2HKindName);
  return fields;
}

const std::string& MessageField() {
  static const std::string field = [] {
    std::string f, scratch;
    AppendUtf8Field(f, "Сообщение ", scratch);
    return f;
  }();
  return field;
}

// The address field of a mapped header: its bytes up to the first zero, at most 24.
std::string_view AddressOf(const std::uint8_t* header, std::uint32_t offset) {
  const char* a = reinterpret_cast<const char*>(header + offset);
  return {a, strnlen(a, kAddressSize)};
}

// The reused state of one rendering thread: the storage, the renderer's list
// and a conversion buffer.
class TBlockRenderer {
 public:
  TBlockRenderer() { lines_.reserve(64); }

  // One item line per item of the message, when the region parses.
  template <class Parse>
  void MessageLines(std::string& out, Parse parse, const std::uint8_t* body, std::uint32_t bodySize) {
    if (parse(storage_, body, bodySize) != TLV_OK) return;
    const std::uint32_t count = storage_.Count();
    for (std::uint32_t i = 0; i < count; ++i) {
      lines_.clear();
      AddFieldLines(lines_, storage_, *storage_.Item(i));
      bool first = true;
      if (i == 0) {
        out += MessageField();
        first = false;
      }
      if (first && lines_.size() == 1 && lines_[0].empty()) {
        out += "\"\"";
      } else {
        for (const std::string& field : lines_) {
          if (!first) out += '\t';
          first = false;
          AppendUtf8Field(out, field, scratch_);
        }
      }
      out += "\r\n";
    }
  }

 private:
  TTLVStorage storage_;
  std::vector<std::string> lines_;
  std::string scratch_;
};

// The address, then the frame's message number and size for a record with a
// body (a field that the body is too short to hold stays empty).
template <class Frame>
void HeaderTail(std::string& out, std::string_view address, const Frame& frame, bool hasBody) {
  AppendDelimitedField(out, address);
  if (hasBody) {
    out += '\t';
    if (frame.HasMessageNumber) AppendUnsigned(out, frame.MessageNumber);
    out += '\t';
    if (frame.HasSize) AppendUnsigned(out, frame.Size);
  }
  out += "\r\n";
}

// The record blocks of rows [begin, end) of a terminal log.
void RenderTerminal(const TTerminalFastLog& log, std::uint32_t begin, std::uint32_t end, TBlockRenderer& r,
                    std::string& out) {
  const TKindFields& kinds = TerminalKindFields();
  for (std::uint32_t i = begin; i < end; ++i) {
    const TTerminalPacketHandler p = log.GetPacket(i);
    AppendQuotedTime(out, p.GetSystemTime());
    out += '\t';
    out += kinds.field[p.GetKind()];
    out += '\t';
    AppendUnsigned(out, p.GetEmitentID());
    out += '\t';
    AppendUnsigned(out, p.GetTerminalID());
    out += '\t';
    const bool hasBody = p.GetDataLength() != 0;
    const std::uint8_t* body = p.GetBody();
    const std::uint32_t bodySize = p.GetBodySize();
    HeaderTail(out, AddressOf(p.GetHeader(), terminal_header::kAddress), TTerminalFrameHeader::Read(body, bodySize),
               hasBody);
    if (hasBody) r.MessageLines(out, ParseTerminalMessage, body, bodySize);
    out += "\r\n";
  }
}

// The record blocks of rows [begin, end) of a host-to-host log.
void RenderH2H(const TH2HFastLog& log, std::uint32_t begin, std::uint32_t end, TBlockRenderer& r, std::string& out) {
  const TKindFields& kinds = H2HKindFields();
  for (std::uint32_t i = begin; i < end; ++i) {
    const TH2HPacketHandler p = log.GetPacket(i);
    const TSystemTime time = p.GetSystemTime();
    AppendQuotedTime(out, time);
    out += '\t';
    out += kinds.field[p.GetKind()];
    out += '\t';
    AppendQuotedTime(out, time);
    out += '\t';
    out += p.GetHostID();
    out += '\t';
    const bool hasBody = p.GetDataLength() != 0;
    const std::uint8_t* body = p.GetBody();
    const std::uint32_t bodySize = p.GetBodySize();
    HeaderTail(out, AddressOf(p.GetHeader(), host_header::kAddress), THostFrameHeader::Read(body, bodySize), hasBody);
    // Whatever the kind, the body is read as a host frame: ISO 8583 and raw
    // messages give lines only when their bytes happen to parse.
    if (hasBody) r.MessageLines(out, ParseHostMessage, body, bodySize);
    out += "\r\n";
  }
}

using TSink = std::function<void(const char*, std::size_t)>;

// Renders the rows in chunks and hands them to sink in list order. Chunks go
// in pairs to two threads: this one renders and writes the first, a helper
// renders the second and writes it once the first is written, so both cores
// share the rendering and the writing and the bytes are those of one pass.
// Progress is reported from this thread only.
template <class Log, class Render>
std::uint64_t WriteChunked(const Log& log, Render render, const TSink& sink, const TProgress& progress) {
  const std::uint32_t n = log.GetCount();
  const bool parallel = n >= 2 * kChunkRows && std::thread::hardware_concurrency() >= 2;
  TBlockRenderer mine, helper;
  std::string own, other;
  own.reserve(kChunkBytes);
  other.reserve(kChunkBytes);
  std::uint64_t bytes = 0;
  auto emit = [&sink, &bytes](std::string& buffer) {
    if (!buffer.empty()) sink(buffer.data(), buffer.size());
    bytes += buffer.size();
    buffer.clear();
  };
  std::uint32_t reported = 0;
  for (std::uint32_t start = 0; start < n;) {
    if (progress && start - reported >= kProgressStep) {
      progress(TWorkStage::Export, start, n);
      reported = start;
    }
    const std::uint32_t mid = std::min(n, start + kChunkRows);
    const std::uint32_t end = std::min(n, mid + kChunkRows);
    if (!parallel || mid == end) {
      render(log, start, mid, mine, own);
      emit(own);
      if (mid < end) {
        render(log, mid, end, helper, other);
        emit(other);
      }
      start = end;
      continue;
    }
    std::promise<void> firstWritten;
    std::future<void> second = std::async(std::launch::async, [&, mid, end, written = firstWritten.get_future()]() mutable {
      render(log, mid, end, helper, other);
      written.get();  // raises when the first chunk failed: the second is then not written
      emit(other);
    });
    try {
      render(log, start, mid, mine, own);
      emit(own);
    } catch (...) {
      firstWritten.set_exception(std::current_exception());
      try {
        second.get();
      } catch (...) {
      }
      throw;
    }
    firstWritten.set_value();
    second.get();
    start = end;
  }
  if (progress) progress(TWorkStage::Export, n, n);
  return bytes;
}

std::uint64_t WriteTerminal(const TTerminalFastLog& log, const TSink& sink, const TProgress& progress) {
  return WriteChunked(log, RenderTerminal, sink, progress);
}

std::uint64_t WriteH2H(const TH2HFastLog& log, const TSink& sink, const TProgress& progress) {
  return WriteChunked(log, RenderH2H, sink, progress);
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
