#include "pktgen/generator.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "logs/records.h"
#include "platform/files.h"

namespace pkt::gen {

namespace {

// ---------------------------------------------------------------------------
// Small deterministic helpers (no std distributions: their results differ
// between standard libraries, and a seed must give the same log everywhere).

class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ULL + 0x2545F4914F6CDD1DULL) {}
  std::uint64_t Next() {  // splitmix64
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(Next() % n); }
  bool OneIn(std::uint32_t n) { return Below(n) == 0; }
  std::string Digits(int count) {
    std::string s(static_cast<std::size_t>(count), '0');
    for (char& c : s) c = static_cast<char>('0' + Below(10));
    return s;
  }

 private:
  std::uint64_t state_;
};

struct Civil {
  int year, month, day, hour, minute, second, ms, dayOfWeek;
};

Civil CivilFromMs(std::uint64_t epochMs) {
  const std::int64_t days = static_cast<std::int64_t>(epochMs / 86'400'000);
  std::uint64_t rest = epochMs % 86'400'000;
  Civil c{};
  c.ms = static_cast<int>(rest % 1000);
  rest /= 1000;
  c.second = static_cast<int>(rest % 60);
  rest /= 60;
  c.minute = static_cast<int>(rest % 60);
  c.hour = static_cast<int>(rest / 60);
  c.dayOfWeek = static_cast<int>((days + 4) % 7);  // 1 January 1970 was a Thursday
  const std::int64_t z = days + 719468;
  const std::int64_t era = z / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  c.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  c.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  c.year = static_cast<int>(yoe + era * 400 + (c.month <= 2));
  return c;
}

// Appends bytes to a reusable buffer.
class Sink {
 public:
  void Clear() { b_.clear(); }
  void U8(unsigned v) { b_.push_back(static_cast<char>(v & 0xFF)); }
  void LE16(unsigned v) { U8(v); U8(v >> 8); }
  void LE32(std::uint32_t v) { LE16(v & 0xFFFF); LE16(v >> 16); }
  void BE16(unsigned v) { U8(v >> 8); U8(v); }
  void BE32(std::uint32_t v) { BE16(v >> 16); BE16(v & 0xFFFF); }
  void Raw(const void* p, std::size_t n) { b_.append(static_cast<const char*>(p), n); }
  void Str(const std::string& s) { b_ += s; }
  void Fill(std::size_t n, unsigned v) { b_.append(n, static_cast<char>(v)); }
  std::string& str() { return b_; }
  const char* data() const { return b_.data(); }
  std::size_t size() const { return b_.size(); }

 private:
  std::string b_;
};

// ---------------------------------------------------------------------------
// Terminal-protocol TLV: tags up to 30 in one byte, above as 0x1F and the tag;
// lengths below 0x80 in one byte, above as 0x82 and two bytes big-endian.

class Tlv {
 public:
  void Clear() { items_.Clear(); }
  void Item(unsigned tag, const void* value, std::size_t n) {
    if (tag <= 30) {
      items_.U8(tag);
    } else {
      items_.U8(0x1F);
      items_.U8(tag);
    }
    Length(items_, n);
    items_.Raw(value, n);
  }
  void Byte(unsigned tag, unsigned v) {
    const std::uint8_t b = static_cast<std::uint8_t>(v);
    Item(tag, &b, 1);
  }
  void Word(unsigned tag, unsigned v) {
    const std::uint8_t b[2] = {std::uint8_t(v >> 8), std::uint8_t(v)};
    Item(tag, b, 2);
  }
  void DWord(unsigned tag, std::uint32_t v) {
    const std::uint8_t b[4] = {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)};
    Item(tag, b, 4);
  }
  // Packed BCD of exactly 2 * bytes digits (left-padded with zeros).
  void Bcd(unsigned tag, const std::string& digits, std::size_t bytes) {
    std::string d = digits.size() < 2 * bytes ? std::string(2 * bytes - digits.size(), '0') + digits : digits;
    std::uint8_t b[16];
    for (std::size_t i = 0; i < bytes; ++i) b[i] = static_cast<std::uint8_t>(((d[2 * i] - '0') << 4) | (d[2 * i + 1] - '0'));
    Item(tag, b, bytes);
  }
  void Text(unsigned tag, const std::string& s) { Item(tag, s.data(), s.size()); }

  // The message: root tag 1 announcing every item, then the items.
  void WriteMessage(Sink& out) const {
    out.U8(1);
    Length(out, items_.size());
    out.Raw(items_.data(), items_.size());
  }
  std::size_t MessageSize() const { return 1 + (items_.size() < 0x80 ? 1 : 3) + items_.size(); }

 private:
  static void Length(Sink& out, std::size_t n) {
    if (n < 0x80) {
      out.U8(static_cast<unsigned>(n));
    } else {
      out.U8(0x82);
      out.BE16(static_cast<unsigned>(n));
    }
  }
  Sink items_;
};

// Tags of the terminal protocol used here.
enum : unsigned {
  MF_TYPE_ID = 2, MF_TRN_NUMBER = 3, MF_TIMESTAMP = 4, MF_EMITENT_ID = 5, MF_FIRM_ID = 6, MF_CARD_ID = 8,
  MF_TERMINAL_ID = 10, MF_CARD_IN_BL = 11, MF_BL_STATUS = 13, MF_TRZ_DATETIME = 25, MF_TRZ_SERVICE = 26,
  MF_TRZ_AMOUNT = 27, MF_TRZ_PRICE = 28, MF_TRZ_SUM = 29, MF_TRZ_TOKEN = 30, MF_TRZ_RESPCODE = 31,
  MF_REMAINING_FUNDS = 33, MF_CARD_TYPE = 44, MF_TRACK1 = 45, MF_TRACK2 = 46, MF_SERVER_TYPE = 69,
  MF_TRZ_TIMEZONE = 109,
};

std::string TimestampDigits(const Civil& c) {
  char s[20];
  std::snprintf(s, sizeof s, "%04d%02d%02d%02d%02d%02d", c.year, c.month, c.day, c.hour, c.minute, c.second);
  return s;
}

void DateTime6(Tlv& tlv, unsigned tag, const Civil& c) {
  const std::uint8_t b[6] = {std::uint8_t(c.year - 1900), std::uint8_t(c.month), std::uint8_t(c.day),
                             std::uint8_t(c.hour), std::uint8_t(c.minute), std::uint8_t(c.second)};
  tlv.Item(tag, b, 6);
}

// Terminal frame: message number at 0, size at 6 (16 + TLV length), TLV at 26.
void WriteTerminalFrame(Sink& out, std::uint32_t messageNumber, const Tlv& tlv) {
  out.LE32(messageNumber);
  out.LE16(0);
  out.LE16(static_cast<unsigned>(16 + tlv.MessageSize()));
  out.Fill(18, 0);
  tlv.WriteMessage(out);
}

// Host frame: message number at 1, size at 6 (32 + TLV length), TLV at 40.
void WriteHostFrame(Sink& out, std::uint32_t messageNumber, const Tlv& tlv) {
  out.U8(0);
  out.LE32(messageNumber);
  out.U8(0);
  out.LE16(static_cast<unsigned>(32 + tlv.MessageSize()));
  out.Fill(32, 0);
  tlv.WriteMessage(out);
}

void WriteStamp(Sink& out, const Civil& c) {
  for (int v : {c.year, c.month, c.dayOfWeek, c.day, c.hour, c.minute, c.second, c.ms}) out.LE16(static_cast<unsigned>(v));
}

void WriteAddress(Sink& out, const std::string& address) {
  char field[kAddressSize] = {};
  std::memcpy(field, address.data(), std::min<std::size_t>(address.size(), kAddressSize));
  out.Raw(field, kAddressSize);
}

// ---------------------------------------------------------------------------
// Terminal log

struct Terminal {
  std::uint16_t emitent = 0, terminal = 0;
  std::string address;
  std::string card;  // 20 digits
  int state = 0;     // 0 disconnected, 1..4 handshake steps done, 5 connected
  int exchangesLeft = 0;
  unsigned pendingType = 0;  // the request type awaiting its response, 0 for none
  std::uint32_t messageNumber = 1;
  std::uint32_t transaction = 1;
};

class TerminalLogMaker {
 public:
  explicit TerminalLogMaker(const GeneratorOptions& o) : rng_(o.seed), clock_(o.startMs) {
    static constexpr std::uint16_t kEmitents[] = {1101, 1102, 2001, 3050, 4400};
    terminals_.resize(96);
    for (std::size_t i = 0; i < terminals_.size(); ++i) {
      Terminal& t = terminals_[i];
      t.emitent = kEmitents[i % 5];
      t.terminal = static_cast<std::uint16_t>(1 + rng_.Below(60000));
      t.address = "10." + std::to_string(1 + i / 40) + "." + std::to_string(rng_.Below(256)) + "." +
                  std::to_string(1 + rng_.Below(254)) + ":" + std::to_string(1024 + rng_.Below(60000));
      t.card = "7826010" + rng_.Digits(13);
    }
  }

  // Builds the next record into out.
  void Next(Sink& out) {
    clock_ += rng_.Below(200);
    const Civil now = CivilFromMs(clock_);
    Terminal& t = terminals_[rng_.Below(static_cast<std::uint32_t>(terminals_.size()))];
    body_.Clear();
    TRecordKind kind = rkConnect;
    switch (t.state) {
      case 0:
        kind = rkConnect;
        t.state = 1;
        break;
      case 1: case 2: case 3: case 4:
        kind = static_cast<TRecordKind>(rkKeyRequest + t.state - 1);
        Handshake(t, kind);
        if (++t.state == 5) t.exchangesLeft = 1 + static_cast<int>(rng_.Below(12));
        break;
      default:
        if (t.pendingType) {
          kind = rkOutgoing;
          Response(t, now);
        } else if (t.exchangesLeft == 0) {
          kind = rkDisconnect;
          t.state = 0;
        } else if (rng_.OneIn(25)) {
          kind = rkMobileOrderNotice;
          Notice(t, now);
        } else {
          kind = rkIncoming;
          Request(t, now);
          --t.exchangesLeft;
        }
    }
    out.Clear();
    out.LE16(terminal_header::kMagic1);
    out.U8(kind);
    WriteStamp(out, now);
    WriteAddress(out, t.address);
    out.LE16(t.emitent);
    out.LE16(t.terminal);
    out.LE32(static_cast<std::uint32_t>(body_.size()));
    out.LE16(terminal_header::kMagic2);
    out.Raw(body_.str().data(), body_.size());
  }

 private:
  void Handshake(Terminal& t, TRecordKind kind) {
    tlv_.Clear();
    tlv_.Word(MF_EMITENT_ID, t.emitent);
    tlv_.Word(MF_TERMINAL_ID, t.terminal);
    if (kind == rkKeyIssue || kind == rkAuthSuccess) tlv_.Byte(MF_SERVER_TYPE, 1);
    WriteTerminalFrame(body_, t.messageNumber++, tlv_);
  }

  void Request(Terminal& t, const Civil& now) {
    static constexpr unsigned kTypes[] = {8, 8, 8, 8, 8, 1, 18, 14};
    const unsigned type = kTypes[rng_.Below(8)];
    tlv_.Clear();
    tlv_.Byte(MF_TYPE_ID, type);
    tlv_.DWord(MF_TRN_NUMBER, t.transaction);
    tlv_.Bcd(MF_TIMESTAMP, TimestampDigits(now), 7);
    tlv_.Word(MF_EMITENT_ID, t.emitent);
    tlv_.Word(MF_TERMINAL_ID, t.terminal);
    tlv_.Bcd(MF_CARD_ID, t.card, 10);
    if (type == 8 || type == 14) {
      const std::uint32_t price = 4500 + rng_.Below(1500);  // kopecks a litre
      const std::uint32_t litres = 500 + rng_.Below(5000);  // hundredths of a litre
      tlv_.Byte(MF_TRZ_SERVICE, 1 + rng_.Below(6));
      tlv_.Bcd(MF_TRZ_AMOUNT, std::to_string(litres), 10);
      tlv_.Bcd(MF_TRZ_PRICE, std::to_string(price), 10);
      tlv_.Bcd(MF_TRZ_SUM, std::to_string(std::uint64_t(price) * litres / 100), 10);
      DateTime6(tlv_, MF_TRZ_DATETIME, now);
      tlv_.Byte(MF_TRZ_TIMEZONE, 3);
      if (rng_.OneIn(3)) tlv_.Text(MF_TRACK1, "%B" + t.card.substr(4) + "^CARDHOLDER/FLEET^2512101?");
      tlv_.Text(MF_TRACK2, ";" + t.card.substr(4) + "=2512101?");
    }
    WriteTerminalFrame(body_, t.messageNumber++, tlv_);
    t.pendingType = type;
  }

  void Response(Terminal& t, const Civil& now) {
    tlv_.Clear();
    tlv_.Byte(MF_TYPE_ID, t.pendingType + 1);
    tlv_.DWord(MF_TRN_NUMBER, t.transaction);
    tlv_.Bcd(MF_TIMESTAMP, TimestampDigits(now), 7);
    switch (t.pendingType) {
      case 1:
        tlv_.Byte(MF_CARD_IN_BL, rng_.OneIn(50) ? 1 : 0);
        tlv_.Byte(MF_BL_STATUS, 0);
        break;
      case 18:
        tlv_.Bcd(MF_CARD_ID, t.card, 10);
        tlv_.Byte(MF_CARD_TYPE, 1 + rng_.Below(3));
        tlv_.Bcd(MF_REMAINING_FUNDS, std::to_string(rng_.Below(5'000'000)), 10);
        break;
      default: {
        std::uint8_t token[16];
        for (auto& b : token) b = static_cast<std::uint8_t>(rng_.Next());
        tlv_.Item(MF_TRZ_TOKEN, token, sizeof token);
        tlv_.Byte(MF_TRZ_RESPCODE, rng_.OneIn(30) ? 5 : 0);
        tlv_.Bcd(MF_TRZ_SUM, std::to_string(rng_.Below(300'000)), 10);
        DateTime6(tlv_, MF_TRZ_DATETIME, now);
      }
    }
    WriteTerminalFrame(body_, t.messageNumber++, tlv_);
    t.pendingType = 0;
    ++t.transaction;
  }

  void Notice(Terminal& t, const Civil& now) {
    tlv_.Clear();
    tlv_.Byte(MF_TYPE_ID, 8);
    tlv_.DWord(MF_TRN_NUMBER, 900000 + rng_.Below(100000));
    tlv_.Bcd(MF_CARD_ID, t.card, 10);
    tlv_.Bcd(MF_TRZ_SUM, std::to_string(rng_.Below(500'000)), 10);
    DateTime6(tlv_, MF_TRZ_DATETIME, now);
    WriteTerminalFrame(body_, t.messageNumber++, tlv_);
  }

  Random rng_;
  std::uint64_t clock_;
  std::vector<Terminal> terminals_;
  Sink body_;
  Tlv tlv_;
};

// ---------------------------------------------------------------------------
// ISO 8583

void SetBit(std::uint8_t* bitmap, int field) {
  const int bit = (field - 1) % 64;
  bitmap[bit / 8] = static_cast<std::uint8_t>(bitmap[bit / 8] | (0x80 >> (bit % 8)));
}

bool NeedsSecondary(const std::vector<IsoField>& fields) {
  for (const IsoField& f : fields)
    if (f.number > 64) return true;
  return false;
}

void Bitmaps(const std::vector<IsoField>& fields, std::uint8_t (&primary)[8], std::uint8_t (&secondary)[8]) {
  std::memset(primary, 0, 8);
  std::memset(secondary, 0, 8);
  if (NeedsSecondary(fields)) SetBit(primary, 1);
  for (const IsoField& f : fields) SetBit(f.number > 64 ? secondary : primary, f.number);
}

std::string HexText(const std::uint8_t* b, std::size_t n) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string s;
  for (std::size_t i = 0; i < n; ++i) {
    s += kHex[b[i] >> 4];
    s += kHex[b[i] & 15];
  }
  return s;
}

std::string Ll(const std::string& v) {
  char p[4];
  std::snprintf(p, sizeof p, "%02zu", v.size());
  return p + v;
}
std::string Lll(const std::string& v) {
  char p[5];
  std::snprintf(p, sizeof p, "%03zu", v.size());
  return p + v;
}
std::string Lllll(const std::string& v) {
  char p[7];
  std::snprintf(p, sizeof p, "%05zu", v.size());
  return p + v;
}
// Two bytes of packed BCD giving the length (up to 9999), then the bytes.
std::string BcdLength(const std::string& v) {
  const unsigned n = static_cast<unsigned>(v.size());
  std::string s;
  s += static_cast<char>(((n / 1000 % 10) << 4) | (n / 100 % 10));
  s += static_cast<char>(((n / 10 % 10) << 4) | (n % 10));
  return s + v;
}
// A fixed field: the text padded with blanks (or cut) to n characters.
std::string Fixed(const std::string& v, std::size_t n) {
  std::string s = v.substr(0, n);
  s.resize(n, ' ');
  return s;
}
std::string Emv(unsigned tag, const std::string& value) {
  std::string s;
  if (tag > 0xFF) s += static_cast<char>(tag >> 8);
  s += static_cast<char>(tag & 0xFF);
  s += static_cast<char>(value.size());
  return s + value;
}

}  // namespace

std::string BuildH2HIso(const std::string& type, const std::vector<IsoField>& fields) {
  std::uint8_t primary[8], secondary[8];
  Bitmaps(fields, primary, secondary);
  std::string m = Fixed(type, 4);
  m.append(reinterpret_cast<const char*>(primary), 8);
  if (NeedsSecondary(fields)) m.append(reinterpret_cast<const char*>(secondary), 8);
  for (const IsoField& f : fields) m += f.data;
  return m;
}

std::string BuildBfkoIso(const std::string& header, const std::string& type, const std::vector<IsoField>& fields) {
  std::uint8_t primary[8], secondary[8];
  Bitmaps(fields, primary, secondary);
  std::string m = Fixed(header, 8) + Fixed(type, 4) + HexText(primary, 8);
  if (NeedsSecondary(fields)) m += HexText(secondary, 8);
  for (const IsoField& f : fields) m += f.data;
  return m;
}

namespace {

// ---------------------------------------------------------------------------
// Host-to-host log

struct Host {
  std::uint8_t id[16];
  std::string address;
  std::uint32_t messageNumber = 1;
  std::uint32_t stan = 1;
};

class HostLogMaker {
 public:
  explicit HostLogMaker(const GeneratorOptions& o) : rng_(o.seed), clock_(o.startMs) {
    hosts_.resize(4);
    for (std::size_t i = 0; i < hosts_.size(); ++i) {
      for (auto& b : hosts_[i].id) b = static_cast<std::uint8_t>(rng_.Next());
      hosts_[i].address = "172.16." + std::to_string(i) + "." + std::to_string(10 + rng_.Below(200)) + ":" +
                          std::to_string(7000 + i);
    }
  }

  void Next(Sink& out) {
    clock_ += 1 + rng_.Below(150);
    const Civil now = CivilFromMs(clock_);
    if (queued_.empty()) Exchange(now);
    const Pending p = std::move(queued_.front());
    queued_.erase(queued_.begin());
    const Host& h = hosts_[p.host];
    out.Clear();
    out.LE16(host_header::kMagic1);
    out.U8(p.kind);
    WriteStamp(out, now);
    WriteAddress(out, h.address);
    out.Raw(h.id, 16);
    out.LE32(static_cast<std::uint32_t>(p.body.size()));
    out.LE16(host_header::kMagic2);
    out.Str(p.body);
  }

 private:
  struct Pending {
    std::size_t host;
    TRecordKind kind;
    std::string body;
  };

  // Queues the records of one exchange with a host: a request and its answer.
  void Exchange(const Civil& now) {
    const std::size_t hi = rng_.Below(static_cast<std::uint32_t>(hosts_.size()));
    Host& h = hosts_[hi];
    const std::uint32_t what = rng_.Below(20);
    if (what < 6) {
      TlvPair(hi, h, now);
    } else if (what < 8) {
      queued_.push_back({hi, rkRawIncoming, "PING " + std::to_string(h.stan)});
      queued_.push_back({hi, rkRawOutgoing, "PONG " + std::to_string(h.stan++)});
    } else if (what < 14) {
      H2HIsoPair(hi, h, now);
    } else if (what < 19) {
      BfkoPair(hi, h, now);
    } else {
      // A session event of the host link, carried as a TLV message.
      static constexpr TRecordKind kEvents[] = {rkConnect, rkKeyRequest, rkKeyIssue, rkAuthRequest, rkAuthSuccess, rkDisconnect};
      const TRecordKind kind = kEvents[rng_.Below(6)];
      tlv_.Clear();
      tlv_.DWord(MF_TRN_NUMBER, h.stan++);
      tlv_.Byte(MF_SERVER_TYPE, 2);
      queued_.push_back({hi, kind, HostFrame(h)});
    }
  }

  std::string HostFrame(Host& h) {
    body_.Clear();
    WriteHostFrame(body_, h.messageNumber++, tlv_);
    return body_.str();
  }

  void TlvPair(std::size_t hi, Host& h, const Civil& now) {
    const std::string card = "7826010" + rng_.Digits(13);
    tlv_.Clear();
    tlv_.Byte(MF_TYPE_ID, 100);
    tlv_.DWord(MF_TRN_NUMBER, h.stan);
    tlv_.Bcd(MF_TIMESTAMP, TimestampDigits(now), 7);
    tlv_.Word(MF_EMITENT_ID, 1101);
    tlv_.Bcd(MF_CARD_ID, card, 10);
    tlv_.Bcd(MF_TRZ_SUM, std::to_string(rng_.Below(300'000)), 10);
    queued_.push_back({hi, rkIncoming, HostFrame(h)});
    tlv_.Clear();
    tlv_.Byte(MF_TYPE_ID, 101);
    tlv_.DWord(MF_TRN_NUMBER, h.stan++);
    tlv_.Byte(MF_TRZ_RESPCODE, 0);
    queued_.push_back({hi, rkOutgoing, HostFrame(h)});
  }

  static std::string Digits4(unsigned v) {
    char s[8];
    std::snprintf(s, sizeof s, "%04u", v % 10000);
    return s;
  }

  std::string Stan(const Host& h) const {
    char s[8];
    std::snprintf(s, sizeof s, "%06u", h.stan % 1000000);
    return s;
  }

  static std::string Mmddhhmmss(const Civil& c) {
    char s[16];
    std::snprintf(s, sizeof s, "%02d%02d%02d%02d%02d", c.month, c.day, c.hour, c.minute, c.second);
    return s;
  }

  std::string Amount() { return Digits12(rng_.Below(10'000'000)); }
  static std::string Digits12(std::uint64_t v) {
    char s[16];
    std::snprintf(s, sizeof s, "%012llu", static_cast<unsigned long long>(v));
    return s;
  }

  // Host-to-host dialect, kinds 10 and 11: 4 ASCII digits of length, then the message.
  void H2HIsoPair(std::size_t hi, Host& h, const Civil& now) {
    char yymmdd[16];
    std::snprintf(yymmdd, sizeof yymmdd, "%02d%02d%02d%02d%02d%02d", now.year % 100, now.month, now.day, now.hour,
                  now.minute, now.second);
    const std::string rrn = rng_.Digits(12);
    const std::string pan = "4" + rng_.Digits(15);
    const std::string amount = Amount();
    std::string request, response;
    if (rng_.OneIn(8)) {
      // Network management with a secondary bitmap (field 70).
      request = BuildH2HIso("1804", {{7, Mmddhhmmss(now)}, {11, Stan(h)}, {70, "301"}});
      response = BuildH2HIso("1814", {{7, Mmddhhmmss(now)}, {11, Stan(h)}, {39, "00"}, {70, "301"}});
    } else {
      const std::string f48 = "3611" + ("7916" + rng_.Digits(7)) + "1408" + rng_.Digits(8);
      const std::string f55 = Emv(0x9F36, std::string("\x00", 1) + char(rng_.Below(256))) +
                              Emv(0x9F37, std::string(4, char(rng_.Below(256)))) +
                              Emv(0x5F2A, std::string("\x06\x43", 2)) + Emv(0x9F26, std::string(8, char(rng_.Below(256))));
      request = BuildH2HIso("1100", {{2, Ll(pan)},
                                     {3, "000000"},
                                     {4, amount},
                                     {7, Mmddhhmmss(now)},
                                     {11, Stan(h)},
                                     {12, yymmdd},
                                     {22, "B10101B14001"},
                                     {37, rrn},
                                     {41, Fixed("T" + rng_.Digits(7), 8)},
                                     {42, Fixed("MERCHANT" + rng_.Digits(7), 15)},
                                     {43, Ll("AZS No." + std::to_string(1 + rng_.Below(900)) + " MOSCOW RU")},
                                     {48, Lll(f48)},
                                     {49, "643"},
                                     {55, BcdLength(f55)}});
      const std::string r55 = Emv(0x91, std::string(8, char(rng_.Below(256)))) + Emv(0x8A, "00");
      response = BuildH2HIso("1110", {{2, Ll(pan)},
                                      {3, "000000"},
                                      {4, amount},
                                      {7, Mmddhhmmss(now)},
                                      {11, Stan(h)},
                                      {37, rrn},
                                      {38, rng_.Digits(6)},
                                      {39, rng_.OneIn(20) ? "51" : "00"},
                                      {49, "643"},
                                      {55, BcdLength(r55)}});
    }
    ++h.stan;
    queued_.push_back({hi, rkIsoIncoming, Digits4(static_cast<unsigned>(request.size())) + request});
    queued_.push_back({hi, rkIsoOutgoing, Digits4(static_cast<unsigned>(response.size())) + response});
  }

  static std::string BigEndianLength(const std::string& m) {
    const std::uint32_t n = static_cast<std::uint32_t>(m.size());
    const char b[4] = {char(n >> 24), char(n >> 16), char(n >> 8), char(n)};
    return std::string(b, 4) + m;
  }

  // BFKO dialect, kinds 13 and 14: 4-byte big-endian length, then the message.
  void BfkoPair(std::size_t hi, Host& h, const Civil& now) {
    char hhmmss[8], mmdd[8];
    std::snprintf(hhmmss, sizeof hhmmss, "%02d%02d%02d", now.hour, now.minute, now.second);
    std::snprintf(mmdd, sizeof mmdd, "%02d%02d", now.month, now.day);
    const std::string pan = "5" + rng_.Digits(15);
    const std::string rrn = rng_.Digits(12);
    const std::string amount = Amount();
    const std::string terminal = "TERM" + rng_.Digits(4);
    // Card acceptor name/location: 15 sub-fields adding up to 222 characters.
    const std::string f43 = Fixed("FUEL NETWORK LLC", 30) + Fixed("MOSCOW", 30) + "MOW" + "643" +
                            Fixed("LENINSKY PR. " + std::to_string(1 + rng_.Below(150)), 30) + Fixed("BRANCH 1", 30) +
                            Fixed("CENTRAL", 30) + "AZS" + "20160406" + Fixed("FUELCARD", 10) + "BANK" +
                            Fixed("STATION " + rng_.Digits(3), 25) + "MOW" + Fixed("119991", 9) + "+030";
    // Message control data: three elements adding up to 31 characters.
    const std::string f48 = "0105" + ("U" + rng_.Digits(4)) + "1408" + ("PL" + rng_.Digits(6)) + "3606" + rng_.Digits(6);
    std::vector<IsoField> request = {{2, Ll(pan)},
                                     {3, "0010000"},
                                     {4, amount},
                                     {7, Mmddhhmmss(now)},
                                     {11, Stan(h)},
                                     {12, hhmmss},
                                     {13, mmdd},
                                     {22, "021"},
                                     {25, "000"},
                                     {32, Ll("100500")},
                                     {37, rrn},
                                     {41, Ll(terminal)},
                                     {43, f43},
                                     {44, "11"},
                                     {48, f48},
                                     {49, "643"},
                                     {62, Lll("SRC=AZS;SHIFT=" + rng_.Digits(3))}};
    if (rng_.OneIn(3)) request.push_back({110, "5" + rng_.Digits(5)});
    std::vector<IsoField> response = {{2, Ll(pan)},
                                      {3, "0010000"},
                                      {4, amount},
                                      {7, Mmddhhmmss(now)},
                                      {11, Stan(h)},
                                      {37, rrn},
                                      {38, rng_.Digits(6)},
                                      {39, rng_.OneIn(20) ? "00051" : "00000"},
                                      {41, Ll(terminal)},
                                      {49, "643"},
                                      {102, Ll("40817810" + rng_.Digits(12))},
                                      {105, Digits12(rng_.Below(90'000'000)) + Digits12(rng_.Below(90'000'000)) + "C"}};
    if (rng_.OneIn(4)) response.push_back({124, Lllll("LOYALTY=" + rng_.Digits(10))});
    ++h.stan;
    queued_.push_back({hi, rkBfkoIncoming, BigEndianLength(BuildBfkoIso("BFKO0001", "0100", request))});
    queued_.push_back({hi, rkBfkoOutgoing, BigEndianLength(BuildBfkoIso("BFKO0001", "0110", response))});
  }

  Random rng_;
  std::uint64_t clock_;
  std::vector<Host> hosts_;
  std::vector<Pending> queued_;
  Sink body_;
  Tlv tlv_;
};

template <class Maker>
void Run(const GeneratorOptions& options, const std::function<void(const std::uint8_t*, std::size_t)>& sink) {
  Maker maker(options);
  Sink record;
  for (std::uint64_t i = 0; i < options.records; ++i) {
    maker.Next(record);
    sink(reinterpret_cast<const std::uint8_t*>(record.str().data()), record.size());
  }
}

}  // namespace

void GenerateRecords(const GeneratorOptions& options,
                     const std::function<void(const std::uint8_t* bytes, std::size_t size)>& sink) {
  if (options.family == LogFamily::Terminal) {
    Run<TerminalLogMaker>(options, sink);
  } else {
    Run<HostLogMaker>(options, sink);
  }
}

std::vector<std::uint8_t> GenerateLogBytes(const GeneratorOptions& options) {
  std::vector<std::uint8_t> out;
  GenerateRecords(options, [&](const std::uint8_t* p, std::size_t n) { out.insert(out.end(), p, p + n); });
  return out;
}

std::uint64_t GenerateLog(const GeneratorOptions& options, const std::string& path) {
  constexpr std::size_t kBuffer = 8 << 20;
  TAutoHandle file = CreateFileForWriting(path);
  std::vector<std::uint8_t> buffer;
  buffer.reserve(kBuffer);
  std::uint64_t total = 0;
  GenerateRecords(options, [&](const std::uint8_t* p, std::size_t n) {
    if (buffer.size() + n > kBuffer) {
      WriteFile(file, buffer.data(), buffer.size());
      buffer.clear();
    }
    buffer.insert(buffer.end(), p, p + n);
    total += n;
  });
  WriteFile(file, buffer.data(), buffer.size());
  file.closeChecked();
  return total;
}

}  // namespace pkt::gen
