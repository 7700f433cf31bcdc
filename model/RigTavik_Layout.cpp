// The window's size against the screen and the places of its controls.
#include <algorithm>
#include <cmath>

#include "model/clsIndOp_RigTavik.h"

namespace {

using platform::TwipRect;

int32_t roundHalfUp(double v)
{
    return static_cast<int32_t>(std::floor(v + 0.5));
}

// A size that the window system accepts however small the window gets.
int32_t atLeast1(int32_t v)
{
    return std::max<int32_t>(v, 1);
}

void place(platform::Placeable* c, const TwipRect& r)
{
    if (c == nullptr)
        return;
    c->setBounds(r);
    c->setVisible(true);
}

void lastInTabOrder(platform::Placeable* c)
{
    if (c == nullptr)
        return;
    c->setTabStop(true);
    c->setTabIndex(9999);
}

}  // namespace

void clsIndOp_RigTavik::RigOpFunc_FormLayout()
{
    RigLayout& g = myWindow.layout;
    if (g.form == nullptr)
        return;
    platform::FormGeometry& form = *g.form;

    // First time only: a fixed width, 90 % of the screen's height within
    // limits, centred across and a little above the middle.
    if (!g.sized) {
        g.sized = true;
        const int32_t w = 9525;
        int32_t h = roundHalfUp(form.screenHeight() * 0.9);
        if (h < 6600)
            h = 6600;
        if (h > 9000)
            h = 8500;
        form.setWindowBounds({roundHalfUp((form.screenWidth() - w) / 2.0),
                              roundHalfUp((form.screenHeight() - h) * 0.3), w, h});
    }

    // The button row, centred on the separator under the menu bar.
    const int32_t btnW = 1800;
    const int32_t btnH = 330;
    int32_t x1 = 0;
    int32_t x2 = form.clientWidth();
    int32_t y1 = 0;
    if (g.linSepa[1] != nullptr) {
        x1 = g.linSepa[1]->X1();
        x2 = g.linSepa[1]->X2();
        y1 = g.linSepa[1]->Y1();
    }
    const int32_t btnTop = y1 + 120;
    for (int i = 0; i < 3; ++i) {
        const int32_t left = roundHalfUp(x1 + ((x2 - x1) - (3 * btnW + 240)) / 2.0 + i * (btnW + 120));
        place(g.cmd00[i], {left, btnTop, btnW, btnH});
        lastInTabOrder(g.cmd00[i]);
    }

    // Frames 0, 1 and 3 share the rest of the window below the buttons;
    // which of them shows is the model state's business.
    const int32_t fraTop = btnTop + btnH;
    const TwipRect fra{120, fraTop, atLeast1(form.clientWidth() - 240), atLeast1(form.clientHeight() - fraTop - 120)};
    for (int f : {0, 1, 3})
        if (g.fra01[f] != nullptr)
            g.fra01[f]->setBounds(fra);

    // The readout strip at the top of the console frame, its two lists side
    // by side, the console list below it.
    const TwipRect strip{120, 180, atLeast1(fra.width - 240), 2400};
    if (g.fra01[2] != nullptr)
        g.fra01[2]->setBorder(false);
    place(g.fra01[2], strip);
    const int32_t listW = atLeast1(roundHalfUp((strip.width - 360) / 2.0));
    TwipRect list0 = g.lbo01[0] != nullptr ? g.lbo01[0]->bounds() : TwipRect{};
    list0.left = 120;
    list0.width = listW;
    place(g.lbo01[0], list0);
    TwipRect list1 = list0;
    list1.left = list0.right() + 120;
    place(g.lbo01[1], list1);
    const int32_t consoleTop = strip.bottom() + 120;
    place(g.lboConsole, {strip.left + 120, consoleTop, atLeast1(fra.width - 480),
                         atLeast1(fra.height - consoleTop - 180)});

    // Title and progress, centred in the title frame.
    TwipRect title = g.lblTitle != nullptr ? g.lblTitle->bounds() : TwipRect{};
    title.left = roundHalfUp((fra.width - title.width) / 2.0);
    title.top = 240;
    place(g.lblTitle, title);
    if (g.lblProgress != nullptr) {
        TwipRect progress = g.lblProgress->bounds();
        progress.left = roundHalfUp((fra.width - progress.width) / 2.0);
        progress.top = title.bottom() + 240;
        place(g.lblProgress, progress);
    }

    // The parameter listing fills its frame.
    place(g.txtDispPara, {120, 240, atLeast1(fra.width - 240), atLeast1(fra.height - 360)});
    lastInTabOrder(g.txtDispPara);
}
