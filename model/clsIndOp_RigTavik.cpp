#include "model/clsIndOp_RigTavik.h"

#include "link/clsCmcRadio.h"

clsIndOp_RigTavik::clsIndOp_RigTavik(clsCmcOrb5Sequence& seq, clsCmcRadio& radio, RigWindow& window,
                                     const platform::TickClock& clock)
    : myEepMap(radio.eepImage()), myJournal(clock), myOrb5Seq(seq), myRadio(radio), myWindow(window), waitTick(clock)
{
    myOrb5Seq.setChecker(this);

    myPortNo = 1;
    RigOpFunc_ResetAll();
    // The reset above must not depend on these tables: they are filled after it.
    const int16_t codesMain[] = {0, 3, 5, 4};
    for (int i = 0; i < 4; ++i)
        adCodeMain[i] = codesMain[i];
    const int16_t codesAdjust[] = {16, 17, 18, 19, 12, 13, 14, 11, 15};
    for (int i = 0; i < 9; ++i)
        adCodeAdjust[i] = codesAdjust[i];
    for (bool& f : lvaFailed)
        f = false;
}

clsIndOp_RigTavik::~clsIndOp_RigTavik()
{
    myOrb5Seq.setChecker(nullptr);
}

void clsIndOp_RigTavik::RigOpFunc_SetComPortNo(int16_t portNo)
{
    if (portNo == myPortNo)
        return;
    myPortNo = portNo;
    RigOpFunc_ResetAll();
}

bool clsIndOp_RigTavik::RigOpFunc_CheckSubNameLegal(const std::string& nameS)
{
    // Character by character; a shorter text that begins the other is smaller,
    // so the empty text and "010" are refused.
    return nameS.substr(0, 4) >= "0100";
}
