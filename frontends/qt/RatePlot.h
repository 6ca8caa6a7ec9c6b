// The rate chart beside the rate text: the send and receive rates of the running test
// or transfer over its elapsed time, one sample per second of the rate display, with
// their averages as dashed lines. The time axis follows the elapsed time (seconds,
// then minutes); the left axis changes its unit with the peak (KB/s, MB/s, GB/s) and
// the right one gives the same scale in Mbit/s. Hovering a line shows its value.
//
// The samples come from the speed test's histories (SpeedTestState): each time the
// rate display has ended a period, the period's bytes over its length give one point
// per direction. Long runs are thinned out by averaging neighbouring points, so a
// whole day at one sample a second stays within kMaxPoints per line.
//
// Threads: window thread only.
#pragma once

#include <QChartView>
#include <QElapsedTimer>
#include <QString>
#include <cstdint>
#include <vector>

class QLineSeries;
class QValueAxis;

namespace qv {
struct RateHistory;
}

namespace qv::desktop {

// Bytes per second of the period that ended last (entry 0 of the history), or -1
// when the history has no new complete period since `lastTick`. Sets `lastTick`.
std::int64_t lastPeriodRate(const RateHistory& history, std::uint32_t& lastTick);

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

    // Reads new periods from the two histories; redraws and returns true when there
    // was one. A sample after a pause longer than kRunGapMs starts the chart afresh
    // (a new test or transfer, begun by the peer).
    bool sample(const RateHistory& sent, const RateHistory& received);
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

  private:
    struct Point {
        double seconds;
        double bytesPerSecond;
    };
    struct Line {
        std::vector<Point> points;
        double sum = 0;  // of every sample, for the average
        std::int64_t count = 0;
    };

    static std::vector<std::int64_t> ratesOf(const Line& line);
    void add(Line& line, std::int64_t rate, double seconds);
    void redraw();
    void showLine(const Line& line, QLineSeries* series, QLineSeries* average, double timeScale,
                  double unit, double endSeconds);
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
    qint64 originMs_ = 0;  // the run's start on clock_
    QString unitName_;
    bool minutes_ = false;
};

}  // namespace qv::desktop
