#include "frontends/qt/RatePlot.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "peer/client/RateStatistics.h"

namespace qv::desktop {
namespace {

const QColor kSendColour(0, 0, 255);
const QColor kReceiveColour(0, 128, 0);

// The rate as the plot's label shows it: KB/s (decimal, as the rate text).
QString rateLabel(std::int64_t bytesPerSecond) {
    return QStringLiteral("%1 KB/s").arg(bytesPerSecond / 1000);
}

// A round top of the scale at or above `peak`: 1, 2 or 5 times a power of ten.
std::int64_t scaleTop(std::int64_t peak) {
    std::int64_t step = 1000;
    while (true) {
        for (std::int64_t factor : {1, 2, 5}) {
            if (step * factor >= peak) return step * factor;
        }
        if (step > INT64_MAX / 100) return peak;
        step *= 10;
    }
}

}  // namespace

std::int64_t lastPeriodRate(const RateHistory& history, std::uint32_t& lastTick) {
    std::uint32_t start = history.ticks[0];
    std::uint32_t end = history.ticks[RateHistory::kCurrent];
    if (start == 0 || start == lastTick || end <= start) return -1;
    lastTick = start;
    return history.bytes[0] * 1000 / static_cast<std::int64_t>(end - start);
}

RatePlot::RatePlot(QWidget* parent) : QWidget(parent) {
    setMinimumSize(160, 70);
    setToolTip(QStringLiteral("send (blue) / receive (green), KB/s"));
}

void RatePlot::push(std::deque<std::int64_t>& series, std::int64_t rate) {
    series.push_back(rate);
    while (series.size() > kSamples)
        series.pop_front();
}

void RatePlot::sample(const RateHistory& sent, const RateHistory& received) {
    std::int64_t sendRate = lastPeriodRate(sent, sentTick_);
    std::int64_t receiveRate = lastPeriodRate(received, receivedTick_);
    if (sendRate < 0 && receiveRate < 0) return;
    push(sent_, std::max<std::int64_t>(sendRate, 0));
    push(received_, std::max<std::int64_t>(receiveRate, 0));
    update();
}

void RatePlot::clear() {
    sent_.clear();
    received_.clear();
    update();
}

void RatePlot::drawSeries(QPainter& painter, const std::deque<std::int64_t>& series,
                          std::int64_t top, const QColor& colour) {
    if (series.size() < 2) return;
    QRectF area = rect().adjusted(2, 14, -2, -2);
    double stepX = area.width() / static_cast<double>(kSamples - 1);
    double left = area.right() - stepX * static_cast<double>(series.size() - 1);
    QPainterPath path;
    for (std::size_t i = 0; i < series.size(); ++i) {
        double y = area.bottom() -
                   area.height() * static_cast<double>(series[i]) / static_cast<double>(top);
        QPointF point(left + stepX * static_cast<double>(i), y);
        if (i == 0) {
            path.moveTo(point);
        } else {
            path.lineTo(point);
        }
    }
    painter.setPen(QPen(colour, 1.5));
    painter.drawPath(path);
}

void RatePlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(Qt::lightGray);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    std::int64_t peak = 0;
    for (const auto* series : {&sent_, &received_}) {
        for (std::int64_t rate : *series)
            peak = std::max(peak, rate);
    }
    std::int64_t top = scaleTop(std::max<std::int64_t>(peak, 1));
    painter.setPen(Qt::darkGray);
    painter.drawText(rect().adjusted(4, 1, -4, 0), Qt::AlignLeft | Qt::AlignTop, rateLabel(top));
    QRect legend = rect().adjusted(4, 1, -4, 0);
    painter.setPen(kReceiveColour);
    painter.drawText(legend, Qt::AlignRight | Qt::AlignTop, QStringLiteral("recv"));
    painter.setPen(kSendColour);
    legend.adjust(0, 0, -painter.fontMetrics().horizontalAdvance(QStringLiteral(" recv")), 0);
    painter.drawText(legend, Qt::AlignRight | Qt::AlignTop, QStringLiteral("send"));
    drawSeries(painter, sent_, top, kSendColour);
    drawSeries(painter, received_, top, kReceiveColour);
}

}  // namespace qv::desktop
