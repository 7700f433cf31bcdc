// The console event handlers: the console hands an item's line, its E8 frame
// or its Enter key here when the item carries an event number for it.
//
// Not yet filled in: every line is "???" (the text for an event number
// without a rule), and no event sends a frame or starts a sequence.
#include "model/clsIndOp_RigTavik.h"

std::string clsIndOp_RigTavik::ConsEv_Disp(clsConsole& /*objConsole*/, int16_t& /*Index*/, int16_t /*evNo*/,
                                           int16_t /*val*/)
{
    return "???";
}

void clsIndOp_RigTavik::ConsEv_SendE8(clsConsole& /*objConsole*/, int16_t& /*Index*/, int16_t /*evNo*/,
                                      int16_t /*val*/)
{
}

void clsIndOp_RigTavik::ConsEv_Enter(clsConsole& /*objConsole*/, int16_t& /*Index*/, int16_t /*evNo*/,
                                     int16_t /*val*/)
{
}
