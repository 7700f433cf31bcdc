// Output files on the real programs: `read --out` and the session's
// `report` refuse a path that is no regular file and leave it as it is,
// write through a symbolic link to the file it names, and a report's PDF
// and JSON are placed together or not at all.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "tests/integration/SessionRun.h"

namespace {

namespace fs = std::filesystem;

// What lies at a path, without following a link.
fs::file_type Kind(const std::string& path) { return fs::symlink_status(path).type(); }

// Every name in a folder, hidden ones included, sorted.
std::vector<std::string> AllNames(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(OutputFiles, WhatIsNoRegularFileIsRefusedLinksAreWrittenThroughAndAReportsPairIsPlacedWhole)
{
    TempDir dir;
    SimProcess sim({"--fast"});
    const auto read = [&](const std::string& out) { return RunCli({"read", "--device", sim.device(), "--out", out}); };
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0644), 0);
    ASSERT_EQ(::mkdir(dir.file("folder").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(dir.file("real").c_str(), 0755), 0);
    std::vector<std::string> refused = {dir.file("fifo"), dir.file("folder")};
    // A node of the null device of the test's own (root only), before the
    // system's /dev/null is ever tried.
    if (::mknod(dir.file("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        refused.push_back(dir.file("null"));
    const fs::file_type kinds[] = {fs::file_type::fifo, fs::file_type::directory, fs::file_type::character};
    for (size_t i = 0; i < refused.size(); ++i) {
        const RunResult r = read(refused[i]);
        EXPECT_EQ(r.status, 2) << refused[i] << ": " << r.err;
        EXPECT_TRUE(Has(r.err, refused[i] + " is a") && Has(r.err, "not a regular file")) << r.err;
        EXPECT_EQ(Kind(refused[i]), kinds[i]) << refused[i] << " left as it is";
    }

    // When the JSON cannot be written, the PDF is not placed either: an
    // earlier job's pair stays as it was, and a new name gets no PDF alone.
    struct Case { const char* name; bool earlier; bool immutableJson; };
    const Case cases[] = {
        {"folder-json-earlier", true, false}, {"folder-json-new", false, false}, {"immutable-json", true, true}};
    std::string script = "report " + refused[0] + "\nreport " + refused[1] + "\n";
    std::vector<const Case*> run;
    for (const Case& c : cases) {
        const std::string pdf = dir.file(std::string(c.name) + ".pdf");
        const std::string json = dir.file(std::string(c.name) + ".json");
        if (c.earlier)
            std::ofstream(pdf) << "the earlier job's PDF";
        if (c.immutableJson) {
            std::ofstream(json) << "the earlier job's JSON";
            if (RunProgram({"/usr/bin/chattr", "+i", json}).status != 0)
                continue;   // only root may set it
        } else {
            ASSERT_EQ(::mkdir(json.c_str(), 0755), 0);
        }
        run.push_back(&c);
        script += "report " + pdf + "\n";
    }
    const SessionOutput s = RunSession(sim.device(), script + "quit\n");
    for (const Case* c : run)
        RunProgram({"/usr/bin/chattr", "-i", dir.file(std::string(c->name) + ".json")});
    ASSERT_EQ(s.lines.size(), 2 + run.size()) << s.run.out;
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(s.lines[i].rfind("error: " + refused[i] + " is a", 0), 0u) << s.lines[i];
        EXPECT_EQ(Kind(refused[i]), kinds[i]) << refused[i] << " left as it is by the report";
    }
    if (!HasFailure()) {
        const RunResult r = read("/dev/null");
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_EQ(Kind("/dev/null"), fs::file_type::character);
    }
    for (size_t i = 0; i < run.size(); ++i) {
        const std::string pdf = dir.file(std::string(run[i]->name) + ".pdf");
        EXPECT_EQ(s.lines[2 + i].rfind("error: ", 0), 0u) << s.lines[2 + i];
        if (run[i]->earlier)
            EXPECT_EQ(ReadFile(pdf), "the earlier job's PDF") << run[i]->name;
        else
            EXPECT_EQ(Kind(pdf), fs::file_type::not_found) << run[i]->name;
    }

    // A link, relative and absolute, leads to the file that gets the image;
    // the link stays a link and nothing else is left in either folder.
    std::ofstream(dir.file("real/old.bin")) << "an older image";
    ASSERT_EQ(::symlink("real/old.bin", dir.file("rel.bin").c_str()), 0);
    ASSERT_EQ(::symlink(dir.file("real/new.bin").c_str(), dir.file("abs.bin").c_str()), 0);
    const std::pair<const char*, const char*> links[] = {{"rel.bin", "real/old.bin"}, {"abs.bin", "real/new.bin"}};
    for (const auto& [link, target] : links) {
        const RunResult r = read(dir.file(link));
        EXPECT_EQ(r.status, 0) << link << ": " << r.err;
        EXPECT_EQ(Kind(dir.file(link)), fs::file_type::symlink) << link;
        EXPECT_EQ(ReadFile(dir.file(target)).size(), 8160u) << link;
    }
    EXPECT_EQ(AllNames(dir.file("real")), (std::vector<std::string>{"new.bin", "old.bin"}));
    for (const std::string& name : AllNames(dir.path()))
        EXPECT_NE(name[0], '.') << "a temporary file is left: " << name;
}
