#pragma once
// The operator's message for a failed clone link operation: what failed,
// then a checklist. One message per failure, picked in a fixed order.
#include <cstdint>
#include <string>

#include "link/CloneErrors.h"

struct CloneFailure {
    bool errCannotOpen = false;
    int16_t comPortNum = 1;
    bool errOverflow = false;
    int16_t driverError = drvErrNone;       // the driver's lastError
    int16_t sequencerError = seqErrNone;    // the sequencer's error
    std::string device;                     // the port as the operator names it
};

// Lines joined by CR LF.
std::string CloneErrorMessage(const CloneFailure& f);
// The line that goes with the message as its detail: which device and why,
// where the message names neither ("" when it says all there is).
std::string CloneFailureDetail(const CloneFailure& f);
// The message of a sequencer error alone, as when a check outside the
// sequencer refuses the same way.
std::string SequencerErrorMessage(int16_t sequencerError);
