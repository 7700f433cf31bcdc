// Automatic adjustment sequences: RSSI meter points, BPF peak sweep and LVA
// level search, one step per tick, held in seqStep.
#include "model/clsIndOp_RigTavik.h"

void clsIndOp_RigTavik::RigTavikOp_AutoSeqEnd()
{
    seqStep = 0;
    // While a sweep runs these items go out without a wait; normal again now.
    myConsole.setWaitAfterE8(idxBpfT1, 200);
    myConsole.setWaitAfterE8(static_cast<int16_t>(idxBpfT1 + 1), 200);
    myConsole.setWaitAfterE8(idxRxLva, 500);
    myConsole.setWaitAfterE8(static_cast<int16_t>(idxRxLva + 1), 500);
    for (int16_t i = 0; i < myConsole.ListCount(); ++i) {
        myConsole.setflgEnterOn(i, false);
        myConsole.Disp(i);
    }
}
