// The rate chart beside the rate text: the send and receive rates of the running test
// or transfer over its elapsed time, one sample per second, with their averages as
// dashed lines. The time axis follows the elapsed time (seconds, then minutes); the
// left axis changes its unit with the peak (KB/s, MB/s, GB/s) and the right one gives
// the same scale in Mbit/s, each with round steps in its unit. Hovering a line shows
// its value.
//
// Most samples come from the speed test's histories (SpeedTestState), which the rate
// display shifts once a second for a test in either direction and for every receive:
// each new period gives one point per direction, and the dashed line is the rate
// pane's own "平均" figure (rateOf over 30 entries) drawn over the periods it covers.
// A file on its way out is not in those histories: the window measures its rate from
// the progress and hands it in (sampleSent); its dashed line is the run's mean. Long
// runs are thinned out by averaging neighbouring points, so a whole day at one sample
// a second stays within kMaxPoints per line.
//
// Threads: window thread only.
#pragma once

#include <QChartView>
#include <QElapsedTimer>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

class QLineSeries;
class QValueAxis;

namespace qv {
struct RateHistory;
}

namespace qv::desktop {

// One period of a history: its bytes and its length.
struct RatePeriod {
    std::int64_t bytes = 0;
    std::uint32_t ms = 0;
    std::int64_t rate() const { return ms == 0 ? 0 : bytes * 1000 / static_cast<std::int64_t>(ms); }
};
// The period that ended last (entry 0 of the history), when it is complete and new
// since `lastTick`; sets `lastTick`.
std::optional<RatePeriod> lastPeriod(const RateHistory& history, std::uint32_t& lastTick);

// What one sample read: the new period of each direction.
struct RateSample {
    std::optional<RatePeriod> sent, received;
    explicit operator bool() const { return sent || received; }
};

// A value axis's scale: its top, a round step (1, 2, 2.5 or 5 times a power of ten)
// and the decimals its labels need.
struct AxisScale {
    double top = 1, step = 0.2;
    int decimals = 1;
};
// From 0 to a whole number of steps (at most five) above `peak` and a little room.
AxisScale roundScale(double peak);
// Round steps (at most five) along a fixed `top`, which need not be one of them.
AxisScale stepsAlong(double top);

// A rate unit of the chart's left axis: its name and bytes per second in one unit.
struct RateUnit {
    const char* name;
    double bytesPerSecond;
};
// The unit in which `peakBytesPerSecond` reads best (KB/s below 1 MB/s, ...).
RateUnit rateUnitFor(double peakBytesPerSecond);

class RatePlot final : public QChartView {
  public:
    // Points kept per line; beyond it, neighbouring pairs are averaged into one.
    static constexpr std::size_t kMaxPoints = 1200;
    static constexpr qint64 kRunGapMs = 4000;

    explicit RatePlot(QWidget* parent);

    // Reads new periods from the two histories and redraws when there was one. A
    // sample after a pause longer than kRunGapMs starts the chart afresh (a new test
    // or transfer, begun by the peer).
    RateSample sample(const RateHistory& sent, const RateHistory& received);
    // A send rate the caller measured over about a second (a file on its way out),
    // ending at `nowTick` of the program's clock (the histories' clock).
    void sampleSent(std::int64_t bytesPerSecond, std::uint32_t nowTick);
    // Empties the chart and restarts its clock (a new test or transfer begins).
    void clear();
    // Follows the window's palette (light or dark style).
    void usePalette(const QPalette& palette);

    // The kept rates in bytes per second, oldest first.
    std::vector<std::int64_t> sentRates() const { return ratesOf(sent_); }
    std::vector<std::int64_t> receivedRates() const { return ratesOf(received_); }
    QLineSeries* sentSeries() const { return sentSeries_; }
    QLineSeries* receivedSeries() const { return receivedSeries_; }
    QValueAxis* timeAxis() const { return timeAxis_; }
    QValueAxis* rateAxis() const { return rateAxis_; }
    QValueAxis* bitAxis() const { return bitAxis_; }
    // The figures of the dashed lines, bytes per second; -1 while a line has none.
    std::int64_t sentAverage() const { return sent_.average; }
    std::int64_t receivedAverage() const { return received_.average; }
    QLineSeries* sentAverageSeries() const { return sentAverage_; }

  private:
    struct Point {
        double seconds;
        double bytesPerSecond;
    };
    struct Line {
        std::vector<Point> points;
        double sum = 0;  // of every sample, for the run's mean
        std::int64_t count = 0;
        // The dashed line: its figure (-1: none) and the seconds it spans.
        std::int64_t average = -1;
        double averageFrom = 0, averageTo = 0;
    };

    static std::vector<std::int64_t> ratesOf(const Line& line);
    // The seconds of a sample that ends at `endTick` (the program's clock) since the
    // run began; a pause starts the run afresh.
    double nextSampleSeconds(std::uint32_t endTick);
    void add(Line& line, std::int64_t rate, double seconds);
    // The dashed line at the rate pane's average of `history`.
    static void useDisplayedAverage(Line& line, const RateHistory& history, double seconds);
    void redraw();
    void showBitScale(const AxisScale& bits);
    void showLine(const Line& line, QLineSeries* series, QLineSeries* average, double timeScale,
                  double unit);
    QLineSeries* addSeries(const QString& name, const QColor& colour, Qt::PenStyle style);
    void showHover(const QString& name, const QPointF& point, bool state);

    QLineSeries* sentSeries_;
    QLineSeries* receivedSeries_;
    QLineSeries* sentAverage_;
    QLineSeries* receivedAverage_;
    QValueAxis* timeAxis_;
    QValueAxis* rateAxis_;
    QValueAxis* bitAxis_;
    Line sent_, received_;
    std::uint32_t sentTick_ = 0, receivedTick_ = 0;
    QElapsedTimer clock_;
    qint64 lastSampleMs_ = 0;
    std::uint32_t originTick_ = 0;  // the run's start on the program's clock
    QString unitName_;
    bool minutes_ = false;
};

}  // namespace qv::desktop
