#pragma once
// The operator's message for a failed clone link operation: what failed,
// then a checklist. One message per failure, picked in a fixed order.
#include <cstdint>
#include <string>

struct CloneFailure {
    bool errCannotOpen = false;
    int16_t comPortNum = 1;
    bool errOverflow = false;
    int16_t driverError = 0;      // the driver's lastError
    int16_t sequencerError = 0;   // the sequencer's error
};

// Lines joined by CR LF.
std::string CloneErrorMessage(const CloneFailure& f);
