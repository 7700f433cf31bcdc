// The real window, driven by key and mouse events, against the simulated
// radio: what the operator sees and what reaches the wire.
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <fstream>
#include <gtest/gtest.h>

#include "link/Common.h"
#include "model/clsIndOp_RigTavik.h"
#include "tests/gui/GuiRig.h"

namespace {

bool PortLabel(MainWindow& w, const char* text, platform::SysColour colour)
{
    return WaitFor([&] {
        return w.lblComBusy()->text() == text &&
               w.lblComBusy()->palette().color(QPalette::WindowText) == platform::SysColourValue(colour);
    }, 5000);
}

// An E8 adjustment frame with an 8-bit value sent as two ASCII hex digits.
std::string E8Frame(int command, int value)
{
    return "FEFEEEEFE853140100" + ByteToHex2(static_cast<int16_t>(command)) +
           ByteToAsciiHexStr(static_cast<int16_t>(value)) + "FD";
}

TEST(Window, AnEditingSessionWithAFailedBackupThatRefusesARestoreAndFailedConnects)
{
    GuiRig r({"--fast"});
    std::ofstream(r.dir.file("blocked")) << "a file where the backups folder should be";
    r.options.backupFolder = r.dir.file("blocked/backups");
    ASSERT_TRUE(r.start());
    MainWindow& w = r.w();
    EXPECT_TRUE(PortLabel(w, "COM 1: CLOSE", platform::SysColour::GrayText));
    EXPECT_EQ(State(w), "F-- E--") << "title frame, only Connect enabled";

    QTest::mouseClick(w.cmd00(0), Qt::LeftButton);
    EXPECT_TRUE(PortLabel(w, "COM 1: OPEN", platform::SysColour::ButtonText));
    EXPECT_TRUE(r.quiet()) << "Connect";
    EXPECT_EQ(State(w), "-F- EEE") << "console, every button enabled";
    // The backup of the image read could not be written: a note beside the
    // window, and the console came all the same.
    QMessageBox* note = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(top); box != nullptr && box->isVisible())
            note = box;
    EXPECT_NE(note, nullptr);
    if (note != nullptr) {
        EXPECT_FALSE(note->isModal());
        EXPECT_EQ(note->icon(), QMessageBox::Warning);
        EXPECT_TRUE(note->text().contains("could not be written")) << note->text().toStdString();
        note->close();   // the operator reads it and goes back to the window
    }
    w.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&w));

    // Down is the list's own, to " Power(Hi)"; left and right step the
    // line's value and send it, and the selection and scrolling never move.
    QListWidget* list = w.lboConsole();
    ASSERT_GT(list->count(), kRssi) << "the console's lines";
    QTest::keyClick(list, Qt::Key_Down);
    const int hScroll = list->horizontalScrollBar()->value();
    const int v = r.app().model().myConsole.Value(kPowerHi);
    struct Case { Qt::Key key; Qt::KeyboardModifiers mods; int value; };
    for (const Case& c : {Case{Qt::Key_Right, Qt::NoModifier, v + 1}, Case{Qt::Key_Right, Qt::ShiftModifier, v + 6},
                          Case{Qt::Key_Left, Qt::NoModifier, v + 5}, Case{Qt::Key_Left, Qt::ShiftModifier, v}}) {
        SCOPED_TRACE("value " + std::to_string(c.value));
        const size_t before = r.pcFrames().size();
        QTest::keyClick(list, c.key, c.mods);
        EXPECT_GE(r.waitForFrame(before, E8Frame(0x09, c.value)), 0);
        EXPECT_EQ(list->currentRow(), kPowerHi);
        EXPECT_EQ(list->horizontalScrollBar()->value(), hScroll);
        EXPECT_TRUE(list->item(kPowerHi)->text().contains(QString::number(c.value)));
    }

    EXPECT_TRUE(r.quiet()) << "the steps";
    const size_t before = r.pcFrames().size();
    w.cmd00(0)->setFocus();
    QTest::keyClick(w.cmd00(0), Qt::Key_F5);
    EXPECT_GE(r.waitForFrame(before, "FEFEEEEFE85314010003"), 0) << "an A/D request";
    EXPECT_EQ(r.waitForFrame(before, "FEFEEEEFE0", 0), -1) << "Connect was not pressed";

    EXPECT_TRUE(r.quiet()) << "the reload";
    QTest::keyClick(list, Qt::Key_End);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_TRUE(WaitFor([&] { return list->item(kRssi)->text().contains("RSSI S"); }, 5000))
        << list->item(kRssi)->text().toStdString();

    // Escape in the console ends it; the window's Escape is the parameter
    // display's below.
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_TRUE(WaitFor([&] { return list->item(kRssi)->text().endsWith("[Enter] to Start"); }, 5000))
        << list->item(kRssi)->text().toStdString();
    EXPECT_FALSE(r.app().model().RigTavikProp_AutoRunning());

    EXPECT_TRUE(r.quiet()) << "the RSSI sequence";
    QTest::mouseClick(w.cmd00(2), Qt::LeftButton);
    EXPECT_TRUE(WaitFor([&] { return State(w) == "--F --E"; })) << "parameters, Disp para only: " << State(w);
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_TRUE(WaitFor([&] { return State(w) == "-F- EEE"; }, 5000)) << State(w);

    // A Connect that fails: one box, the model reset and the port closed; a
    // port that never echoes is named in the detail with the likely reason.
    struct Failure { const char* fault; const char* text; std::string detail; };
    const Failure failures[] = {
        {"no-answer", "No answer from transceiver.", ""},
        {"no-echo", "Cannot access COM port",
         "COM 1 (" + r.sim->device() + "): no echo: is the cable plugged into the radio, and the radio switched on?"},
    };
    const std::string checklist = "\n\nCheck the following:\n- The COM port settings.\n"
                                  "- Cloning cable connections.\n- Transceiver power is ON.";
    for (const Failure& f : failures) {
        SCOPED_TRACE(f.fault);
        r.sim->control("fault off");
        r.sim->control(std::string("fault ") + f.fault);
        BoxCatcher boxes;
        QTest::mouseClick(w.cmd00(0), Qt::LeftButton);
        EXPECT_TRUE(WaitFor([&] { return !boxes.boxes.empty(); }, 15000));
        QTest::qWait(1500);
        EXPECT_TRUE(r.app().model().RigTavikProp_Idle());
        EXPECT_EQ(State(w), "F-- E--");
        EXPECT_TRUE(PortLabel(w, "COM 1: CLOSE", platform::SysColour::GrayText));
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text.toStdString(), f.text + checklist) << "the line breaks as the box shows them";
        EXPECT_EQ(boxes.boxes[0].title, "Dorvel ADJ Rev.1.0");
        EXPECT_EQ(boxes.boxes[0].icon, static_cast<int>(QMessageBox::Critical));
        EXPECT_EQ(boxes.boxes[0].detail.toStdString(), f.detail);
    }

    // The backup folder cannot be written: a restore is refused before a
    // byte goes to the radio.
    r.sim->control("fault off");
    std::string image = r.sim->image();
    image[0x1800] = static_cast<char>(image[0x1800] ^ 1);
    std::ofstream(r.dir.file("radio.bin"), std::ios::binary) << image;
    BoxCatcher boxes;
    ASSERT_TRUE(r.desk->images().writeImageFrom(r.dir.file("radio.bin")));
    ASSERT_TRUE(WaitFor([&] { return !boxes.boxes.empty(); }, 30000)) << "refused before the changes are shown";
    EXPECT_TRUE(boxes.boxes[0].text.startsWith("The backup of the radio could not be saved: "))
        << boxes.boxes[0].text.toStdString();
    EXPECT_EQ(r.waitForFrame(0, "FEFEEEEFE3", 0), -1) << "no clone write began";
}

}  // namespace
