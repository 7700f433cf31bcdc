// The sweep plot window against a sweep on the simulated radio: it follows
// the sweep as it runs, and the peak it marks is the one in the journal.
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "app/qt/SweepPlot.h"
#include "model/clsIndOp_RigTavik.h"
#include "tests/gui/GuiRig.h"

namespace {

constexpr int kBpfT1 = 11;

// The share of a column's pixels inside the plot area that are near black.
double darkShare(const QImage& img, double x, const QRectF& area)
{
    int dark = 0, all = 0;
    for (int y = static_cast<int>(area.top()) + 2; y < static_cast<int>(area.bottom()) - 2; ++y, ++all)
        dark += qGray(img.pixel(static_cast<int>(x + 0.5), y)) < 60 ? 1 : 0;
    return all > 0 ? static_cast<double>(dark) / all : 0;
}

// Pixels of the peak range's hatching (a mid grey) in a column.
int hatchPixels(const QImage& img, double x, const QRectF& area)
{
    int n = 0;
    for (int y = static_cast<int>(area.top()) + 2; y < static_cast<int>(area.bottom()) - 2; ++y) {
        const QRgb c = img.pixel(static_cast<int>(x + 0.5), y);
        n += qRed(c) == 90 && qGreen(c) == 90 && qBlue(c) == 90 ? 1 : 0;
    }
    return n;
}

}  // namespace

TEST(Plots, TheWindowFollowsASweepAndMarksThePeakOfTheJournal)
{
    GuiRig r({"--fast"});
    ASSERT_TRUE(r.start());
    MainWindow& w = r.w();
    const QList<QAction*> menus = w.menuBar()->actions();
    ASSERT_GE(menus.size(), 3);
    EXPECT_EQ(menus[2]->text(), "&View") << "after the window's own menus";
    EXPECT_EQ(w.fileMenu()->actions().at(0), w.mnuFileExit()) << "Exit keeps its place";

    QTest::mouseClick(w.cmd00(0), Qt::LeftButton);
    ASSERT_TRUE(r.quiet());
    r.desk->mnuViewPlots()->trigger();
    PlotWindow* plots = r.desk->plotWindow();
    ASSERT_NE(plots, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(plots));

    w.lboConsole()->setFocus();
    w.lboConsole()->setCurrentRow(kBpfT1);
    QTest::keyClick(w.lboConsole(), Qt::Key_Return);
    // Painted by the window itself while the sweep runs, more each time.
    size_t first = 0;
    ASSERT_TRUE(WaitFor([&] { return (first = plots->paintedBpfPoints()) > 0; }, 20000));
    EXPECT_LT(first, 256u);
    ASSERT_TRUE(WaitFor([&] { return plots->paintedBpfPoints() > first; }, 20000));
    ASSERT_TRUE(WaitFor([&] { return plots->paintedBpfPoints() == 256; }, 120000));
    ASSERT_TRUE(r.quiet());

    const JournalEvent* bpf = plots->bpf();
    ASSERT_NE(bpf, nullptr);
    ASSERT_EQ(bpf->outcome, JournalEvent::Outcome::Done);
    EXPECT_EQ(bpf->result, r.app().model().myConsole.Value(kBpfT1)) << "the journal holds what the console shows";

    const QImage img = plots->grab().toImage();
    const SweepPlot plot(*bpf, plots->bpfBox(), *plots);
    const QRectF& area = plot.area();
    // The value written: a dashed line down the plot at the journal's result,
    // and not a few values beside it.
    EXPECT_GT(darkShare(img, plot.at(bpf->result, 0).x(), area), 0.45);
    EXPECT_LT(darkShare(img, plot.at(bpf->result + 12, 0).x(), area), 0.1);
    // The peak range hatched from the journal's first to its last peak value.
    EXPECT_GT(hatchPixels(img, plot.at(bpf->peakStart + 1, 0).x(), area), 8);
    EXPECT_GT(hatchPixels(img, plot.at(bpf->peakEnd - 1, 0).x(), area), 8);
    // (The curve's smoothed edge may give a pixel or two of the same grey.)
    EXPECT_LE(hatchPixels(img, plot.at(bpf->peakStart - 4, 0).x(), area), 2);
    EXPECT_LE(hatchPixels(img, plot.at(bpf->peakEnd + 4, 0).x(), area), 2);

    // File > Save report... writes the PDF and the JSON beside it.
    EXPECT_TRUE(r.desk->saveReportTo(r.dir.file("job.pdf")));
    EXPECT_TRUE(FileExists(r.dir.file("job.pdf")) && FileExists(r.dir.file("job.json")));
}
