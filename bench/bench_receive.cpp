// Throughput of the frame driver's receive path for a whole clone read
// (echo of the model query and its answer, echo of the read request, 255
// data frames of 32 bytes, end frame), handed over in batches of 1, 16 and
// 4096 bytes.
#include <benchmark/benchmark.h>

#include "link/Common.h"
#include "link/clsCmcEeprom.h"
#include "link/frmCom.h"
#include "tests/support/FakeSerialPort.h"
#include "tests/support/FakeTimer.h"
#include "tests/support/ManualTickClock.h"
#include "tests/support/ScriptedRadio.h"

namespace {

// Everything the cable carries back during one clone read after the
// request is written.
ByteStr cloneStream(const ByteStr& request)
{
    ByteStr s = request;
    int frames = 0;
    for (int a = 0; a < 8160; a += 32, ++frames) {
        ByteStr data;
        for (int i = 0; i < 32; ++i)
            data.push_back(static_cast<uint8_t>(a + i * 3));
        const ByteStr f = CloneDataFrame(a, data);
        s.insert(s.end(), f.begin(), f.end());
    }
    const ByteStr end = CloneEndFrame(frames);
    s.insert(s.end(), end.begin(), end.end());
    return s;
}

void feed(clsCmcOrb5Drv& drv, const ByteStr& stream, size_t batch)
{
    for (size_t i = 0; i < stream.size(); i += batch) {
        const size_t n = std::min(batch, stream.size() - i);
        drv.read(ByteStr(stream.begin() + static_cast<long>(i), stream.begin() + static_cast<long>(i + n)));
    }
}

void BM_CloneReadReceive(benchmark::State& state)
{
    const size_t batch = static_cast<size_t>(state.range(0));
    FakeSerialPort port;
    FakeTimer timer;
    ManualTickClock clk;
    frmCom com(port, timer, clk);
    clsCmcEeprom eep;
    com.setcomOpen(true);
    com.orb5D.setmyEep(&eep);
    ByteStr query = HexStrToByteStr("FEFEEEEFE053140000FD");
    const ByteStr answer = ModelAnswer();
    query.insert(query.end(), answer.begin(), answer.end());
    const ByteStr stream = cloneStream(HexStrToByteStr("FEFEEEEFE253140100FD"));
    size_t total = 0;
    for (auto _ : state) {
        com.orb5D.setworkMode(clsCmcOrb5Drv::wmModelQuery);
        com.orb5D.Send(HexStrToByteStr("E0 53 14 00 00"));
        feed(com.orb5D, query, batch);
        com.orb5D.setworkMode(clsCmcOrb5Drv::wmCloneRead);
        com.orb5D.Send(HexStrToByteStr("E2 53 14 01 00"));
        feed(com.orb5D, stream, batch);
        if (com.orb5D.Running() || com.orb5D.lastError() != drvErrNone) {
            state.SkipWithError(("the clone read stream was not accepted, error " + std::to_string(com.orb5D.lastError())).c_str());
            break;
        }
        total += query.size() + stream.size();
    }
    state.SetBytesProcessed(static_cast<int64_t>(total));
    state.counters["stream_bytes"] = static_cast<double>(stream.size());
}

}  // namespace

BENCHMARK(BM_CloneReadReceive)->Arg(1)->Arg(16)->Arg(4096);
BENCHMARK_MAIN();
