// The procedure runner panel in the real window against the simulated
// radio, each verdict in its banner and its record on disk.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include <fstream>

#include "app/qt/ProcedureWindow.h"
#include "model/clsIndOp_RigTavik.h"
#include "tests/gui/GuiRig.h"

namespace {

const char kProcedure[] = R"(procedure: Panel check
version: "1"
models: ["5314-0100"]
serial: "^SN[0-9]{4}$"
steps:
  - prompt: Connect the wattmeter.
  - adjust: SQL
    instruction: Bring the squelch up with the keys, then type the level read.
    unit: dB
    low: 10
    high: 20
  - measure: TX power
    unit: W
    low: 4.5
    high: 5.5
    code: F-POW
  - auto: RX LVA
    name: RX level
)";

std::vector<std::string> Rows(const QListWidget* list)
{
    std::vector<std::string> rows;
    for (int i = 0; i < list->count(); ++i)
        rows.push_back(list->item(i)->text().toStdString());
    return rows;
}

}  // namespace

TEST(ProcedurePanel, ScannedSerialStepsBannersRetryAndRecords)
{
    GuiRig r({"--fast"});
    DataHome data(r.dir.path());
    ASSERT_TRUE(r.start());
    MainWindow& w = r.w();
    {
        SCOPED_TRACE("a file that is no procedure: refused with its line, no panel");
        const std::string bad = r.dir.file("bad.yaml");
        std::ofstream(bad) << kProcedure << "    colour: red\n";
        BoxCatcher boxes;
        EXPECT_FALSE(r.desk->openProcedure(bad));
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_TRUE(boxes.boxes[0].text.contains(QString::fromStdString(bad + ":19: "))) << boxes.boxes[0].text.toStdString();
        EXPECT_EQ(r.desk->procedureWindow(), nullptr);
    }
    const std::string file = r.dir.file("panel.yaml");
    std::ofstream(file) << kProcedure;
    ASSERT_TRUE(r.desk->openProcedure(file));
    ProcedureWindow* p = r.desk->procedureWindow();
    ASSERT_NE(p, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(p));
    EXPECT_EQ(p->frameGeometry().topLeft(),
              DesktopApp::PlaceBeside(w.frameGeometry(), p->frameGeometry().size(), w.screen()->availableGeometry()))
        << "beside the main window";
    const ProcedureRunner& runner = r.app().runner();
    const auto bannerShows = [&](const char* verdict) {
        return WaitFor([&] { return p->banner()->isVisible() && p->banner()->text() == verdict; }, 90000);
    };
    // The operator's OK once the run asks for it; a value typed and Enter
    // once the entry shows these limits. Sweeps run before some prompts and
    // verdicts: 20 s on the fast simulator, more on a loaded machine.
    const auto ok = [&] {
        EXPECT_TRUE(WaitFor([&] { return p->okButton()->isEnabled() && !p->value()->isEnabled(); }, 90000));
        QTest::mouseClick(p->okButton(), Qt::LeftButton);
    };
    const auto enter = [&](const char* limits, const char* value) {
        EXPECT_TRUE(WaitFor([&] { return p->value()->isEnabled() && p->limits()->text() == limits; }, 20000))
            << p->limits()->text().toStdString();
        QTest::keyClicks(p->value(), value);
        QTest::keyClick(p->value(), Qt::Key_Return);
    };
    {
        SCOPED_TRACE("a serial number the procedure's pattern refuses: nothing starts");
        QTest::keyClicks(p->serial(), "X12");
        QTest::keyClick(p->serial(), Qt::Key_Return);
        EXPECT_FALSE(runner.running());
        EXPECT_TRUE(p->notice()->text().contains("does not fit the procedure's pattern")) << p->notice()->text().toStdString();
        EXPECT_TRUE(p->startButton()->isEnabled());
        EXPECT_FALSE(p->retryButton()->isEnabled());
    }
    {
        SCOPED_TRACE("scanned serial, the console's keys during the adjust step, a power outside its limits: FAIL");
        p->serial()->clear();
        QTest::keyClicks(p->serial(), "SN0001");
        QTest::keyClick(p->serial(), Qt::Key_Return);
        ASSERT_TRUE(runner.running());
        EXPECT_FALSE(p->serial()->isEnabled());
        EXPECT_TRUE(p->abortButton()->isEnabled());
        ASSERT_TRUE(WaitFor([&] { return p->okButton()->isEnabled(); }, 20000));
        EXPECT_EQ(p->instruction()->text(), "Connect the wattmeter.");
        EXPECT_EQ(Rows(p->steps())[0], "1. Prompt: running");
        ok();
        ASSERT_TRUE(WaitFor([&] { return p->value()->isEnabled(); }, 20000));
        // The operator steps the item with the console's keys in the main
        // window while the panel waits for the reading.
        const int before = r.app().model().myConsole.Value(kSql);
        r.keyOnLine(kSql, Qt::Key_Right);
        ASSERT_TRUE(r.quiet());
        enter("Limits: 10 to 20 dB", "15");
        enter("Limits: 4.5 to 5.5 W", "9");
        ASSERT_TRUE(bannerShows("FAIL")) << p->banner()->text().toStdString();
        EXPECT_EQ(runner.record().steps[1].itemValue, before + 1) << "the item as the key left it";
        EXPECT_EQ(Rows(p->steps()), (std::vector<std::string>{"1. Prompt: pass", "2. SQL: pass, 15 dB",
                                                               "3. TX power: fail, 9 W", "4. RX level: not run"}));
        EXPECT_TRUE(p->bannerDetail()->text().startsWith("First failing step: 3 TX power, code F-POW\nRecord: "))
            << p->bannerDetail()->text().toStdString();
        EXPECT_TRUE(p->retryButton()->isEnabled());
        EXPECT_FALSE(p->abortButton()->isEnabled());
    }
    std::string passed;
    {
        SCOPED_TRACE("Retry: the same serial again, the power within its limits: PASS");
        QTest::mouseClick(p->retryButton(), Qt::LeftButton);
        ASSERT_TRUE(runner.running());
        EXPECT_FALSE(p->banner()->isVisible());
        ok();
        enter("Limits: 10 to 20 dB", "12.5");
        enter("Limits: 4.5 to 5.5 W", "5.1");
        ASSERT_TRUE(bannerShows("PASS")) << p->banner()->text().toStdString();
        EXPECT_EQ(Rows(p->steps()), (std::vector<std::string>{"1. Prompt: pass", "2. SQL: pass, 12.5 dB",
                                                               "3. TX power: pass, 5.1 W", "4. RX level: pass"}));
        EXPECT_FALSE(p->retryButton()->isEnabled());
        EXPECT_EQ(p->focusWidget(), p->serial()) << "ready for the next scan";
        passed = p->panel().recordPath();
    }
    {
        SCOPED_TRACE("the records: one per run, each naming the serial and its verdict");
        const std::vector<std::string> records = FilesIn(r.dir.file("dorvel-adj/runs"), ".json");
        ASSERT_EQ(records.size(), 2u);
        EXPECT_EQ(p->bannerDetail()->text().toStdString(), "Record: " + passed);
        for (const std::string& f : records) {
            const std::string json = ReadFile(f);
            EXPECT_NE(json.find("\"serial\":\"SN0001\""), std::string::npos) << f;
            EXPECT_NE(json.find(f == passed ? "\"outcome\":\"PASS\"" : "\"outcome\":\"FAIL\""), std::string::npos) << f;
        }
    }
    {
        SCOPED_TRACE("both shipped procedures to PASS");
        for (const char* shipped : {"quick-check.yaml", "full-alignment.yaml"}) {
            SCOPED_TRACE(shipped);
            ASSERT_TRUE(r.desk->openProcedure(std::string(DORVEL_SOURCE_DIR "/procedures/") + shipped));
            p = r.desk->procedureWindow();
            ASSERT_NE(p, nullptr);
            p->serial()->setText("SN1234");
            QTest::keyClick(p->serial(), Qt::Key_Return);
            ASSERT_TRUE(runner.running());
            if (std::string(shipped) == "full-alignment.yaml") {
                // The prompt, the power read after the adjustment, the
                // frequency error, and the signal of each RSSI level.
                ok();
                enter("Limits: 4.8 to 5.2 W, marginal within 0.05 (attempt 1 of 2)", "5.0");
                enter("Limits: -300 to 300 Hz, marginal within 50", "10");
                ok();
                ok();
            }
            ASSERT_TRUE(bannerShows("PASS")) << p->banner()->text().toStdString() << "\n"
                                             << p->bannerDetail()->text().toStdString();
        }
    }
    {
        SCOPED_TRACE("a run whose record cannot be written: ERROR, never its own verdict");
        std::ofstream(r.dir.file("blocked")) << "";   // a file where the records' folder would go
        data.set(r.dir.file("blocked"));
        p->serial()->setText("SN0002");
        QTest::keyClick(p->serial(), Qt::Key_Return);
        ASSERT_TRUE(runner.running());
        QTest::mouseClick(p->abortButton(), Qt::LeftButton);
        ASSERT_TRUE(bannerShows("ERROR")) << p->banner()->text().toStdString();
        EXPECT_TRUE(p->bannerDetail()->text().startsWith("stopped by the operator\nThe record could not be written: "))
            << p->bannerDetail()->text().toStdString();
        EXPECT_TRUE(p->retryButton()->isEnabled());
        EXPECT_TRUE(r.quiet()) << "the radio's Connect ends as usual";
    }
}
