// Where the window's procedure chooser starts: the procedures installed
// beside the program, else the source tree's when the program runs from its
// build tree, else nowhere in particular.
#include <gtest/gtest.h>

#include "app/ProcedurePanel.h"
#include "platform/AtomicFile.h"
#include "tests/integration/Processes.h"

TEST(ProcedurePanel, TheChooserStartsAmongTheShippedProcedures)
{
    TempDir dir;
    const std::string prefix = dir.file("usr"), build = dir.file("build"), source = dir.file("src");
    for (const std::string& d : {prefix + "/bin", prefix + "/share/dorvel-adj/procedures", build + "/bin",
                                 source + "/procedures"})
        ASSERT_EQ(MakeFolders(d), 0) << d;
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
