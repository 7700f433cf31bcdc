#pragma once
// Sizes and places of the window and its controls, all in twips (1/1440
// inch), the unit the layout is written in. A control's place is relative to
// its container: the window's client area, or the frame that holds it.
// The Qt window converts with the screen's logical resolution; the tests use
// the in-memory versions of MemoryGeometry.h.
#include <cstdint>

namespace platform {

struct TwipRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t right() const { return left + width; }
    int32_t bottom() const { return top + height; }
};

// A control the layout moves: position, size, visibility, its place in the
// tab order and, for frames, whether a border is drawn.
class Placeable {
public:
    virtual ~Placeable() = default;
    virtual TwipRect bounds() const = 0;
    virtual void setBounds(const TwipRect& r) = 0;
    virtual void setVisible(bool on) = 0;
    virtual bool visible() const = 0;
    virtual void setTabStop(bool on) = 0;
    // A position in the tab order; one past the end (or more) puts the
    // control last.
    virtual void setTabIndex(int index) = 0;
    virtual void setBorder(bool on) = 0;
};

// A straight line drawn on the window (the separator under the menu bar).
class Line {
public:
    virtual ~Line() = default;
    virtual void setEnds(int32_t x1, int32_t y1, int32_t x2, int32_t y2) = 0;
    virtual int32_t X1() const = 0;
    virtual int32_t Y1() const = 0;
    virtual int32_t X2() const = 0;
    virtual int32_t Y2() const = 0;
};

// The window as a whole and the screen it stands on.
class FormGeometry {
public:
    virtual ~FormGeometry() = default;
    virtual int32_t screenWidth() const = 0;
    virtual int32_t screenHeight() const = 0;
    // The inner area below the menu bar that holds the controls.
    virtual int32_t clientWidth() const = 0;
    virtual int32_t clientHeight() const = 0;
    // The outer window, borders and title bar included, on the screen.
    virtual TwipRect windowBounds() const = 0;
    virtual void setWindowBounds(const TwipRect& r) = 0;
    // The height of one screen pixel.
    virtual int32_t twipsPerPixelY() const = 0;
};

}  // namespace platform
