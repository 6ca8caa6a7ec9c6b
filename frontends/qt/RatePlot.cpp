#include "frontends/qt/RatePlot.h"

#include <QCoreApplication>
#include <QLegend>
#include <QLineSeries>
#include <QPen>
#include <QToolTip>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "peer/client/RateStatistics.h"

namespace qv::desktop {
namespace {

const QColor kSendColour(30, 90, 230);
const QColor kReceiveColour(0, 150, 60);
// The time axis turns to minutes once the run is longer than this.
constexpr double kMinutesFromSeconds = 120;

QString text(const char* source) {
    return QCoreApplication::translate("RatePlot", source);
}

// A round step at or above `wanted`: 1, 2, 2.5 or 5 times a power of ten (without
// 2.5 for the time axis, whose ticks are whole).
double roundStep(double wanted, bool quarters = true) {
    if (wanted <= 0) return 1;
    double power = std::pow(10.0, std::floor(std::log10(wanted)));
    for (double factor : {1.0, 2.0, 2.5, 5.0, 10.0}) {
        if (factor == 2.5 && !quarters) continue;
        if (power * factor >= wanted * (1 - 1e-9)) return power * factor;
    }
    return power * 10;
}

// The decimals that show every multiple of `step` exactly (2.5 needs one, 0.25 two).
int decimalsOf(double step) {
    for (int decimals = 0; decimals < 6; ++decimals) {
        double scaled = step * std::pow(10.0, decimals);
        if (std::abs(scaled - std::round(scaled)) < 1e-6 * scaled) return decimals;
    }
    return 6;
}

QString labelFormat(int decimals) {
    return QStringLiteral("%.%1f").arg(decimals);
}

}  // namespace

std::optional<RatePeriod> lastPeriod(const RateHistory& history, std::uint32_t& lastTick) {
    std::uint32_t start = history.ticks[0];
    std::uint32_t end = history.ticks[RateHistory::kCurrent];
    if (start == 0 || start == lastTick || end <= start) return std::nullopt;
    lastTick = start;
    return RatePeriod{history.bytes[0], end - start};
}

AxisScale roundScale(double peak) {
    double wanted = std::max(peak * 1.05, 1e-9);
    double step = roundStep(wanted / 5);
    return {step * std::ceil(wanted / step - 1e-9), step, decimalsOf(step)};
}

AxisScale stepsAlong(double top) {
    double step = roundStep(top / 5);
    return {top, step, decimalsOf(step)};
}

RateUnit rateUnitFor(double peakBytesPerSecond) {
    if (peakBytesPerSecond >= 1e9) return {"GB/s", 1e9};
    if (peakBytesPerSecond >= 1e6) return {"MB/s", 1e6};
    return {"KB/s", 1e3};
}

RatePlot::RatePlot(QWidget* parent) : QChartView(parent) {
    setRenderHint(QPainter::Antialiasing);
    setMinimumSize(380, 260);
    QChart* chart = this->chart();
    chart->setMargins(QMargins(2, 2, 2, 2));
    chart->legend()->setAlignment(Qt::AlignBottom);
    // Each legend entry drawn as its line, so the dashed averages look dashed there too.
    chart->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);
    sentSeries_ = addSeries(text("送信"), kSendColour, Qt::SolidLine);
    receivedSeries_ = addSeries(text("受信"), kReceiveColour, Qt::SolidLine);
    sentAverage_ = addSeries(text("送信平均"), kSendColour, Qt::DashLine);
    receivedAverage_ = addSeries(text("受信平均"), kReceiveColour, Qt::DashLine);

    timeAxis_ = new QValueAxis(this);
    rateAxis_ = new QValueAxis(this);
    bitAxis_ = new QValueAxis(this);
    timeAxis_->setLabelFormat(QStringLiteral("%.0f"));
    bitAxis_->setGridLineVisible(false);
    for (QValueAxis* axis : {timeAxis_, rateAxis_})
        axis->setTickCount(6);
    // The right axis has its own round steps from 0, wherever its top falls.
    bitAxis_->setTickAnchor(0);
    chart->addAxis(timeAxis_, Qt::AlignBottom);
    chart->addAxis(rateAxis_, Qt::AlignLeft);
    chart->addAxis(bitAxis_, Qt::AlignRight);
    bitAxis_->setTitleText(text("Mbit/s"));
    for (QLineSeries* series : {sentSeries_, receivedSeries_, sentAverage_, receivedAverage_}) {
        series->attachAxis(timeAxis_);
        series->attachAxis(rateAxis_);
    }
    clear();
}

QLineSeries* RatePlot::addSeries(const QString& name, const QColor& colour, Qt::PenStyle style) {
    auto* series = new QLineSeries(this);
    series->setName(name);
    QPen pen(colour, style == Qt::SolidLine ? 2 : 1.5, style);
    series->setPen(pen);
    chart()->addSeries(series);
    connect(series, &QLineSeries::hovered, this,
            [this, name](const QPointF& point, bool state) { showHover(name, point, state); });
    return series;
}

void RatePlot::usePalette(const QPalette& palette) {
    QChart* chart = this->chart();
    chart->setBackgroundBrush(palette.color(QPalette::Base));
    chart->legend()->setLabelColor(palette.color(QPalette::Text));
    QColor grid = palette.color(QPalette::Mid);
    for (QValueAxis* axis : {timeAxis_, rateAxis_, bitAxis_}) {
        axis->setLabelsColor(palette.color(QPalette::Text));
        axis->setTitleBrush(palette.color(QPalette::Text));
        axis->setGridLineColor(grid);
        axis->setLinePenColor(grid);
    }
    setBackgroundBrush(palette.color(QPalette::Window));
}

void RatePlot::clear() {
    sent_ = {};
    received_ = {};
    clock_.start();
    lastSampleMs_ = 0;
    redraw();
}

double RatePlot::nextSampleSeconds(std::uint32_t endTick) {
    bool hasPoints = !sent_.points.empty() || !received_.points.empty();
    if (hasPoints && clock_.elapsed() - lastSampleMs_ > kRunGapMs) {
        clear();
        hasPoints = false;
    }
    lastSampleMs_ = clock_.elapsed();
    // The first sample ends the run's first second.
    if (!hasPoints) originTick_ = endTick - 1000;
    return static_cast<std::int32_t>(endTick - originTick_) / 1000.0;
}

RateSample RatePlot::sample(const RateHistory& sent, const RateHistory& received) {
    RateSample sampled{lastPeriod(sent, sentTick_), lastPeriod(received, receivedTick_)};
    if (!sampled) return sampled;
    const RateHistory& ticking = sampled.sent ? sent : received;
    double seconds = nextSampleSeconds(ticking.ticks[RateHistory::kCurrent]);
    if (sampled.sent) {
        add(sent_, sampled.sent->rate(), seconds);
        useDisplayedAverage(sent_, sent, seconds);
    }
    if (sampled.received) {
        add(received_, sampled.received->rate(), seconds);
        useDisplayedAverage(received_, received, seconds);
    }
    redraw();
    return sampled;
}

void RatePlot::sampleSent(std::int64_t bytesPerSecond, std::uint32_t nowTick) {
    double seconds = nextSampleSeconds(nowTick);
    add(sent_, bytesPerSecond, seconds);
    if (sent_.count >= 2) {
        sent_.average = static_cast<std::int64_t>(sent_.sum / static_cast<double>(sent_.count));
        sent_.averageFrom = sent_.points.front().seconds;
        sent_.averageTo = seconds;
    }
    redraw();
}

// The pane shows rateOf(history, 30) as "平均": the same figure, over the periods it
// counts, placed on the run's clock from the end of the newest period (`seconds`).
void RatePlot::useDisplayedAverage(Line& line, const RateHistory& history, double seconds) {
    CountedPeriods counted = countedPeriods(history, 30);
    std::uint32_t end = history.ticks[RateHistory::kCurrent];
    if (counted.count == 0 || counted.endTick - counted.startTick < 1000) {
        line.average = -1;
        return;
    }
    line.average = rateOf(history, 30);
    line.averageFrom = std::max(0.0, seconds - (end - counted.startTick) / 1000.0);
    line.averageTo = seconds - (end - counted.endTick) / 1000.0;
}

// Past kMaxPoints, each pair of neighbours becomes its mean: the line keeps its
// shape at half the resolution, and memory stays bounded however long the run.
void RatePlot::add(Line& line, std::int64_t rate, double seconds) {
    line.points.push_back({seconds, static_cast<double>(rate)});
    line.sum += static_cast<double>(rate);
    ++line.count;
    if (line.points.size() <= kMaxPoints) return;
    std::vector<Point> halved;
    halved.reserve(line.points.size() / 2 + 1);
    for (std::size_t i = 0; i + 1 < line.points.size(); i += 2) {
        const Point& a = line.points[i];
        const Point& b = line.points[i + 1];
        halved.push_back({(a.seconds + b.seconds) / 2, (a.bytesPerSecond + b.bytesPerSecond) / 2});
    }
    if (line.points.size() % 2) halved.push_back(line.points.back());
    line.points = std::move(halved);
}

std::vector<std::int64_t> RatePlot::ratesOf(const Line& line) {
    std::vector<std::int64_t> rates;
    for (const Point& point : line.points)
        rates.push_back(static_cast<std::int64_t>(point.bytesPerSecond));
    return rates;
}

void RatePlot::redraw() {
    double end = 0, peak = 0;
    for (const Line* line : {&sent_, &received_}) {
        for (const Point& point : line->points)
            peak = std::max(peak, point.bytesPerSecond);
        if (!line->points.empty()) end = std::max(end, line->points.back().seconds);
    }
    minutes_ = end > kMinutesFromSeconds;
    double timeScale = minutes_ ? 60.0 : 1.0;
    RateUnit unit = rateUnitFor(peak);
    unitName_ = QString::fromLatin1(unit.name);
    AxisScale rates = roundScale(std::max(peak, unit.bytesPerSecond) / unit.bytesPerSecond);
    rateAxis_->setRange(0, rates.top);
    rateAxis_->setTickCount(static_cast<int>(std::lround(rates.top / rates.step)) + 1);
    rateAxis_->setLabelFormat(labelFormat(rates.decimals));
    rateAxis_->setTitleText(unitName_);
    showBitScale(stepsAlong(rates.top * unit.bytesPerSecond * 8 / 1e6));
    // Whole ticks: 1, 2 or 5 times a power of ten apart, up to five along the axis.
    double step = std::max(1.0, roundStep(std::max(2.0, end / timeScale) / 5, false));
    int ticks = std::max(static_cast<int>(std::ceil(end / timeScale / step - 1e-9)), 2);
    timeAxis_->setRange(0, step * ticks);
    timeAxis_->setTickCount(ticks + 1);
    timeAxis_->setLabelFormat(labelFormat(decimalsOf(step)));
    timeAxis_->setTitleText(minutes_ ? text("経過時間 (分)") : text("経過時間 (秒)"));
    showLine(sent_, sentSeries_, sentAverage_, timeScale, unit.bytesPerSecond);
    showLine(received_, receivedSeries_, receivedAverage_, timeScale, unit.bytesPerSecond);
}

// A range and a tick interval set one after the other would, in between, ask for
// thousands of ticks (a KB/s interval on a GB/s range): the ticks stay fixed while
// both change.
void RatePlot::showBitScale(const AxisScale& bits) {
    if (bitAxis_->max() == bits.top && bitAxis_->tickInterval() == bits.step) return;
    bitAxis_->setTickType(QValueAxis::TicksFixed);
    bitAxis_->setRange(0, bits.top);
    bitAxis_->setTickInterval(bits.step);
    bitAxis_->setLabelFormat(labelFormat(bits.decimals));
    bitAxis_->setTickType(QValueAxis::TicksDynamic);
}

void RatePlot::showLine(const Line& line, QLineSeries* series, QLineSeries* average,
                        double timeScale, double unit) {
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(line.points.size()) + 1);
    bool moved = false;
    for (const Point& point : line.points) {
        points.append({point.seconds / timeScale, point.bytesPerSecond / unit});
        moved = moved || point.bytesPerSecond > 0;
    }
    // A lone sample is the rate of the second before it: drawn over that second.
    if (points.size() == 1) points.prepend({points[0].x() - 1 / timeScale, points[0].y()});
    // A direction that moved nothing in the run (the other side of a one-way test) is
    // left out rather than drawn along the floor.
    series->replace(moved ? points : QList<QPointF>());
    if (!moved || line.average < 0 || line.averageTo <= line.averageFrom) {
        average->clear();
        return;
    }
    double mean = static_cast<double>(line.average) / unit;
    average->replace({{line.averageFrom / timeScale, mean}, {line.averageTo / timeScale, mean}});
}

void RatePlot::showHover(const QString& name, const QPointF& point, bool state) {
    if (!state) {
        QToolTip::hideText();
        return;
    }
    QString time = minutes_ ? text("%1 分").arg(point.x(), 0, 'f', 1)
                            : text("%1 秒").arg(point.x(), 0, 'f', 0);
    QToolTip::showText(
        QCursor::pos(),
        QStringLiteral("%1: %2 %3 (%4)").arg(name).arg(point.y(), 0, 'g', 4).arg(unitName_, time));
}

}  // namespace qv::desktop
