// The main window's frames and command buttons follow the task's state:
// the title frame while unconnected, the console while editing, the
// parameter text while it is shown.
#include "model/clsIndOp_RigTavik.h"

void clsIndOp_RigTavik::RigTavikOp_RefreshWindow()
{
    const bool shielding = RigTavikProp_Shielding();
    const bool editing = RigTavikProp_EditEnabled();
    const bool dispPara = RigTavikProp_DispPara();
    platform::Frame* const* fra = myWindow.fra01;
    platform::Button* const* cmd = myWindow.cmd00;

    if (fra[0] != nullptr)
        fra[0]->setVisible(shielding);
    if (fra[1] != nullptr) {
        const bool wasVisible = fra[1]->visible();
        fra[1]->setVisible(editing);
        // Editing has just become possible: the keys go to the console.
        if (!wasVisible && fra[1]->visible() && myWindow.lboConsole != nullptr)
            myWindow.lboConsole->setFocus();
    }
    if (fra[3] != nullptr)
        fra[3]->setVisible(dispPara);

    if (cmd[0] != nullptr)
        cmd[0]->setEnabled(!dispPara);
    if (cmd[1] != nullptr)
        cmd[1]->setEnabled(editing);
    if (cmd[2] != nullptr) {
        cmd[2]->setEnabled(!shielding);
        // Enter and Escape both close the parameter display.
        cmd[2]->setDefault(dispPara);
        cmd[2]->setCancel(dispPara);
    }
}
