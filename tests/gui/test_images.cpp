// The File menu's image entries and the View menu's plots in the real
// window against the simulated radio; the report's page margins.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "app/qt/RestoreDialog.h"
#include "report/ServiceReport.h"
#include "report/SweepPlot.h"
#include "model/clsIndOp_RigTavik.h"
#include "tests/gui/GuiRig.h"
#include "tests/support/ManualTickClock.h"

namespace {

// The pixels of a column inside the plot area that are near black, or of
// the peak range's hatching (a mid grey).
int pixels(const QImage& img, double x, const QRectF& area, bool hatching)
{
    int n = 0;
    for (int y = static_cast<int>(area.top()) + 2; y < static_cast<int>(area.bottom()) - 2; ++y) {
        const QRgb c = img.pixel(static_cast<int>(x + 0.5), y);
        n += (hatching ? qRed(c) == 90 && qGreen(c) == 90 && qBlue(c) == 90 : qGray(c) < 60) ? 1 : 0;
    }
    return n;
}

// Each menu of the bar, then each submenu, as "title: entry; entry", "-"
// for a separator.
std::vector<std::string> Menus(const QMenuBar* bar)
{
    std::vector<std::string> lines;
    QList<QAction*> menus = bar->actions();
    for (int i = 0; i < menus.size(); ++i) {
        std::string line = menus[i]->text().toStdString() + ":";
        for (QAction* a : menus[i]->menu()->actions()) {
            line += (line.back() == ':' ? " " : "; ") + (a->isSeparator() ? "-" : a->text().toStdString());
            if (a->menu() != nullptr)
                menus.push_back(a);
        }
        lines.push_back(line);
    }
    return lines;
}

}  // namespace

TEST(Images, BackupAtConnectPlotsSaveAndWriteBackWithConfirmAndVerify)
{
    GuiRig r({"--fast"});
    ASSERT_TRUE(r.start());
    MainWindow& w = r.w();
    // The window's own menus and entries keep their places; the new ones follow them.
    const std::string sim = " (" + r.sim->device() + ", the simulated radio)";
    EXPECT_EQ(Menus(w.menuBar()), (std::vector<std::string>{
                                      "&File: E&xit; -; &Save image...; &Write image to radio...; "
                                      "Open &backups folder; Save &report...; &Job details...",
                                      "&Option: &Port; &Auto port release; Port &device...",
                                      "&View: &Sweep plots...; &History...",
                                      "&Procedure: &Run procedure...",
                                      "&Port: COM &1" + sim + "; COM &2" + sim + "; COM &3" + sim +
                                          "; COM &4" + sim,
                                      "&Auto port release: &OFF; &1 sec; &2 sec; &3 sec; &4 sec; &5 sec"}));

    QTest::mouseClick(w.cmd00(0), Qt::LeftButton);
    ASSERT_TRUE(r.quiet()) << "Connect";
    const std::vector<std::string> backups = FilesIn(r.options.backupFolder, ".bin");
    const std::string backup = backups.empty() ? "" : backups[0];

    [&] {   // the plots: a fatal check here leaves this lambda only, and the parts after it still run
        r.desk->mnuViewPlots()->trigger();
        PlotWindow* plots = r.desk->plotWindow();
        ASSERT_NE(plots, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(plots));
        EXPECT_EQ(plots->frameGeometry().topLeft(),
                  DesktopApp::PlaceBeside(w.frameGeometry(), plots->frameGeometry().size(),
                                          w.screen()->availableGeometry()));

        r.keyOnLine(kBpfT1, Qt::Key_Return);
        // Painted by the window itself while the sweep runs, more each time.
        size_t first = 0;
        ASSERT_TRUE(WaitFor([&] { return (first = plots->paintedBpfPoints()) > 0; }, 20000));
        ASSERT_TRUE(WaitFor([&] { return plots->paintedBpfPoints() > first; }, 20000));
        ASSERT_TRUE(WaitFor([&] { return plots->paintedBpfPoints() == 256; }, 120000));
        EXPECT_TRUE(r.quiet()) << "the sweep";

        const JournalEvent* bpf = plots->bpf();
        ASSERT_NE(bpf, nullptr);
        EXPECT_EQ(bpf->outcome, JournalEvent::Outcome::Done);
        EXPECT_EQ(bpf->result, r.app().model().myConsole.Value(kBpfT1)) << "the journal holds what the console shows";

        const QImage img = plots->grab().toImage();
        const SweepPlot plot(*bpf, plots->bpfBox(), *plots);
        const QRectF& area = plot.area();
        const double height = static_cast<int>(area.bottom()) - static_cast<int>(area.top()) - 4;
        // The value written: a dashed line down the plot at the journal's
        // result, and not a few values beside it.
        EXPECT_GT(pixels(img, plot.at(bpf->result, 0).x(), area, false) / height, 0.45);
        EXPECT_LT(pixels(img, plot.at(bpf->result + 12, 0).x(), area, false) / height, 0.1);
        // The peak range hatched from the journal's first to its last peak value.
        EXPECT_GT(pixels(img, plot.at(bpf->peakStart + 1, 0).x(), area, true), 8);
        EXPECT_GT(pixels(img, plot.at(bpf->peakEnd - 1, 0).x(), area, true), 8);
        // (The curve's smoothed edge may give a pixel or two of the same grey.)
        EXPECT_LE(pixels(img, plot.at(bpf->peakStart - 4, 0).x(), area, true), 2);
        EXPECT_LE(pixels(img, plot.at(bpf->peakEnd + 4, 0).x(), area, true), 2);
    }();

    r.keyOnLine(kPowerHi, Qt::Key_Right);
    EXPECT_TRUE(r.quiet()) << "the step";
    EXPECT_TRUE(r.desk->images().saveImageTo(r.dir.file("saved.bin")));
    const std::string saved = ReadFile(r.dir.file("saved.bin"));
    EXPECT_EQ(saved.size(), 8160u);
    const auto powHi = [](const std::string& f) { return f.size() > 0x82 ? static_cast<unsigned char>(f[0x82]) : -1; };
    EXPECT_EQ(powHi(saved), powHi(ReadFile(backup)) + 1) << "the saved image carries the step";
    EXPECT_TRUE(FileExists(r.dir.file("saved.txt")));
    ASSERT_EQ(::mkfifo(r.dir.file("pipe").c_str(), 0644), 0);
    {
        BoxCatcher refusals;
        EXPECT_FALSE(r.desk->images().saveImageTo(r.dir.file("pipe")));
        EXPECT_FALSE(r.desk->images().saveReportTo(r.dir.file("pipe")));
        EXPECT_EQ(refusals.boxes.size(), 2u);
        for (const BoxCatcher::Box& b : refusals.boxes) {
            EXPECT_TRUE(b.text.contains("pipe is a FIFO, not a regular file")) << b.text.toStdString();
            EXPECT_EQ(b.icon, static_cast<int>(QMessageBox::Warning));
        }
        struct stat st {};
        EXPECT_TRUE(::lstat(r.dir.file("pipe").c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
    }

    // The backup back into the radio: the dialog lists the step undone.
    BoxCatcher boxes;
    ASSERT_TRUE(r.desk->images().writeImageFrom(backup));
    ASSERT_TRUE(WaitFor([&] { return r.desk->images().restoreDialog() != nullptr; }, 15000));
    auto* dialog = qobject_cast<RestoreDialog*>(r.desk->images().restoreDialog());
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->list()->toPlainText().contains("POW HI Level:")) << dialog->list()->toPlainText().toStdString();
    dialog->accept();
    for (const char* phase : {"Writing ", "Verifying "})
        EXPECT_TRUE(WaitFor([&] { return w.statusPhase()->text().startsWith(phase) || !boxes.boxes.empty(); }, 15000) &&
                    boxes.boxes.empty())
            << phase;
    EXPECT_TRUE(WaitFor([&] { return !boxes.boxes.empty(); }, 30000));
    EXPECT_EQ(w.statusNotice()->text().toStdString(), "The image was written and verified. \"Connect\" is needed to "
                                                      "adjust again: the restore took the radio from the console.");
    EXPECT_TRUE(r.sim->image() == ReadFile(backup)) << "the radio holds the backup again";
    ASSERT_FALSE(boxes.boxes.empty());
    EXPECT_TRUE(boxes.boxes[0].text.startsWith("verified")) << boxes.boxes[0].text.toStdString();
    EXPECT_EQ(boxes.boxes[0].icon, static_cast<int>(QMessageBox::Information));
}

// Whatever a job holds, its report stays inside the margins that A4 and US
// Letter share: a path or a message wider than the page wraps, and a sweep
// that ended near its top value labels that value inside the plot.
TEST(Images, TheReportWrapsWhatIsWiderThanThePage)
{
    ManualTickClock clock;
    ServiceJournal j(clock);
    const std::string path = "/" + std::string(90, 'p') + "/5314-0100_2026-12-06T11-09-53.bin";
    j.begin(1);
    j.cloneRead("5314", "0100", false, 1, path, {{"BPF T1", 120, 120}});
    j.start(JournalEvent::Kind::Bpf, 0, "BPF T1", 120);
    for (int v = 0; v < 256; ++v)
        j.point(0, v, v);
    j.finishBpf(0, 255, 250, 255, 254);
    j.failure("No answer from transceiver.\r\nThe radio's memory is partly written; put the backup back with "
              "dorvel-adj-cli write --device " + path + " --in " + path + " --yes");
    JobInfo job;
    job.version = "1.0";
    job.backupPath = path;
    job.details.order = std::string(150, 'o');
    TempDir dir;
    std::ofstream(dir.file("r.pdf"), std::ios::binary) << ServiceReportPdf(j, job, 1765000000, QPageSize::A4)
                                                                  .toStdString();
    const std::string text = PdfText(dir.file("r.pdf"));
    EXPECT_TRUE(Has(text, "set 254")) << text;
    EXPECT_TRUE(Has(text, "ppppp")) << text;
    const auto [right, bottom] = PdfTextExtent(dir.file("r.pdf"));
    EXPECT_LE(right, 195 / 25.4 * 72);
    EXPECT_LE(bottom, 264.4 / 25.4 * 72);
}
