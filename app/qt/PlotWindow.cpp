#include "app/qt/PlotWindow.h"

#include <QPainter>

#include "report/SweepPlot.h"

namespace {

constexpr int kPollMs = 100;   // how soon a new reading shows
constexpr int kMargin = 10;

}  // namespace

PlotWindow::PlotWindow(const ServiceJournal& journal, QWidget* parent)
    : QWidget(parent, Qt::Window), journal_(journal)
{
    setWindowTitle(QStringLiteral("Dorvel ADJ - Sweep plots"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(720, 620);
    setMinimumSize(420, 360);
    poll_.setInterval(kPollMs);
    connect(&poll_, &QTimer::timeout, this, [this] {
        if (journal_.revision() != paintedRevision_)
            update();
    });
}

QRectF PlotWindow::bpfBox() const
{
    return QRectF(kMargin, kMargin, width() - 2 * kMargin, height() / 2.0 - 1.5 * kMargin);
}

QRectF PlotWindow::lvaBox() const
{
    return QRectF(kMargin, height() / 2.0 + kMargin / 2.0, width() - 2 * kMargin, height() / 2.0 - 1.5 * kMargin);
}

void PlotWindow::paintEvent(QPaintEvent* /*event*/)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    paintedRevision_ = journal_.revision();
    const JournalEvent* b = bpf();
    paintedBpfPoints_ = b != nullptr ? b->points.size() : 0;
    if (b != nullptr)
        SweepPlot(*b, bpfBox(), *this).draw(p);
    else
        SweepPlot::drawEmpty(p, bpfBox(), *this, QStringLiteral("No BPF sweep since Connect"));
    if (const JournalEvent* l = lva())
        SweepPlot(*l, lvaBox(), *this).draw(p);
    else
        SweepPlot::drawEmpty(p, lvaBox(), *this, QStringLiteral("No LVA search since Connect"));
}

void PlotWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    poll_.start();
}

void PlotWindow::hideEvent(QHideEvent* event)
{
    poll_.stop();
    QWidget::hideEvent(event);
}
