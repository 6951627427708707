#include "paths.h"

#include <gtest/gtest.h>

namespace zv::paths {
namespace {

TEST(Paths, BackslashesBecomeSlashes) {
    EXPECT_EQ(native("data\\ADRESAR.QTF"), "data/ADRESAR.QTF");
    EXPECT_EQ(native("./VYBER"), "./VYBER");
}

TEST(Paths, TableNameIsSplitOffFirst) {
    auto ft = splitTable("exp\\expzvl.ems\\!Adresy");
    EXPECT_EQ(ft.file, "exp\\expzvl.ems");
    EXPECT_EQ(ft.table, "Adresy");
    ft = splitTable("dir/x.qtf/!T");
    EXPECT_EQ(ft.file, "dir/x.qtf");
    EXPECT_EQ(ft.table, "T");
    ft = splitTable("plain\\name");
    EXPECT_EQ(ft.file, "plain\\name");
    EXPECT_EQ(ft.table, "");
}

TEST(Paths, DirectoryAndJoin) {
    EXPECT_EQ(directoryOf("a/b/c.qtf"), "a/b");
    EXPECT_EQ(directoryOf("c.qtf"), "");
    EXPECT_EQ(directoryOf("/c.qtf"), "/");
    EXPECT_EQ(join("a", "b"), "a/b");
    EXPECT_EQ(join("a/", "b"), "a/b");
    EXPECT_EQ(join("", "b"), "b");
}

} // namespace
} // namespace zv::paths
