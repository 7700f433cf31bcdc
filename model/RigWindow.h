#pragma once
// The main window's controls that the model object writes: captions, readout
// lists, the console list, the parameter text, frame visibility and the beep.
// The window (Qt, command line or test) fills in the pointers before it
// creates the model object; a missing control is simply not written.
#include "platform/Controls.h"
#include "platform/Geometry.h"

// Where the model's layout places the window and its controls (twips). A
// window without geometry (command line) leaves them empty.
struct RigLayout {
    platform::FormGeometry* form = nullptr;
    platform::Line* linSepa[2] = {nullptr, nullptr};
    platform::Placeable* cmd00[3] = {nullptr, nullptr, nullptr};
    platform::Placeable* fra01[4] = {nullptr, nullptr, nullptr, nullptr};
    platform::Placeable* lbo01[2] = {nullptr, nullptr};
    platform::Placeable* lboConsole = nullptr;
    platform::Placeable* lblTitle = nullptr;
    platform::Placeable* lblProgress = nullptr;
    platform::Placeable* txtDispPara = nullptr;
    // Set by the first layout, which sizes the window against the screen;
    // later layouts keep the size the operator chose.
    bool sized = false;
};

struct RigWindow {
    platform::ListBox* lboConsole = nullptr;
    platform::ListBox* lbo01[2] = {nullptr, nullptr};
    platform::Label* lblProgress = nullptr;
    platform::TextBox* txtDispPara = nullptr;
    platform::Frame* fra01[4] = {nullptr, nullptr, nullptr, nullptr};
    platform::Button* cmd00[3] = {nullptr, nullptr, nullptr};
    platform::Beeper* beeper = nullptr;
    RigLayout layout;
};
