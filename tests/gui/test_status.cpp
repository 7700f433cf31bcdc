// What the window adds beside its own controls: the status line, the job
// details, the device chooser and where the plot window goes.
#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "app/qt/JobDialog.h"
#include "app/qt/PortDeviceDialog.h"
#include "tests/gui/GuiRig.h"

namespace {

// Waits until the number the phase shows after the pattern's words fits;
// that number, or -1 and a failure that says what the phase showed.
int Number(const QLabel* phase, const QString& pattern, const std::function<bool(int)>& fits, int ms)
{
    int n = -1;
    const bool fitted = WaitFor([&] {
        const QRegularExpressionMatch m = QRegularExpression("^" + pattern).match(phase->text());
        n = m.hasMatch() ? m.captured(1).toInt() : -1;
        return fits(n);
    }, ms);
    EXPECT_TRUE(fitted) << pattern.toStdString() << ": " << phase->text().toStdString();
    return fitted ? n : -1;
}

TEST(StatusLine, PhasesNoticesJobDetailsAndACancelledRestoreOnThePacedLine)
{
    GuiRig r({"--baud", "9600"});
    ASSERT_TRUE(r.start());
    MainWindow& w = r.w();
    const QLabel* phase = w.statusPhase();
    const QLabel* notice = w.statusNotice();
    ASSERT_FALSE(phase->isHidden());
    EXPECT_GT(phase->mapTo(&w, QPoint(0, 0)).y(), w.fra01(0)->mapTo(&w, QPoint(0, w.fra01(0)->height())).y())
        << "under the panels";

    {
        SCOPED_TRACE("job details typed before Connect");
        r.desk->mnuFileJobDetails()->trigger();
        auto* d = qobject_cast<JobDialog*>(r.desk->jobDialog());
        ASSERT_NE(d, nullptr);
        EXPECT_TRUE(d->whereTo()->text().startsWith("No radio is connected: these details go to the job the next "
                                                    "\"Connect\" starts."))
            << d->whereTo()->text().toStdString();
        d->field(0)->setText("A. Tech");
        d->field(2)->setText(" SN-1 ");
        d->accept();
        EXPECT_EQ(r.app().job().details().technician, "A. Tech");
    }
    {
        SCOPED_TRACE("Connect: the read, pressed again, the push, the backup");
        QTest::mouseClick(w.cmd00(0), Qt::LeftButton);
        EXPECT_LT(Number(phase, "Reading the radio (\\d+) %", [](int n) { return n >= 3; }, 20000), 100);
        QTest::mouseClick(w.cmd00(0), Qt::LeftButton);
        EXPECT_EQ(notice->text(), "Connect pressed again: reading the radio from the start");
        Number(phase, "Reading the radio (\\d+) %", [](int n) { return n == 0; }, 5000);
        EXPECT_LT(Number(phase, "Pushing values (\\d+) of 18$", [](int n) { return n > 0; }, 40000), 18);
        ASSERT_TRUE(r.quiet());
        const std::vector<std::string> backups = FilesIn(r.options.backupFolder, ".bin");
        ASSERT_EQ(backups.size(), 1u);
        EXPECT_EQ(notice->text().toStdString(), "Backup taken: " + backups[0]);
    }
    {
        SCOPED_TRACE("job details of the radio connected");
        r.desk->mnuFileJobDetails()->trigger();
        auto* d = qobject_cast<JobDialog*>(r.desk->jobDialog());
        ASSERT_NE(d, nullptr);
        EXPECT_TRUE(d->whereTo()->text().startsWith("These details go to the job of the radio read at the last"))
            << d->whereTo()->text().toStdString();
        EXPECT_EQ(d->field(2)->text(), "SN-1") << "typed before Connect: this radio's";
        d->reject();
    }
    {
        SCOPED_TRACE("saved files: their default names and where they went");
        const QString stamp = "\\d{8}-\\d{4}";
        EXPECT_TRUE(r.desk->images().suggestedImagePath().contains(QRegularExpression("/dorvel-image-5314-0100-" + stamp + "\\.bin$")))
            << r.desk->images().suggestedImagePath().toStdString();
        EXPECT_TRUE(r.desk->images().suggestedReportPath().contains(QRegularExpression("/dorvel-report-" + stamp + "\\.pdf$")));
        ASSERT_TRUE(r.desk->images().saveReportTo(r.dir.file("job.pdf")));
        EXPECT_EQ(notice->text().toStdString(), "Report saved to " + r.dir.file("job.pdf"));
        ASSERT_TRUE(r.desk->images().saveImageTo(r.dir.file("radio.bin")));
        EXPECT_EQ(notice->text().toStdString(), "Image saved to " + r.dir.file("radio.bin"));
    }
    {
        SCOPED_TRACE("a sweep, ended by a click");
        r.keyOnLine(kBpfT1, Qt::Key_Return);
        Number(phase, "BPF T1 sweep (\\d+) of 256$", [](int n) { return n > 2; }, 20000);
        QTest::mouseClick(w.cmd00(1), Qt::LeftButton);
        EXPECT_TRUE(r.quiet());
        EXPECT_TRUE(WaitFor([&] { return phase->text().isEmpty(); }, 2000)) << phase->text().toStdString();
    }
    {
        SCOPED_TRACE("a restore cancelled at its question");
        ASSERT_TRUE(r.desk->images().writeImageFrom(r.dir.file("radio.bin")));
        EXPECT_LT(Number(phase, "Reading the radio (\\d+) %", [](int n) { return n > 0; }, 10000), 100);
        EXPECT_EQ(State(w), "F-- ---") << "the title frame and its progress, no button that does nothing";
        ASSERT_TRUE(WaitFor([&] { return r.desk->images().restoreDialog() != nullptr; }, 40000));
        EXPECT_EQ(State(w), "F-- ---");
        r.desk->images().restoreDialog()->reject();
        EXPECT_EQ(notice->text().toStdString(),
                  "Nothing was written. \"Connect\" is needed to adjust again: the restore took the radio from the "
                  "console.");
        EXPECT_TRUE(WaitFor([&] { return State(w) == "F-- E--"; }, 2000)) << State(w);
        EXPECT_EQ(r.waitForFrame(0, "FEFEEEEFE3", 0), -1) << "no clone write";
    }
}

TEST(StatusLine, TheDeviceChooserStartsOnTheCurrentDeviceRefreshesAndTakesATypedPath)
{
    std::vector<platform::SerialPortEntry> ports = {{"/dev/ttyS0", "", "", "", "", false, {}}};
    PortDeviceDialog d(2, [&] { return ports; }, "/dev/pts/9", true);
    ASSERT_EQ(d.list()->topLevelItemCount(), 2);
    EXPECT_EQ(d.list()->currentItem()->text(0), "/dev/pts/9");
    EXPECT_EQ(d.list()->currentItem()->text(2), "the simulated radio of the demo");
    EXPECT_EQ(d.chosen(), "/dev/pts/9");
    d.list()->setCurrentItem(d.list()->topLevelItem(0));
    ports.push_back({"/dev/ttyUSB0", "/dev/serial/by-id/usb-cable", "Cloning cable", "Maker", "42", true, {}});
    d.refreshButton()->click();
    ASSERT_EQ(d.list()->topLevelItemCount(), 3) << "the new adapter, and the device of the number still";
    EXPECT_EQ(d.list()->topLevelItem(1)->text(0), "/dev/serial/by-id/usb-cable");
    EXPECT_EQ(d.chosen(), "/dev/ttyS0") << "the choice kept";
    d.typed()->setText(" /dev/ttyACM3 ");
    EXPECT_EQ(d.chosen(), "/dev/ttyACM3");
    d.typed()->clear();
    d.list()->setCurrentItem(nullptr);
    EXPECT_EQ(d.chosen(), "");
}

TEST(StatusLine, ThePlotWindowGoesBesideTheMainWindow)
{
    struct Case { const char* name; QRect main; QRect screen; QPoint at; };
    const QSize side(720, 620);
    const Case cases[] = {
        {"right", {100, 50, 635, 700}, {0, 0, 1920, 1080}, {735, 50}},
        {"right, exactly fits", {0, 0, 1200, 700}, {0, 0, 1920, 1080}, {1200, 0}},
        {"left", {1200, 50, 635, 700}, {0, 0, 1920, 1080}, {480, 50}},
        {"neither: offset", {194, 50, 635, 700}, {0, 0, 1024, 768}, {242, 146}},
        {"kept on the screen", {100, 600, 635, 400}, {0, 0, 1920, 1080}, {735, 460}},
        {"second screen", {2020, 50, 635, 700}, {1920, 0, 1920, 1080}, {2655, 50}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DesktopApp::PlaceBeside(c.main, side, c.screen), c.at) << c.name;
}

}  // namespace
