// Feeds arbitrary cable bytes to the frame driver's receive path in every
// work mode that awaits an answer, with time passing between batches.
#include <cstddef>
#include <cstdint>

#include "link/Common.h"
#include "link/clsCmcEeprom.h"
#include "link/frmCom.h"
#include "tests/support/FakeSerialPort.h"
#include "tests/support/FakeTimer.h"
#include "tests/support/ManualTickClock.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    FakeSerialPort port;
    FakeTimer timer;
    ManualTickClock clk(0xFFFFF000u);   // close to the wrap of the tick count
    frmCom com(port, timer, clk);
    clsCmcEeprom eep;
    clsCmcOrb5Drv& drv = com.orb5D;
    com.setcomOpen(true);
    drv.setmyEep(&eep);

    static const char* const kRequests[] = {"E0 53 14 00 00", "E2 53 14 01 00", "E5 48 61 6C 76 6F 20 43 6F 2E",
                                            "E8 53 14 01 00 03 31 33", "E3 53 14 01 00"};
    static const int16_t kModes[] = {1, 2, 4, 5, 3};
    const size_t pick = data[0] % 5;
    drv.setworkMode(kModes[pick]);
    if (kModes[pick] == 5)
        drv.setwaitAnswer(true);
    if (kModes[pick] == 3) {
        drv.setsizDataOfPacket(16);
        drv.setcloneWriteAdrList("0000-003F,1FD0-1FDF,");
    }
    drv.setretryCount(data[1] % 3);
    drv.Send(HexStrToByteStr(kRequests[pick]));
    // Usually the echo comes first, as on the cable.
    if ((data[1] & 0x80) == 0 && !port.written.empty())
        drv.read(port.written.back());

    size_t i = 2;
    while (i < size) {
        // Each batch: a length byte, then that many bytes; a zero length
        // lets time pass instead.
        const size_t n = data[i++];
        if (n == 0) {
            clk.advance(400);
            drv.task();
            continue;
        }
        const size_t take = n < size - i ? n : size - i;
        drv.read(ByteStr(data + i, data + i + take));
        i += take;
        if (drv.Running() == false && drv.SendEnable() && (data[i - 1] & 1))
            drv.Send(HexStrToByteStr(kRequests[pick]));
    }
    return 0;
}
