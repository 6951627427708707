#include "uninstall/program_flow.h"

#include <gtest/gtest.h>

namespace zv::uninstall {
namespace {

using Strings = std::vector<std::string>;

TEST(ProgramFlowTest, LogPathIsTheWholeRestOfTheCommandLine) {
    EXPECT_EQ(logPathFromCommandLine("varnsetrm.exe C:\\Zevlon\\install.log"),
              "C:\\Zevlon\\install.log");
    EXPECT_EQ(logPathFromCommandLine("\"C:\\Program Files\\varnsetrm.exe\"   C:\\My App\\x.log"),
              "C:\\My App\\x.log");
    EXPECT_EQ(logPathFromCommandLine("varnsetrm.exe \"C:\\My App\\x.log\""),
              "\"C:\\My App\\x.log\"");
    EXPECT_EQ(logPathFromCommandLine("varnsetrm.exe"), "");
    EXPECT_EQ(logPathFromCommandLine("\"C:\\unterminated"), "");
    EXPECT_EQ(logPathFromCommandLine(""), "");
}

TEST(ProgramFlowTest, CaptionNamesTheProductWhenThereIsOne) {
    EXPECT_EQ(captionFor("", kVersion150), "Uninstall (Varnset 1.50)");
    EXPECT_EQ(captionFor("", kVersion130), "Uninstall (Varnset 1.30)");
    EXPECT_EQ(captionFor("Zevlon", kVersion150), "Zevlon Uninstall");
}

TEST(ProgramFlowTest, ParentDirectoriesAreListedDeepestFirstWithoutTheDrive) {
    EXPECT_EQ(parentDirectories("C:\\A\\B\\install.log"), (Strings{"C:\\A\\B", "C:\\A"}));
    EXPECT_EQ(parentDirectories("C:\\install.log"), Strings{});
    EXPECT_EQ(parentDirectories("install.log"), Strings{});
    EXPECT_EQ(parentDirectories(""), Strings{});
    EXPECT_EQ(parentDirectories("sub\\x.log"), Strings{"sub"});
}

TEST(ProgramFlowTest, DoubledSeparatorsDoNotHideADirectory) {
    EXPECT_EQ(parentDirectories("C:\\A\\\\B\\x.log"), (Strings{"C:\\A\\\\B", "C:\\A"}));
}

TEST(ProgramFlowTest, ShareRootsAndDotNamesAreNeverRemoved) {
    EXPECT_EQ(parentDirectories("\\\\srv\\share\\A\\x.log"), Strings{"\\\\srv\\share\\A"});
    EXPECT_EQ(parentDirectories("C:\\A\\..\\x.log"), Strings{"C:\\A"});
    EXPECT_EQ(parentDirectories("..\\x.log"), Strings{});
}

} // namespace
} // namespace zv::uninstall
