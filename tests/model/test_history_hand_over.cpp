// The history takes each job whole as it ends, even when the next "Connect"
// follows its last change within the second the tick waits between hand-overs.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <set>

#include "records/History.h"
#include "records/HistoryRecorder.h"
#include "records/JournalJson.h"
#include "tests/model/ModelBench.h"

TEST(HistoryHandOver, EveryJobKeepsItsLastChangeWhenTheNextConnectFollowsAtOnce)
{
    char folder[] = "/tmp/dorvel-handover-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    HistorySettings settings;
    settings.localFile = std::string(folder) + "/history.sqlite";
    settings.jobsFolder = std::string(folder) + "/jobs";
    // Each job's adjustments as the journal holds them when it ends.
    auto adjustments = [](const std::vector<JournalEvent>& events) {
        std::string s;
        for (const JournalEvent& e : events)
            if (e.kind == JournalEvent::Kind::Adjust)
                s += TrimmedTitle(e.title) + " " + std::to_string(e.oldValue) + "->" +
                     std::to_string(e.newValue) + "; ";
        return s;
    };
    std::multiset<std::string> journalled;
    {
        ModelBench b(&settings);
        ASSERT_TRUE(b.connect());
        // Two jobs, each ended by a "Connect" in the tick after its
        // adjustment went out; the third ends with the program.
        for (int step : {30, 12}) {
            const size_t before = b.m.myJournal.events().size();
            b.con.UpDown(b.m.idxBal, step);
            ASSERT_TRUE(b.runUntil([&] { return b.m.myJournal.events().size() > before; }));
            journalled.insert(adjustments(b.m.myJournal.events()));
            ASSERT_TRUE(b.connect());
        }
        journalled.insert(adjustments(b.m.myJournal.events()));
    }
    std::unique_ptr<HistoryStore> store = MakeSqliteHistory(settings.localFile);
    std::string reason;
    ASSERT_TRUE(store->open(reason)) << reason;
    std::vector<HistoryEntry> jobs;
    ASSERT_TRUE(store->list({}, jobs, reason)) << reason;
    std::multiset<std::string> stored;
    for (const HistoryEntry& e : jobs) {
        HistoryJob job;
        ASSERT_TRUE(store->get(e.id, job, reason)) << reason;
        std::string s;
        for (const HistoryAdjustment& a : job.adjustments)
            s += a.item + " " + std::to_string(a.oldValue) + "->" + std::to_string(a.newValue) + "; ";
        stored.insert(s);
    }
    EXPECT_EQ(stored, journalled);
    store.reset();
    std::filesystem::remove_all(folder);
}
