// fuzz_seeds FOLDER: writes the seed corpus of every fuzz target into
// FOLDER/<target>/, one file per seed named by a hash of its bytes. Seeds come
// from the log generator (well-formed records of every kind) and from the
// test builders: one TLV item per row of the field tag table in several value
// sizes, the structured record formats, ISO 8583 messages with every field of
// each dialect's dictionary, and damaged logs and frames.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "fuzz/h2h_kinds.h"
#include "iso8583/dictionaries.h"
#include "pktgen/generator.h"
#include "support/archive_builder.h"
#include "support/bytes.h"
#include "support/iso_builder.h"
#include "support/record_builder.h"
#include "support/structured_builder.h"
#include "support/tlv_builder.h"
#include "terminal/fields/field_table.h"

using namespace pkt;
using namespace pkt::test;

namespace {

class Corpus {
 public:
  explicit Corpus(std::filesystem::path root) : root_(std::move(root)) {}

  void Add(const std::string& target, const Bytes& bytes) {
    std::uint64_t h = 1469598103934665603ULL;  // FNV-1a
    for (std::uint8_t b : bytes) h = (h ^ b) * 1099511628211ULL;
    if (!seen_[target].insert(h).second) return;
    const std::filesystem::path dir = root_ / target;
    std::filesystem::create_directories(dir);
    char name[32];
    std::snprintf(name, sizeof name, "seed-%016llx", static_cast<unsigned long long>(h));
    std::ofstream(dir / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ++count_[target];
  }
  // A seed whose first byte is a selector and whose rest is payload.
  void Add(const std::string& target, std::uint8_t selector, const Bytes& payload) {
    Bytes b{selector};
    Append(b, payload);
    Add(target, b);
  }

  void Report() const {
    for (const auto& [target, n] : count_) std::printf("%-24s %zu seeds\n", target.c_str(), n);
  }

 private:
  std::filesystem::path root_;
  std::map<std::string, std::set<std::uint64_t>> seen_;
  std::map<std::string, std::size_t> count_;
};

Bytes Slice(const Bytes& b, std::size_t from, std::size_t n) {
  if (from >= b.size()) return {};
  return Bytes(b.begin() + from, b.begin() + std::min(b.size(), from + n));
}

std::uint16_t LE16(const Bytes& b, std::size_t at) { return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8)); }

// Value bytes that count up from a start, so that no two sizes look alike.
Bytes Pattern(std::size_t n, std::uint8_t start = 1) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(start + i * 7);
  return b;
}

Bytes Digits(std::size_t n) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>('0' + (i * 3 + 1) % 10);
  return b;
}

// ---------------------------------------------------------------- generator

// Records of a generated log, each as its complete bytes, at most perKind of
// every kind (the generator writes thousands of near-identical ones).
std::vector<Bytes> GeneratedRecords(gen::LogFamily family, std::uint64_t seed, std::size_t perKind) {
  gen::GeneratorOptions options;
  options.family = family;
  options.records = 2000;
  options.seed = seed;
  std::vector<Bytes> out;
  std::map<int, std::size_t> perKindCount;
  gen::GenerateRecords(options, [&](const std::uint8_t* bytes, std::size_t size) {
    if (size < 3) return;
    if (perKindCount[bytes[2]]++ >= perKind) return;
    out.emplace_back(bytes, bytes + size);
  });
  return out;
}

// The match target's seeds: expressions a user types, each before a few
// generated bodies of either family.
void MatchSeeds(Corpus& c) {
  const char* const expressions[] = {
      "MF_CARD_ID == 78260103617117487373",
      "terminal == 2914 and MF_TRZ_RESPCODE != 0",
      "MF_TYPE_ID == \"Транзакция на дебет - запрос\" or MF_TRZ_SUM >= 20.30",
      "not (kind matches \"^Вход\") || \"10.0.0\"",
      "P0039 != \"00\" and P0003-01 contains \"0\" and MTI == 210",
      "EMITENT_ID > -1 && (SERIES < 5 or MF_EXTENDED_CARD_DATA)",
  };
  for (const char* e : expressions) {
    const std::string text(e);
    Bytes prefix{static_cast<std::uint8_t>(text.size())};
    Append(prefix, Bytes(text.begin(), text.end()));
    for (const Bytes& record : GeneratedRecords(gen::LogFamily::Terminal, 3, 2)) {
      Bytes payload = prefix;
      Append(payload, Slice(record, 53, record.size()));
      c.Add("fuzz_match", 0, payload);
    }
    for (const Bytes& record : GeneratedRecords(gen::LogFamily::HostToHost, 4, 2)) {
      Bytes payload = prefix;
      Append(payload, Slice(record, 65, record.size()));
      c.Add("fuzz_match", static_cast<std::uint8_t>(0x80 | fuzz::H2HSelectorOfKind(record[2])), payload);
    }
  }
}

void FromGenerator(Corpus& c) {
  for (const Bytes& record : GeneratedRecords(gen::LogFamily::Terminal, 1, 40)) {
    const Bytes body = Slice(record, 53, record.size());
    c.Add("fuzz_terminal_record", 0, body);
    if (body.size() >= 26) c.Add("fuzz_tlv", Slice(body, 26, static_cast<std::uint16_t>(LE16(body, 6) - 16)));
  }
  for (const Bytes& record : GeneratedRecords(gen::LogFamily::HostToHost, 2, 40)) {
    const std::uint8_t kind = record[2];
    const Bytes body = Slice(record, 65, record.size());
    c.Add("fuzz_h2h_record", fuzz::H2HSelectorOfKind(kind), body);
    if (kind == rkIsoIncoming || kind == rkIsoOutgoing) c.Add("fuzz_h2h_iso", Slice(body, 4, body.size()));
    if (kind == rkBfkoIncoming || kind == rkBfkoOutgoing) c.Add("fuzz_bfko", Slice(body, 4, body.size()));
    if (fuzz::IsH2HTlvKind(kind) && body.size() >= 40)
      c.Add("fuzz_tlv", Slice(body, 40, static_cast<std::uint16_t>(LE16(body, 6) - 32)));
  }

  // Small whole logs for the index and export targets.
  for (std::uint64_t records : {1, 5, 20}) {
    for (std::uint64_t seed : {3, 4}) {
      gen::GeneratorOptions t;
      t.records = records;
      t.seed = seed;
      const Bytes terminal = gen::GenerateLogBytes(t);
      gen::GeneratorOptions h = t;
      h.family = gen::LogFamily::HostToHost;
      const Bytes host = gen::GenerateLogBytes(h);
      c.Add("fuzz_terminal_index", 0, terminal);
      c.Add("fuzz_h2h_index", 0, host);
      c.Add("fuzz_export", 0, terminal);
      c.Add("fuzz_export", 1, host);
    }
  }
  gen::GeneratorOptions t;
  t.records = 8;
  const Bytes terminal = gen::GenerateLogBytes(t);
  for (std::uint8_t flags : {0x01, 0x02, 0x04, 0x08, 0x0C, 0x10, 0x20, 0x40, 0x80}) c.Add("fuzz_terminal_index", flags, terminal);
  t.family = gen::LogFamily::HostToHost;
  const Bytes host = gen::GenerateLogBytes(t);
  for (std::uint8_t flags : {0x01, 0x02, 0x03, 0x04, 0x08, 0x0C, 0x10, 0x20, 0x40, 0x80}) c.Add("fuzz_h2h_index", flags, host);
}

// ---------------------------------------------------------------- TLV

// One item per row of the tag table in several value sizes: every case of the
// renderer starts from a readable value and from the sizes around it.
void TagTableItems(Corpus& c) {
  const FieldRule* rules = FieldRules();
  for (std::size_t i = 0; i < FieldRuleCount(); ++i) {
    const FieldRule& r = rules[i];
    std::set<std::size_t> sizes = {0, 1, 2, 3, 4, 6, 7, 8, 16};
    if (r.buffer) sizes.insert({std::size_t(r.buffer) - 1, std::size_t(r.buffer)});
    for (std::size_t n : sizes) c.Add("fuzz_tlv", TlvBuilder().Item(r.tag, Pattern(n, r.tag)).WithRoot());
    // BCD digits and text of a readable form.
    c.Add("fuzz_tlv", TlvBuilder().Bcd(r.tag, "12345678901234").WithRoot());
    c.Add("fuzz_tlv", TlvBuilder().Str(r.tag, "\x8F\xE0\xA8\xA2\xA5\xE2 ABC").WithRoot());
    // A nested TLV string as the value.
    c.Add("fuzz_tlv", TlvBuilder().Nested(r.tag, TlvBuilder().Byte(3, 1).Word(7, 0x1234).Str(40, "ab")).WithRoot());
  }
  // Tags without a case, tag 0 and 255, the long length forms.
  c.Add("fuzz_tlv", TlvBuilder().Item(0, Pattern(3)).Item(255, Pattern(2)).Item(254, Pattern(1)).WithRoot());
  c.Add("fuzz_tlv", TlvBuilder().Item(50, Pattern(300)).Raw(B({60, 0x83, 0, 0, 3, 1, 2, 3})).WithRoot());
}

void StructuredItems(Corpus& c) {
  const Token token = CountingToken(0x10);
  Bytes dc;
  for (int i = 0; i < 3; ++i)
    Append(dc, DcRecord(static_cast<std::uint16_t>(i), PackedCard(0x123, 4567 + i), PackedDate(1, 2, 2016),
                        PackedDate(3, 4, 2017), -1234 * i, static_cast<std::uint8_t>(i), 1));
  c.Add("fuzz_tlv", TlvBuilder().Item(22, dc).WithRoot());

  Coupon coupon;
  coupon.number = 0x123456;
  coupon.nominal = 5;
  for (bool extended : {false, true}) {
    Bytes list = CouponListHeader();
    Append(list, coupon.Record(extended));
    Append(list, coupon.Record(extended));
    c.Add("fuzz_tlv", TlvBuilder().Item(extended ? 150 : 47, list).WithRoot());
  }
  Bytes tokens;
  Append(tokens, TokenRecord(0, token));
  Append(tokens, TokenRecord(0x55, CountingToken(0x80)));
  c.Add("fuzz_tlv", TlvBuilder().Item(48, tokens).Item(49, tokens).WithRoot());
  Bytes purse;
  Append(purse, PurseAction(1, 2, 1234567, token));
  Append(purse, PurseAction(3, 0, -5, token));
  c.Add("fuzz_tlv", TlvBuilder().Item(144, purse).WithRoot());
  Bytes change = PurseChange(token, DateTime6(116, 4, 6, 13, 29, 48), 99999, 1, 2);
  c.Add("fuzz_tlv", TlvBuilder().Item(145, change).WithRoot());
  // The record-array tags with one record and a half.
  for (std::uint32_t tag : {35u, 36u, 197u, 202u, 209u, 210u, 211u})
    for (std::size_t n : {4u, 8u, 12u, 16u, 18u, 24u, 36u})
      c.Add("fuzz_tlv", TlvBuilder().Item(tag, Pattern(n, static_cast<std::uint8_t>(tag))).WithRoot());
}

void MalformedTlv(Corpus& c) {
  c.Add("fuzz_tlv", Bytes{});
  c.Add("fuzz_tlv", B({0x1F}));
  c.Add("fuzz_tlv", B({0x20, 0x00}));
  c.Add("fuzz_tlv", B({0x05}));
  c.Add("fuzz_tlv", B({0x05, 0x80}));
  c.Add("fuzz_tlv", B({0x05, 0x81, 0x01, 0x00}));
  c.Add("fuzz_tlv", B({0x05, 0x84, 0, 0, 0, 1, 0}));
  c.Add("fuzz_tlv", B({0x05, 0x82, 0x01}));
  Bytes longer = B({0x05, 0x82, 0x01, 0x00});
  Append(longer, Pattern(255));
  c.Add("fuzz_tlv", longer);
  c.Add("fuzz_tlv", TlvBuilder().Root(5000).Byte(3, 1).Root(2).Word(7, 9).bytes());
  // Nesting far deeper than the renderer follows.
  TlvBuilder inner;
  inner.Byte(3, 1);
  for (int i = 0; i < 40; ++i) {
    TlvBuilder outer;
    outer.Nested(41, inner);
    inner = outer;
  }
  c.Add("fuzz_tlv", inner.WithRoot());
}

// ---------------------------------------------------------------- records

void RecordBodies(Corpus& c) {
  const Bytes tlv = TlvBuilder().Byte(3, 1).Word(7, 2914).Str(40, "abc").WithRoot();
  // Terminal frames: whole, size field too large, too small, wrapping, a body
  // shorter than the header; then the same with a data length that runs past
  // the end of the file (selector top bit).
  for (std::uint8_t selector : {0x00, 0x85}) {
    c.Add("fuzz_terminal_record", selector, TerminalFrame(1, tlv));
    c.Add("fuzz_terminal_record", selector, TerminalFrame(2, tlv, int(tlv.size() + 17)));
    c.Add("fuzz_terminal_record", selector, TerminalFrame(3, tlv, 15));
    c.Add("fuzz_terminal_record", selector, TerminalFrame(4, tlv, 0));
    c.Add("fuzz_terminal_record", selector, Slice(TerminalFrame(5, tlv), 0, 20));
    c.Add("fuzz_terminal_record", selector, Bytes{});
  }
  // Host frames behind every TLV kind, plain bytes, and ISO 8583 bodies whose
  // length prefix is right, too short, too long or not digits.
  for (std::uint8_t kind : fuzz::kTlvKinds) {
    const std::uint8_t s = fuzz::H2HSelectorOfKind(kind);
    c.Add("fuzz_h2h_record", s, HostFrame(1, tlv));
    c.Add("fuzz_h2h_record", s, HostFrame(2, tlv, int(tlv.size() + 33)));
    c.Add("fuzz_h2h_record", s, HostFrame(3, tlv, 31));
    c.Add("fuzz_h2h_record", s | 0x80, HostFrame(4, tlv));
  }
  c.Add("fuzz_h2h_record", fuzz::H2HSelectorOfKind(rkRawIncoming), B({0x41, 0x0D, 0x0A, 0xC0, 0x98, 0xFF}));
  const Bytes h2hMsg = H2hBuilder("1100").Fixed(3, "000000").LL(2, "4000001234567899").Build();
  const Bytes bfkoMsg = BfkoBuilder().LL(2, "4000001234567899").Fixed(3, "0000000").Build();
  for (std::uint8_t kind : {rkIsoIncoming, rkIsoOutgoing}) {
    const std::uint8_t s = fuzz::H2HSelectorOfKind(kind);
    Bytes body = DigitPrefix(h2hMsg.size(), 4);
    Append(body, h2hMsg);
    c.Add("fuzz_h2h_record", s, body);
    c.Add("fuzz_h2h_record", s | 0x80, body);
    c.Add("fuzz_h2h_record", s, Join({Text("0011"), h2hMsg}));
    c.Add("fuzz_h2h_record", s, Join({Text("9999"), h2hMsg}));
    c.Add("fuzz_h2h_record", s, Join({Text("001A"), h2hMsg}));
    c.Add("fuzz_h2h_record", s, Text("0012"));
  }
  for (std::uint8_t kind : {rkBfkoIncoming, rkBfkoOutgoing}) {
    const std::uint8_t s = fuzz::H2HSelectorOfKind(kind);
    Bytes body;
    PutBE32(body, static_cast<std::uint32_t>(bfkoMsg.size()));
    Append(body, bfkoMsg);
    c.Add("fuzz_h2h_record", s, body);
    c.Add("fuzz_h2h_record", s | 0x80, body);
    c.Add("fuzz_h2h_record", s, Join({B({0, 0, 0, 0x0B}), bfkoMsg}));
    c.Add("fuzz_h2h_record", s, Join({B({0xFF, 0xFF, 0xFF, 0xF0}), bfkoMsg}));
    c.Add("fuzz_h2h_record", s, B({0, 0}));
  }
}

// ---------------------------------------------------------------- ISO 8583

// Digits of a field's ASCII length prefix: 0 for a fixed field, -1 for a
// two-byte BCD length.
int PrefixDigits(TIsoDialect, TIsoLength lengthType) {
  switch (lengthType) {
    case TIsoLength::L: return 1;
    case TIsoLength::LL: return 2;
    case TIsoLength::LLL: return 3;
    case TIsoLength::LLLLL: return 5;
    case TIsoLength::Bcd: return -1;
    case TIsoLength::Fixed: return 0;
  }
  return 0;
}

// Field data with the length prefix the field's length type names.
Bytes Prefixed(TIsoDialect dialect, const FIELD_DESC& d, const Bytes& data) {
  const int digits = PrefixDigits(dialect, d.lengthType);
  if (digits < 0) return Join({BcdPrefix(static_cast<unsigned>(data.size())), data});
  if (digits == 0) return data;
  return Join({DigitPrefix(data.size(), digits), data});
}

// Field data of a dictionary field: a fixed field's whole length, a variable
// one's n characters (at most what its prefix can say).
Bytes FieldData(TIsoDialect dialect, const FIELD_DESC& d, std::size_t n) {
  const int digits = PrefixDigits(dialect, d.lengthType);
  if (digits == 0) return Digits(static_cast<std::size_t>(d.length));
  if (digits < 0) return Prefixed(dialect, d, Pattern(n, 0x9F));
  const std::size_t max = digits == 1 ? 9 : digits == 2 ? 99 : 999;
  return Prefixed(dialect, d, Digits(std::min(n, max)));
}

// The elements of field 48 (every known tag) and of field 55 (every EMV tag).
Bytes Field48Data() {
  std::string elements;
  for (const TAG_DESC& t : FIELD48_TAGS) {
    char head[8];
    std::snprintf(head, sizeof head, "%02d%02d", t.tag % 100, 3);
    elements += head;
    elements += "abc";
  }
  return Text(elements);
}

Bytes Field55Data() {
  Bytes elements;
  for (const EMV_TAG_DESC& t : EMV_TAGS) Append(elements, EmvElement(static_cast<unsigned>(t.tag), Pattern(4, 0x30)));
  return elements;
}

template <class Builder>
void AddDictionaryField(Builder& b, TIsoDialect dialect, const FIELD_DESC& d, std::size_t n) {
  if (d.number == 48) {
    b.Raw(48, Prefixed(dialect, d, Field48Data()));
  } else if (dialect == TIsoDialect::HostToHost && d.number == 55) {
    b.Raw(55, Prefixed(dialect, d, Field55Data()));
  } else {
    b.Raw(d.number, FieldData(dialect, d, n));
  }
}

void IsoMessages(Corpus& c) {
  for (TIsoDialect dialect : {TIsoDialect::Bfko, TIsoDialect::HostToHost}) {
    const TIsoDictionary& dict = DictionaryOf(dialect);
    const char* target = dialect == TIsoDialect::Bfko ? "fuzz_bfko" : "fuzz_h2h_iso";
    auto build = [&](auto&& fill) {
      if (dialect == TIsoDialect::Bfko) {
        BfkoBuilder b("ISO00000", "0200");
        fill(b);
        return b.Build();
      }
      H2hBuilder b("1100");
      fill(b);
      return b.Build();
    };
    // One message per field, in two data sizes, and one with every field.
    for (const FIELD_DESC& d : dict.fields)
      for (std::size_t n : {std::size_t(1), static_cast<std::size_t>(d.length)})
        c.Add(target, build([&](auto& b) { AddDictionaryField(b, dialect, d, n); }));
    c.Add(target, build([&](auto& b) {
            for (const FIELD_DESC& d : dict.fields) AddDictionaryField(b, dialect, d, 4);
          }));
    // A bit without a dictionary entry, a field cut by the end of the message,
    // and messages shorter than the header.
    c.Add(target, build([&](auto& b) { b.Bit(5).Bit(9); }));
    const Bytes whole = build([&](auto& b) {
      for (const FIELD_DESC& d : dict.fields) AddDictionaryField(b, dialect, d, 4);
    });
    c.Add(target, Prefix(whole, whole.size() / 2));
    c.Add(target, Prefix(whole, 11));
    c.Add(target, Prefix(whole, 20));
  }
  // BFKO bitmaps that are not hexadecimal text, and a tertiary bitmap bit.
  c.Add("fuzz_bfko", BfkoBuilder().PrimaryBitmapText(Text("G000000000000000")).Build());
  c.Add("fuzz_bfko", BfkoBuilder().PrimaryBitmapText(Text("8000000000000000")).SecondaryBitmapText(Text("8000000000000001")).Build());
  c.Add("fuzz_bfko", BfkoBuilder().PrimaryBitmapText(Bytes{0x34, 0, 0x30}).Build());
}

// ---------------------------------------------------------------- logs

void DamagedLogs(Corpus& c) {
  const Bytes tlv = TlvBuilder().Byte(3, 1).Word(7, 2914).WithRoot();
  const Stamp s;
  const Bytes t1 = TerminalRecord().Kind(0).Time(s).Body(TerminalFrame(1, tlv)).Build();
  const Bytes t2 = TerminalRecord().Kind(1).Time(s.PlusMs(1)).Body(TerminalFrame(2, tlv)).Build();
  const Bytes connect = TerminalRecord().Kind(6).Time(s.PlusMs(-1)).Build();
  Stamp bad = s;
  bad.month = 13;
  const Bytes undatable = TerminalRecord().Kind(12).Time(bad).Build();
  const Bytes cut = TerminalRecord().Kind(0).Time(s).Body(TerminalFrame(3, tlv)).DataLength(5000).Build();
  const std::vector<Bytes> terminalLogs = {
      connect,
      Join({t2, t1, connect}),
      Join({t1, Bytes(10, 0xEE)}),
      Join({t1, t2, TerminalRecord().Magic(0x7154, 0).Build(), t1}),
      Join({t1, undatable, t2}),
      Join({t1, cut}),
      Join({t1, TerminalRecord().AddressField(Pattern(24, 0x41)).Build()}),
  };
  for (const Bytes& log : terminalLogs) {
    c.Add("fuzz_terminal_index", 0, log);
    c.Add("fuzz_terminal_index", 0x0C, log);
    c.Add("fuzz_export", 0, log);
  }

  const Bytes h1 = HostRecord().Kind(0).Time(s).HostID(Pattern(16, 0xA0)).Body(HostFrame(1, tlv)).Build();
  Bytes isoBody = DigitPrefix(12, 4);
  Append(isoBody, Digits(12));
  const Bytes h2 = HostRecord().Kind(10).Time(s.PlusMs(2)).Body(isoBody).Build();
  const Bytes h3 = HostRecord().Kind(8).Time(s.PlusMs(1)).Body(Text("\"quoted\"\ttext")).Build();
  const std::vector<Bytes> hostLogs = {
      HostRecord().Kind(6).Build(),
      Join({h2, h1, h3}),
      Join({h1, Bytes(64, 0xEE)}),
      Join({h1, Bytes(53, 0xEE), h2}),
      Join({h1, Bytes(60, 0xEE), h2, h3}),
      Join({h1, HostRecord().Kind(13).Body(B({0, 0, 0, 0x1C})).DataLength(900).Build()}),
  };
  for (const Bytes& log : hostLogs) {
    c.Add("fuzz_h2h_index", 0, log);
    c.Add("fuzz_h2h_index", 0x0C, log);
    c.Add("fuzz_export", 1, log);
  }
}

// Generated logs, plain and through every packing, for the unpacking merge
// (the first byte names the packing, as fuzz_unpack reads it), with a few cut short.
void PackedLogs(Corpus& c) {
  for (std::uint64_t records : {1, 6}) {
    gen::GeneratorOptions t;
    t.records = records;
    t.seed = 5;
    const Bytes log = gen::GenerateLogBytes(t);
    const Bytes packed[] = {log,
                            Compressed(log, ARCHIVE_FILTER_GZIP),
                            Compressed(log, ARCHIVE_FILTER_BZIP2),
                            Compressed(log, ARCHIVE_FILTER_XZ),
                            Compressed(log, ARCHIVE_FILTER_ZSTD),
                            Zip({{"NS1_a.pkt", log}, {"dir/", {}}, {"NS1_b.pkt", log}})};
    for (std::uint8_t kind = 0; kind < 6; ++kind) {
      c.Add("fuzz_unpack", kind, packed[kind]);
      c.Add("fuzz_unpack", kind, Slice(packed[kind], 0, packed[kind].size() * 2 / 3));
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds FOLDER\n");
    return 2;
  }
  try {
    Corpus corpus(argv[1]);
    FromGenerator(corpus);
    MatchSeeds(corpus);
    TagTableItems(corpus);
    StructuredItems(corpus);
    MalformedTlv(corpus);
    RecordBodies(corpus);
    IsoMessages(corpus);
    DamagedLogs(corpus);
    PackedLogs(corpus);
    corpus.Report();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
