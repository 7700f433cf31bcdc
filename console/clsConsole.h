#pragma once
// The adjustment console: an ordered list of adjustment items, each shown as
// one line of a list box. Every item carries its value and limits, the byte of
// the EEPROM image it lives in, the live adjustment command that sets it in
// the transceiver, and optional event numbers that hand its line, its command
// and its Enter key to the event receiver.
//
// Key presses only change values and mark items (flgChanged, flgEnterOn); the
// model's task finds the marks and calls SendE8 / EnterExec on a later tick.
#include <cstdint>
#include <string>
#include <vector>

#include "console/ConsoleEventReceiver.h"

namespace platform {
class ListBox;
}
class clsCmcEeprom;
class clsCmcOrb5Sequence;

class clsConsole {
public:
    static constexpr int16_t kBarWidth = 20;

    clsConsole();

    // Set by the owner; the console never owns them. A missing reference makes
    // the actions that need it do nothing.
    platform::ListBox* myListBox = nullptr;
    ConsoleEventReceiver* myEventClass = nullptr;
    clsCmcOrb5Sequence* myOrb5Seq = nullptr;
    clsCmcEeprom* myEeprom = nullptr;

    // List operations.
    void Clear();
    void AddItem();
    int16_t ListCount() const { return count_; }

    // Per-item properties. Reads have no side effect; writes keep
    // Min <= Value <= Max and redraw the line where it can change.
    // An index outside 0..ListCount()-1 reads as a new item's defaults and
    // is ignored by writes and actions.
    const std::string& Title(int16_t i) const { return item(i).Title; }
    void setTitle(int16_t i, const std::string& v);
    int16_t Value(int16_t i) const { return item(i).Value; }
    void setValue(int16_t i, int16_t v);
    int16_t Min(int16_t i) const { return item(i).Min; }
    void setMin(int16_t i, int16_t v);
    int16_t Max(int16_t i) const { return item(i).Max; }
    void setMax(int16_t i, int16_t v);
    bool BarExist(int16_t i) const { return item(i).BarExist; }
    void setBarExist(int16_t i, bool v) { store(i, &Item::BarExist, v); }
    bool LoopVal(int16_t i) const { return item(i).LoopVal; }
    void setLoopVal(int16_t i, bool v) { store(i, &Item::LoopVal, v); }
    int32_t WaitAfterE8(int16_t i) const { return item(i).WaitAfterE8; }
    void setWaitAfterE8(int16_t i, int32_t v) { store(i, &Item::WaitAfterE8, v); }
    int32_t EeAdr(int16_t i) const { return item(i).EeAdr; }
    void setEeAdr(int16_t i, int32_t v) { store(i, &Item::EeAdr, v); }
    bool EeDataSigned(int16_t i) const { return item(i).EeDataSigned; }
    void setEeDataSigned(int16_t i, bool v) { store(i, &Item::EeDataSigned, v); }
    int16_t E8Command(int16_t i) const { return item(i).E8Command; }
    void setE8Command(int16_t i, int16_t v) { store(i, &Item::E8Command, v); }
    int16_t Event_Disp(int16_t i) const { return item(i).Event_Disp; }
    void setEvent_Disp(int16_t i, int16_t v);
    int16_t Event_Changed(int16_t i) const { return item(i).Event_Changed; }
    void setEvent_Changed(int16_t i, int16_t v) { store(i, &Item::Event_Changed, v); }
    int16_t Event_SendE8(int16_t i) const { return item(i).Event_SendE8; }
    void setEvent_SendE8(int16_t i, int16_t v) { store(i, &Item::Event_SendE8, v); }
    int16_t Event_Enter(int16_t i) const { return item(i).Event_Enter; }
    void setEvent_Enter(int16_t i, int16_t v) { store(i, &Item::Event_Enter, v); }
    bool flgChanged(int16_t i) const { return item(i).flgChanged; }
    void setflgChanged(int16_t i, bool v);
    bool flgEnterOn(int16_t i) const { return item(i).flgEnterOn; }
    void setflgEnterOn(int16_t i, bool v);

    // Rendering.
    std::string DefaultString(int16_t i) const;
    std::string BarString(int16_t i) const;
    void Disp(int16_t i);

    // Actions.
    void UpDown(int16_t i, int16_t step);
    void ReadFromEe(int16_t i);
    void WriteToEe(int16_t i);
    void SendE8(int16_t i);
    void EnterPushed(int16_t i);
    void EnterExec(int16_t i);

private:
    struct Item {
        std::string Title;
        int16_t Value = 0;
        int16_t Min = 0;
        int16_t Max = 255;
        bool BarExist = false;
        bool LoopVal = false;
        int32_t WaitAfterE8 = 200;
        int32_t EeAdr = -1;
        bool EeDataSigned = false;
        int16_t E8Command = -1;
        int16_t Event_Disp = -1;
        int16_t Event_Changed = -1;
        int16_t Event_SendE8 = -1;
        int16_t Event_Enter = -1;
        bool flgChanged = false;
        bool flgEnterOn = false;
    };

    bool valid(int16_t i) const { return i >= 0 && i < count_; }
    // A field without side effects on writing.
    template <typename T>
    void store(int16_t i, T Item::*field, T v)
    {
        if (valid(i))
            items_[static_cast<size_t>(i)].*field = v;
    }
    const Item& item(int16_t i) const;
    void LimitValue(int16_t i);

    // Items 0..count-1 are in use; one spare record always follows them.
    std::vector<Item> items_;
    int16_t count_ = 0;
    int16_t barWidth_ = kBarWidth;
};
