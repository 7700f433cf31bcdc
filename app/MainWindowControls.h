#pragma once
// Every control of the main window that the program's logic writes, as
// platform interfaces. The Qt window fills it with its widgets; the command
// line and the tests with in-memory controls (MemoryWindow.h).
#include "model/RigWindow.h"
#include "platform/Controls.h"
#include "platform/Geometry.h"

struct MainWindowControls {
    RigWindow rig;   // the controls the model object writes and places
    platform::Label* caption = nullptr;   // the window's title bar text
    platform::Label* lblTitle = nullptr;
    platform::Label* lblComBusy = nullptr;
    platform::Placeable* lblComBusyPlace = nullptr;
    platform::TextBox* txtAllData = nullptr;
    platform::MenuItem* mnuOptSelCom[5] = {};             // entries 1..4
    platform::MenuItem* mnuOptionSelAutoRelease[6] = {};  // entries 0..5
    platform::MessageBox* msgBox = nullptr;
    // The status line beside the window's own controls: the phase of the
    // work and the last notice (see StatusLine).
    platform::Label* statusPhase = nullptr;
    platform::Label* statusNotice = nullptr;
};
