// The service journal against what reached the transceiver: every
// adjustment frame once, in order, with its item; the raw data of each
// automatic adjustment; the item table; a record that starts afresh.
#include <gtest/gtest.h>

#include "tests/model/ModelBench.h"

namespace {

using Kind = JournalEvent::Kind;
using Outcome = JournalEvent::Outcome;

// A transceiver with a detector peak at T1 36..38 and T2 90 (coarse sweep
// values), and a level that rises with RX LVA. Each test starts from one
// session: Connect, three steps, a coarse sweep of T1 and T2, a level search,
// the RSSI levels stored with SD 7 and 3. A stalled step reports, no more.
class Journal : public ::testing::Test, public ModelBench {
protected:
    void SetUp() override
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
        ASSERT_TRUE(connect());
        con.UpDown(m.idxBal, 30);               // BAL and its two copies
        con.UpDown(m.idxModW, -1);              // MOD W, then the ratio again
        con.UpDown(m.idxLvRx, 2);               // a target: no frame
        EXPECT_TRUE(settle()) << "the steps";
        enter(m.idxBpfRun);                     // coarse sweep of T1 and T2
        EXPECT_TRUE(runToEnd()) << "the sweep";
        enter(m.idxRxLva);                      // level search, target 102
        EXPECT_TRUE(runToEnd()) << "the level search";
        enter(m.idxRssi);
        for (int v : {7, 3}) {
            sd = v;
            ticks(10);
            enter(m.idxRssi);
            ticks(10);
        }
        EXPECT_TRUE(runToEnd()) << "the RSSI levels";
    }
    // An event's i-th point; past the end a point of -1s, which fails the
    // checks on it.
    static JournalPoint At(const JournalEvent& e, size_t i) { return i < e.points.size() ? e.points[i] : JournalPoint{-1, -1}; }
    int sd = 0;
};

}  // namespace

// Every adjustment frame that reached the transceiver, and nothing else;
// one pair per tried value of each automatic adjustment, with the reading
// the transceiver gave for it; per item at Connect, final, changes: operator
// steps and results, not the sweep's steps nor BAL's copies. Then the
// session goes on to a failed Connect, which starts a new record.
TEST_F(Journal, ASessionIsHeldWholeAndAFailedConnectStartsANewRecord)
{
    const auto adjust = events(Kind::Adjust);
    std::string journal;
    for (const JournalEvent* e : adjust)
        journal += (journal.empty() ? "" : " ") + ByteToHex2(static_cast<int16_t>(e->command)) + ":" +
                   std::to_string(e->wireValue);
    EXPECT_EQ(journal, commands());
    const JournalEvent& first = nth(Kind::Adjust, 0);
    EXPECT_EQ(first.title + "/" + first.cause, "adjust mode/connect");
    const auto op = std::find_if(adjust.begin(), adjust.end(), [](auto* e) { return e->cause != "connect"; });
    // None by the operator: the empty event past the end, which fails the check.
    const JournalEvent& byOperator = op == adjust.end() ? nth(Kind::Adjust, adjust.size()) : **op;
    EXPECT_EQ(std::make_tuple(byOperator.title, byOperator.oldValue, byOperator.newValue, byOperator.cause),
              std::make_tuple(std::string("       BAL"), 50, 80, std::string("operator")));

    for (const auto& [kind, count] : {std::pair{Kind::Bpf, 2u}, {Kind::Lva, 1u}, {Kind::Rssi, 1u}})
        EXPECT_EQ(events(kind).size(), count) << "events of kind " << static_cast<int>(kind);

    for (size_t k = 0; k < 2; ++k) {
        SCOPED_TRACE("T" + std::to_string(k + 1));
        const JournalEvent& b = nth(Kind::Bpf, k);
        EXPECT_EQ(b.points.size(), 65u) << "0, 2, .. 128";
        EXPECT_EQ(At(b, 18).value, 36);
        EXPECT_EQ(b.outcome, Outcome::Done);
        EXPECT_EQ(b.result, con.Value(static_cast<int16_t>(m.idxBpfT1 + k)));
    }
    const JournalEvent& t1 = nth(Kind::Bpf, 0);
    EXPECT_EQ(std::make_tuple(t1.peakStart, t1.peakEnd, t1.highest, t1.result), std::make_tuple(36, 38, 100, 37));
    EXPECT_EQ(At(nth(Kind::Bpf, 1), 45).reading, 200) << "T2 90 with T1 on its result";

    // The level search: the two ends, then each mid, until the target.
    const JournalEvent& lva = nth(Kind::Lva, 0);
    EXPECT_EQ(lva.target, 102);
    EXPECT_GE(lva.points.size(), 3u);
    EXPECT_EQ(std::make_pair(At(lva, 0).value, At(lva, 1).value), std::make_pair(0, 255));
    for (const JournalPoint& p : lva.points)
        EXPECT_EQ(p.reading, 20 + p.value / 2) << "value " << p.value;
    EXPECT_EQ(At(lva, lva.points.size() - 1).value, lva.result);
    EXPECT_EQ(lva.result, con.Value(m.idxRxLva));

    const JournalEvent& rssi = nth(Kind::Rssi, 0);
    EXPECT_EQ(rssi.points.size(), 2u);
    EXPECT_EQ(std::make_pair(At(rssi, 0).reading, At(rssi, 1).reading), std::make_pair(image(0x84), image(0x83)));

    const auto& items = m.myJournal.items();
    EXPECT_EQ(items.size(), 18u);
    const std::tuple<int16_t, int, int, int> table[] = {
        {m.idxBal, 50, 80, 1}, {m.idxModW, 0, 0, 0}, {m.idxLvRx, 100, 102, 1},
        {m.idxBpfT1, 0, 37, 1}, {m.idxRxLva, 0, nth(Kind::Lva, 0).result, 1},
    };
    for (const auto& [i, atConnect, finalValue, changes] : table)
        EXPECT_EQ(std::make_tuple(items.at(i).atConnect, items.at(i).finalValue, items.at(i).changes),
                  std::make_tuple(atConnect, finalValue, changes))
            << items.at(i).title;

    // A coarse sweep ended by another Enter: T1 done, T2 interrupted with no
    // points; then a Connect that fails starts a new record.
    enter(m.idxBpfRun);
    EXPECT_TRUE(runUntil([&] {   // the second sweep's T1 under way
        return events(Kind::Bpf).size() == 4 && nth(Kind::Bpf, 2).points.size() == 10;
    }));
    enter(m.idxRxLva);   // waits for T1's sweep, then ends the sequence before T2
    EXPECT_EQ(events(Kind::Bpf).size(), 4u);
    EXPECT_EQ(std::make_pair(nth(Kind::Bpf, 2).outcome, nth(Kind::Bpf, 3).outcome),
              std::make_pair(Outcome::Done, Outcome::Interrupted));
    EXPECT_TRUE(nth(Kind::Bpf, 3).points.empty());

    trx.answers = false;
    app.mainWindow().cmd00_Click(0);
    EXPECT_TRUE(runUntil([&] { return win.msgBox.shown.size() == 1; }));
    EXPECT_EQ(m.myJournal.identity(), nullptr);
    const auto& record = m.myJournal.events();
    ASSERT_EQ(record.size(), 2u) << "a new record";
    EXPECT_EQ(std::make_pair(record[0].kind, record[1].kind), std::make_pair(Kind::Connect, Kind::Failure));
    EXPECT_EQ(record[1].message.substr(0, 27), "No answer from transceiver.");
}
