#pragma once
// The main window's controls that the model object writes: captions, readout
// lists, the console list, the parameter text, frame visibility and the beep.
// The window (Qt, command line or test) fills in the pointers before it
// creates the model object; a missing control is simply not written.
#include "platform/Controls.h"

struct RigWindow {
    platform::ListBox* lboConsole = nullptr;
    platform::ListBox* lbo01[2] = {nullptr, nullptr};
    platform::Label* lblProgress = nullptr;
    platform::TextBox* txtDispPara = nullptr;
    platform::Frame* fra01[4] = {nullptr, nullptr, nullptr, nullptr};
    platform::Button* cmd00[3] = {nullptr, nullptr, nullptr};
    platform::Beeper* beeper = nullptr;
};
