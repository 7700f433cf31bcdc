// Feeds arbitrary settings files to the program's start-up and shutdown: the
// profile file's reader, the typed conversions of every kind of value, the
// main window's load of port and release time, and the save that rewrites
// the file (into a second place, as for a shared file).
#include <cstddef>
#include <cstdint>

#include "app/DorvelApp.h"
#include "app/MemoryWindow.h"
#include "fuzz/ScratchFile.h"
#include "tests/support/FakeSerialPort.h"
#include "tests/support/FakeTimer.h"
#include "tests/support/ManualTickClock.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string file = ScratchFile("Velmara.rs", data, size);
    const std::string own = ScratchFolder() + "/own/Velmara.rs";
    std::remove(own.c_str());
    platform::TextProfileFile pf;
    if (size > 0 && (data[0] & 1) != 0)
        pf.setWriteTo(file, own);
    FakeSerialPort port;
    FakeTimer timer;
    ManualTickClock clk;
    MemoryWindow win;
    DorvelApp app(AppPlatform{&port, &timer, &clk, nullptr, &pf, ScratchFolder()}, win.controls);
    app.Main();
    clsCmcProfileIO& io = *app.profMain();
    for (ProfileValue v : {ProfileValue{int16_t{}}, ProfileValue{int32_t{}}, ProfileValue{float{}},
                           ProfileValue{double{}}, ProfileValue{uint8_t{}}, ProfileValue{bool{}},
                           ProfileValue{std::string{}}, ProfileValue{ProfileDate{}}})
        io.loadData("ComAutoRelease", v);
    io.setSection("PORTS");
    ProfileValue device = std::string();
    io.loadData("COM1", device);
    app.mainWindow().mnuOptSelCom_Click(static_cast<int16_t>(size % 5));
    app.Shutdown();
    return 0;
}
