#pragma once
// The status line under the window's panels: what the program does now (the
// phase, how far it got and, where the bytes still to cross the line are
// known, about how long that takes) and the last one-line notice (a report
// or an image saved, the backup taken at "Connect", a "Connect" pressed
// again during the read). Polled on the main window's tick and written
// through two labels, so the Qt window and the tests read the same texts.
#include <string>

#include "model/ModelListener.h"

class clsCmcOrb5Sequence;
class clsIndOp_RigTavik;
class ImageKeeper;
class ImageRestore;
namespace platform {
class Label;
}

class StatusLine : public ModelListener {
public:
    StatusLine(clsIndOp_RigTavik& model, clsCmcOrb5Sequence& seq, const ImageRestore& restore,
               const ImageKeeper& keeper);

    // Where the texts go (either may be null).
    void setLabels(platform::Label* phase, platform::Label* notice);
    // Once per tick, after the model and the restore had theirs.
    void task();
    // A one-line notice; it stays until the next one or the next "Connect".
    void notice(const std::string& text);

    const std::string& phaseText() const { return phase_; }
    const std::string& noticeText() const { return notice_; }

    void connectStarted() override;
    void imageLoaded() override;

    // "about 12 s left" for the data bytes still to cross the line at
    // 9600 bit/s in frames of frameData bytes each.
    static std::string TimeLeft(int bytesLeft, int frameData);

private:
    std::string phaseNow() const;
    // Data bytes of the running clone read or write that have crossed the line.
    int bytesDone() const;
    std::string transfer(const char* what, int frameData) const;
    void show();

    clsIndOp_RigTavik& model_;
    clsCmcOrb5Sequence& seq_;
    const ImageRestore& restore_;
    const ImageKeeper& keeper_;
    platform::Label* phaseLabel_ = nullptr;
    platform::Label* noticeLabel_ = nullptr;
    std::string phase_;
    std::string notice_;
    bool connectReading_ = false;   // the last tick saw a "Connect" reading the radio
};
