// The history store on both real engines: a bench's SQLite file and the
// test's throw-away PostgreSQL server. Jobs stored whole and once, found by
// every filter, the schema upgraded or refused, and four benches feeding
// one server through an outage.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "records/HistorySql.h"
#include "tests/integration/Processes.h"
#include "tests/support/PgTestServer.h"

namespace {

struct Engine {
    const char* name;
    std::function<std::unique_ptr<SqlConnection>(const std::string& tag)> connect;
};

const Engine kEngines[] = {
    {"SQLite", [](const std::string& tag) {
         static const TempDir folder;
         return MakeSqliteConnection(folder.file(tag + ".sqlite"));
     }},
    {"PostgreSQL", [](const std::string& tag) { return MakePostgresConnection(FreshPgDatabase(tag)); }},
};

HistoryJob job(const std::string& id, const std::string& serial, int64_t start, const std::string& model,
               const std::string& outcome)
{
    HistoryJob j;
    j.id = id;
    j.serial = serial;
    j.start = start;
    j.mainCode = model;
    j.subCode = "0100";
    j.station = "bench-1";
    j.device = "/dev/ttyUSB0";
    j.adapter = "ftdi_sio, latency timer 1 ms";
    j.technician = "Ana O'Neill";
    j.backupPath = "/data/backups/" + id + ".bin";
    j.adjustments = {{120, "Power(Hi)", 180, 181, "operator"}, {900, "SQL", 122, 120, "operator"}};
    j.autos = {{4000, "bpf", "BPF T1", 120, 37, "done", "set to 37"}};
    j.files = {{"backup", j.backupPath, "ab12", start}, {"report", "/reports/" + id + ".pdf", "cd34", start + 60}};
    if (!outcome.empty()) {
        HistoryRun r;
        r.id = "run-" + id;
        r.procedure = "Full alignment";
        r.procedureVersion = "3";
        r.serial = serial;
        r.outcome = outcome;
        r.start = start + 10;
        r.end = start + 50;
        r.steps = {{"measure", "TX power", outcome == "PASS" ? "pass" : "fail", false}, {"auto", "BPF T1", "pass", true}};
        r.measurements = {{0, 1, 4.93, "W", 4.5, std::nullopt, "fail"}, {0, 2, 5.01, "W", 4.5, std::nullopt, "pass"}};
        if (outcome != "PASS") {
            r.failureCode = "TXPOW";
            r.firstFailingStep = "TX power";
        }
        j.runs.push_back(r);
    }
    return j;
}

std::vector<std::string> ids(HistoryStore& store, const HistoryFilter& f)
{
    std::vector<HistoryEntry> out;
    std::string reason;
    EXPECT_TRUE(store.list(f, out, reason)) << reason;
    std::vector<std::string> r;
    for (const HistoryEntry& e : out)
        r.push_back(e.id.substr(0, 5));
    return r;
}

}  // namespace

// The same jobs give the same content on both engines: stored whole, a job
// put again replaces its rows (stored once), values that look like SQL are
// only values, and every filter of the views finds what it should.
TEST(History, AJobIsStoredWholeOnceAndFoundByEveryFilterOnBothEngines)
{
    for (const Engine& engine : kEngines) {
        SCOPED_TRACE(engine.name);
        auto store = MakeSqlHistory(engine.connect("filters"));
        std::string reason;
        ASSERT_TRUE(store->open(reason)) << reason;
        HistoryJob a = job("aaaa1-failed", "SN-1'); DROP TABLE jobs; --", 1000000, "5314", "FAIL");
        ASSERT_TRUE(store->put(a, reason)) << reason;
        a.adjustments.push_back({1500, "REF", 128, 130, "operator"});   // later, the same job again
        ASSERT_TRUE(store->put(a, reason)) << reason;
        ASSERT_TRUE(store->put(job("aaaa2-passed", "SN-2", 2000000, "5314", "PASS"), reason)) << reason;
        ASSERT_TRUE(store->put(job("bbbb3-norun", "SN-3", 3000000, "5315", ""), reason)) << reason;

        HistoryJob back;
        ASSERT_TRUE(store->get("aaaa1", back, reason)) << reason;
        EXPECT_EQ(HistoryJobJson(back), HistoryJobJson(a));
        EXPECT_FALSE(store->get("aaaa", back, reason));
        EXPECT_NE(reason.find("more than one job"), std::string::npos) << reason;
        EXPECT_FALSE(store->get("zzzz", back, reason));
        EXPECT_EQ(reason, "");

        const std::pair<std::function<void(HistoryFilter&)>, std::vector<std::string>> rows[] = {
            {[](HistoryFilter&) {}, {"bbbb3", "aaaa2", "aaaa1"}},
            {[](HistoryFilter& f) { f.serial = "SN-1'); DROP TABLE jobs; --"; }, {"aaaa1"}},
            {[](HistoryFilter& f) { f.serial = "SN"; }, {}},
            {[](HistoryFilter& f) { f.model = "5315"; }, {"bbbb3"}},
            {[](HistoryFilter& f) { f.model = "0100"; }, {"bbbb3", "aaaa2", "aaaa1"}},
            {[](HistoryFilter& f) { f.since = 2000000; }, {"bbbb3", "aaaa2"}},
            {[](HistoryFilter& f) { f.until = 2000000; }, {"aaaa1"}},
            {[](HistoryFilter& f) { f.failed = true; }, {"aaaa1"}},
            {[](HistoryFilter& f) { f.outcome = "PASS"; }, {"aaaa2"}},
            {[](HistoryFilter& f) { f.outcome = "none"; }, {"bbbb3"}},
            {[](HistoryFilter& f) { f.limit = 1; }, {"bbbb3"}},
        };
        for (const auto& [set, want] : rows) {
            HistoryFilter f;
            set(f);
            EXPECT_EQ(ids(*store, f), want) << f.serial << f.model << f.since << f.until << f.outcome;
        }
        std::vector<HistoryEntry> all;
        ASSERT_TRUE(store->list({}, all, reason));
        EXPECT_EQ(std::make_tuple(all[2].adjustments, all[2].outcome, all[2].reportPath),
                  std::make_tuple(3, std::string("FAIL"), std::string("/reports/aaaa1-failed.pdf")));
        EXPECT_EQ(all[0].outcome, "");
    }
}

// A database of the first schema is upgraded in place and keeps its jobs;
// one written by a newer program is refused and left alone.
TEST(History, AnOlderSchemaIsUpgradedAndANewerOneRefused)
{
    for (const Engine& engine : kEngines) {
        SCOPED_TRACE(engine.name);
        std::unique_ptr<SqlConnection> c = engine.connect("schema");
        std::string reason;
        ASSERT_TRUE(c->connect(reason)) << reason;
        std::vector<std::string> first = HistorySchemaSteps(1);
        first.insert(first.end(),
                     {"INSERT INTO history_schema (version) VALUES (1)",
                      "INSERT INTO jobs (id, start_time, serial) VALUES ('old-job', 5, 'SN-OLD')"});
        for (const std::string& sql : first)
            ASSERT_TRUE(c->run(sql, {}, nullptr, reason)) << sql << ": " << reason;
        c->disconnect();
        auto store = MakeSqlHistory(std::move(c));
        ASSERT_TRUE(store->open(reason)) << reason;
        HistoryJob old;
        ASSERT_TRUE(store->get("old-job", old, reason)) << reason;
        EXPECT_EQ(old.serial, "SN-OLD");
        const HistoryJob fresh = job("new-job", "SN-NEW", 10, "5314", "PASS");
        ASSERT_TRUE(store->put(fresh, reason)) << reason;   // the adapter column of version 2
        HistoryJob back;
        ASSERT_TRUE(store->get("new-job", back, reason)) << reason;
        EXPECT_EQ(back.adapter, fresh.adapter);
        store->close();

        std::unique_ptr<SqlConnection> newer = engine.connect("schema-newer");
        ASSERT_TRUE(newer->connect(reason)) << reason;
        ASSERT_TRUE(newer->run("CREATE TABLE history_schema (version INTEGER NOT NULL)", {}, nullptr, reason));
        ASSERT_TRUE(newer->run("INSERT INTO history_schema (version) VALUES (99)", {}, nullptr, reason));
        newer->disconnect();
        auto refused = MakeSqlHistory(std::move(newer));
        EXPECT_FALSE(refused->open(reason));
        EXPECT_NE(reason.find("schema version 99, newer than this program's 2"), std::string::npos) << reason;
    }
}

// Four benches store 250 jobs with a run each in their own SQLite file and
// copy them to one server, which goes away for a while part-way: what could
// not go waits on its bench and goes when the server is back, and the
// server ends with every run exactly once.
TEST(History, FourBenchesFeedOneServerThroughAnOutageWithoutDuplicates)
{
    const std::string server = FreshPgDatabase("benches");
    const TempDir folder;
    std::atomic<int> stored{0};
    std::atomic<int> refused{0};
    std::vector<std::thread> benches;
    for (int b = 0; b < 4; ++b)
        benches.emplace_back([&, b] {
            auto local = MakeSqliteHistory(folder.file("bench" + std::to_string(b) + ".sqlite"));
            auto shop = MakePostgresHistory(server);
            std::string reason;
            int sent = 0;
            for (int i = 0; i < 250; ++i) {
                const std::string id = "b" + std::to_string(b) + "-" + std::to_string(i);
                if (!local->put(job(id, "SN-" + id, 1000 + i, "5314", i % 7 == 0 ? "FAIL" : "PASS"), reason))
                    ADD_FAILURE() << reason;
                ++stored;
                if (!SendUnsent(*local, *shop, sent, reason))
                    ++refused;
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            // The server answers again: what waited goes now.
            for (int tries = 0; !SendUnsent(*local, *shop, sent, reason) && tries < 100; ++tries)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            std::vector<std::string> left;
            EXPECT_TRUE(local->unsent(left, reason) && left.empty()) << reason << " " << left.size();
        });
    while (stored < 300)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    PgTestServerHalt();
    while (stored < 600)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    PgTestServerResume();
    for (std::thread& t : benches)
        t.join();
    EXPECT_GT(refused.load(), 0) << "the outage was seen";

    auto shop = MakePostgresHistory(server);
    std::vector<HistoryEntry> jobs;
    std::string reason;
    ASSERT_TRUE(shop->list({}, jobs, reason)) << reason;
    EXPECT_EQ(jobs.size(), 1000u);
    int runs = 0;
    for (const HistoryEntry& e : jobs)
        runs += e.runs;
    EXPECT_EQ(runs, 1000);
    HistoryFilter failed;
    failed.failed = true;
    ASSERT_TRUE(shop->list(failed, jobs, reason)) << reason;
    EXPECT_EQ(jobs.size(), 4u * 36);   // i % 7 == 0 for 36 of 250
}
