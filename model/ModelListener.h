#pragma once
// The moments of the model's work that others act on, announced as they
// happen: what keeps records of a job, the command line and the tests
// follow the model through these, never through its state numbers.
class ModelListener {
public:
    virtual ~ModelListener() = default;
    // "Connect" was pressed and the job before is about to be cleared: its
    // journal and details still stand as that job left them.
    virtual void jobEnding() {}
    // "Connect" was pressed: a new job begins, and its record with it.
    virtual void connectStarted() {}
    // The clone read of a "Connect" ended well: the image is in memory and
    // the console loaded from it, before the first value goes to the radio.
    virtual void imageLoaded() {}
    // The first push is done and the edit cycle runs.
    virtual void editingStarted() {}
    // "Disp para": the parameter listing has been put into its text box.
    virtual void parameterDisplayShown() {}
    // A malformed A/D answer ends the work like a failure of the link.
    virtual void readoutFailed() {}
    // A "Connect" ended in a failure of the link before the console could
    // be edited.
    virtual void connectFailed() {}
};
