#include "app/MemoryWindow.h"

MemoryWindow::MemoryWindow()
{
    RigWindow& r = controls.rig;
    r.lboConsole = &lboConsole;
    r.lbo01[0] = &lbo01[0];
    r.lbo01[1] = &lbo01[1];
    r.lblProgress = &lblProgress;
    r.txtDispPara = &txtDispPara;
    for (int i = 0; i < 4; ++i)
        r.fra01[i] = &fra01[i];
    for (int i = 0; i < 3; ++i)
        r.cmd00[i] = &cmd00[i];
    r.beeper = &beeper;
    controls.lblTitle = &lblTitle;
    controls.lblComBusy = &lblComBusy;
    controls.txtAllData = &txtAllData;
    for (int i = 1; i <= 4; ++i)
        controls.mnuOptSelCom[i] = &mnuOptSelCom[i];
    for (int i = 0; i <= 5; ++i)
        controls.mnuOptionSelAutoRelease[i] = &mnuOptionSelAutoRelease[i];
    controls.msgBox = &msgBox;
}
