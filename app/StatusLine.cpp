#include "app/StatusLine.h"

#include <algorithm>

#include "link/clsCmcOrb5Drv.h"
#include "link/clsCmcOrb5Sequence.h"
#include "model/clsIndOp_RigTavik.h"
#include "platform/Controls.h"
#include "records/ImageKeeper.h"
#include "records/ImageRestore.h"

namespace {

// The radio streams its memory in frames of 32 data bytes; the program
// writes frames of 16.
constexpr int kReadFrameData = 32;
constexpr int kWriteFrameData = clsCmcOrb5Sequence::kWritePacketSize;
// A data frame: preamble, addresses, command and end (6 bytes), and address,
// length and checksum (4 bytes) with the data as two hex characters each.
constexpr int kFrameBytes = 6;
constexpr int kBlockHeader = 4;
constexpr int kLineBytesPerSecond = 960;   // 9600 bit/s, 10 bits a byte

}  // namespace

StatusLine::StatusLine(clsIndOp_RigTavik& model, clsCmcOrb5Sequence& seq, const ImageRestore& restore,
                       const ImageKeeper& keeper)
    : model_(model), seq_(seq), restore_(restore), keeper_(keeper)
{
}

void StatusLine::setLabels(platform::Label* phase, platform::Label* notice)
{
    phaseLabel_ = phase;
    noticeLabel_ = notice;
    show();
}

std::string StatusLine::TimeLeft(int bytesLeft, int frameData)
{
    if (bytesLeft <= 0 || frameData <= 0)
        return "";
    const int frames = (bytesLeft + frameData - 1) / frameData;
    const int line = frames * (kFrameBytes + 2 * kBlockHeader) + 2 * bytesLeft;
    const int seconds = std::max(1, (line + kLineBytesPerSecond - 1) / kLineBytesPerSecond);
    return "about " + std::to_string(seconds) + " s left";
}

int StatusLine::bytesDone() const
{
    const clsCmcOrb5Drv& drv = seq_.driver();
    switch (drv.workMode()) {
    case clsCmcOrb5Drv::wmCloneRead:
    case clsCmcOrb5Drv::wmCloneWrite:
        // The driver's last address starts at 0 with every transfer.
        return drv.lastEeAdr() > 0 ? std::min<int>(drv.lastEeAdr() + 1, drv.EndAddress()) : 0;
    case clsCmcOrb5Drv::wmCloneWriteEnd:
        return drv.EndAddress();
    default:
        return 0;
    }
}

std::string StatusLine::transfer(const char* what, int frameData) const
{
    const int total = seq_.driver().EndAddress();
    const int done = bytesDone();
    std::string text = std::string(what) + " " + std::to_string(done * 100 / total) + " %";
    const std::string left = TimeLeft(total - done, frameData);
    return left.empty() ? text : text + ", " + left;
}

std::string StatusLine::phaseNow() const
{
    switch (restore_.phase()) {
    case ImageRestore::Phase::Reading:
        return transfer("Reading the radio", kReadFrameData);
    case ImageRestore::Phase::Confirming:
        return "Waiting for your word: write the image to the radio?";
    case ImageRestore::Phase::Writing:
        return transfer("Writing", kWriteFrameData);
    case ImageRestore::Phase::Verifying:
        return transfer("Verifying", kReadFrameData);
    case ImageRestore::Phase::Idle:
        break;
    }
    const ModelPhase p = model_.RigTavikProp_Phase();
    switch (p.kind) {
    case ModelPhase::Kind::Reading:
        return transfer("Reading the radio", kReadFrameData);
    case ModelPhase::Kind::Pushing:
        return "Pushing values " + std::to_string(p.done) + " of " + std::to_string(p.total);
    case ModelPhase::Kind::BpfSweep:
        return p.title + " sweep " + std::to_string(p.done) + " of " + std::to_string(p.total);
    case ModelPhase::Kind::LvaSearch:
        return p.title + " search step " + std::to_string(p.done);
    case ModelPhase::Kind::RssiCapture:
        return p.title + ": Enter stores the S" + std::to_string(p.done) + " level";
    case ModelPhase::Kind::Editing:
    case ModelPhase::Kind::ParameterDisplay:
    case ModelPhase::Kind::Idle:
        break;
    }
    return "";
}

void StatusLine::task()
{
    connectReading_ = !restore_.busy() && model_.RigTavikProp_Phase().kind == ModelPhase::Kind::Reading;
    const std::string now = phaseNow();
    if (now != phase_) {
        phase_ = now;
        show();
    }
}

void StatusLine::notice(const std::string& text)
{
    notice_ = text;
    show();
}

void StatusLine::connectStarted()
{
    // A "Connect" during the clone read starts the read again from its first byte.
    notice(connectReading_ ? "Connect pressed again: reading the radio from the start" : "");
    connectReading_ = false;
}

void StatusLine::imageLoaded()
{
    // After the keeper, which has just backed the image up.
    if (!keeper_.lastBackup().empty())
        notice("Backup taken: " + keeper_.lastBackup());
}

void StatusLine::show()
{
    if (phaseLabel_ != nullptr && phaseLabel_->caption() != phase_)
        phaseLabel_->setCaption(phase_);
    if (noticeLabel_ != nullptr && noticeLabel_->caption() != notice_)
        noticeLabel_->setCaption(notice_);
}
