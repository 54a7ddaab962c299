#include "logs/fastlog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <type_traits>
#include <vector>

#include "platform/errors.h"
#include "support/record_builder.h"

namespace pkt {
namespace {

using test::Bytes;
using test::HostRecord;
using test::Join;
using test::Stamp;
using test::TerminalRecord;

const Stamp kT0{2016, 4, 6, 13, 29, 48, 5};

std::vector<std::uint64_t> Offsets(const TTerminalFastLog& log) {
  std::vector<std::uint64_t> out;
  for (std::uint32_t i = 0; i < log.GetCount(); ++i) out.push_back(log.GetPacket(i).GetOffset());
  return out;
}
std::vector<std::uint64_t> Offsets(const TH2HFastLog& log) {
  std::vector<std::uint64_t> out;
  for (std::uint32_t i = 0; i < log.GetCount(); ++i) out.push_back(log.GetPacket(i).GetOffset());
  return out;
}
using O = std::vector<std::uint64_t>;

class FastLogTest : public ::testing::Test {
 protected:
  test::TempFolder dir;
};

TEST_F(FastLogTest, TerminalHeaderFieldsReadThroughTheEntry) {
  Bytes address(24, 'A');  // no terminating zero: all 24 bytes, nothing after
  const Bytes body{1, 2, 3, 4, 5};
  const Bytes log = Join({TerminalRecord().Time(kT0).Build(),
                          TerminalRecord()
                              .Kind(12)
                              .Time(kT0.PlusMs(1))
                              .AddressField(address)
                              .Emitent(0x044D)
                              .Terminal(0xFFFF)
                              .Body(body)
                              .Build()});
  TTerminalFastLog index;
  index.Open(dir.Write("NS1.pkt", log));
  ASSERT_EQ(index.GetCount(), 2u);
  EXPECT_EQ(index.GetViewSize(), 53u * 2 + 5);
  const TTerminalPacketHandler first = index.GetPacket(0);
  EXPECT_EQ(first.GetOffset(), 0u);
  EXPECT_EQ(first.GetDataLength(), 0u);
  EXPECT_EQ(first.GetAddress(), "10.0.0.1:5000");
  const TTerminalPacketHandler p = index.GetPacket(1);
  EXPECT_EQ(p.GetOffset(), 53u);
  EXPECT_EQ(p.GetHeader(), index.GetView() + 53);
  EXPECT_EQ(p.GetKind(), rkMobileOrderNotice);
  EXPECT_EQ(p.GetTimeText(), "2016-04-06 13:29:48.006");
  EXPECT_EQ(p.GetAddress(), std::string(24, 'A'));
  EXPECT_EQ(p.GetEmitentID(), 1101);
  EXPECT_EQ(p.GetTerminalID(), 65535);
  EXPECT_EQ(p.GetDataLength(), 5u);
  EXPECT_EQ(p.GetBodySize(), 5u);
  EXPECT_EQ(Bytes(p.GetBody(), p.GetBody() + 5), body);
}

TEST_F(FastLogTest, HostHeaderFieldsReadThroughTheEntry) {
  Bytes id;
  for (int i = 1; i <= 16; ++i) id.push_back(static_cast<std::uint8_t>(i));
  const Bytes log = HostRecord().Kind(13).Time(kT0).HostID(id).Address("h").Body({9, 8, 7}).Build();
  ASSERT_EQ(log.size(), 65u + 3);
  TH2HFastLog index;
  index.Open(dir.Write("H2H.pkt", log));
  ASSERT_EQ(index.GetCount(), 1u);
  const TH2HPacketHandler p = index.GetPacket(0);
  EXPECT_EQ(p.GetKind(), rkBfkoIncoming);
  EXPECT_EQ(p.GetHostID(), "0102030405060708090A0B0C0D0E0F10");
  EXPECT_EQ(p.GetAddress(), "h");
  EXPECT_EQ(p.GetTimeText(), "2016-04-06 13:29:48.005");
  EXPECT_EQ(p.GetDataLength(), 3u);
  EXPECT_EQ(p.GetBody()[0], 9);
}

// The header read at once gives what the getters give one by one, also for
// a body cut at the end of the file.
template <class Handler>
void ExpectFieldsAsGetters(const Handler& p) {
  const TRecordFields f = p.Fields();
  EXPECT_EQ(f.header, p.GetHeader());
  EXPECT_EQ(f.kind, p.GetKind());
  EXPECT_EQ(TimeStampText(f.time), p.GetTimeText());
  EXPECT_EQ(f.dataLength, p.GetDataLength());
  EXPECT_EQ(f.body, p.GetBody());
  EXPECT_EQ(f.bodySize, p.GetBodySize());
  if constexpr (std::is_same_v<Handler, TTerminalPacketHandler>) {
    EXPECT_EQ(f.emitent, p.GetEmitentID());
    EXPECT_EQ(f.terminal, p.GetTerminalID());
  }
}

TEST_F(FastLogTest, HeaderFieldsReadAtOnceAreThoseOfTheGetters) {
  TTerminalFastLog terminal;
  terminal.Open(dir.Write("NS.pkt", Join({TerminalRecord().Kind(12).Time(kT0).Emitent(7).Terminal(0xFFFF).Build(),
                                          TerminalRecord().Time(kT0.PlusMs(1)).Body({1, 2, 3, 4}).DataLength(1000).Build()})));
  ASSERT_EQ(terminal.GetCount(), 2u);
  for (std::uint32_t i = 0; i < 2; ++i) ExpectFieldsAsGetters(terminal.GetPacket(i));
  EXPECT_EQ(terminal.GetPacket(1).Fields().bodySize, 4u);

  TH2HFastLog host;
  host.Open(dir.Write("H2H.pkt", Join({HostRecord().Kind(13).Time(kT0).Body({9, 8, 7}).Build(),
                                       HostRecord().Time(kT0.PlusMs(1)).DataLength(0xFFFFFFFF).Build()})));
  ASSERT_EQ(host.GetCount(), 2u);
  for (std::uint32_t i = 0; i < 2; ++i) ExpectFieldsAsGetters(host.GetPacket(i));
}

TEST_F(FastLogTest, JoinedTerminalLogsIndexEveryRecordInFileOrder) {
  const Bytes a = Join({TerminalRecord().Time(kT0).Build(), TerminalRecord().Time(kT0).Body(Bytes(40, 1)).Build()});
  const Bytes b = Join({TerminalRecord().Time(kT0).Terminal(9).Build()});
  TTerminalFastLog index;
  index.Open(dir.Write("NS.pkt", Join({a, b})));
  EXPECT_EQ(Offsets(index), (O{0, 53, 53 + 93}));
  EXPECT_EQ(index.GetPacket(2).GetTerminalID(), 9);
}

TEST_F(FastLogTest, SortsByTimeThenOffset) {
  // Equal stamps keep file order; one millisecond decides even against file order;
  // a merged log (two sorted runs) and a shuffled one give the same order.
  const Bytes log = Join({TerminalRecord().Time(kT0.PlusMs(2)).Build(),   // 0
                          TerminalRecord().Time(kT0.PlusMs(1)).Build(),   // 53
                          TerminalRecord().Time(kT0.PlusMs(1)).Build(),   // 106
                          TerminalRecord().Time(kT0.PlusMs(5)).Build(),   // 159
                          TerminalRecord().Time(kT0).Build(),             // 212
                          TerminalRecord().Time(kT0.PlusMs(1)).Build()}); // 265
  TTerminalFastLog index;
  index.Open(dir.Write("NS.pkt", log));
  EXPECT_EQ(Offsets(index), (O{212, 53, 106, 265, 0, 159}));

  // Two runs in time order, as a merge of two logs gives.
  Bytes runs;
  for (int i = 0; i < 50; ++i) test::Append(runs, TerminalRecord().Time(kT0.PlusMs(2 * i)).Build());
  for (int i = 0; i < 50; ++i) test::Append(runs, TerminalRecord().Time(kT0.PlusMs(2 * i + 1)).Build());
  index.Close();
  index.Open(dir.Write("NS2.pkt", runs));
  ASSERT_EQ(index.GetCount(), 100u);
  for (std::uint32_t i = 0; i < 100; ++i) {
    const std::uint64_t expected = (i % 2 == 0 ? i / 2 : 50 + i / 2) * 53;
    EXPECT_EQ(index.GetPacket(i).GetOffset(), expected) << i;
  }

  // Many short runs: every record one millisecond before the previous.
  Bytes reversed;
  for (int i = 0; i < 200; ++i) test::Append(reversed, TerminalRecord().Time(kT0.PlusMs(1000 - i)).Build());
  index.Close();
  index.Open(dir.Write("NS3.pkt", reversed));
  ASSERT_EQ(index.GetCount(), 200u);
  for (std::uint32_t i = 0; i < 200; ++i) EXPECT_EQ(index.GetPacket(i).GetOffset(), (199 - i) * 53u);
}

TEST_F(FastLogTest, LogsLongerThanTheWalksWindowAreIndexedAcrossItsEdges) {
  // The walk reads the log a window at a time: headers fall across the
  // window's edges, and one body is longer than the whole window. Two runs in
  // time order (a merged log) make the index read every time stamp again.
  for (int family = 0; family < 2; ++family) {
    Bytes log;
    std::vector<std::pair<int, std::uint64_t>> expected;  // (milliseconds, offset)
    for (int run = 0; run < 2; ++run) {
      for (int i = 0; i < 10000; ++i) {
        const int ms = 2 * i + run;
        const std::size_t bodySize = i == 5000 ? 300000 : static_cast<std::size_t>(i * 37 % 211);
        const Bytes body(bodySize, static_cast<std::uint8_t>(i));
        expected.emplace_back(ms, log.size());
        test::Append(log, family == 0 ? TerminalRecord().Time(kT0.PlusMs(ms)).Body(body).Build()
                                      : HostRecord().Time(kT0.PlusMs(ms)).Body(body).Build());
      }
    }
    std::sort(expected.begin(), expected.end());
    O offsets;
    for (const auto& e : expected) offsets.push_back(e.second);
    const std::string path = dir.Write(family == 0 ? "NS.pkt" : "H2H.pkt", log);
    for (unsigned threads : {1u, 2u}) {
      SCOPED_TRACE(testing::Message() << "family " << family << ", " << threads << " threads");
      if (family == 0) {
        TTerminalFastLog index;
        index.Threads = threads;
        index.Open(path);
        EXPECT_EQ(Offsets(index), offsets);
      } else {
        TH2HFastLog index;
        index.Threads = threads;
        index.Open(path);
        EXPECT_EQ(Offsets(index), offsets);
      }
    }
  }
}

TEST_F(FastLogTest, UnconvertibleStampsComeFirstByOffset) {
  Stamp month13 = kT0;
  month13.month = 13;
  Stamp year1600 = kT0;
  year1600.year = 1600;
  const Stamp earliest{1601, 1, 1, 0, 0, 0, 0};
  const Bytes log = Join({TerminalRecord().Time(kT0).Build(),          // 0
                          TerminalRecord().Time(month13).Build(),      // 53
                          TerminalRecord().Time(earliest).Build(),     // 106
                          TerminalRecord().Time(year1600).Build()});   // 159
  TTerminalFastLog index;
  index.Open(dir.Write("NS.pkt", log));
  EXPECT_EQ(Offsets(index), (O{53, 159, 106, 0}));

  // Records of one date share its part of the key; a bad time of day on a
  // good date is still unconvertible, and midnight moves to the next date.
  const Stamp lastOfDay{2016, 4, 6, 23, 59, 59, 999};
  const Stamp midnight{2016, 4, 7, 0, 0, 0, 0};
  Stamp hour24 = midnight;
  hour24.hour = 24;
  const Bytes days = Join({TerminalRecord().Time(midnight).Build(),     // 0
                           TerminalRecord().Time(hour24).Build(),       // 53
                           TerminalRecord().Time(lastOfDay).Build(),    // 106
                           TerminalRecord().Time(midnight.PlusMs(1)).Build()});  // 159
  index.Close();
  index.Open(dir.Write("NS2.pkt", days));
  EXPECT_EQ(Offsets(index), (O{53, 106, 0, 159}));
}

TEST_F(FastLogTest, TerminalShortTailRaisesTruncatedAfterIndexingCompleteRecords) {
  Bytes log = Join({TerminalRecord().Time(kT0.PlusMs(5)).Build(), TerminalRecord().Time(kT0).Build()});
  test::Append(log, Bytes(10, 0x54));
  TTerminalFastLog index;
  try {
    index.Open(dir.Write("NS.pkt", log));
    FAIL() << "no error";
  } catch (const TruncatedLogError& e) {
    EXPECT_EQ(e.offset(), 106u);
    EXPECT_NE(std::string(e.what()).find("106"), std::string::npos);
  }
  EXPECT_EQ(Offsets(index), (O{0, 53})) << "entries stay in file order";
  index.Sort();
  EXPECT_EQ(Offsets(index), (O{53, 0}));
}

TEST_F(FastLogTest, TerminalBadMagicEndsTheScanQuietly) {
  const Bytes log = Join({TerminalRecord().Time(kT0.PlusMs(1)).Build(), TerminalRecord().Time(kT0).Build(),
                          TerminalRecord().Magic(0x7154, 0x3237).Build(), TerminalRecord().Build()});
  TTerminalFastLog index;
  index.Open(dir.Write("NS.pkt", log));
  EXPECT_EQ(Offsets(index), (O{53, 0}));
}

TEST_F(FastLogTest, BodyRunningPastTheEndIsCutAtTheEndOfTheFile) {
  Bytes log = TerminalRecord().Body({1, 2, 3, 4}).DataLength(1000).Build();
  TTerminalFastLog index;
  index.Open(dir.Write("NS.pkt", log));
  ASSERT_EQ(index.GetCount(), 1u);
  EXPECT_EQ(index.GetPacket(0).GetDataLength(), 1000u);
  EXPECT_EQ(index.GetPacket(0).GetBodySize(), 4u);

  TH2HFastLog h2h;
  h2h.Open(dir.Write("H2H.pkt", HostRecord().DataLength(0xFFFFFFFF).Build()));
  ASSERT_EQ(h2h.GetCount(), 1u);
  EXPECT_EQ(h2h.GetPacket(0).GetBodySize(), 0u);
}

TEST_F(FastLogTest, HostScanEndsSilentlyOnShortTailAndStepsOverGarbage53BytesAtATime) {
  const Bytes r1 = HostRecord().Time(kT0).Body({1, 2}).Build();
  const Bytes r2 = HostRecord().Time(kT0.PlusMs(1)).Build();
  const Bytes r3 = HostRecord().Time(kT0.PlusMs(2)).Build();
  TH2HFastLog index;

  index.Open(dir.Write("a.pkt", Join({r1, r2, Bytes(64, 0x64)})));
  EXPECT_EQ(Offsets(index), (O{0, 67}));

  index.Close();
  index.Open(dir.Write("b.pkt", Join({r1, Bytes(53, 0xEE), r2, r3})));
  EXPECT_EQ(Offsets(index), (O{0, 67 + 53, 67 + 53 + 65}));

  // 106 garbage bytes: two steps land exactly on the next record.
  index.Close();
  index.Open(dir.Write("c.pkt", Join({r1, Bytes(106, 0), r2})));
  EXPECT_EQ(Offsets(index), (O{0, 67 + 106}));

  // 60 bytes: the steps land 53 and 106 bytes past the garbage's start, both
  // inside r2, so r2 is lost.
  index.Close();
  index.Open(dir.Write("d.pkt", Join({r1, Bytes(60, 0), r2})));
  EXPECT_EQ(Offsets(index), (O{0}));
}

TEST_F(FastLogTest, FilterSeesEveryRecordAndItsRejectionsAreLeftOut) {
  const Bytes log = Join({TerminalRecord().Terminal(1).Build(), TerminalRecord().Terminal(2).Build(),
                          TerminalRecord().Terminal(3).Build()});
  const std::string path = dir.Write("NS.pkt", log);
  TTerminalFastLog index;
  std::vector<std::uint16_t> seen;
  index.OnFilter = [&](TTerminalFastLog& sender, const TTerminalPacketHandler& p, bool& skip) {
    EXPECT_EQ(&sender, &index);
    EXPECT_FALSE(skip);
    seen.push_back(p.GetTerminalID());
    skip = p.GetTerminalID() == 2;
  };
  index.Open(path);
  EXPECT_EQ(seen, (std::vector<std::uint16_t>{1, 2, 3}));
  EXPECT_EQ(Offsets(index), (O{0, 106}));
  EXPECT_EQ(index.GetRecordCount(), 3u);  // the log's records, listed or not

  index.Close();
  index.OnFilter = [](TTerminalFastLog&, const TTerminalPacketHandler&, bool& skip) { skip = true; };
  index.Open(path);
  EXPECT_EQ(index.GetCount(), 0u);
  EXPECT_EQ(index.GetRecordCount(), 3u);
}

TEST_F(FastLogTest, FilterErrorLeavesOpenWithEarlierEntries) {
  const Bytes log = Join({TerminalRecord().Time(kT0.PlusMs(9)).Build(), TerminalRecord().Time(kT0).Build(),
                          TerminalRecord().Terminal(666).Build(), TerminalRecord().Build()});
  TTerminalFastLog index;
  index.OnFilter = [](TTerminalFastLog&, const TTerminalPacketHandler& p, bool&) {
    if (p.GetTerminalID() == 666) throw ConvertError("'x' is not a valid integer value");
  };
  EXPECT_THROW(index.Open(dir.Write("NS.pkt", log)), ConvertError);
  EXPECT_EQ(Offsets(index), (O{0, 53}));
}

TEST_F(FastLogTest, OpenFailuresRaiseTheSystemErrorAndLeaveNoEntries) {
  TTerminalFastLog index;
  index.Open(dir.Write("NS.pkt", TerminalRecord().Build()));
  ASSERT_EQ(index.GetCount(), 1u);
  index.Close();
  try {
    index.Open(dir.File("missing.pkt"));
    FAIL() << "no error";
  } catch (const SystemError& e) {
    EXPECT_EQ(e.code(), 2);
    EXPECT_STREQ(e.what(), "System Error.  Code: 2.\r\nNo such file or directory");
  }
  EXPECT_EQ(index.GetCount(), 0u);
  EXPECT_THROW(index.Open(dir.Write("empty.pkt", {})), SystemError);
  EXPECT_EQ(index.GetCount(), 0u);
  EXPECT_THROW(index.Open(dir.path()), SystemError);  // a folder cannot be mapped
  index.Close();
  index.Close();
  EXPECT_EQ(index.GetView(), nullptr);

  TH2HFastLog h2h;
  EXPECT_THROW(h2h.Open(dir.Write("empty.pkt", {})), SystemError);
  EXPECT_EQ(h2h.GetCount(), 0u);
}

TEST_F(FastLogTest, PacketIndexOutOfRangeRaisesAppError) {
  TTerminalFastLog index;
  index.Open(dir.Write("NS.pkt", TerminalRecord().Build()));
  EXPECT_EQ(index.GetPacket(0).GetOffset(), 0u);
  try {
    index.GetPacket(1);
    FAIL() << "no error";
  } catch (const AppError& e) {
    EXPECT_STREQ(e.what(), "Неверный индекс пакета!");
  }
  TH2HFastLog h2h;
  EXPECT_THROW(h2h.GetPacket(0), AppError);
}

TEST_F(FastLogTest, CloseKeepsEntriesAndTheyTakeAtMostSixteenBytesEach) {
  Bytes log;
  for (int i = 0; i < 5000; ++i) test::Append(log, TerminalRecord().Time(kT0.PlusMs(i)).Body(Bytes(i % 7, 0)).Build());
  TTerminalFastLog index;
  index.Open(dir.Write("NS.pkt", log));
  ASSERT_EQ(index.GetCount(), 5000u);
  EXPECT_LE(index.GetEntryBytes(), 5000u * 16);
  index.Close();
  EXPECT_EQ(index.GetView(), nullptr);
  EXPECT_EQ(index.GetCount(), 5000u);
}

TEST(RecordKinds, NamesOfBothFamilies) {
  EXPECT_STREQ(TerminalKindName(rkIncoming), "Входящий");
  EXPECT_STREQ(TerminalKindName(rkDisconnect), "Отключение");
  EXPECT_STREQ(TerminalKindName(rkMobileOrderNotice), "Уведомление (мобильный заказ)");
  EXPECT_STREQ(TerminalKindName(rkRawIncoming), "Неизвестный");
  EXPECT_STREQ(TerminalKindName(255), "Неизвестный");
  EXPECT_STREQ(H2HKindName(rkAuthSuccess), "Успешная аутентификация");
  EXPECT_STREQ(H2HKindName(rkRawOutgoing), "Исходящий");
  EXPECT_STREQ(H2HKindName(rkBfkoIncoming), "Входящий");
  EXPECT_STREQ(H2HKindName(12), "Неизвестный");
  EXPECT_STREQ(H2HKindName(15), "Неизвестный");
}

}  // namespace
}  // namespace pkt
