#pragma once
// Window geometry held in memory, for the tests and the command line.
#include "platform/Geometry.h"

namespace platform {

class MemoryPlaceable : public Placeable {
public:
    TwipRect bounds() const override { return rect; }
    void setBounds(const TwipRect& r) override { rect = r; }
    void setVisible(bool on) override { vis = on; }
    bool visible() const override { return vis; }
    void setTabStop(bool on) override { tabStop = on; }
    void setTabIndex(int index) override { tabIndex = index; }
    void setBorder(bool on) override { border = on; }

    TwipRect rect;
    bool vis = false;
    bool tabStop = true;
    int tabIndex = 0;
    bool border = true;
};

class MemoryLine : public Line {
public:
    void setEnds(int32_t a, int32_t b, int32_t c, int32_t d) override
    {
        x1 = a;
        y1 = b;
        x2 = c;
        y2 = d;
    }
    int32_t X1() const override { return x1; }
    int32_t Y1() const override { return y1; }
    int32_t X2() const override { return x2; }
    int32_t Y2() const override { return y2; }
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

// A window on a screen of a given size. The client area is the window less
// fixed borders, as a window manager would frame it.
class MemoryForm : public FormGeometry {
public:
    int32_t screenWidth() const override { return screenW; }
    int32_t screenHeight() const override { return screenH; }
    int32_t clientWidth() const override { return window.width - borderX; }
    int32_t clientHeight() const override { return window.height - borderY; }
    TwipRect windowBounds() const override { return window; }
    void setWindowBounds(const TwipRect& r) override
    {
        window = r;
        ++boundsSets;
    }
    int32_t twipsPerPixelY() const override { return 15; }

    int32_t screenW = 15360;
    int32_t screenH = 11520;
    int32_t borderX = 120;   // left and right borders together
    int32_t borderY = 690;   // title bar, menu bar and bottom border
    TwipRect window;
    int boundsSets = 0;
};

}  // namespace platform
