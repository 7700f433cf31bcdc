#include "link/frmCom.h"

frmCom::frmCom(platform::SerialPort& port, platform::Timer& timSolid, const platform::TickClock& clock)
    : orb5D(clock), port_(port), timSolid_(timSolid)
{
    orb5D.myObjCom = this;
    port_.setEventSink(this);
    timSolid_.setInterval(kTickMs);
    timSolid_.setHandler([this] { timSolid_Timer(); });
    Reset();
}

frmCom::~frmCom()
{
    port_.setEventSink(nullptr);
    timSolid_.setHandler(nullptr);
}

void frmCom::setPortParams(int rThreshold)
{
    platform::SerialParams p;
    p.rThreshold = rThreshold;
    port_.setParams(p);
}

void frmCom::Reset()
{
    setcomOpen(false);
    comPortNum_ = comPortAsked_ = 1;
    comBaud_ = 9600;
    setPortParams(1);
    errCannotOpen_ = false;
    errOverflow_ = false;
}

void frmCom::HighSpeedBRatioSet()
{
    setcomOpen(false);
    comPortNum_ = comPortAsked_ = 1;
    comBaud_ = 38400;
    setPortParams(1024);
    errCannotOpen_ = false;
    errOverflow_ = false;
}

void frmCom::Form_Unload()
{
    setcomOpen(false);
    timSolid_.setEnabled(false);
}

void frmCom::AllOver()
{
    setcomOpen(false);
    if (host_ != nullptr)
        host_->SaveProfileData();
}

bool frmCom::totalError() const
{
    return orb5D.nowError() != drvErrNone || errOverflow_ || errCannotOpen_;
}

void frmCom::setcomPortNum(int16_t n)
{
    comPortAsked_ = n;
    if (n >= imdMinComPortNum() && n <= imdmaxComPortNum())
        comPortNum_ = n;
}

std::string frmCom::openFailure() const
{
    if (comPortAsked_ < imdMinComPortNum() || comPortAsked_ > imdmaxComPortNum())
        return "COM " + std::to_string(comPortAsked_) + " is not a port number this program opens (1 to 10).";
    return port_.openFailure();
}

void frmCom::setcomOpen(bool open)
{
    const bool wasOpen = port_.portOpen();
    if (!wasOpen && open && (comPortAsked_ < imdMinComPortNum() || comPortAsked_ > imdmaxComPortNum())) {
        // Asked for a port beyond the range: never open another one instead.
        errCannotOpen_ = true;
        orb5D.Reset();
        return;
    }
    bool ok = true;
    if (open && !wasOpen) {
        port_.setCommPort(comPortNum_);
        port_.setSettings(std::to_string(comBaud_) + ",N,8,1");
        // Nothing stale goes out on a port that has just been opened. An
        // open port keeps what it holds: those bytes are frames already
        // written, and a frame cut in flight garbles the line.
        ok = port_.setPortOpen(true) && port_.discardOutput();
    } else if (!open && wasOpen) {
        // The last frame leaves the line before the port goes.
        port_.drainOutput();
        port_.setPortOpen(false);
    }
    if (open && !ok) {
        port_.setPortOpen(false);
        errCannotOpen_ = true;
    }
    orb5D.Reset();
}

void frmCom::timSolid_Timer()
{
    // One tick at a time: a modal message box shown inside a tick runs a
    // nested event loop in which neither the timer nor a receive
    // notification may start another tick.
    if (inTick_)
        return;
    inTick_ = true;
    ++tickCount_;
    if (port_.inBufferCount() > 0)
        orb5D.read(port_.input());
    orb5D.task();
    if (host_ != nullptr)
        host_->task();
    if (totalError() && host_ != nullptr)
        host_->MsgBoxCloneErr();
    if (totalError() && comOpen())
        setcomOpen(false);
    inTick_ = false;
}

void frmCom::OnComm(int16_t commEvent)
{
    switch (commEvent) {
    case platform::comEventBreak: ++lineEvents_.brk; break;
    case platform::comEventFrame: ++lineEvents_.frame; break;
    case platform::comEventOverrun: ++lineEvents_.overrun; break;
    case platform::comEventRxOver: ++lineEvents_.rxOver; break;
    case platform::comEventRxParity: ++lineEvents_.parity; break;
    default: break;
    }
    switch (commEvent) {
    case platform::comEvReceive:
        if (port_.inBufferCount() > 0)
            timSolid_Timer();
        break;
    case platform::comEventRxOver:
        errOverflow_ = true;
        setcomOpen(false);
        break;
    case platform::comEventBreak:
    case platform::comEventCTSTO:
    case platform::comEventDSRTO:
    case platform::comEventFrame:
    case platform::comEventOverrun:
    case platform::comEventCDTO:
    case platform::comEventRxParity:
    case platform::comEventTxFull:
    case platform::comEventDCB:
        orb5D.ClearRxBuffer();
        break;
    default:
        break;
    }
}
