// The history takes each job whole as it ends, even when the next "Connect"
// follows its last change within the second the tick waits between hand-overs.
#include <gtest/gtest.h>

#include <set>

#include "records/HistoryRecorder.h"
#include "records/JournalJson.h"
#include "tests/integration/Processes.h"
#include "tests/model/ModelBench.h"

TEST(HistoryHandOver, EveryJobKeepsItsLastChangeWhenTheNextConnectFollowsAtOnce)
{
    const TempDir folder;
    HistorySettings settings;
    settings.localFile = folder.file("history.sqlite");
    settings.jobsFolder = folder.file("jobs");
    std::multiset<std::string> journalled, stored;   // each job's adjustments, "item old->new; ..."
    {
        ModelBench b(&settings);
        // Three jobs; the first two end with a "Connect" in the tick after
        // their adjustment went out, the third with the program.
        for (int step : {30, 12, 0}) {
            ASSERT_TRUE(b.connect());
            if (step != 0) {
                b.con.UpDown(b.m.idxBal, step);
                const size_t before = b.m.myJournal.events().size();
                ASSERT_TRUE(b.runUntil([&] { return b.m.myJournal.events().size() > before; }));
            }
            std::string s;
            for (const JournalEvent* e : b.events(JournalEvent::Kind::Adjust))
                s += TrimmedTitle(e->title) + " " + std::to_string(e->oldValue) + "->" +
                     std::to_string(e->newValue) + "; ";
            journalled.insert(s);
        }
    }
    std::unique_ptr<HistoryStore> store = MakeSqliteHistory(settings.localFile);
    std::string reason;
    std::vector<HistoryEntry> jobs;
    ASSERT_TRUE(store->open(reason) && store->list({}, jobs, reason)) << reason;
    for (const HistoryEntry& e : jobs) {
        HistoryJob job;
        ASSERT_TRUE(store->get(e.id, job, reason)) << reason;
        std::string s;
        for (const HistoryAdjustment& a : job.adjustments)
            s += a.item + " " + std::to_string(a.oldValue) + "->" + std::to_string(a.newValue) + "; ";
        stored.insert(s);
    }
    EXPECT_EQ(stored, journalled);
}
