#pragma once
// A console event receiver that records what the console asks of it, and a
// sequencer on a fake port so that sent commands can be read off the wire.
#include <string>
#include <vector>

#include "console/clsConsole.h"
#include "link/clsCmcOrb5Sequence.h"
#include "link/clsCmcRadio.h"
#include "link/frmCom.h"
#include "tests/support/FakeSerialPort.h"
#include "tests/support/FakeTimer.h"
#include "tests/support/ManualTickClock.h"

struct RecordingReceiver : ConsoleEventReceiver {
    struct Call {
        char handler;   // 'd'isp, 's'end, 'e'nter
        int16_t index, evNo, val;
        bool changedThen;   // the item's flgChanged at the moment of the call
        int16_t maxThen;
    };
    Call note(char h, clsConsole& c, int16_t i, int16_t ev, int16_t v)
    {
        return {h, i, ev, v, c.flgChanged(i), c.Max(i)};
    }
    std::string ConsEv_Disp(clsConsole& c, int16_t& i, int16_t ev, int16_t v) override
    {
        calls.push_back(note('d', c, i, ev, v));
        return "ev" + std::to_string(ev) + "=" + std::to_string(v);
    }
    void ConsEv_SendE8(clsConsole& c, int16_t& i, int16_t ev, int16_t v) override { calls.push_back(note('s', c, i, ev, v)); }
    void ConsEv_Enter(clsConsole& c, int16_t& i, int16_t ev, int16_t v) override
    {
        calls.push_back(note('e', c, i, ev, v));
        c.setBarExist(i, true);   // a change that draws nothing by itself
    }
    void setWaitE8Required(int32_t ms) override { waits.push_back(ms); }

    std::vector<Call> calls;
    std::vector<int32_t> waits;
};

// The clone sequencer over a fake port: easySendE8NoAnswer puts its frame in
// port.written at once.
struct Wire {
    Wire()
    {
        radio.setradioNameM("5314");
        radio.setradionameS("0100");
    }
    FakeSerialPort port;
    FakeTimer timer;
    ManualTickClock clock;
    frmCom com{port, timer, clock};
    clsCmcRadio radio;
    clsCmcOrb5Sequence seq{com, radio, clock};
};
