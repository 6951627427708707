#include "uninstall/install_log.h"

#include <gtest/gtest.h>

namespace zv::uninstall {
namespace {

std::string recordBytes(std::uint32_t kind, const std::string& first, const std::string& second) {
    return encodeLogRecord(LogEntry{kind, first, second});
}

TEST(InstallLogTest, RecordsAreReadInFileOrder) {
    std::string bytes = recordBytes(kProduct, "Zevlon", "") +
                        recordBytes(kProgmanItem, "Zevlon.lnk", "Zevlon") +
                        recordBytes(kCustomProgram, "C:\\Z\\clean.exe", "/quiet");
    std::vector<LogEntry> entries = parseInstallLog(bytes);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].kind, kProduct);
    EXPECT_EQ(entries[0].first, "Zevlon");
    EXPECT_EQ(entries[1].second, "Zevlon");
    EXPECT_EQ(entries[2].kind, kCustomProgram);
    EXPECT_EQ(entries[2].first, "C:\\Z\\clean.exe");
    EXPECT_EQ(entries[2].second, "/quiet");
}

TEST(InstallLogTest, KindIsLittleEndianAndUnknownKindsAreKept) {
    std::string record = recordBytes(0, "x", "");
    record[0] = '\x08';
    record[1] = '\x01';
    record[3] = '\x80';
    std::vector<LogEntry> entries = parseInstallLog(record);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].kind, 0x80000108u);
}

TEST(InstallLogTest, ShorterRemainderIsIgnored) {
    std::string bytes = recordBytes(kFile, "C:\\a.txt", "") + std::string(515, 'x');
    EXPECT_EQ(parseInstallLog(bytes).size(), 1u);
    EXPECT_TRUE(parseInstallLog(std::string(515, '\1')).empty());
    EXPECT_TRUE(parseInstallLog("").empty());
}

TEST(InstallLogTest, TextWithoutNulEndsAfterItsField) {
    std::string record(kRecordSize, 'A');
    record[0] = '\x01';
    record[1] = record[2] = record[3] = '\0';
    std::vector<LogEntry> entries = parseInstallLog(record);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].first, std::string(256, 'A'));
    EXPECT_EQ(entries[0].second, std::string(256, 'A'));
}

TEST(InstallLogTest, TextStopsAtFirstNulAndIgnoresTheRestOfTheField) {
    std::string record = recordBytes(kFile, "C:\\a.txt", "");
    record.replace(kFirstTextOffset + 9, 5, "junk!");
    EXPECT_EQ(parseInstallLog(record)[0].first, "C:\\a.txt");
}

TEST(InstallLogTest, EncodingCutsLongTextsSoThatTheyStayTerminated) {
    std::string record = recordBytes(kFile, std::string(300, 'b'), "");
    ASSERT_EQ(record.size(), kRecordSize);
    EXPECT_EQ(parseInstallLog(record)[0].first, std::string(255, 'b'));
}

TEST(InstallLogTest, LastProductEntryNamesTheProduct) {
    EXPECT_EQ(productName(parseInstallLog(recordBytes(kFile, "C:\\a", ""))), "");
    std::string bytes = recordBytes(kProduct, "First", "") + recordBytes(kFile, "C:\\a", "") +
                        recordBytes(kProduct, "Second", "");
    EXPECT_EQ(productName(parseInstallLog(bytes)), "Second");
}

} // namespace
} // namespace zv::uninstall
