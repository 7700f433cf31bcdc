#pragma once
// A main window made of in-memory controls: the command line's window and
// the tests'.
#include "app/MainWindowControls.h"
#include "platform/MemoryControls.h"

class MemoryWindow {
public:
    MemoryWindow();
    MemoryWindow(const MemoryWindow&) = delete;
    MemoryWindow& operator=(const MemoryWindow&) = delete;

    MainWindowControls controls;

    platform::MemoryListBox lboConsole;
    platform::MemoryListBox lbo01[2];
    platform::MemoryLabel lblProgress;
    platform::MemoryLabel lblTitle;
    platform::MemoryLabel lblComBusy;
    platform::MemoryTextBox txtDispPara;
    platform::MemoryTextBox txtAllData;
    platform::MemoryFrame fra01[4];
    platform::MemoryButton cmd00[3];
    platform::MemoryBeeper beeper;
    platform::MemoryMenuItem mnuOptSelCom[5];
    platform::MemoryMenuItem mnuOptionSelAutoRelease[6];
    platform::MemoryMessageBox msgBox;
};
