#pragma once
// The fast log index: maps a log file read-only, walks its records once, asks
// the viewer's filter about each, keeps an entry for every accepted record and
// orders the entries by time stamp, ties by file offset. A walk without a
// filter copies the headers it steps on from the file a stretch at a time
// (a copy's cost is bounded; a page fault's for every page of the mapping
// depends on the machine); every other read goes to the mapped view, which
// stays mapped until Close.
//
// Public interface of the index; the record layouts are in logs/records.h.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "logs/records.h"
#include "platform/systime.h"

namespace pkt {

class TTerminalFastLog;
class TH2HFastLog;

// The fields of a record's header read at once (one look at the mapped
// view instead of one a field): what the export writes of every record.
struct TRecordFields {
  const std::uint8_t* header = nullptr;
  TRecordKind kind = 0;
  TSystemTime time;
  std::uint16_t emitent = 0;   // terminal logs only
  std::uint16_t terminal = 0;  // terminal logs only
  std::uint32_t dataLength = 0;
  const std::uint8_t* body = nullptr;
  std::uint32_t bodySize = 0;  // as GetBodySize
};

// One accepted record of a terminal log. A small value (the owning index and
// the record's offset); valid while the index's view is mapped.
class TTerminalPacketHandler {
 public:
  TTerminalPacketHandler(const TTerminalFastLog* log, std::uint64_t offset) : log_(log), offset_(offset) {}

  const std::uint8_t* GetHeader() const;
  std::uint64_t GetOffset() const { return offset_; }
  TRecordKind GetKind() const;
  const std::uint8_t* GetTime() const;         // the 16-byte time stamp
  TSystemTime GetSystemTime() const;
  std::string GetTimeText() const;             // "2016-04-06 13:29:48.005"
  std::string GetAddress() const;              // bytes up to the first zero, at most 24 (cp1251)
  std::uint16_t GetEmitentID() const;
  std::uint16_t GetTerminalID() const;
  std::uint32_t GetDataLength() const;
  const std::uint8_t* GetBody() const;
  // The body bytes that lie inside the mapped file: the data length, cut at the end of the file.
  std::uint32_t GetBodySize() const;
  TRecordFields Fields() const;

 private:
  const TTerminalFastLog* log_;
  std::uint64_t offset_;
};

// One accepted record of a host-to-host log.
class TH2HPacketHandler {
 public:
  TH2HPacketHandler(const TH2HFastLog* log, std::uint64_t offset) : log_(log), offset_(offset) {}

  const std::uint8_t* GetHeader() const;
  std::uint64_t GetOffset() const { return offset_; }
  TRecordKind GetKind() const;
  const std::uint8_t* GetTime() const;
  TSystemTime GetSystemTime() const;
  std::string GetTimeText() const;
  std::string GetAddress() const;
  std::string GetHostID() const;               // 32 upper-case hexadecimal digits
  // The same digits written at out (kHostIDTextSize bytes); returns their end.
  static constexpr std::size_t kHostIDTextSize = 32;
  char* PutHostID(char* out) const;
  std::uint32_t GetDataLength() const;
  const std::uint8_t* GetBody() const;
  std::uint32_t GetBodySize() const;
  TRecordFields Fields() const;  // without the terminal log's emitent and terminal

 private:
  const TH2HFastLog* log_;
  std::uint64_t offset_;
};

// Asked once per record during Open; set skip to true to reject the record.
// May raise: the error leaves Open at once.
using TTerminalFilterEvent = std::function<void(TTerminalFastLog& sender, const TTerminalPacketHandler& packet, bool& skip)>;
using TH2HFilterEvent = std::function<void(TH2HFastLog& sender, const TH2HPacketHandler& packet, bool& skip)>;

// How far an Open got, in bytes of the file (done out of total); called on
// the opening thread only.
using TIndexProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

// What the indexes of both log families hold and do: the mapped view of the
// file and the ordered entries (the offsets of the accepted records).
class TFastLog {
 public:
  virtual ~TFastLog();
  TFastLog(const TFastLog&) = delete;
  TFastLog& operator=(const TFastLog&) = delete;

  // Unmaps the view and closes the file; entries are kept. Safe to repeat.
  virtual void Close();
  // Orders the entries by (time stamp as file time, offset).
  virtual void Sort();
  virtual const std::uint8_t* GetView() const;
  std::uint64_t GetViewSize() const;

  std::uint32_t GetCount() const;

  // How many threads share the per-record work of an Open (the filter and the
  // sort key) once the record boundaries are walked: 1 (the default) keeps
  // all of it on the opening thread, in file order; 0 takes every core for
  // logs large enough to gain from it. With
  // more than one, OnFilter must be safe to ask from several threads at
  // once, and may be asked about records after one whose call raised; the
  // entries, the order and the errors stay those of the scan in file order.
  unsigned Threads = 1;
  // Reports the Open's progress now and then; may be unset.
  TIndexProgress OnProgress;
  // The most bytes of the file an Open maps and walks: a log read where it
  // lies is indexed as it was when it was opened, whatever has been appended
  // to it since. A shorter file is walked to its end.
  std::uint64_t ByteLimit = ~std::uint64_t{0};

  // The records the last Open walked, accepted or not: the records of the log
  // (as far as the walk got when it raised).
  std::uint64_t GetRecordCount() const;
  // Memory the entries take beyond the mapped view, in bytes.
  std::uint64_t GetEntryBytes() const;

 protected:
  TFastLog();
  // The file offset of entry index; raises AppError "Неверный индекс пакета!"
  // when index >= GetCount().
  std::uint64_t EntryOffset(std::uint32_t index) const;

  struct Impl;
  Impl* impl_;
};

class TTerminalFastLog : public TFastLog {
 public:
  // Replaces the entries by the records of the file at path. Raises SystemError
  // when the file cannot be opened, sized or mapped (an empty file included) and
  // TruncatedLogError when the log ends inside a record header (the entries
  // accepted so far stay, unsorted).
  virtual void Open(const std::string& path);
  // Raises AppError "Неверный индекс пакета!" when index >= GetCount().
  TTerminalPacketHandler GetPacket(std::uint32_t index) const;

  TTerminalFilterEvent OnFilter;
};

class TH2HFastLog : public TFastLog {
 public:
  // Raises SystemError when the file cannot be opened, sized or mapped; a short
  // tail ends the scan silently and bad magic values are stepped over 53 bytes at a time.
  virtual void Open(const std::string& path);
  // Raises AppError "Неверный индекс пакета!" when index >= GetCount().
  TH2HPacketHandler GetPacket(std::uint32_t index) const;

  TH2HFilterEvent OnFilter;
};

}  // namespace pkt
