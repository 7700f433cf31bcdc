// The adjustment item table: which adjustment points the transceiver has,
// where each lives in its EEPROM and which E8 command sets it live.
#include <climits>

#include "link/clsCmcRadio.h"
#include "model/clsIndOp_RigTavik.h"

namespace {

constexpr int32_t kKeep = INT32_MIN;   // the console's default stays

struct ItemRow {
    const char* title;   // 10 characters, right-aligned
    int32_t min;
    int32_t max;
    int32_t eeAdr;
    int32_t e8Command;
    bool bar;
    bool loop;
    int32_t evDisp;
    int32_t evSendE8;
    int32_t evEnter;
    int16_t clsIndOp_RigTavik::*indexField;   // nullptr: none
};

// Addresses and commands of BAL and MOD W are the standard variant's; the
// load switches them on a Mid transceiver. Event_Changed is never set.
// clang-format off
const ItemRow kItems[] = {
    //  title          min    max    EeAdr  E8     bar    loop   Disp   SendE8 Enter
    {"    CH No.",     0,     0,     kKeep, 0x00,  false, true,  0,     0,     kKeep, &clsIndOp_RigTavik::idxChNo},
    {" Power(Hi)",     kKeep, kKeep, 0x082, 0x09,  true,  false, kKeep, kKeep, kKeep, nullptr},
    {" Power(L2)",     kKeep, kKeep, 0x081, 0x0A,  true,  false, kKeep, kKeep, kKeep, nullptr},
    {" Power(L1)",     kKeep, kKeep, 0x080, 0x0B,  true,  false, kKeep, kKeep, kKeep, nullptr},
    {"       BAL",     kKeep, kKeep, 0x043, 0x10,  true,  false, kKeep, kKeep, kKeep, &clsIndOp_RigTavik::idxBal},
    {"     MOD W",     kKeep, kKeep, 0x042, 0x0C,  true,  false, kKeep, kKeep, kKeep, &clsIndOp_RigTavik::idxModW},
    {" MOD Ratio",     kKeep, kKeep, kKeep, kKeep, true,  false, kKeep, kKeep, kKeep, &clsIndOp_RigTavik::idxModRatio},
    {" CTCS/DTCS",     kKeep, kKeep, 0x033, 0x0F,  true,  false, kKeep, kKeep, kKeep, nullptr},
    {"       SQL",     kKeep, kKeep, 0x113, 0x08,  true,  false, kKeep, kKeep, kKeep, nullptr},
    {"       REF",     kKeep, kKeep, 0x087, 0x05,  true,  false, kKeep, kKeep, kKeep, nullptr},
    {"   BPF ALL",     kKeep, kKeep, kKeep, kKeep, false, false, 2,     kKeep, 7,     &clsIndOp_RigTavik::idxBpfRun},
    {"    BPF T1",     0,     255,   0x034, 0x13,  true,  false, 3,     kKeep, 3,     &clsIndOp_RigTavik::idxBpfT1},
    {"    BPF T2",     0,     255,   0x035, 0x14,  true,  false, 3,     kKeep, 4,     nullptr},
    {"    RX LVA",     0,     255,   0x03C, 0x06,  true,  false, 6,     kKeep, 8,     &clsIndOp_RigTavik::idxRxLva},
    {"    TX LVA",     0,     255,   0x03D, 0x07,  true,  false, 6,     kKeep, 9,     nullptr},
    {"LV(RX LVA)",     kKeep, kKeep, kKeep, kKeep, true,  false, 7,     kKeep, kKeep, &clsIndOp_RigTavik::idxLvRx},
    {"LV(TX LVA)",     kKeep, kKeep, kKeep, kKeep, true,  false, 7,     kKeep, kKeep, &clsIndOp_RigTavik::idxLvTx},
    {"      RSSI",     kKeep, kKeep, kKeep, kKeep, false, false, 4,     kKeep, 1,     &clsIndOp_RigTavik::idxRssi},
};
// clang-format on

}  // namespace

std::vector<std::string> clsIndOp_RigTavik::ItemNames()
{
    std::vector<std::string> names;
    for (const ItemRow& row : kItems) {
        const std::string t = row.title;
        names.push_back(t.substr(t.find_first_not_of(' ')));
    }
    return names;
}

void clsIndOp_RigTavik::RigOpFunc_ResetAll()
{
    myOrb5Seq.easyReset(myPortNo);

    taskState = 0;
    stateEntered = true;
    dispParaRequest = false;
    restoreFrames.clear();

    // Entries 5 and 9 are no channel in use and keep their values.
    for (int i = 0; i <= 4; ++i)
        adLastMain[i] = static_cast<int16_t>(0xFFFF);
    for (int i = 0; i <= 8; ++i)
        adLastAdjust[i] = static_cast<int16_t>(0xFFFF);
    adError = false;

    RigOpFunc_FormResource();

    myConsole.myListBox = myWindow.lboConsole;
    myConsole.myEventClass = this;
    myConsole.myOrb5Seq = &myOrb5Seq;
    myConsole.myEeprom = &myRadio.eepImage();

    myConsole.Clear();
    buildItemTable();

    RigTavikOp_AutoSeqEnd();
}

void clsIndOp_RigTavik::buildItemTable()
{
    for (const ItemRow& row : kItems) {
        myConsole.AddItem();
        const auto i = static_cast<int16_t>(myConsole.ListCount() - 1);
        myConsole.setTitle(i, row.title);
        if (row.min != kKeep)
            myConsole.setMin(i, static_cast<int16_t>(row.min));
        if (row.max != kKeep)
            myConsole.setMax(i, static_cast<int16_t>(row.max));
        if (row.eeAdr != kKeep)
            myConsole.setEeAdr(i, row.eeAdr);
        if (row.e8Command != kKeep)
            myConsole.setE8Command(i, static_cast<int16_t>(row.e8Command));
        if (row.bar)
            myConsole.setBarExist(i, true);
        if (row.loop)
            myConsole.setLoopVal(i, true);
        if (row.evDisp != kKeep)
            myConsole.setEvent_Disp(i, static_cast<int16_t>(row.evDisp));
        if (row.evSendE8 != kKeep)
            myConsole.setEvent_SendE8(i, static_cast<int16_t>(row.evSendE8));
        if (row.evEnter != kKeep)
            myConsole.setEvent_Enter(i, static_cast<int16_t>(row.evEnter));
        if (row.indexField != nullptr)
            this->*row.indexField = static_cast<int16_t>(myConsole.ListCount() - 1);
    }
}
