#pragma once
// What the model is doing now, in terms an operator reads in a status line:
// a "Connect" reading the radio, the push of the values that follows it, an
// automatic adjustment and how far it got.
#include <string>

struct ModelPhase {
    enum class Kind { Idle, Reading, Pushing, Editing, BpfSweep, LvaSearch, RssiCapture, ParameterDisplay };
    Kind kind = Kind::Idle;
    // Pushing: values sent of all items; BpfSweep: readings taken of the
    // values swept; LvaSearch: the step under way; RssiCapture: the S level
    // (3 or 1) the next Enter stores.
    int done = 0;
    int total = 0;
    // The item of an automatic adjustment ("BPF T1", "RX LVA").
    std::string title;
};
