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

// A round top of the scale at or above `peak`: 1, 2 or 5 times a power of ten.
double scaleTop(double peak) {
    if (peak <= 1) return 1;
    double step = std::pow(10.0, std::floor(std::log10(peak)));
    for (double factor : {1.0, 2.0, 5.0, 10.0}) {
        if (step * factor >= peak) return step * factor;
    }
    return peak;
}

// The rate axis's top: a round figure above the peak, so that a steady rate never runs
// along the chart's frame; a fifth of it (the tick step) is round as well.
double rateTop(double peak) {
    double wanted = std::max(peak * 1.05, 1.0);
    double power = std::pow(10.0, std::floor(std::log10(wanted)));
    for (double factor : {1.0, 1.5, 2.0, 2.5, 3.0, 4.0, 5.0, 7.5, 10.0}) {
        if (power * factor >= wanted) return power * factor;
    }
    return wanted;
}

}  // namespace

std::int64_t lastPeriodRate(const RateHistory& history, std::uint32_t& lastTick) {
    std::uint32_t start = history.ticks[0];
    std::uint32_t end = history.ticks[RateHistory::kCurrent];
    if (start == 0 || start == lastTick || end <= start) return -1;
    lastTick = start;
    return history.bytes[0] * 1000 / static_cast<std::int64_t>(end - start);
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
    rateAxis_->setLabelFormat(QStringLiteral("%.3g"));
    bitAxis_->setLabelFormat(QStringLiteral("%.3g"));
    bitAxis_->setGridLineVisible(false);
    for (QValueAxis* axis : {timeAxis_, rateAxis_, bitAxis_})
        axis->setTickCount(6);
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

bool RatePlot::sample(const RateHistory& sent, const RateHistory& received) {
    std::int64_t sentRate = lastPeriodRate(sent, sentTick_);
    std::int64_t receivedRate = lastPeriodRate(received, receivedTick_);
    if (sentRate < 0 && receivedRate < 0) return false;
    bool hasPoints = !sent_.points.empty() || !received_.points.empty();
    if (hasPoints && clock_.elapsed() - lastSampleMs_ > kRunGapMs) clear();
    lastSampleMs_ = clock_.elapsed();
    // The first sample ends the run's first second.
    if (!hasPoints) originMs_ = lastSampleMs_ - 1000;
    double seconds = static_cast<double>(lastSampleMs_ - originMs_) / 1000.0;
    if (sentRate >= 0) add(sent_, sentRate, seconds);
    if (receivedRate >= 0) add(received_, receivedRate, seconds);
    redraw();
    return true;
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
    double top = rateTop(std::max(peak, unit.bytesPerSecond) / unit.bytesPerSecond);
    rateAxis_->setRange(0, top);
    rateAxis_->setTitleText(unitName_);
    bitAxis_->setRange(0, top * unit.bytesPerSecond * 8 / 1e6);
    // Whole ticks: 1, 2 or 5 times a power of ten apart, up to five along the axis.
    double step = scaleTop(std::max(2.0, end / timeScale) / 5);
    int ticks = static_cast<int>(std::ceil(end / timeScale / step));
    ticks = std::max(ticks, 2);
    timeAxis_->setRange(0, step * ticks);
    timeAxis_->setTickCount(ticks + 1);
    timeAxis_->setTitleText(minutes_ ? text("経過時間 (分)") : text("経過時間 (秒)"));
    showLine(sent_, sentSeries_, sentAverage_, timeScale, unit.bytesPerSecond, end);
    showLine(received_, receivedSeries_, receivedAverage_, timeScale, unit.bytesPerSecond, end);
}

void RatePlot::showLine(const Line& line, QLineSeries* series, QLineSeries* average,
                        double timeScale, double unit, double endSeconds) {
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(line.points.size()));
    for (const Point& point : line.points)
        points.append({point.seconds / timeScale, point.bytesPerSecond / unit});
    series->replace(points);
    if (line.count < 2) {
        average->clear();
        return;
    }
    double mean = line.sum / static_cast<double>(line.count) / unit;
    average->replace(
        {{line.points.front().seconds / timeScale, mean}, {endSeconds / timeScale, mean}});
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
