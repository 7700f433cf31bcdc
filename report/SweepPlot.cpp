#include "report/SweepPlot.h"

#include <QFontMetricsF>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "records/JournalJson.h"

namespace {

constexpr double kReadingMax = 255;   // A/D bytes

enum Shape { Dot, Square, Cross, Line, Hatch, Dashed, Dotted };

QString outcomeWords(const JournalEvent& r)
{
    switch (r.outcome) {
    case JournalEvent::Outcome::Running:
        return QStringLiteral("running");
    case JournalEvent::Outcome::Interrupted:
        return r.restored ? QString::fromStdString(RestoredText(r)) : QStringLiteral("ended before its end");
    case JournalEvent::Outcome::Failed:
        return QStringLiteral("target out of reach, %1 restored").arg(r.result);
    case JournalEvent::Outcome::Done:
        break;
    }
    return {};
}

}  // namespace

QFont PlotFont(double points, bool bold)
{
    QFont f;
    f.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

SweepPlot::SweepPlot(const JournalEvent& rec, const QRectF& box, const QPaintDevice& device)
    : rec_(rec), box_(box), pt_(device.logicalDpiY() / 72.0)
{
    if (rec.kind == JournalEvent::Kind::Bpf) {
        xMax_ = rec.coarse ? 128 : 255;
        xStep_ = rec.coarse ? 16 : 32;
    } else {
        // Steps from 1; room for the longest search (two ends, eight mids).
        xMin_ = 1;
        xMax_ = std::max<double>(10, static_cast<double>(rec.points.size()));
        xStep_ = 1;
    }
    const double title = 16 * pt_, legend = 14 * pt_;
    const double left = 30 * pt_, right = 8 * pt_, bottom = 26 * pt_;
    area_ = QRectF(box.left() + left, box.top() + title + legend, box.width() - left - right,
                   box.height() - title - legend - bottom);
}

QPointF SweepPlot::at(double x, double reading) const
{
    return {area_.left() + (x - xMin_) / (xMax_ - xMin_) * area_.width(),
            area_.bottom() - reading / kReadingMax * area_.height()};
}

QString SweepPlot::title() const
{
    const QString item = QString::fromStdString(TrimmedTitle(rec_.title));
    const auto n = static_cast<int>(rec_.points.size());
    if (rec_.kind == JournalEvent::Kind::Bpf) {
        QString t = QStringLiteral("%1 %2 sweep, %3 readings").arg(item, rec_.coarse ? "coarse" : "fine").arg(n);
        if (rec_.outcome == JournalEvent::Outcome::Done)
            return t + QStringLiteral(": peak %1..%2 (SD %3), set to %4")
                           .arg(rec_.peakStart)
                           .arg(rec_.peakEnd)
                           .arg(rec_.highest)
                           .arg(rec_.result);
        return t + QStringLiteral(": ") + outcomeWords(rec_);
    }
    QString t = QStringLiteral("%1 search for LVIN %2, %3 steps").arg(item).arg(rec_.target).arg(n);
    if (rec_.outcome == JournalEvent::Outcome::Done)
        return t + QStringLiteral(": settled on %1").arg(rec_.result);
    return t + QStringLiteral(": ") + outcomeWords(rec_);
}

void SweepPlot::draw(QPainter& p) const
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 0.6 * pt_));
    p.setFont(PlotFont(9, true));
    p.drawText(QRectF(box_.left(), box_.top(), box_.width(), 14 * pt_), Qt::AlignLeft | Qt::AlignVCenter,
               title());
    drawAxes(p);
    if (rec_.kind == JournalEvent::Kind::Bpf)
        drawBpf(p);
    else
        drawLva(p);
    p.restore();
}

void SweepPlot::drawAxes(QPainter& p) const
{
    p.setFont(PlotFont(7));
    const QFontMetricsF fm(p.font(), p.device());
    const QPen grid(QColor(170, 170, 170), 0.4 * pt_, Qt::SolidLine);
    const QPen axis(Qt::black, 0.8 * pt_);
    for (int y = 0; y <= 250; y += 50) {
        const QPointF a = at(xMin_, y);
        p.setPen(grid);
        p.drawLine(a, QPointF(area_.right(), a.y()));
        p.setPen(axis);
        p.drawText(QRectF(box_.left(), a.y() - fm.height() / 2, area_.left() - box_.left() - 3 * pt_, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(y));
    }
    // Ticks every step, and one at the end of the range (255 for a fine sweep).
    std::vector<double> ticks;
    for (double x = xMin_; x < xMax_ - xStep_ / 2; x += xStep_)
        ticks.push_back(x);
    ticks.push_back(xMax_);
    for (double x : ticks) {
        const QPointF a = at(x, 0);
        p.setPen(grid);
        p.drawLine(a, QPointF(a.x(), area_.top()));
        p.setPen(axis);
        p.drawLine(a, a + QPointF(0, 2 * pt_));
        p.drawText(QRectF(a.x() - 20 * pt_, a.y() + 2 * pt_, 40 * pt_, fm.height()), Qt::AlignHCenter,
                   QString::number(x));
    }
    p.setPen(axis);
    p.setBrush(Qt::NoBrush);
    p.drawRect(area_);
    const QString xName = rec_.kind == JournalEvent::Kind::Bpf ? QStringLiteral("tuning value")
                                                               : QStringLiteral("step");
    p.drawText(QRectF(area_.left(), area_.bottom() + 3 * pt_ + fm.height(), area_.width(), fm.height()),
               Qt::AlignHCenter, xName);
    p.save();
    p.translate(box_.left() + fm.height() * 0.2, area_.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-area_.height() / 2, 0, area_.height(), fm.height()), Qt::AlignHCenter,
               rec_.kind == JournalEvent::Kind::Bpf ? QStringLiteral("SD reading")
                                                    : QStringLiteral("LVIN reading, setting"));
    p.restore();
}

void SweepPlot::marker(QPainter& p, const QPointF& c, int shape) const
{
    const double r = 1.8 * pt_;
    switch (shape) {
    case Dot:
        p.setBrush(Qt::black);
        p.drawEllipse(c, r * 0.8, r * 0.8);
        break;
    case Square:
        p.setBrush(Qt::white);
        p.drawRect(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r));
        break;
    case Cross:
        p.drawLine(c + QPointF(-r, -r), c + QPointF(r, r));
        p.drawLine(c + QPointF(-r, r), c + QPointF(r, -r));
        break;
    default:
        break;
    }
}

void SweepPlot::drawBpf(QPainter& p) const
{
    p.setFont(PlotFont(7));
    const bool done = rec_.outcome == JournalEvent::Outcome::Done && rec_.peakStart >= 0;
    if (done) {
        // The peak range, hatched so that it reads in black and white.
        const double x0 = at(rec_.peakStart, 0).x(), x1 = at(rec_.peakEnd, 0).x();
        const double w = std::max(x1 - x0, 1.5 * pt_);
        const QRectF peak(x0 - (w - (x1 - x0)) / 2, area_.top(), w, area_.height());
        p.setPen(Qt::NoPen);
        p.setBrush(QBrush(QColor(90, 90, 90), Qt::BDiagPattern));
        p.drawRect(peak);
    }
    p.setPen(QPen(Qt::black, 1.0 * pt_));
    p.setBrush(Qt::NoBrush);
    QPolygonF line;
    for (const JournalPoint& pt : rec_.points)
        line << at(pt.value, pt.reading);
    p.drawPolyline(line);
    if (rec_.points.size() <= 70)
        for (const QPointF& c : line)
            marker(p, c, Dot);
    if (done) {
        // The value written: a dashed line across the plot.
        p.setPen(QPen(Qt::black, 1.2 * pt_, Qt::DashLine));
        const QPointF b = at(rec_.result, 0);
        p.drawLine(b, QPointF(b.x(), area_.top()));
        // Its label on white, clear of the hatching.
        const QString label = QStringLiteral("set %1").arg(rec_.result);
        const QFontMetricsF fm(p.font(), p.device());
        // Right of the line, or left of it where the plot's edge is near.
        const double w = fm.horizontalAdvance(label) + 2 * pt_;
        const double x = b.x() + 2 * pt_ + w <= area_.right() ? b.x() + 2 * pt_ : b.x() - 2 * pt_ - w;
        const QRectF box(x, area_.top() + 2 * pt_, w, fm.height());
        p.fillRect(box, Qt::white);
        p.setPen(Qt::black);
        p.drawText(box, Qt::AlignCenter, label);
    }
    drawLegend(p, {{QStringLiteral("SD reading"), Dot}, {QStringLiteral("peak range"), Hatch},
                   {QStringLiteral("value written"), Dashed}});
}

void SweepPlot::drawLva(QPainter& p) const
{
    p.setFont(PlotFont(7));
    if (rec_.target >= 0) {
        p.setPen(QPen(Qt::black, 1.0 * pt_, Qt::DotLine));
        const QPointF a = at(xMin_, rec_.target);
        p.drawLine(a, QPointF(area_.right(), a.y()));
        p.setPen(Qt::black);
        p.drawText(QRectF(area_.right() - 80 * pt_, a.y() - 10 * pt_, 78 * pt_, 9 * pt_),
                   Qt::AlignRight | Qt::AlignBottom, QStringLiteral("target %1").arg(rec_.target));
    }
    QPolygonF reading, setting;
    for (size_t i = 0; i < rec_.points.size(); ++i) {
        reading << at(static_cast<double>(i + 1), rec_.points[i].reading);
        setting << at(static_cast<double>(i + 1), rec_.points[i].value);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, 0.8 * pt_, Qt::DashLine));
    p.drawPolyline(setting);
    p.setPen(QPen(Qt::black, 0.8 * pt_));
    for (const QPointF& c : setting)
        marker(p, c, Cross);
    p.setPen(QPen(Qt::black, 1.2 * pt_));
    p.drawPolyline(reading);
    p.setPen(QPen(Qt::black, 0.8 * pt_));
    for (const QPointF& c : reading)
        marker(p, c, Square);
    drawLegend(p, {{QStringLiteral("LVIN reading"), Square},
                   {QString::fromStdString(TrimmedTitle(rec_.title)) + QStringLiteral(" setting"), Cross},
                   {QStringLiteral("target"), Dotted}});
}

void SweepPlot::drawLegend(QPainter& p, const std::vector<std::pair<QString, int>>& entries) const
{
    p.setFont(PlotFont(7));
    const QFontMetricsF fm(p.font(), p.device());
    double x = area_.left();
    const double y = area_.top() - 7 * pt_;
    for (const auto& [text, shape] : entries) {
        const QRectF sample(x, y - 3 * pt_, 16 * pt_, 6 * pt_);
        switch (shape) {
        case Hatch:
            p.setPen(QPen(Qt::black, 0.4 * pt_));
            p.setBrush(QBrush(QColor(90, 90, 90), Qt::BDiagPattern));
            p.drawRect(sample);
            break;
        case Dashed:
        case Dotted:
            p.setPen(QPen(Qt::black, 1.2 * pt_, shape == Dashed ? Qt::DashLine : Qt::DotLine));
            p.drawLine(QPointF(sample.left(), y), QPointF(sample.right(), y));
            break;
        default:
            p.setPen(QPen(Qt::black, shape == Cross ? 0.8 * pt_ : 1.2 * pt_, shape == Cross ? Qt::DashLine
                                                                                            : Qt::SolidLine));
            p.drawLine(QPointF(sample.left(), y), QPointF(sample.right(), y));
            p.setPen(QPen(Qt::black, 0.8 * pt_));
            marker(p, sample.center(), shape);
            break;
        }
        p.setPen(Qt::black);
        p.setBrush(Qt::NoBrush);
        const double w = fm.horizontalAdvance(text);
        p.drawText(QRectF(sample.right() + 3 * pt_, y - fm.height() / 2, w + 2 * pt_, fm.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, text);
        x = sample.right() + 3 * pt_ + w + 10 * pt_;
    }
}

void SweepPlot::drawEmpty(QPainter& p, const QRectF& box, const QPaintDevice& device, const QString& text)
{
    const double pt = device.logicalDpiY() / 72.0;
    p.save();
    p.setPen(QPen(QColor(120, 120, 120), 0.8 * pt, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(box.adjusted(pt, pt, -pt, -pt));
    p.setFont(PlotFont(9));
    p.setPen(Qt::black);
    p.drawText(box, Qt::AlignCenter, text);
    p.restore();
}
