#pragma once
// The picture of one automatic adjustment from the journal: a BPF sweep as
// the SD reading against the tuning value, with the peak range and the
// value written marked; an LVA search as the LVIN reading against the step,
// with the target line and the setting tried at each step. The plot window
// and the report draw with it alike. Series differ in line style and
// marker, so that a black-and-white print keeps them apart.
#include <QPainter>
#include <QRectF>
#include <QString>

#include "model/ServiceJournal.h"

class SweepPlot {
public:
    // rec: a Bpf or Lva record. box: the whole plot with its title, axes and
    // legend, in the device's units.
    SweepPlot(const JournalEvent& rec, const QRectF& box, const QPaintDevice& device);

    void draw(QPainter& p) const;
    // The data area, and where a value (BPF) or step (LVA, from 1) and a
    // reading land in it.
    const QRectF& area() const { return area_; }
    QPointF at(double x, double reading) const;
    // The line above the plot: what was adjusted and how it ended.
    QString title() const;

    // A frame with a line of text where no record is yet.
    static void drawEmpty(QPainter& p, const QRectF& box, const QPaintDevice& device, const QString& text);

private:
    void drawAxes(QPainter& p) const;
    void drawBpf(QPainter& p) const;
    void drawLva(QPainter& p) const;
    void drawLegend(QPainter& p, const std::vector<std::pair<QString, int>>& entries) const;
    void marker(QPainter& p, const QPointF& c, int shape) const;

    const JournalEvent& rec_;
    QRectF box_;
    QRectF area_;
    double pt_;      // device units per typographic point
    double xMin_ = 0, xMax_ = 255, xStep_ = 32;
};

// Plot text: a sans-serif face at the given size in points.
QFont PlotFont(double points, bool bold = false);
