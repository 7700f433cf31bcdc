// The window's size against the screen and the places of its controls, on
// in-memory geometry (twips throughout).
#include <gtest/gtest.h>

#include <cmath>

#include "model/clsIndOp_RigTavik.h"
#include "tests/app/WindowBench.h"

namespace {

using platform::TwipRect;

std::string Rect(const TwipRect& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.width) + "x" +
           std::to_string(r.height);
}

struct Shown : WindowBench {
    // The window's first showing on a screen of the given size.
    Shown(int32_t screenW, int32_t screenH)
    {
        win.form.screenW = screenW;
        win.form.screenH = screenH;
        main().Form_Load();
        main().Form_Resize();   // the window system reports the new size
    }
};

TEST(Layout, FirstShowingSizesTheWindowAgainstTheScreen)
{
    struct Case {
        int32_t screenH;
        int32_t height;
        const char* crossing;
    };
    const Case cases[] = {
        {7680, 6912, "90 % of the screen"},
        {6000, 6600, "below the least height"},
        {7333, 6600, "90 % rounds to 6600"},
        {10000, 9000, "exactly 9000 stays"},
        {10001, 8500, "above 9000 becomes 8500, not 9000"},
        {10500, 8500, "a tall screen"},
    };
    for (const Case& c : cases) {
        Shown s(12000, c.screenH);
        const TwipRect w = s.win.form.window;
        EXPECT_EQ(w.height, c.height) << c.crossing;
        EXPECT_EQ(w.width, 9525) << c.crossing;
        EXPECT_EQ(w.left, 1238) << "(12000 - 9525) / 2, halves up";
        EXPECT_EQ(w.top, static_cast<int32_t>(std::floor((c.screenH - c.height) * 0.3 + 0.5)))
            << "a little above the middle (above the screen when the window is taller)";
    }
}

TEST(Layout, ControlsStandWhereTheWindowsDesignWantsThem)
{
    Shown s(15360, 11520);
    const LayoutWindow& w = s.win;
    // Client area 9525 - 120 wide, 8500 - 690 high.
    ASSERT_EQ(w.form.clientWidth(), 9405);
    ASSERT_EQ(w.form.clientHeight(), 7810);
    EXPECT_EQ(w.linSepa[0].y1, 0);
    EXPECT_EQ(w.linSepa[1].y1, 15) << "one pixel below the shadow line";
    EXPECT_EQ(w.linSepa[1].x2, 9405);

    // Three buttons, 120 apart, centred on the separator.
    const int32_t first = static_cast<int32_t>((9405 - (3 * 1800 + 240)) / 2.0 + 0.5);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Rect(w.cmd00Place[i].rect), Rect({first + i * 1920, 135, 1800, 330})) << i;
        EXPECT_TRUE(w.cmd00Place[i].vis);
        EXPECT_TRUE(w.cmd00Place[i].tabStop);
        EXPECT_EQ(w.cmd00Place[i].tabIndex, 9999);
    }
    // Frames 0, 1 and 3 lie on top of each other below the buttons.
    const TwipRect fra{120, 465, 9165, 7810 - 465 - 120};
    for (int f : {0, 1, 3})
        EXPECT_EQ(Rect(w.fra01Place[f].rect), Rect(fra)) << f;
    EXPECT_EQ(Rect(w.fra01Place[2].rect), Rect({120, 180, 8925, 2400}));
    EXPECT_FALSE(w.fra01Place[2].border) << "the readout strip is borderless";
    EXPECT_EQ(Rect(w.lbo01Place[0].rect), Rect({120, 120, 4283, 2160})) << "(8925 - 360) / 2, halves up";
    EXPECT_EQ(Rect(w.lbo01Place[1].rect), Rect({4523, 120, 4283, 2160}));
    EXPECT_EQ(Rect(w.lboConsolePlace.rect), Rect({240, 2700, 8685, fra.height - 2700 - 180}));
    EXPECT_EQ(Rect(w.lblTitlePlace.rect), Rect({3383, 240, 2400, 450})) << "centred: (9165 - 2400) / 2";
    EXPECT_EQ(Rect(w.lblProgressPlace.rect), Rect({2783, 930, 3600, 225})) << "240 below the title";
    EXPECT_EQ(Rect(w.txtDispParaPlace.rect), Rect({120, 240, 8925, fra.height - 360}));
    EXPECT_EQ(w.txtDispParaPlace.tabIndex, 9999);
    EXPECT_EQ(Rect(w.lblComBusyPlace.rect).substr(0, 7), "120,120");
    for (const platform::MemoryPlaceable* p : {&w.lbo01Place[0], &w.lbo01Place[1], &w.lboConsolePlace,
                                               &w.lblTitlePlace, &w.lblProgressPlace, &w.txtDispParaPlace})
        EXPECT_TRUE(p->vis);
    // Which of the shared frames shows is the model state's business.
    EXPECT_FALSE(w.fra01Place[0].vis || w.fra01Place[1].vis || w.fra01Place[3].vis);
}

TEST(Layout, AShrunkWindowKeepsEveryControlAtLeastOneHigh)
{
    Shown s(15360, 11520);
    for (const TwipRect tiny : {TwipRect{0, 0, 200, 700}, TwipRect{0, 0, 0, 0}}) {
        s.win.form.window = tiny;   // the operator drags the window small
        s.main().Form_Resize();
        const LayoutWindow& w = s.win;
        for (const platform::MemoryPlaceable* p :
             {&w.fra01Place[0], &w.fra01Place[1], &w.fra01Place[2], &w.fra01Place[3], &w.lbo01Place[0],
              &w.lbo01Place[1], &w.lboConsolePlace, &w.txtDispParaPlace, &w.cmd00Place[0]}) {
            EXPECT_GE(p->rect.height, 1) << Rect(p->rect);
            EXPECT_GE(p->rect.width, 1) << Rect(p->rect);
        }
    }
}

TEST(Layout, TheFirstSizingIsNotRepeated)
{
    Shown s(15360, 11520);
    ASSERT_EQ(s.win.form.boundsSets, 1);
    s.win.form.window = {300, 200, 12000, 9000};   // the operator's own size
    s.main().Form_Resize();
    s.main().Form_Resize();
    EXPECT_EQ(s.win.form.boundsSets, 1);
    EXPECT_EQ(Rect(s.win.form.window), Rect({300, 200, 12000, 9000}));
    EXPECT_EQ(s.win.fra01Place[0].rect.width, 12000 - 120 - 240) << "the controls follow the new size";
}

TEST(Layout, ResizingBlanksThePortStatusUntilTheNextTick)
{
    Shown s(15360, 11520);
    s.tick();
    ASSERT_EQ(s.win.lblComBusy.cap, "COM 1: CLOSE");
    s.win.lblComBusyPlace.rect = {900, 900, 1500, 225};
    s.main().Form_Resize();
    EXPECT_EQ(s.win.lblComBusy.cap, "");
    EXPECT_EQ(Rect(s.win.lblComBusyPlace.rect), Rect({120, 120, 1500, 225}));
    s.tick();
    EXPECT_EQ(s.win.lblComBusy.cap, "COM 1: CLOSE");
}

}  // namespace
