#pragma once
// The load and latency charts of the terminal viewer as data: what BuildCharts
// computes from the listed records. The window copies the points into its line
// series; pktdump prints them.
#include <cstdint>
#include <string>
#include <vector>

#include "logs/fastlog.h"
#include "platform/files.h"
#include "platform/systime.h"
#include "viewers/progress.h"

namespace pkt {

// Texts of the two charts.
namespace chart_text {
inline constexpr const char* kLoadTitle = "Нагрузка";
inline constexpr const char* kLoadBottomAxis = "Время";
inline constexpr const char* kLoadLeftAxis = "Кол-во сообщений";
inline constexpr const char* kIncoming = "Входящие/сек";
inline constexpr const char* kOutgoing = "Исходящие/сек";
inline constexpr const char* kConnects = "Подключения";
inline constexpr const char* kDisconnects = "Отключения";
inline constexpr const char* kLatencyTitle = "Задержка ответов (мс.)";
inline constexpr const char* kLatencyBottomAxis = "Время";
inline constexpr const char* kLatencyLeftAxis = "Макс. задержка (мс.)";
inline constexpr const char* kLatency = "Задержки";
}  // namespace chart_text

// One second of load, from its first record: one point on each of the four load series.
struct TLoadBucket {
  std::int64_t startMs = 0;    // X: the date-time of the record that started the bucket (ms)
  TSystemTime time;            // that record's time stamp
  std::uint64_t incoming = 0;  // kind 0
  std::uint64_t outgoing = 0;  // kind 1
  std::uint64_t connects = 0;  // kind 6
  std::uint64_t disconnects = 0;  // kind 7

  // The time stamp text of the first record, "2016-04-06 13:29:48.005".
  std::string TimeText() const { return TimeStampText(time); }
  // The point label, "06.04.2016 13:29:48" ("06.04.2016" at midnight).
  std::string Label() const;
};

// One answered request: a point on the latency series.
struct TLatencyPoint {
  std::int64_t timeMs = 0;     // X: the response's date-time (ms)
  TSystemTime time;            // the response's time stamp
  std::int64_t latencyMs = 0;  // Y: response time minus the pending request's time, absolute
  std::uint32_t row = 0;       // the response's row number, also the point label

  std::string TimeText() const { return TimeStampText(time); }
};

// A 2 GB log gives millions of points: their arrays grow in large pages.
struct TTerminalCharts {
  TLargeVector<TLoadBucket> load;
  TLargeVector<TLatencyPoint> latency;
  void Clear() {
    load.clear();
    latency.clear();
  }
};

// A point of one line series, as the window adds it.
struct TChartPoint {
  std::int64_t xMs;  // date-time in ms; UnixEpochMs for a Qt date-time axis
  double y;
  std::string label;
};
enum class TLoadSeries { Incoming, Outgoing, Connects, Disconnects };
std::vector<TChartPoint> LoadSeriesPoints(const TTerminalCharts& charts, TLoadSeries series);
std::vector<TChartPoint> LatencySeriesPoints(const TTerminalCharts& charts);

// Rebuilds charts from the listed records of log, in list order. A record is
// counted in the bucket when its time is less than one whole second after the
// bucket's first record; requests (kind 0) are remembered per issuer and
// terminal (emitent * 65536 + terminal) and paired with the next response
// (kind 1) of the same key. A time stamp that is not a date and time raises
// ConvertError; charts then hold the points added so far.
void BuildCharts(const TTerminalFastLog& log, TTerminalCharts& charts, const TProgress& progress = {});

// The date-time in ms (since 30 December 1899) as ms since 1 January 1970 UTC.
constexpr std::int64_t UnixEpochMs(std::int64_t dateTimeMs) { return dateTimeMs - 25569LL * 86400000LL; }
constexpr std::int64_t DateTimeMsFromUnixEpoch(std::int64_t unixMs) { return unixMs + 25569LL * 86400000LL; }

// The standard date and time text of a chart label: "dd.mm.yyyy hh:mm:ss",
// only "dd.mm.yyyy" when the time is exactly midnight.
std::string ChartLabelText(std::int64_t dateTimeMs);

}  // namespace pkt
