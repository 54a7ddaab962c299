#include "terminal/structured/record_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <thread>

#include "support/bytes.h"

namespace pkt::test {
namespace {

constexpr unsigned kSlot = RecordTable::kCouponSlot;  // 20-byte header, 33-byte records

// An image of size bytes whose record k (counted from 0) is filled with k + 1.
Bytes Image(std::size_t size) {
  Bytes b(size, 0xCC);
  for (std::size_t i = 20; i < size; ++i) b[i] = static_cast<std::uint8_t>((i - 20) / 33 + 1);
  return b;
}

int CountRecords(RecordTable& t, unsigned slot) {
  int n = 0;
  for (const std::uint8_t* r = t.First(slot); r; r = t.Next(slot)) ++n;
  return n;
}

bool AllZero(const std::uint8_t* p, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (p[i] != 0) return false;
  return true;
}

TEST(RecordTable, YieldsOnlyWholeRecordsAfterTheHeader) {
  RecordTable t;
  struct {
    std::size_t size;
    int records;
  } rows[] = {{0, 0}, {19, 0}, {20, 0}, {52, 0}, {53, 1}, {85, 1}, {86, 2}, {20 + 33 * 5, 5}};
  for (const auto& row : rows) {
    Bytes image = Image(row.size);
    t.Load(kSlot, image.data(), image.size());
    EXPECT_EQ(CountRecords(t, kSlot), row.records) << row.size << " bytes";
  }
}

TEST(RecordTable, CopiesEachRecordIntoTheBufferAndZeroesItAtTheEnd) {
  RecordTable t;
  Bytes image = Image(86 + 5);
  t.Load(kSlot, image.data(), image.size());
  ASSERT_TRUE(t.Rewind(kSlot, 0));
  const std::uint8_t* first = t.First(kSlot);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, t.RecordBuffer(kSlot));
  EXPECT_EQ(0, std::memcmp(first, image.data() + 20, 33));
  const std::uint8_t* second = t.Next(kSlot);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second[0], 2);
  EXPECT_EQ(second[32], 2);
  EXPECT_EQ(t.Next(kSlot), nullptr);
  EXPECT_TRUE(AllZero(t.RecordBuffer(kSlot), 33));
  // Stepping on past the end keeps answering nothing.
  for (int i = 0; i < 1000; ++i) EXPECT_EQ(t.Next(kSlot), nullptr);
}

TEST(RecordTable, LoadCopiesTheBytes) {
  RecordTable t;
  Bytes image = Image(53);
  t.Load(kSlot, image.data(), image.size());
  image.assign(image.size(), 0x55);
  ASSERT_NE(t.First(kSlot), nullptr);
  EXPECT_EQ(t.RecordBuffer(kSlot)[0], 1);
}

TEST(RecordTable, OpenNeedsAnImageAtLeastAsLongAsTheHeader) {
  RecordTable t;
  EXPECT_FALSE(t.Open(kSlot, 0));  // never loaded
  EXPECT_EQ(t.First(kSlot), nullptr);
  EXPECT_TRUE(AllZero(t.RecordBuffer(kSlot), 33));

  t.Load(kSlot, nullptr, 0);
  EXPECT_FALSE(t.Open(kSlot, 0));
  EXPECT_FALSE(t.Rewind(kSlot, 0));

  Bytes header = Image(20);
  t.Load(kSlot, header.data(), header.size());
  EXPECT_TRUE(t.Open(kSlot, 0));
  EXPECT_TRUE(t.IsOpen(kSlot));
  EXPECT_EQ(t.ReadCurrent(kSlot), nullptr);
}

TEST(RecordTable, OpenKeepsThePositionUnderTheSameSubNumberAndRestartsUnderAnother) {
  RecordTable t;
  Bytes image = Image(86);
  t.Load(kSlot, image.data(), image.size());
  ASSERT_NE(t.First(kSlot), nullptr);
  ASSERT_NE(t.Next(kSlot), nullptr);
  EXPECT_TRUE(t.Open(kSlot, 0));
  EXPECT_EQ(t.ReadCurrent(kSlot)[0], 2);  // still at the second record
  EXPECT_TRUE(t.Open(kSlot, 7));          // another sub-number: closed and reopened
  EXPECT_EQ(t.ReadCurrent(kSlot)[0], 1);
  EXPECT_EQ(t.First(kSlot)[0], 1);  // First reopens under the slot's sub-number
}

TEST(RecordTable, RewindAcceptsOnlySubNumberZero) {
  RecordTable t;
  Bytes image = Image(53);
  t.Load(kSlot, image.data(), image.size());
  EXPECT_FALSE(t.Rewind(kSlot, 1));
  EXPECT_FALSE(t.IsOpen(kSlot));
  EXPECT_TRUE(AllZero(t.RecordBuffer(kSlot), 33));  // nothing was read
  EXPECT_TRUE(t.Rewind(kSlot, 0));
  EXPECT_EQ(t.RecordBuffer(kSlot)[0], 1);  // Rewind read the first record
}

TEST(RecordTable, CloseAllKeepsImagesAndLoadReplacesThem) {
  RecordTable t;
  Bytes image = Image(86);
  t.Load(kSlot, image.data(), image.size());
  ASSERT_NE(t.First(kSlot), nullptr);
  ASSERT_NE(t.Next(kSlot), nullptr);
  t.CloseAll();
  EXPECT_FALSE(t.IsOpen(kSlot));
  const std::uint8_t* again = t.First(kSlot);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again[0], 1);

  Bytes shorter = Image(53);
  t.Load(kSlot, shorter.data(), shorter.size());
  EXPECT_FALSE(t.IsOpen(kSlot));  // Load closes the slot
  EXPECT_EQ(CountRecords(t, kSlot), 1);
}

TEST(RecordTable, SlotsAreIndependentAndUndescribedSlotsYieldNothing) {
  RecordTable t;
  EXPECT_EQ(t.RecordSize(RecordTable::kCouponSlot), 33);
  EXPECT_EQ(t.RecordSize(RecordTable::kCouponExSlot), 35);
  EXPECT_EQ(t.HeaderSize(RecordTable::kCouponExSlot), 20);

  Bytes coupons = Image(20 + 33 * 2);
  Bytes extended(20 + 35, 0x42);
  t.Load(RecordTable::kCouponSlot, coupons.data(), coupons.size());
  t.Load(RecordTable::kCouponExSlot, extended.data(), extended.size());
  ASSERT_NE(t.First(RecordTable::kCouponSlot), nullptr);
  EXPECT_EQ(CountRecords(t, RecordTable::kCouponExSlot), 1);
  EXPECT_EQ(t.Next(RecordTable::kCouponSlot)[0], 2);

  for (unsigned slot : {2u, 19u, 20u, 1000u}) {
    t.Load(slot, coupons.data(), coupons.size());
    EXPECT_FALSE(t.Open(slot, 0));
    EXPECT_EQ(t.First(slot), nullptr);
    EXPECT_EQ(t.Next(slot), nullptr);
    EXPECT_EQ(t.RecordBuffer(slot), nullptr);
    t.Close(slot);
  }
}

TEST(CouponDBRAII, ClosesTheThreadsSlotsOnEveryExit) {
  RecordTable& t = RecordTable::ForThisThread();
  Bytes image = Image(53);
  t.Load(kSlot, image.data(), image.size());
  {
    CouponDBRAII guard;
    ASSERT_TRUE(t.Rewind(kSlot, 0));
    EXPECT_TRUE(t.IsOpen(kSlot));
  }
  EXPECT_FALSE(t.IsOpen(kSlot));

  try {
    CouponDBRAII guard;
    ASSERT_TRUE(t.Rewind(kSlot, 0));
    throw std::runtime_error("walk interrupted");
  } catch (const std::runtime_error&) {
  }
  EXPECT_FALSE(t.IsOpen(kSlot));
  EXPECT_NE(t.First(kSlot), nullptr);  // the image outlived the guard
  t.CloseAll();
}

TEST(RecordTable, EachThreadHasItsOwnTable) {
  RecordTable& mine = RecordTable::ForThisThread();
  Bytes image = Image(86);
  mine.Load(kSlot, image.data(), image.size());
  ASSERT_TRUE(mine.Rewind(kSlot, 0));

  const RecordTable* theirs = nullptr;
  bool theirsOpen = true;
  std::thread other([&] {
    theirs = &RecordTable::ForThisThread();
    theirsOpen = theirs->IsOpen(kSlot);
    CouponDBRAII guard;  // closes only the other thread's slots
  });
  other.join();
  EXPECT_NE(theirs, &mine);
  EXPECT_FALSE(theirsOpen);
  EXPECT_TRUE(mine.IsOpen(kSlot));
  mine.CloseAll();
}

}  // namespace
}  // namespace pkt::test
