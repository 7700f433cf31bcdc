// The model's captions and initial contents of the main window's controls.
#include "model/clsIndOp_RigTavik.h"

namespace {

// A readout list: its heading, then a placeholder line per channel that the
// readouts overwrite.
void fillReadoutList(platform::ListBox* box, const char* heading, int placeholders)
{
    if (box == nullptr)
        return;
    box->clear();
    box->addLine(heading);
    for (int i = 0; i < placeholders; ++i)
        box->addLine("----");
}

}  // namespace

void clsIndOp_RigTavik::RigOpFunc_FormResource()
{
    const char* captions[3] = {"Connect", "Reload(F5)", "Disp para"};
    for (int i = 0; i < 3; ++i)
        if (myWindow.cmd00[i] != nullptr)
            myWindow.cmd00[i]->setCaption(captions[i]);
    fillReadoutList(myWindow.lbo01[0], "[A/D]", 5);
    fillReadoutList(myWindow.lbo01[1], "[D/A]", 9);
    if (myWindow.lblProgress != nullptr)
        myWindow.lblProgress->setCaption(std::string(32, ' '));
}
