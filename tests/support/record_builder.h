#pragma once
// Builds packet log records byte by byte: terminal records (53-byte header)
// and host-to-host records (65-byte header), every header field settable,
// and the two frame headers that carry a TLV message inside a body.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

#include "support/bytes.h"

namespace pkt::test {

// The 16-byte time stamp: year, month, day of week, day, hour, minute, second, ms.
struct Stamp {
  int year = 2016, month = 4, day = 6, hour = 13, minute = 29, second = 48, ms = 5;
  int dayOfWeek = 3;

  // The same day and this many milliseconds later (no carry past the day).
  Stamp PlusMs(int delta) const {
    Stamp s = *this;
    long long t = ((static_cast<long long>(hour) * 60 + minute) * 60 + second) * 1000 + ms + delta;
    s.ms = static_cast<int>(t % 1000);
    t /= 1000;
    s.second = static_cast<int>(t % 60);
    t /= 60;
    s.minute = static_cast<int>(t % 60);
    s.hour = static_cast<int>(t / 60);
    return s;
  }
};

inline Bytes StampBytes(const Stamp& s) {
  Bytes b;
  for (int v : {s.year, s.month, s.dayOfWeek, s.day, s.hour, s.minute, s.second, s.ms}) PutLE16(b, static_cast<std::uint32_t>(v));
  return b;
}

// The 24-byte address field: the text, zero-padded (or cut) to 24 bytes.
inline Bytes AddressBytes(std::string_view text) {
  Bytes b(text.begin(), text.end());
  b.resize(24, 0);
  return b;
}

// What both record headers hold, around the bytes that identify the sender:
// first magic, kind, time stamp, address, [identity], data length, second
// magic, then the body. Setters return the family's builder for chaining.
template <class Record>
class RecordBuilder {
 public:
  Record& Kind(int v) { kind_ = v; return self(); }
  Record& Time(const Stamp& v) { time_ = v; return self(); }
  Record& Address(std::string_view v) { address_ = AddressBytes(v); return self(); }
  Record& Body(const Bytes& v) { body_ = v; dataLength_ = static_cast<std::uint32_t>(v.size()); return self(); }
  // A data length different from the body's size (for bodies running past the end).
  Record& DataLength(std::uint32_t v) { dataLength_ = v; return self(); }
  Record& Magic(std::uint16_t first, std::uint16_t second) { magic1_ = first; magic2_ = second; return self(); }

 protected:
  RecordBuilder(std::string_view address, std::uint16_t magic1, std::uint16_t magic2)
      : address_(AddressBytes(address)), magic1_(magic1), magic2_(magic2) {}

  Bytes BuildAround(const Bytes& identity) const {
    Bytes b;
    PutLE16(b, magic1_);
    b.push_back(static_cast<std::uint8_t>(kind_));
    Append(b, StampBytes(time_));
    Append(b, address_);
    Append(b, identity);
    PutLE32(b, dataLength_);
    PutLE16(b, magic2_);
    Append(b, body_);
    return b;
  }

  Bytes address_;

 private:
  Record& self() { return static_cast<Record&>(*this); }

  int kind_ = 0;
  Stamp time_;
  std::uint32_t dataLength_ = 0;
  std::uint16_t magic1_, magic2_;
  Bytes body_;
};

class TerminalRecord : public RecordBuilder<TerminalRecord> {
 public:
  TerminalRecord() : RecordBuilder("10.0.0.1:5000", 0x7154, 0x3236) {}

  // All 24 bytes as given (for an address without a terminating zero).
  TerminalRecord& AddressField(const Bytes& v) { address_ = v; address_.resize(24, 0); return *this; }
  TerminalRecord& Emitent(std::uint16_t v) { emitent_ = v; return *this; }
  TerminalRecord& Terminal(std::uint16_t v) { terminal_ = v; return *this; }

  Bytes Build() const {
    Bytes identity;
    PutLE16(identity, emitent_);
    PutLE16(identity, terminal_);
    return BuildAround(identity);
  }

 private:
  std::uint16_t emitent_ = 1101, terminal_ = 7;
};

class HostRecord : public RecordBuilder<HostRecord> {
 public:
  HostRecord() : RecordBuilder("192.168.1.10:7000", 0x5264, 0xB2FD) {}

  HostRecord& HostID(const Bytes& v) { host_ = v; host_.resize(16, 0); return *this; }

  Bytes Build() const { return BuildAround(host_); }

 private:
  Bytes host_ = Bytes(16, 0xAB);
};

// A terminal frame: message number LE32 at 0, size LE16 at 6, the TLV at 26
// ending at 10 + size (so size = 16 + TLV length). filler fills the
// uninterpreted bytes; size can be forced for damaged frames.
inline Bytes TerminalFrame(std::uint32_t messageNumber, const Bytes& tlv, int forcedSize = -1, std::uint8_t filler = 0) {
  Bytes b;
  PutLE32(b, messageNumber);
  b.push_back(filler);
  b.push_back(filler);
  PutLE16(b, forcedSize >= 0 ? static_cast<std::uint32_t>(forcedSize) : static_cast<std::uint32_t>(tlv.size() + 16));
  b.resize(26, filler);
  Append(b, tlv);
  return b;
}

// A host frame: message number LE32 at 1, size LE16 at 6, the TLV at 40
// ending at 8 + size (so size = 32 + TLV length).
inline Bytes HostFrame(std::uint32_t messageNumber, const Bytes& tlv, int forcedSize = -1, std::uint8_t filler = 0) {
  Bytes b;
  b.push_back(filler);
  PutLE32(b, messageNumber);
  b.push_back(filler);
  PutLE16(b, forcedSize >= 0 ? static_cast<std::uint32_t>(forcedSize) : static_cast<std::uint32_t>(tlv.size() + 32));
  b.resize(40, filler);
  Append(b, tlv);
  return b;
}

// Joins records (or whole logs) byte by byte, as a log file holds them.
inline Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) Append(out, p);
  return out;
}

// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes.
class TempFolder {
 public:
  TempFolder() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() / ("pkttest-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::string path() const { return path_.string(); }
  std::string File(std::string_view name) const { return (path_ / name).string(); }
  // Writes the bytes to the named file of the folder and returns its path.
  std::string Write(std::string_view name, const Bytes& bytes) const {
    const std::string file = File(name);
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return file;
  }

 private:
  std::filesystem::path path_;
};

inline Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace pkt::test
