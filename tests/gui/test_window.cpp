// The real window, driven by key and mouse events, against the simulated
// radio: what the operator sees and what reaches the wire.
#include <QAction>
#include <QFontInfo>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include "model/clsIndOp_RigTavik.h"
#include "tests/gui/GuiRig.h"

namespace {

constexpr int kPowerHi = 1;    // " Power(Hi)", E8 command 0x09
constexpr int kBpfAll = 10;    // "   BPF ALL"
constexpr int kRssi = 17;      // "      RSSI"

QColor TextColour(const QLabel* l)
{
    return l->palette().color(QPalette::WindowText);
}

// Visibility of frames 0, 1, 3 and the enabled state of the buttons.
std::string State(MainWindow& w)
{
    std::string s;
    for (int f : {0, 1, 3})
        s += w.fra01(f)->isHidden() ? '-' : 'F';
    s += ' ';
    for (int b = 0; b < 3; ++b)
        s += w.cmd00(b)->isEnabled() ? 'E' : '-';
    return s;
}

int ValueOf(GuiRig& r, int item)
{
    return r.app().model().myConsole.Value(static_cast<int16_t>(item));
}

TEST(Window, StartsCaptionedIdleAndInTheFixedPitchFont)
{
    GuiRig r;
    ASSERT_TRUE(r.start());
    MainWindow& w = r.w();
    EXPECT_EQ(w.windowTitle(), "Dorvel ADJ Rev.1.0");
    EXPECT_EQ(w.lblTitle()->text(), "Dorvel ADJ Rev.1.0\nAdjust Utility for Quenta");

    QStringList menus;
    for (QAction* top : w.menuBar()->actions()) {
        menus << top->text();
        for (QAction* a : top->menu()->actions()) {
            menus << a->text();
            if (a->menu() != nullptr)
                for (QAction* s : a->menu()->actions())
                    menus << s->text();
        }
    }
    EXPECT_EQ(menus.join('|').toStdString(),
              "&File|E&xit|&Option|&Port|COM &1|COM &2|COM &3|COM &4|&Auto port release|&OFF|&1 sec|&2 sec|&3 "
              "sec|&4 sec|&5 sec");

    struct FontCase {
        QWidget* w;
        double points;
        bool bold;
    };
    for (const FontCase& f : {FontCase{w.lboConsole(), 9, false}, FontCase{w.txtDispPara(), 9, false},
                              FontCase{w.lblTitle(), 9.75, false}, FontCase{w.lblProgress(), 9, true},
                              FontCase{w.lblComBusy(), 9, true}, FontCase{w.lbo01(0), 8.25, false}}) {
        const QFontInfo info(f.w->font());
        EXPECT_TRUE(info.family() == "Courier New" || info.family() == "Liberation Mono")
            << info.family().toStdString();
        EXPECT_TRUE(info.fixedPitch());
        EXPECT_DOUBLE_EQ(f.w->font().pointSizeF(), f.points);
        EXPECT_EQ(info.bold(), f.bold);
    }

    ASSERT_TRUE(WaitFor([&] { return w.lblComBusy()->text() == "COM 1: CLOSE"; }, 1000));
    EXPECT_EQ(TextColour(w.lblComBusy()), platform::SysColourValue(platform::SysColour::GrayText));
    EXPECT_NE(TextColour(w.lblComBusy()), platform::SysColourValue(platform::SysColour::ButtonText));
    EXPECT_EQ(State(w), "F-- E--") << "title frame shown, only Connect enabled";
    EXPECT_EQ(w.cmd00(0)->text(), "Connect");
    EXPECT_EQ(w.lbo01(0)->count(), 6);
    EXPECT_EQ(w.lbo01(1)->item(0)->text(), "[D/A]");

    // The etched separator under the menu bar.
    EXPECT_EQ(w.linSepa(0)->geometry(), QRect(0, 0, w.centralWidget()->width(), 1));
    EXPECT_EQ(w.linSepa(1)->geometry(), QRect(0, 1, w.centralWidget()->width(), 1));
}

TEST(Window, ConnectThroughTheButtonOpensTheConsole)
{
    GuiRig r;
    ASSERT_TRUE(r.start());
    MainWindow& w = r.w();
    QTest::mouseClick(w.cmd00(0), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return w.lblComBusy()->text() == "COM 1: OPEN"; }, 5000));
    EXPECT_EQ(TextColour(w.lblComBusy()), platform::SysColourValue(platform::SysColour::ButtonText));
    ASSERT_TRUE(WaitFor([&] { return r.app().model().RigTavikProp_EditEnabled(); }, 30000));
    WaitFor([&] { return !w.fra01(1)->isHidden(); }, 1000);

    EXPECT_EQ(State(w), "-F- EEE") << "console shown, every button enabled";
    EXPECT_EQ(w.lboConsole()->count(), 18);
    EXPECT_TRUE(w.lboConsole()->hasFocus()) << "editing starts in the console";
    EXPECT_EQ(w.lboConsole()->currentRow(), 0) << "the focus selected the first line";
    EXPECT_EQ(w.lblProgress()->text(), QString(32, 'o'));
    EXPECT_EQ(r.pcFrames().at(0).substr(0, 10), "FEFEEEEFE0") << "the model query went out first";
    EXPECT_TRUE(w.lboConsole()->item(kPowerHi)->text().startsWith(" Power(Hi): "));
}

TEST(Window, ArrowKeysStepTheLineAndPutItsFrameOnTheWire)
{
    GuiRig r;
    ASSERT_TRUE(r.start());
    ASSERT_TRUE(r.connect());
    ASSERT_TRUE(r.quiet());
    MainWindow& w = r.w();
    QListWidget* list = w.lboConsole();
    QTest::keyClick(list, Qt::Key_Down);
    ASSERT_EQ(list->currentRow(), kPowerHi) << "up and down are the list's own";
    const int hScroll = list->horizontalScrollBar()->value();

    const int v = ValueOf(r, kPowerHi);
    ASSERT_GE(v, 10);
    ASSERT_LE(v, 240);
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        int value;
    };
    const Case cases[] = {
        {Qt::Key_Right, Qt::NoModifier, v + 1},
        {Qt::Key_Right, Qt::ShiftModifier, v + 6},
        {Qt::Key_Left, Qt::NoModifier, v + 5},
        {Qt::Key_Left, Qt::ShiftModifier, v},
    };
    for (const Case& c : cases) {
        const size_t before = r.pcFrames().size();
        QTest::keyClick(list, c.key, c.mods);
        EXPECT_EQ(ValueOf(r, kPowerHi), c.value);
        EXPECT_GE(r.waitForFrame(before, GuiRig::E8Frame(0x09, c.value)), 0) << "value " << c.value;
        EXPECT_EQ(list->currentRow(), kPowerHi) << "the key never reaches the list box";
        EXPECT_EQ(list->horizontalScrollBar()->value(), hScroll);
        EXPECT_TRUE(list->item(kPowerHi)->text().contains(QString::number(c.value)));
    }
}

TEST(Window, EnterAndTheKeypadSeparatorStartSequences)
{
    GuiRig r;
    ASSERT_TRUE(r.start());
    ASSERT_TRUE(r.connect());
    ASSERT_TRUE(r.quiet());
    QListWidget* list = r.w().lboConsole();

    QTest::keyClick(list, Qt::Key_End);
    ASSERT_EQ(list->currentRow(), kRssi);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_TRUE(WaitFor([&] { return list->item(kRssi)->text().contains("RSSI S"); }, 5000))
        << list->item(kRssi)->text().toStdString();
    EXPECT_EQ(list->currentRow(), kRssi);

    list->setCurrentRow(kBpfAll);
    QTest::keyClick(list, Qt::Key_Comma, Qt::KeypadModifier);
    EXPECT_TRUE(WaitFor([&] { return list->item(kBpfAll)->text().contains("Sweeping"); }, 5000))
        << list->item(kBpfAll)->text().toStdString();
    EXPECT_FALSE(list->item(kRssi)->text().contains("RSSI S")) << "one sequence at a time";
}

TEST(Window, F5ReloadsFromAButtonWithoutPressingIt)
{
    GuiRig r;
    ASSERT_TRUE(r.start());
    ASSERT_TRUE(r.connect());
    ASSERT_TRUE(r.quiet());
    // Let the first cycle's readouts finish.
    ASSERT_TRUE(WaitFor([&] { return !r.app().model().reloadActive && r.isQuiet(); }, 10000));
    const size_t before = r.pcFrames().size();
    r.w().cmd00(0)->setFocus();
    QTest::keyClick(r.w().cmd00(0), Qt::Key_F5);
    const int ad = r.waitForFrame(before, "FEFEEEEFE85314010003");
    EXPECT_GE(ad, 0) << "an A/D request of the reload";
    const std::vector<std::string> frames = r.pcFrames();
    for (size_t i = before; i < frames.size(); ++i)
        EXPECT_NE(frames[i].substr(0, 10), "FEFEEEEFE0") << "Connect was not pressed";
    EXPECT_TRUE(r.app().model().RigTavikProp_EditEnabled());
}

TEST(Window, MenuChoicesMoveCheckMarksAndSetTheReleaseTime)
{
    GuiRig r;
    ASSERT_TRUE(r.start());
    MainWindow& w = r.w();
    ASSERT_TRUE(WaitFor([&] { return w.mnuOptSelCom(1)->isChecked(); }, 1000));
    w.mnuOptSelCom(3)->trigger();
    w.mnuOptionSelAutoRelease(4)->trigger();
    EXPECT_EQ(r.app().seq().comHoldReload(), 4000);
    ASSERT_TRUE(WaitFor([&] { return w.lblComBusy()->text() == "COM 3: CLOSE"; }, 1000));
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(w.mnuOptSelCom(i)->isChecked(), i == 3) << i;
    for (int i = 0; i <= 5; ++i)
        EXPECT_EQ(w.mnuOptionSelAutoRelease(i)->isChecked(), i == 4) << i;
    w.mnuOptionSelAutoRelease(4)->trigger();
    QTest::qWait(120);
    EXPECT_TRUE(w.mnuOptionSelAutoRelease(4)->isChecked()) << "choosing the checked entry keeps it";
    w.mnuOptionSelAutoRelease(0)->trigger();
    EXPECT_EQ(r.app().seq().comHoldReload(), 0);
}

TEST(Window, TheParameterDisplayTakesEnterAndEscape)
{
    GuiRig r;
    ASSERT_TRUE(r.start());
    ASSERT_TRUE(r.connect());
    MainWindow& w = r.w();
    QTest::mouseClick(w.cmd00(2), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return !w.fra01(3)->isHidden(); }, 10000));
    EXPECT_EQ(State(w), "--F --E") << "parameters shown, only Disp para enabled";
    EXPECT_TRUE(w.cmd00(2)->isDefault());
    EXPECT_EQ(w.txtDispPara()->toPlainText().split('\n', Qt::SkipEmptyParts).size(), 66);

    QTest::keyClick(&w, Qt::Key_Escape);
    ASSERT_TRUE(WaitFor([&] { return !w.fra01(1)->isHidden(); }, 5000)) << "Escape ends the display";
    EXPECT_EQ(State(w), "-F- EEE");
    EXPECT_FALSE(w.cmd00(2)->isDefault());

    QTest::mouseClick(w.cmd00(2), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return !w.fra01(3)->isHidden(); }, 10000));
    QTest::keyClick(w.txtDispPara(), Qt::Key_Return);
    EXPECT_TRUE(WaitFor([&] { return !w.fra01(1)->isHidden(); }, 5000)) << "Enter presses the default button";
}

TEST(Window, ACloneErrorShowsOneBoxAndResetsTheModel)
{
    RigOptions o;
    o.simArgs = {"--fast", "--fault", "no-answer"};
    GuiRig r(o);
    ASSERT_TRUE(r.start());
    BoxCatcher boxes;
    QTest::mouseClick(r.w().cmd00(0), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return !boxes.boxes.empty(); }, 15000));
    QTest::qWait(1500);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text.toStdString(),
              "No answer from transceiver.\n\nCheck the following:\n- The COM port settings.\n"
              "- Cloning cable connections.\n- Transceiver power is ON.");
    EXPECT_EQ(boxes.boxes[0].title, "Dorvel ADJ Rev.1.0");
    EXPECT_EQ(boxes.boxes[0].icon, static_cast<int>(QMessageBox::Critical));
    EXPECT_EQ(r.app().model().taskState, 0);
    EXPECT_EQ(r.w().lboConsole()->count(), 18) << "the console is rebuilt";
    EXPECT_EQ(State(r.w()), "F-- E--");
    EXPECT_EQ(r.w().lblComBusy()->text(), "COM 1: CLOSE");
}

TEST(Window, APortThatCannotOpenIsNamedByItsNumber)
{
    RigOptions o;
    o.demo = false;
    o.settings = "[PORTS]\nCOM2=/dev/no-such-cable\n[OPTION]\nComPort=2\n";
    GuiRig r(o);
    ASSERT_TRUE(r.start());
    BoxCatcher boxes;
    QTest::mouseClick(r.w().cmd00(0), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return !boxes.boxes.empty(); }, 5000));
    QTest::qWait(300);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_TRUE(boxes.boxes[0].text.startsWith("Cannot access COM 2.\n\nCheck the following:"))
        << boxes.boxes[0].text.toStdString();
    EXPECT_EQ(r.desk->port().devicePath(), "/dev/no-such-cable");
}

}  // namespace
