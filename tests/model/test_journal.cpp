// The service journal against what reached the transceiver: every
// adjustment frame once, in order, with its item; the raw data of each
// automatic adjustment; the item table; a record that starts afresh.
#include <gtest/gtest.h>

#include "tests/model/ModelBench.h"

namespace {

using Kind = JournalEvent::Kind;
using Outcome = JournalEvent::Outcome;

// A transceiver with a detector peak at T1 36..38 and T2 90 (coarse sweep
// values), and a level that rises with RX LVA.
struct JournalRig : ModelBench {
    JournalRig()
    {
        for (int adr : {0x043, 0x051, 0x04A})
            trx.image[static_cast<size_t>(adr)] = 50;
        trx.image[0x088] = 100;   // RX LVA target
        trx.adReading = [this](int code) {
            if (code == 0x04) {
                const int t1 = lastValue(0x13), t2 = lastValue(0x14);
                return (t1 >= 36 && t1 <= 38 ? 100 : 20) + (t2 == 90 ? 100 : 0) + sd;
            }
            return code == 0x05 ? 20 + lastValue(0x06) / 2 : code;
        };
    }
    std::vector<const JournalEvent*> all(Kind k) const
    {
        std::vector<const JournalEvent*> out;
        for (const JournalEvent& e : m.myJournal.events())
            if (e.kind == k)
                out.push_back(&e);
        return out;
    }
    int sd = 0;
};

}  // namespace

TEST(Journal, HoldsEveryAdjustmentFrameAndTheSequencesRawDataUntilANewConnect)
{
    JournalRig r;
    ASSERT_TRUE(r.connect());
    r.con.UpDown(r.m.idxBal, 30);               // BAL and its two copies
    r.con.UpDown(r.m.idxModW, -1);              // MOD W, then the ratio again
    r.con.UpDown(r.m.idxLvRx, 2);               // a target: no frame
    ASSERT_TRUE(r.settle());
    r.enter(r.m.idxBpfRun);                     // coarse sweep of T1 and T2
    ASSERT_TRUE(r.runToEnd());
    r.enter(r.m.idxRxLva);                      // level search, target 102
    ASSERT_TRUE(r.runToEnd());
    r.enter(r.m.idxRssi);
    for (int v : {7, 3}) {
        r.sd = v;
        r.ticks(10);
        r.enter(r.m.idxRssi);
        r.ticks(10);
    }
    ASSERT_TRUE(r.runToEnd());

    // Every frame that reached the transceiver, and nothing else.
    std::string journal;
    for (const JournalEvent* e : r.all(Kind::Adjust))
        journal += (journal.empty() ? "" : " ") + ByteToHex2(static_cast<int16_t>(e->command)) + ":" +
                   std::to_string(e->wireValue);
    EXPECT_EQ(journal, r.commands());
    const auto adjust = r.all(Kind::Adjust);
    EXPECT_EQ(adjust.front()->title, "adjust mode");
    EXPECT_EQ(adjust.front()->cause, "connect");
    auto firstOperator = std::find_if(adjust.begin(), adjust.end(), [](auto* e) { return e->cause != "connect"; });
    ASSERT_NE(firstOperator, adjust.end());
    EXPECT_EQ(std::make_tuple((*firstOperator)->title, (*firstOperator)->oldValue, (*firstOperator)->newValue,
                              (*firstOperator)->cause),
              std::make_tuple(std::string("       BAL"), 50, 80, std::string("operator")));

    // One pair per tried value, with the reading the transceiver gave for it.
    const auto bpf = r.all(Kind::Bpf);
    ASSERT_EQ(bpf.size(), 2u);
    for (int k = 0; k < 2; ++k) {
        const JournalEvent& b = *bpf[static_cast<size_t>(k)];
        ASSERT_EQ(b.points.size(), 65u) << "0, 2, .. 128";
        EXPECT_EQ(b.points[18].value, 36);
        EXPECT_EQ(b.outcome, Outcome::Done);
        EXPECT_EQ(b.result, r.con.Value(static_cast<int16_t>(r.m.idxBpfT1 + k)));
    }
    EXPECT_EQ(std::make_tuple(bpf[0]->peakStart, bpf[0]->peakEnd, bpf[0]->highest, bpf[0]->result),
              std::make_tuple(36, 38, 100, 37));
    EXPECT_EQ(bpf[1]->points[45].reading, 200) << "T2 90 with T1 on its result";

    // The level search: the two ends, then each mid, until the target.
    const auto lva = r.all(Kind::Lva);
    ASSERT_EQ(lva.size(), 1u);
    EXPECT_EQ(lva[0]->target, 102);
    ASSERT_GE(lva[0]->points.size(), 3u);
    EXPECT_EQ(lva[0]->points[0].value, 0);
    EXPECT_EQ(lva[0]->points[1].value, 255);
    for (const JournalPoint& p : lva[0]->points)
        EXPECT_EQ(p.reading, 20 + p.value / 2);
    EXPECT_EQ(lva[0]->points.back().value, lva[0]->result);
    EXPECT_EQ(lva[0]->result, r.con.Value(r.m.idxRxLva));

    const auto rssi = r.all(Kind::Rssi);
    ASSERT_EQ(rssi.size(), 1u);
    ASSERT_EQ(rssi[0]->points.size(), 2u);
    EXPECT_EQ(std::make_pair(rssi[0]->points[0].reading, rssi[0]->points[1].reading),
              std::make_pair(r.image(0x84), r.image(0x83)));

    // At Connect, final, changes: operator steps and results, not the
    // sweep's steps nor BAL's copies.
    const auto& items = r.m.myJournal.items();
    ASSERT_EQ(items.size(), 18u);
    const std::tuple<int16_t, int, int, int> table[] = {
        {r.m.idxBal, 50, 80, 1}, {r.m.idxModW, 0, 0, 0}, {r.m.idxLvRx, 100, 102, 1},
        {r.m.idxBpfT1, 0, 37, 1}, {r.m.idxRxLva, 0, lva[0]->result, 1},
    };
    for (const auto& [i, atConnect, finalValue, changes] : table)
        EXPECT_EQ(std::make_tuple(items[i].atConnect, items[i].finalValue, items[i].changes),
                  std::make_tuple(atConnect, finalValue, changes))
            << items[i].title;

    // A coarse sweep ended by another Enter: T1 done, T2 interrupted with
    // no points; then a Connect that fails starts a new record.
    r.enter(r.m.idxBpfRun);
    ASSERT_TRUE(r.runUntil([&] { return r.all(Kind::Bpf).size() == 4 && r.all(Kind::Bpf)[2]->points.size() == 10; }));
    r.enter(r.m.idxRxLva);   // waits for T1's sweep, then ends the sequence before T2
    const auto ended = r.all(Kind::Bpf);
    ASSERT_EQ(ended.size(), 4u);
    EXPECT_EQ(ended[2]->outcome, Outcome::Done);
    EXPECT_EQ(ended[3]->outcome, Outcome::Interrupted);
    EXPECT_TRUE(ended[3]->points.empty());

    r.trx.answers = false;
    r.app.mainWindow().cmd00_Click(0);
    ASSERT_TRUE(r.runUntil([&] { return r.win.msgBox.shown.size() == 1; }));
    const auto& events = r.m.myJournal.events();
    ASSERT_EQ(events.size(), 2u) << "a new record";
    EXPECT_EQ(events[0].kind, Kind::Connect);
    EXPECT_EQ(events[1].kind, Kind::Failure);
    EXPECT_EQ(events[1].message.substr(0, 27), "No answer from transceiver.");
    EXPECT_EQ(r.m.myJournal.identity(), nullptr);
}
