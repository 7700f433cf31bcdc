// Alignment procedures run headless on the simulated radio: the verdicts
// and their records, each record checked against the shipped schema.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <fstream>
#include <future>
#include <memory>
#include <set>

#include "tests/integration/Processes.h"

namespace {

const std::string kFull = DORVEL_SOURCE_DIR "/procedures/full-alignment.yaml";
const std::string kSchema = DORVEL_SOURCE_DIR "/procedures/run-record.schema.json";

// The record whose path follows "record: " in a run's output; empty when none.
QJsonObject RecordOf(const std::string& out)
{
    const size_t at = out.find("record: ");
    return at == std::string::npos ? QJsonObject() : JsonFile(out.substr(at + 8, out.find('\n', at) - at - 8));
}

// Every record in the folder against the schema; "" when all are valid.
std::string SchemaFaults(const std::string& folder)
{
    std::vector<std::string> argv{"/usr/bin/python3", "-c",
                                  "import json, sys, jsonschema\n"
                                  "schema = json.load(open(sys.argv[1]))\n"
                                  "for p in sys.argv[2:]:\n"
                                  "    for e in jsonschema.Draft202012Validator(schema).iter_errors(json.load(open(p))):\n"
                                  "        print(p, list(e.absolute_path), e.message)\n",
                                  kSchema};
    for (const std::string& f : FilesIn(folder, ".json"))
        argv.push_back(f);
    const RunResult r = RunProgram(argv);
    return r.status == 0 ? r.out : "python3 jsonschema: " + r.err;
}

// The bench's history of a data folder: its only job in full, as JSON.
std::string HistoryOfOneJob(const std::string& data)
{
    const std::string list = RunCli({"XDG_DATA_HOME=" + data, "history", "--json"}).out;
    const size_t at = list.find("\"id\":\"");
    if (at == std::string::npos || list.find("\"id\":\"", at + 1) != std::string::npos)
        return "not one job: " + list;
    return RunCli({"XDG_DATA_HOME=" + data, "history", "show", list.substr(at + 6, 36), "--json"}).out;
}

std::string StepOutcomes(const QJsonObject& record)
{
    std::string out;
    for (const QJsonValue& s : record["steps"].toArray()) {
        out += s.toObject()["outcome"].toString().toStdString();
        out += s.toObject()["marginal"].toBool() ? "(m) " : " ";
    }
    return out;
}

}  // namespace

TEST(Procedures, VerdictsOfTheFullAlignment)
{
    const struct {
        const char* name;
        const char* answers;
        int status;
        const char* outcome;
        int firstFailing;   // 0 for none
        const char* code;
        const char* steps;
    } cases[] = {
        {"pass", "5.0\n10\n", 0, "PASS", 0, "",
         "pass pass pass pass pass pass pass pass pass pass pass pass "},
        {"a frequency error beyond 300 Hz", "5.0\n900\n", 1, "FAIL", 7, "F-FREQ",
         "pass pass pass pass pass pass fail not run not run not run not run not run "},
        {"a marginal power", "4.82\n10\n", 0, "PASS", 0, "",
         "pass pass pass pass pass pass(m) pass pass pass pass pass pass "},
        {"the power right at the second try", "4.5\n5.0\n-20\n", 0, "PASS", 0, "",
         "pass pass pass pass pass pass pass pass pass pass pass pass "},
        {"no answer left for the measure step", "5.0\n", 3, "ABORTED", 0, "",
         "pass pass pass pass pass pass aborted not run not run not run not run not run "},
    };
    // The runs wait on the radio most of the time: all at once, each on its own radio.
    std::vector<std::unique_ptr<TempDir>> dirs;
    std::vector<std::unique_ptr<SimProcess>> sims;
    std::vector<std::future<RunResult>> runs;
    for (const auto& c : cases) {
        dirs.push_back(std::make_unique<TempDir>());
        sims.push_back(std::make_unique<SimProcess>(std::vector<std::string>{"--fast"}));
        runs.push_back(std::async(std::launch::async, [&dir = *dirs.back(), &sim = *sims.back(), &c] {
            std::ofstream(dir.file("answers")) << c.answers;
            return RunCli({"XDG_DATA_HOME=" + dir.file("data"), "run", "--device", sim.device(),
                           "--procedure", kFull, "--answers", dir.file("answers"), "--serial", "SN1001",
                           "--operator", "Ann Lee", "--report", dir.file("r.pdf")},
                          {}, 180000);
        }));
    }
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.name);
        const TempDir& dir = *dirs[i];
        const RunResult run = runs[i].get();
        EXPECT_EQ(run.status, c.status) << run.out << run.err;
        const QJsonObject r = RecordOf(run.out);
        EXPECT_EQ(r["outcome"].toString().toStdString(), c.outcome) << run.out;
        EXPECT_EQ(r["first_failing_step"].toInt(), c.firstFailing);
        EXPECT_EQ(r["failure_code"].toString().toStdString(), c.code);
        EXPECT_EQ(StepOutcomes(r), c.steps);
        EXPECT_EQ(r["serial"].toString(), "SN1001");
        EXPECT_EQ(r["operator"].toString(), "Ann Lee");
        EXPECT_EQ(r["radio"].toObject()["main_code"].toString(), "5314");
        EXPECT_EQ(ReadFile(r["backup"].toString().toStdString()).size(), 8160u) << "the backup at Connect";
        EXPECT_EQ(SchemaFaults(dir.file("data")), "");
        EXPECT_TRUE(Has(run.out, std::string("\n") + c.outcome)) << run.out;
        const std::string page = PdfText(dir.file("r.pdf"), {"-l", "1"});
        EXPECT_EQ(page.find("Dorvel ADJ procedure run\n"), 0u) << page;
        EXPECT_TRUE(Has(page, std::string("\n") + c.outcome + "\n")) << page;
        EXPECT_TRUE(Has(page, "SN1001")) << page;
        EXPECT_EQ(Has(page, "First failing step: 7, TX frequency error (code F-FREQ)"), c.firstFailing != 0) << page;
        const std::string job = HistoryOfOneJob(dir.file("data"));
        for (const std::string& t : {std::string("\"serial\":\"SN1001\""), std::string("\"operator\":\"Ann Lee\""),
                                     "\"id\":\"" + r["run_id"].toString().toStdString() + "\"",
                                     "\"outcome\":\"" + std::string(c.outcome) + "\"",
                                     "\"failure_code\":\"" + std::string(c.code) + "\"", std::string("\"kind\":\"run\"")})
            EXPECT_TRUE(Has(job, t)) << t << "\n" << job;
        EXPECT_EQ(Has(job, "\"attempt\":2"), std::string(c.name) == "the power right at the second try") << job;
        const QJsonArray steps = r["steps"].toArray();
        if (std::string(c.name) == "the power right at the second try") {
            const QJsonArray tries = steps[5].toObject()["measurements"].toArray();
            ASSERT_EQ(tries.size(), 2);
            EXPECT_EQ(tries[0].toObject()["outcome"].toString(), "fail");
            EXPECT_EQ(tries[1].toObject()["attempt"].toInt(), 2);
            EXPECT_EQ(tries[1].toObject()["value"].toDouble(), 5.0);
        }
        if (std::string(c.outcome) == "PASS") {
            EXPECT_EQ(steps[7].toObject()["pairs"].toArray().size(), 256);
            EXPECT_EQ(steps[7].toObject()["item_value"].toInt(), 37);
            EXPECT_TRUE(Has(steps[11].toObject()["note"].toString().toStdString(), "written and read back whole"));
        }
    }
}

TEST(Procedures, ABadStartIsRefusedAndAPulledCableIsAnErrorWithTheBackupKept)
{
    TempDir dir;
    std::ofstream(dir.file("bad.yaml")) << "procedure: T\nversion: \"1\"\nmodels: [\"5314-0100\"]\nsteps:\n"
                                           "  - readout: VIN\n    low: 6\n    hihg: 9\n";
    SimProcess sim({"--fast", "--log", dir.file("wire.log")});
    const RunResult bad = RunCli({"run", "--device", sim.device(), "--procedure", dir.file("bad.yaml"), "--serial", "S"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_TRUE(Has(bad.err, dir.file("bad.yaml") + ":7: a readout step has no key \"hihg\"; it may have raw, "
                                                             "low, high, marginal, tries, name, code and on_fail\n"))
        << bad.err;
    const RunResult serial = RunCli({"run", "--device", sim.device(), "--procedure", kFull, "--serial", "XY-1"});
    EXPECT_EQ(serial.status, 2);
    EXPECT_TRUE(Has(serial.err, "the serial number \"XY-1\" does not fit the procedure's pattern")) << serial.err;
    EXPECT_EQ(ReadFile(dir.file("wire.log")), "") << "nothing was sent";

    Conversation run({"/usr/bin/env", "XDG_DATA_HOME=" + dir.file("data"), BinPath("dorvel-adj-cli"), "run",
                      "--device", sim.device(), "--procedure", kFull, "--serial", "SN2002"});
    std::string out;
    for (std::string line; (line = run.hear(60000)) != "";) {
        out += line + "\n";
        if (line.rfind("prompt: ", 0) == 0)
            run.say("");
        else if (Has(line, "Power(Hi) in W"))
            run.say("5");
        else if (Has(line, "TX frequency error in Hz"))
            run.say("0");
        if (line.rfind("step 7/", 0) == 0)
            sim.terminate();   // the cable goes while the filter is swept
        if (line.rfind("backup: ", 0) == 0)
            break;
    }
    EXPECT_EQ(run.finish(10000), 3) << out;
    EXPECT_TRUE(Has(out, "\nERROR: the link to the radio failed")) << out;
    const QJsonObject r = RecordOf(out);
    EXPECT_EQ(r["outcome"].toString(), "ERROR") << out;
    EXPECT_EQ(r["steps"].toArray()[7].toObject()["outcome"].toString(), "error") << out;
    EXPECT_EQ(ReadFile(r["backup"].toString().toStdString()).size(), 8160u) << "the backup is kept";
    EXPECT_EQ(SchemaFaults(dir.file("data")), "");
}

TEST(Procedures, FourRadiosAtOnceEachWithItsOwnRecord)
{
    TempDir dir;
    std::vector<std::unique_ptr<SimProcess>> sims;
    std::vector<std::string> args{"XDG_DATA_HOME=" + dir.file("data"), "run", "--procedure",
                                  DORVEL_SOURCE_DIR "/procedures/quick-check.yaml"};
    for (int i = 1; i <= 4; ++i) {
        // Paced lines at four times the rate, to be quick.
        sims.push_back(std::make_unique<SimProcess>(std::vector<std::string>{"--baud", "38400"}));
        args.insert(args.end(), {"--device", sims.back()->device(), "--serial", "Q" + std::to_string(i)});
    }
    const RunResult r = RunCli(args, {}, 180000);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    const std::vector<std::string> records = FilesIn(dir.file("data") + "/dorvel-adj/runs", ".json");
    ASSERT_EQ(records.size(), 4u) << r.out;
    std::set<std::string> serials, own;   // own: the runs' devices, backups and run ids
    for (const std::string& path : records) {
        const QJsonObject rec = JsonFile(path);
        const std::string serial = rec["serial"].toString().toStdString();
        const std::string device = rec["radio"].toObject()["device"].toString().toStdString();
        EXPECT_EQ(rec["outcome"].toString(), "PASS") << path;
        EXPECT_TRUE(Has(r.out, serial + " on " + device + ": PASS, record " + path)) << r.out;
        serials.insert(serial);
        own.insert({device, rec["backup"].toString().toStdString(), rec["run_id"].toString().toStdString()});
    }
    EXPECT_EQ(serials, (std::set<std::string>{"Q1", "Q2", "Q3", "Q4"}));
    EXPECT_EQ(own.size(), 12u) << "four devices, four backups, four run ids";
    EXPECT_EQ(SchemaFaults(dir.file("data") + "/dorvel-adj/runs"), "");
    // Four processes at once into the bench's one history file.
    const RunResult history = RunCli({"XDG_DATA_HOME=" + dir.file("data"), "history", "--json"});
    std::multiset<std::string> jobs;
    const QJsonDocument listing = QJsonDocument::fromJson(QByteArray::fromStdString(history.out));
    for (const QJsonValue& j : listing["jobs"].toArray())
        jobs.insert(j["serial"].toString().toStdString() + " " + j["outcome"].toString().toStdString());
    EXPECT_EQ(jobs, (std::multiset<std::string>{"Q1 PASS", "Q2 PASS", "Q3 PASS", "Q4 PASS"})) << history.out;
}
