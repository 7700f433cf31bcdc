// The service record end to end: a scripted job on the paced simulator,
// its report checked against the simulator's own log of the wire; reports
// of a failed Connect and of a read error; a report that cannot be written.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "tests/integration/SessionRun.h"

namespace {

// The first frame from the PC with this command and value, from `from` on.
size_t FirstSent(const std::vector<WireCommand>& f, size_t from, int sub, int value)
{
    const auto sent = [&](const WireCommand& x) { return x.pc && x.sub == sub && x.value == value; };
    return static_cast<size_t>(std::find_if(f.begin() + static_cast<std::ptrdiff_t>(from), f.end(), sent) - f.begin());
}

// The readings the radio answered to the A/D requests for a channel code,
// in order, from frame `from` on.
std::vector<int> Answers(const std::vector<WireCommand>& f, size_t from, int code)
{
    std::vector<int> out;
    for (size_t i = from; i + 1 < f.size(); ++i)
        if (f[i].pc && f[i].sub == 0x03 && f[i].value == code && !f[i + 1].pc && f[i + 1].sub == 0x03)
            out.push_back(f[i + 1].value);
    return out;
}

std::vector<QJsonObject> Events(const QJsonObject& report, const QString& kind)
{
    std::vector<QJsonObject> out;
    for (const QJsonValue& e : report["events"].toArray())
        if (e.toObject()["event"].toString() == kind)
            out.push_back(e.toObject());
    return out;
}

}  // namespace

TEST(Report, AJobOnThePacedRadioAgainstTheWire)
{
    TempDir dir;
    SimProcess sim({"--log", dir.file("wire.log")});
    const std::string pdf = dir.file("job.pdf");
    // A data folder whose path is wider than the page: the backup's line wraps.
    const SessionOutput s = RunSession(sim.device(),
                                       "connect\nselect 1\nstep 1\nidle\nselect 8\nstep -2\nidle\n"
                                       "select 11\nenter\nidle\nselect 13\nenter\nidle\nreport " + pdf + "\nquit\n",
                                       280000, {"XDG_DATA_HOME=" + dir.file(std::string(120, 'd'))});
    ASSERT_EQ(s.lines.size(), 8u) << s.run.out;
    EXPECT_EQ(s.lines.back(), "ok") << "the report";
    const QJsonObject report = JsonFile(dir.file("job.json"));
    EXPECT_EQ(report["radio"].toObject()["device"].toString().toStdString(), sim.device());

    // Exactly the adjustment frames of the wire, in order.
    const std::vector<WireCommand> wire = LoggedCommands(ReadFile(dir.file("wire.log")), {}, true);
    std::vector<std::pair<int, int>> sent, journal;
    for (const WireCommand& f : wire)
        if (f.pc && f.sub != 0x03)
            sent.emplace_back(f.sub, f.value);
    std::vector<std::string> steps;   // the operator's two, with their values before and after
    for (const QJsonObject& a : Events(report, "adjust")) {
        journal.emplace_back(a["command"].toInt(), a["value"].toInt());
        if (a["cause"].toString() == "operator")
            steps.push_back(a["item"].toString().toStdString() + " " + std::to_string(a["old"].toInt()) + ">" +
                            std::to_string(a["new"].toInt()));
    }
    EXPECT_EQ(journal, sent);
    EXPECT_EQ(steps, (std::vector<std::string>{"Power(Hi) 180>181", "SQL 122>120"}));

    // One pair per swept value, with the detector reading the radio gave.
    const auto bpf = Events(report, "bpf");
    ASSERT_EQ(bpf.size(), 1u);
    const QJsonArray pairs = bpf[0]["pairs"].toArray();
    ASSERT_EQ(pairs.size(), 256);
    const size_t sweepStart = FirstSent(wire, 0, 0x13, 0);
    const std::vector<int> sd = Answers(wire, sweepStart, 0x04);
    ASSERT_GE(sd.size(), 256u);
    for (int v = 0; v < 256; ++v) {
        EXPECT_EQ(pairs[v].toArray()[0].toInt(), v);
        EXPECT_EQ(pairs[v].toArray()[1].toInt(), sd[static_cast<size_t>(v)]) << "value " << v;
    }
    EXPECT_EQ(bpf[0]["result"].toInt(), 37);
    EXPECT_EQ(bpf[0]["peak"].toArray(), (QJsonArray{34, 40}));

    // One pair per step of the level search, with the level the radio read.
    const auto lva = Events(report, "lva");
    ASSERT_EQ(lva.size(), 1u);
    std::vector<int> levels;
    for (const QJsonValue& p : lva[0]["steps"].toArray())
        levels.push_back(p.toArray()[1].toInt());
    EXPECT_EQ(levels, Answers(wire, FirstSent(wire, sweepStart, 0x06, 0), 0x05));
    EXPECT_EQ(levels, (std::vector<int>{32, 127, 80, 104, 92}));
    EXPECT_EQ(lva[0]["result"].toInt(), 160);

    const std::string text = PdfText(pdf);
    for (const char* t : {"5314", "0100", sim.device().c_str(), "set to 37", "settled on 160", "CH No.", "Power(Hi)",
                          "Power(L2)", "Power(L1)", "BAL", "MOD W", "MOD Ratio", "CTCS/DTCS", "SQL", "REF", "BPF ALL",
                          "BPF T1", "BPF T2", "\nRX LVA *\n", "\nTX LVA\n", "LV(RX LVA)", "LV(TX LVA)", "RSSI", "LVIN : 92:5Ch"})
        EXPECT_TRUE(Has(text, t)) << t;
    // Each footer counts the pages: "page 1 of N" first, "page N of N" last.
    const size_t first = text.find("service report, page 1 of ");
    ASSERT_NE(first, std::string::npos);
    const std::string pages = text.substr(first + 26, text.find_first_not_of("0123456789", first + 26) - first - 26);
    EXPECT_GE(std::stoi(pages), 2);
    EXPECT_TRUE(Has(text, "service report, page " + pages + " of " + pages)) << pages;
    // Everything printed fits on A4 and on US Letter at 15 mm margins:
    // within 195 x 264.4 mm from the page's corner.
    const auto [right, bottom] = PdfTextExtent(pdf);
    EXPECT_GT(bottom, 600.0) << "text down the page";
    EXPECT_LE(right, 195 / 25.4 * 72);
    EXPECT_LE(bottom, 264.4 / 25.4 * 72);
}

// A report into a folder that does not exist is an error that writes
// nothing anywhere; the program goes on.
TEST(Report, AFailedConnectOrReadSaysSoAndAFileIsWholeOrNone)
{
    // Connect fails at the model query; the read fails half-way.
    const std::pair<const char*, const char*> cases[] = {{"no-answer", "No answer from transceiver."},
                                                         {"bad-checksum", "Illegal data."}};
    for (const auto& [fault, message] : cases) {
        TempDir dir;
        SimProcess sim({"--fast", "--fault", fault});
        const std::string pdf = dir.file("failed.pdf");
        const SessionOutput s =
            RunSession(sim.device(), "connect\nreport " + dir.file("no/such.pdf") + "\nreport " + pdf + "\njournal\nquit\n");
        EXPECT_NE(std::find(s.lines.begin(), s.lines.end(), std::string("error: ") + message), s.lines.end())
            << "Connect's answer: " << s.run.out;
        const auto error = std::find_if(s.lines.begin(), s.lines.end(), [](const std::string& l) { return l.rfind("error: /", 0) == 0; });
        ASSERT_NE(error, s.lines.end()) << s.run.out;
        EXPECT_EQ(error->rfind("error: " + dir.file("no/such.pdf"), 0), 0u) << *error;
        EXPECT_EQ(FilesIn(dir.path()), (std::vector<std::string>{dir.file("failed.json"), pdf}))
            << "the PDF and the JSON, no temporary files";
        const QJsonObject report = JsonFile(dir.file("failed.json"));
        EXPECT_TRUE(report["radio"].isNull()) << fault;
        const auto failures = Events(report, "failure");
        ASSERT_EQ(failures.size(), 1u) << fault;
        EXPECT_EQ(failures[0]["message"].toString().section('\n', 0, 0).toStdString(), message);
        EXPECT_TRUE(Has(PdfText(pdf), message)) << fault;
        // The journal lines: each one JSON object, the failure among them.
        const auto journal = s.block(0);
        bool failed = false;
        for (const std::string& l : journal) {
            if (l.rfind("message: ", 0) == 0 || l.rfind("detail: ", 0) == 0 || l == "ok" || l.rfind("error: ", 0) == 0)
                continue;
            const QJsonDocument d = QJsonDocument::fromJson(QByteArray::fromStdString(l));
            ASSERT_TRUE(d.isObject()) << l;
            failed = failed || d.object()["event"].toString() == "failure";
        }
        EXPECT_TRUE(failed) << s.run.out;
    }
}

// What the job did to the radio is on paper, whoever did it: a sweep ended
// by "Disp para" leaves the radio on the last value it tried, Connect's push
// brings BAL's copies in line, the operator moves the channel. The job's
// details go with the job they were typed for, and the serial number never
// into the next radio's.
TEST(Report, WhatTheJobDidToTheRadioIsOnPaper)
{
    TempDir dir;
    // Paced at twice the line rate: the sweep is still under way 3 s after its Enter.
    SimProcess sim({"--baud", "19200"});
    const std::string pdf = dir.file("r.pdf");
    const SessionOutput s = RunSession(sim.device(),
                                       "job technician  Ann Lee \njob order WO-17\njob serial SN-1\nconnect\njob\n"
                                       "select 11\nenter\nwait 3000\nbutton 2\nwait 500\nbutton 2\nidle\n"
                                       "select 0\nstep 1\nidle\nreport " + pdf + "\nconnect\njob\nquit\n");
    EXPECT_EQ(s.run.status, 0) << s.run.err;
    EXPECT_NE(std::find(s.lines.begin(), s.lines.end(),
                        "job: technician \"Ann Lee\", order \"WO-17\", serial \"SN-1\", for the radio connected now"),
              s.lines.end()) << s.run.out;
    EXPECT_EQ(s.lines.back(), "job: technician \"Ann Lee\", order \"WO-17\", serial \"\", for the radio connected now");

    const QJsonObject report = JsonFile(dir.file("r.json"));
    const QJsonObject job = report["job"].toObject();
    EXPECT_EQ(job["technician"].toString(), "Ann Lee");
    EXPECT_EQ(job["work_order"].toString(), "WO-17");
    EXPECT_EQ(job["serial"].toString(), "SN-1");
    const std::string backup = job["backup"].toString().toStdString();
    EXPECT_EQ(ReadFile(backup).size(), 8160u) << "the backup taken at Connect: " << backup;
    EXPECT_FALSE(report["program_version"].toString().isEmpty());

    std::map<std::string, QJsonObject> items;
    for (const QJsonValue& v : report["items"].toArray())
        items[v.toObject()["item"].toString().toStdString()] = v.toObject();
    const QJsonObject t1 = items["BPF T1"];
    const auto bpf = Events(report, "bpf");
    ASSERT_EQ(bpf.size(), 1u);
    EXPECT_EQ(bpf[0]["outcome"].toString(), "interrupted");
    EXPECT_EQ(bpf[0]["result"].toInt(), t1["final"].toInt()) << "the value the radio was left on";
    EXPECT_NE(t1["final"].toInt(), t1["at_connect"].toInt());
    EXPECT_EQ(t1["changes"].toInt(), 1);
    EXPECT_TRUE(t1["changed"].toBool());
    // Shown as the window shows them: the channel's number, the actions' outcomes.
    EXPECT_EQ(items["CH No."]["shown_at_connect"].toString(), "01");
    EXPECT_EQ(items["CH No."]["shown_final"].toString(), "02");
    EXPECT_EQ(items["BPF ALL"]["action"].toString(), "not run");
    EXPECT_EQ(items["RSSI"]["action"].toString(), "not run");
    EXPECT_FALSE(items["BPF ALL"].contains("final"));

    // Every byte the job changed, in the listing's terms: BAL's copies from
    // Connect's push, the swept filter, the channel.
    std::string labels;
    for (const QJsonValue& v : report["radio_changes"].toArray())
        labels += v.toObject()["label"].toString().toStdString() + "; ";
    EXPECT_TRUE(Has(labels, "BAL")) << labels;
    EXPECT_TRUE(Has(labels, "BPF")) << labels;
    const QJsonArray latest = report["readouts"].toObject()["latest"].toArray();
    ASSERT_FALSE(latest.isEmpty());
    EXPECT_TRUE(latest[0].toObject()["before_last_adjustment"].toBool()) << "read before the channel step";

    // The page's lines as laid out, each run of blanks as one.
    std::string text = PdfText(pdf, {"-layout", "-nopgbrk"});
    const auto blanks = [](char a, char b) { return a == ' ' && b == ' '; };
    text.erase(std::unique(text.begin(), text.end(), blanks), text.end());
    for (const std::string& t : {std::string("What changed in the radio"), std::string("Technician Ann Lee"),
                                 std::string("Work order WO-17"), std::string("Serial no. SN-1"),
                                 "BPF T1: ended before its end: the radio was left on " +
                                     std::to_string(t1["final"].toInt()) + ", the last value it tried",
                                 std::string("BPF T1 *"), std::string("read before the last adjustment")})
        EXPECT_TRUE(Has(text, t)) << t << "\n" << text;
    EXPECT_TRUE(Has(text, "BPF T1 Level 120 " + std::to_string(t1["final"].toInt()))) << text;
    // The backup's path, wrapped where it is wider than the page.
    std::string joined;
    const auto space = [](char c) { return c == ' ' || c == '\n'; };
    std::remove_copy_if(text.begin(), text.end(), std::back_inserter(joined), space);
    EXPECT_TRUE(Has(joined, "Backup" + backup)) << text;
}
