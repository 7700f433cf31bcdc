#pragma once
// A console of two items on a memory list box and an EEPROM image, and a
// receiver that records what the console asks of it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/clsConsole.h"
#include "link/clsCmcEeprom.h"
#include "platform/MemoryControls.h"

struct RecordingReceiver : ConsoleEventReceiver {
    struct Call {
        std::string text;    // handler ('d'isp, 's'end, 'e'nter), index/event/value
        int16_t maxThen;     // the item's Max and flgChanged at the moment of the call
        bool changedThen;
    };
    void note(char h, clsConsole& c, int16_t i, int16_t ev, int16_t v)
    {
        calls.push_back({h + std::to_string(i) + "/" + std::to_string(ev) + "/" + std::to_string(v), c.Max(i), c.flgChanged(i)});
    }
    std::string ConsEv_Disp(clsConsole& c, int16_t& i, int16_t ev, int16_t v) override
    {
        note('d', c, i, ev, v);
        return "ev" + std::to_string(ev) + "=" + std::to_string(v);
    }
    void ConsEv_SendE8(clsConsole& c, int16_t& i, int16_t ev, int16_t v) override { note('s', c, i, ev, v); }
    void ConsEv_Enter(clsConsole& c, int16_t& i, int16_t ev, int16_t v) override
    {
        note('e', c, i, ev, v);
        c.setBarExist(i, true);   // a change that draws nothing by itself
    }
    void setWaitE8Required(int32_t) override {}
    std::vector<Call> calls;
};

struct ConsoleTest : ::testing::Test {
    ConsoleTest()
    {
        c.myListBox = &list;
        c.myEventClass = &rx;
        c.myEeprom = &eep;
        c.AddItem();
        c.AddItem();
    }
    clsCmcEeprom eep;
    platform::MemoryListBox list;
    RecordingReceiver rx;
    clsConsole c;
};
