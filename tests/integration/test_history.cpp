// The history of the command line's jobs on the real engines: a job on the
// paced radio lands in the bench's SQLite file and on the shop's PostgreSQL
// server with the same content, is rebuilt from the files, and a database
// that cannot be used warns without costing any radio work.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "records/HistorySql.h"
#include "tests/integration/Processes.h"
#include "tests/support/PgTestServer.h"

namespace {

// A bench: its own data folder, and a settings folder that names the shop
// server (conninfo) or none.
struct Bench {
    TempDir dir;
    std::string conninfo;

    std::string data() const { return dir.file("data"); }
    std::string history() const { return data() + "/dorvel-adj/history.sqlite"; }
    RunResult cli(std::vector<std::string> args, const std::string& input = {}, bool server = true) const
    {
        const std::string config = dir.file(server ? "config" : "config-local");
        std::filesystem::create_directories(config + "/dorvel-adj");
        std::ofstream settings(config + "/dorvel-adj/Velmara.rs");
        if (server && !conninfo.empty()) {
            // host=H port=P user=U dbname=D, as the shop names it.
            settings << "[HISTORY]\n";
            std::istringstream in(conninfo);
            const std::pair<const char*, const char*> keys[] = {
                {"host=", "Host"}, {"port=", "Port"}, {"user=", "User"}, {"dbname=", "Database"}};
            for (std::string word; in >> word;)
                for (const auto& [prefix, key] : keys)
                    if (word.rfind(prefix, 0) == 0)
                        settings << key << "=" << word.substr(std::strlen(prefix)) << "\n";
        }
        settings.close();
        args.insert(args.begin(), {"XDG_DATA_HOME=" + data(), "XDG_CONFIG_HOME=" + config});
        return RunCli(args, input, 120000);
    }
};

std::string onlyJobId(const RunResult& listing)
{
    const size_t at = listing.out.find("\"id\":\"");
    return at == std::string::npos ? "" : listing.out.substr(at + 6, 36);
}

}  // namespace

TEST(History, AJobOfThePacedRadioReachesTheBenchAndTheShopAlikeAndIsRebuiltFromItsFiles)
{
    Bench bench;
    bench.conninfo = FreshPgDatabase("shop_paced");
    SimProcess sim({});
    const std::string pdf = bench.dir.file("job.pdf");
    const RunResult s = bench.cli({"session", "--device", sim.device()},
                                  "job serial SN-77\nconnect\nselect 1\nstep 1\nidle\nreport " + pdf + "\nquit\n");
    ASSERT_EQ(s.status, 0) << s.out << s.err;

    const RunResult shop = bench.cli({"history", "--json", "--serial", "SN-77"});
    EXPECT_TRUE(Has(shop.out, "\"source\":\"shop server: PostgreSQL")) << shop.out << shop.err;
    const std::string id = onlyJobId(shop);
    ASSERT_EQ(id.size(), 36u) << shop.out;
    EXPECT_TRUE(Has(shop.out, "\"main_code\":\"5314\"")) << shop.out;
    EXPECT_TRUE(Has(shop.out, "\"report\":\"" + pdf + "\"")) << shop.out;

    const RunResult onShop = bench.cli({"history", "show", id, "--json"});
    const RunResult onBench = bench.cli({"history", "show", id, "--json"}, {}, false);
    ASSERT_EQ(onBench.status, 0) << onBench.err;
    EXPECT_EQ(onShop.out, onBench.out);
    for (const char* t : {"\"item\":\"Power(Hi)\",\"old\":180,\"new\":181,\"cause\":\"operator\"", "\"kind\":\"backup\"",
                          "\"kind\":\"report\"", "\"serial\":\"SN-77\""})
        EXPECT_TRUE(Has(onBench.out, t)) << t << "\n" << onBench.out;
    // Each file with the SHA-256 of what was written.
    EXPECT_EQ(onBench.out.find("\"sha256\":\"\""), std::string::npos) << onBench.out;

    std::filesystem::remove(bench.history());
    EXPECT_EQ(bench.cli({"history", "rebuild"}).status, 0);
    EXPECT_EQ(bench.cli({"history", "show", id, "--json"}, {}, false).out, onBench.out);
}

// A bench database that is corrupt, cannot be opened or is locked, or a
// shop server that does not answer, costs no radio work: the session ends
// well with a warning, the backup and the job file are written; what was not
// stored goes in at the next chance (the lock released), by a rebuild (the
// file repaired) or waits on the bench (the server).
TEST(History, ADatabaseThatCannotBeUsedWarnsAndLosesNoRadioWork)
{
    enum class Fault { Corrupt, Folder, Locked, NoServer };
    const std::pair<Fault, const char*> cases[] = {
        {Fault::Corrupt, "file is not a database"},
        {Fault::Folder, "unable to open database file"},
        {Fault::Locked, "database is locked"},
        {Fault::NoServer, "the shop server (PostgreSQL host /nonexistent, database shop) cannot take the jobs now"},
    };
    for (const auto& [fault, warning] : cases) {
        SCOPED_TRACE(warning);
        Bench bench;
        if (fault == Fault::NoServer)
            bench.conninfo = "host=/nonexistent port=5432 user=dorvel dbname=shop";
        std::filesystem::create_directories(bench.data() + "/dorvel-adj");
        std::unique_ptr<SqlConnection> holder;
        std::thread release;
        std::string reason;
        if (fault == Fault::Corrupt)
            std::ofstream(bench.history()) << std::string(8192, 'x');
        if (fault == Fault::Folder)
            std::filesystem::create_directories(bench.history());
        if (fault == Fault::Locked) {
            auto ready = MakeSqliteHistory(bench.history());
            ASSERT_TRUE(ready->open(reason)) << reason;
            ready->close();
            holder = MakeSqliteConnection(bench.history());
            ASSERT_TRUE(holder->connect(reason)) << reason;
            ASSERT_TRUE(holder->run("BEGIN EXCLUSIVE", {}, nullptr, reason)) << reason;
            release = std::thread([&] {
                std::this_thread::sleep_for(std::chrono::seconds(4));
                std::string ignored;
                holder->run("ROLLBACK", {}, nullptr, ignored);
            });
        }
        SimProcess sim({"--fast"});
        const RunResult s = bench.cli({"session", "--device", sim.device()},
                                      std::string("connect\nselect 1\nstep 1\nidle\n") +
                                          (fault == Fault::Locked ? "wait 8000\n" : "") + "quit\n");
        if (release.joinable())
            release.join();
        EXPECT_EQ(s.status, 0) << s.out << s.err;
        const std::string where = fault == Fault::NoServer ? "" : "SQLite " + bench.history() + ": ";
        EXPECT_TRUE(Has(s.err, "warning: History: " + where + warning)) << s.err;
        EXPECT_EQ(FilesIn(bench.data() + "/dorvel-adj/backups", ".bin").size(), 1u);
        const std::vector<std::string> jobs = FilesIn(bench.data() + "/dorvel-adj/jobs", ".json");
        ASSERT_EQ(jobs.size(), 1u);
        EXPECT_TRUE(Has(ReadFile(jobs[0]), "\"item\":\"Power(Hi)\",\"old\":180,\"new\":181")) << ReadFile(jobs[0]);
        if (fault == Fault::Locked) {
            EXPECT_TRUE(Has(s.err, "History: stored again")) << s.err;
        } else if (fault == Fault::NoServer) {
            EXPECT_TRUE(Has(s.err, "They wait on this bench")) << s.err;
        } else {
            std::filesystem::remove_all(bench.history());
            EXPECT_EQ(bench.cli({"history", "rebuild"}).status, 0);
        }
        const RunResult listed = bench.cli({"history", "--json"}, {}, false);
        EXPECT_EQ(onlyJobId(listed) + ".json", std::filesystem::path(jobs[0]).filename().string()) << listed.out;
    }
}
