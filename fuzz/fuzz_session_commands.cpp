// Feeds arbitrary standard input to `dorvel-adj-cli session`: the reader
// that cuts it into command lines and the commands themselves, on the whole
// program on the model bench (in-memory parts, a scripted transceiver), so
// that connect, the console keys, the buttons and the sequences all run.
// Time is a manual clock; a wait is cut to 5 s of it so that one input
// stays quick.
#include <cstddef>
#include <cstdint>
#include <ostream>

#include "tests/support/ManualRunner.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ModelBench b;
    for (size_t a = 0; a < b.trx.image.size(); ++a)
        b.trx.image[a] = static_cast<uint8_t>(a * 7 + 3);
    ManualRunner runner(b, 5000);
    std::ostream out(nullptr);   // the answers go nowhere
    Session session(b.app, b.win, runner, out);
    SessionReader reader(session);
    // In two pieces, as a pipe may deliver them.
    const size_t half = size / 2;
    if (reader.feed(reinterpret_cast<const char*>(data), half))
        if (reader.feed(reinterpret_cast<const char*>(data) + half, size - half))
            reader.end();
    b.app.Shutdown();
    return 0;
}
