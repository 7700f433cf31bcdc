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
};

// Lines joined by CR LF.
std::string CloneErrorMessage(const CloneFailure& f);
// The message of a sequencer error alone, as when a check outside the
// sequencer refuses the same way.
std::string SequencerErrorMessage(int16_t sequencerError);
