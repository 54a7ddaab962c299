// The small pieces of the viewers that need no log: number texts of the
// filter panel, picker values, captions, colours, chart labels, listing lines.
#include <gtest/gtest.h>

#include "platform/errors.h"
#include "viewers/charts.h"
#include "viewers/filter.h"
#include "viewers/h2h_viewer.h"
#include "viewers/viewer_common.h"

namespace pkt {
namespace {


constexpr std::int64_t kDay = 86400000;
// 6 April 2016 as days since 30 December 1899.
constexpr std::int64_t k20160406 = 42466;

TEST(FilterText, ConvertsIntegersAndRejectsTheRest) {
  EXPECT_EQ(TextToInt("1101"), 1101);
  EXPECT_EQ(TextToInt("66637"), 66637);
  EXPECT_EQ(TextToInt("-1"), -1);
  EXPECT_EQ(TextToInt("+7"), 7);
  EXPECT_EQ(TextToInt(" 12"), 12);
  EXPECT_EQ(TextToInt("2147483647"), 2147483647);
  EXPECT_EQ(TextToInt("-2147483648"), -2147483647 - 1);
  for (const char* bad : {"12a", "", "-", "abc", "2147483648", "99999999999999999999", "1 "}) {
    try {
      TextToInt(bad);
      ADD_FAILURE() << bad;
    } catch (const ConvertError& e) {
      EXPECT_EQ(std::string(e.what()), std::string("'") + bad + "' is not a valid integer value");
    }
  }
}

TEST(FilterPickers, TakeTheDateOfOneAndTheTimeOfDayOfTheOther) {
  const std::int64_t date = k20160406 * kDay + 5 * 3600000;     // the date picker keeps some time
  const std::int64_t time = 42000 * kDay + 13 * 3600000 + 7;    // the time picker some other date
  EXPECT_EQ(PickerDateTimeMs(date, time), k20160406 * kDay + 13 * 3600000 + 7);
  EXPECT_EQ(PickerDateTimeMs(-kDay + 1, 5), -kDay + 5);
}

TEST(ViewerTexts, CaptionColoursAndChartLabels) {
  EXPECT_EQ(ViewerCaption("", "/logs/NS1_a.pkt"), "Сообщения - /logs/NS1_a.pkt");
  EXPECT_EQ(ViewerCaption("13:29:48 /logs/", "/logs/NS1_a.pkt"), "Сообщения - 13:29:48 /logs/ - /logs/NS1_a.pkt");

  EXPECT_EQ(KindColour(rkAuthSuccess), TKindColour::Blue);
  EXPECT_EQ(KindColour(rkDisconnect), TKindColour::Red);
  EXPECT_EQ(KindColour(rkMobileOrderNotice), TKindColour::Black);

  const std::int64_t t = k20160406 * kDay + ((13 * 60 + 29) * 60 + 48) * 1000 + 5;
  EXPECT_EQ(ChartLabelText(t), "06.04.2016 13:29:48");
  EXPECT_EQ(ChartLabelText(k20160406 * kDay), "06.04.2016");
  EXPECT_EQ(ChartLabelText(k20160406 * kDay + 1), "06.04.2016 00:00:00");
  EXPECT_EQ(ChartLabelText(0), "30.12.1899");
  EXPECT_EQ(UnixEpochMs(25569 * kDay), 0);
  EXPECT_EQ(DateTimeMsFromUnixEpoch(UnixEpochMs(t)), t);
}

TEST(H2HListing, CutsLinesAtEveryKindOfBreak) {
  using V = std::vector<std::string>;
  EXPECT_EQ(CutListingLines(""), V{""});
  EXPECT_EQ(CutListingLines("a"), V{"a"});
  EXPECT_EQ(CutListingLines("a\n"), V{"a"});
  EXPECT_EQ(CutListingLines("a\r\nb"), (V{"a", "b"}));
  EXPECT_EQ(CutListingLines("a\n\nb\r\r\n"), (V{"a", "", "b", ""}));
  EXPECT_EQ(CutListingLines("\n"), V{""});
  EXPECT_EQ(CutListingLines("\r\n\r\n"), (V{"", ""}));
  EXPECT_EQ(CutListingLines("x\n\r"), (V{"x", ""}));
}

}  // namespace
}  // namespace pkt
