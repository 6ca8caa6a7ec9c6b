// The live plot beside the rate text: the send and receive rates of the last minutes,
// one sample per second of the rate display, drawn as two lines over a shared scale.
//
// The samples come from the speed test's histories (SpeedTestState): each time the
// rate display has ended a period, the period's bytes over its length give one point
// per direction.
//
// Threads: window thread only.
#pragma once

#include <QWidget>
#include <cstdint>
#include <deque>

namespace qv {
struct RateHistory;
}

namespace qv::desktop {

// Bytes per second of the period that ended last (entry 0 of the history), or -1
// when the history has no new complete period since `lastTick`. Sets `lastTick`.
std::int64_t lastPeriodRate(const RateHistory& history, std::uint32_t& lastTick);

class RatePlot final : public QWidget {
  public:
    // Samples kept: five minutes at one per second.
    static constexpr std::size_t kSamples = 300;

    explicit RatePlot(QWidget* parent);

    // Reads new periods from the two histories; repaints when there was one.
    void sample(const RateHistory& sent, const RateHistory& received);
    void clear();

    const std::deque<std::int64_t>& sentRates() const { return sent_; }
    const std::deque<std::int64_t>& receivedRates() const { return received_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void push(std::deque<std::int64_t>& series, std::int64_t rate);
    void drawSeries(class QPainter& painter, const std::deque<std::int64_t>& series,
                    std::int64_t top, const QColor& colour);

    std::deque<std::int64_t> sent_, received_;
    std::uint32_t sentTick_ = 0, receivedTick_ = 0;
};

}  // namespace qv::desktop
