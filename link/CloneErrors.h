#pragma once
// The clone link's failure codes, as the driver and the sequencer keep them
// and the operator's messages key on them. The numbers are the protocol's
// own and never change.
#include <cstdint>

// The frame driver's nowError and lastError.
enum DriverError : int16_t {
    drvErrNone = 0,
    drvErrNoEcho = 1,           // no echo of the written frame in time
    drvErrNoAnswer = 2,         // no acceptable answer, no repeat left
    drvErrIllegalData = 3,      // an answer frame of the awaited kind failed its check
    drvErrCountMismatch = 4,    // the end of a clone read counts other frames
    drvErrBlockBeyond = 5,      // a clone read block lies outside the image
    drvErrWriteRefused = 6,     // kept with 7: the radio did not take the write
    drvErrWriteFailed = 7,      // the radio's answer to the end of a write reports failure
    drvErrFrameNotSent = 8,     // a frame of the clone write chain could not be written
};

// The sequencer's error.
enum SequencerError : int16_t {
    seqErrNone = 0,
    seqErrMainCode = 1,        // the radio's main model code is not the expected one
    seqErrSubCode = 2,         // the model object refuses the radio's sub model code
    seqErrModelByte = 3,       // the model answer's byte 43 does not allow the operation
    seqErrDriver = 4,          // the driver reported an error after an exchange
};
