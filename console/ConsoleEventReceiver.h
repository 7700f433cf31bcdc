#pragma once
// What the adjustment console calls on the object that receives its events
// (in this program the model object). The event number is the item's own
// Event_Disp, Event_SendE8 or Event_Enter; the receiver decides what it means.
#include <cstdint>
#include <string>

class clsConsole;

class ConsoleEventReceiver {
public:
    virtual ~ConsoleEventReceiver() = default;

    // The complete text of line Index.
    virtual std::string ConsEv_Disp(clsConsole& objConsole, int16_t& Index, int16_t evNo, int16_t val) = 0;
    // Sends whatever the item needs instead of the console's own frame.
    virtual void ConsEv_SendE8(clsConsole& objConsole, int16_t& Index, int16_t evNo, int16_t val) = 0;
    // Enter on the item, executed by the model's task.
    virtual void ConsEv_Enter(clsConsole& objConsole, int16_t& Index, int16_t evNo, int16_t val) = 0;
    // Milliseconds to let pass after the frame the console has just sent.
    virtual void setWaitE8Required(int32_t ms) = 0;
};
