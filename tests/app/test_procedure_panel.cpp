// Where the window's procedure chooser starts: the procedures installed
// beside the program, else the source tree's when the program runs from its
// build tree, else nowhere in particular.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/ProcedurePanel.h"
#include "tests/integration/Processes.h"

TEST(ProcedurePanel, TheChooserStartsAmongTheShippedProcedures)
{
    TempDir dir;
    const std::string prefix = dir.file("usr"), build = dir.file("build"), source = dir.file("src");
    for (const std::string& d : {prefix, prefix + "/bin", prefix + "/share", prefix + "/share/dorvel-adj",
                                 prefix + "/share/dorvel-adj/procedures", build, build + "/bin", source,
                                 source + "/procedures"})
        ASSERT_EQ(mkdir(d.c_str(), 0755), 0) << d;
    struct Case {
        const char* name;
        std::string program, expected;
    };
    const Case cases[] = {
        {"installed", prefix + "/bin", prefix + "/share/dorvel-adj/procedures"},
        {"in the build tree", build + "/bin", source + "/procedures"},
        {"a folder beside the build tree whose name starts like it", build + "x/bin", ""},
        {"elsewhere", dir.file("elsewhere"), ""},
        {"unknown", "", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ProcedurePanel::ShippedFolder(c.program, build, source), c.expected) << c.name;
}
