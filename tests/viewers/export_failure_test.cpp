// A long export (rendered by two threads) that cannot be written to its end:
// the error reaches the caller, nothing after the failure is written, and what
// was written is the start of the full export.
#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <streambuf>

#include "platform/errors.h"
#include "support/record_builder.h"
#include "support/tlv_builder.h"
#include "viewers/log_export.h"

namespace pkt {
namespace {

using namespace test;

// Takes the first `room` bytes, then refuses every write.
class FullDisk : public std::streambuf {
 public:
  explicit FullDisk(std::size_t room) : room_(room) {}
  const std::string& taken() const { return taken_; }

 protected:
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    if (taken_.size() + static_cast<std::size_t>(n) > room_) return 0;
    taken_.append(s, static_cast<std::size_t>(n));
    return n;
  }
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof()) || taken_.size() >= room_) return traits_type::eof();
    taken_.push_back(traits_type::to_char_type(c));
    return c;
  }

 private:
  std::size_t room_;
  std::string taken_;
};

class LongExport : public ::testing::Test {
 protected:
  void SetUp() override {
    Bytes log;
    for (int i = 0; i < 30000; ++i) {
      const Bytes tlv = TlvBuilder().Byte(2, 8).DWord(3, i).Str(45, "a b").WithRoot();
      Append(log, TerminalRecord().Kind(i % 2).Time(Stamp{}.PlusMs(i)).Body(TerminalFrame(i, tlv)).Build());
    }
    log_.Open(folder_.Write("NS1_long.pkt", log));
    std::ostringstream whole;
    WriteTerminalExport(log_, whole);
    full_ = whole.str();
    ASSERT_GT(full_.size(), 1000000u);
  }

  TempFolder folder_;
  TTerminalFastLog log_;
  std::string full_;
};

TEST_F(LongExport, AWriteErrorStopsTheExportAndKeepsItsStart) {
  for (std::size_t room : {std::size_t(0), std::size_t(100), full_.size() / 3, full_.size() - 1}) {
    FullDisk disk(room);
    std::ostream out(&disk);
    EXPECT_THROW(WriteTerminalExport(log_, out), SystemError) << room;
    EXPECT_LE(disk.taken().size(), room);
    EXPECT_EQ(disk.taken(), full_.substr(0, disk.taken().size())) << room;
  }
}

TEST_F(LongExport, AnErrorOfTheProgressReportEndsTheExport) {
  std::ostringstream out;
  int reports = 0;  // the first report comes part way through the rows
  auto progress = [&](TWorkStage, std::uint64_t done, std::uint64_t) {
    if (++reports == 1) throw std::runtime_error("cancelled at " + std::to_string(done));
  };
  EXPECT_THROW(WriteTerminalExport(log_, out, progress), std::runtime_error);
  EXPECT_LT(out.str().size(), full_.size());
  EXPECT_EQ(out.str(), full_.substr(0, out.str().size()));
}

}  // namespace
}  // namespace pkt
