// Saved selections on the program's data files: the catalogue's numbering and
// file names, saving and loading through the selection, overwriting, deleted
// entries whose files stay, and two processes saving at once.
#include "app/records/kinds/saved_selections.h"

#include "app/selections/selection/saved_files.h"
#include "app/selections/selection/selection.h"
#include "app/shell/access/standard_drivers.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace zv::records {
namespace {

using namespace zv::rec;

class SavedSelectionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("zevlon_saved_" + std::to_string(getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
        open();
        for (const char* label : {"Adresar", "Schuzky", "Klice", "EVKLICSL", "UlVybery", "Vybery"})
            ASSERT_EQ(db->file(label).create(), 0);
        auto& f = db->file("Adresar");
        ASSERT_EQ(services::standardOpen(*s, f), services::OpenOutcome::Opened);
        for (int id = 1; id <= 5; ++id) {
            f.clearBuffer();
            f.as<AdresarRecord>().ID.set(id);
            f.as<AdresarRecord>().FIRMA.set("Firma " + std::to_string(id));
            f.clearCurrent();
            ASSERT_EQ(f.add(), 0);
        }
        services::standardRelease(f);
    }
    void TearDown() override {
        s.reset();
        db.reset();
        std::filesystem::remove_all(dir);
    }
    // A fresh "program" on the directory, as another process or a restart would have.
    void open() {
        s.reset();
        db = std::make_unique<access::Database>();
        access::registerStandardDrivers(*db);
        state.dataPrefix = dir.string() + "/";
        state.userName = "Pepa";
        state.dnes = 80000;
        db->setDataPrefix(state.dataPrefix);
        db->file("Vybery").setPhysicalName((dir / "VYBER").string());
        s = std::make_unique<services::ProcedureServices>(*db, messages, services::SavedError{});
    }
    // A new catalogue entry titled `title` with the selection saved in it:
    // its number.
    long saveNew(const std::string& title) {
        auto& catalogue = db->file("UlVybery");
        EXPECT_EQ(services::standardOpen(*s, catalogue), services::OpenOutcome::Opened);
        long number = 0;
        {
            FormEngine form(*s, savedSelectionForm(state, false));
            EXPECT_TRUE(form.begin(kRequestInsert));
            catalogue.as<UlVyberyRecord>().POPIS.set(title);
            EXPECT_EQ(form.ok(), FormEngine::OkResult::Closed);
            number = catalogue.as<UlVyberyRecord>().CV.get();
            pointAtSavedFile(*db, state);
            selections::Selection sel(*s);
            selections::NoProgress quiet;
            EXPECT_TRUE(sel.save(quiet).error.empty());
        }
        services::standardRelease(catalogue);
        return number;
    }
    bool readEntry(long number) {
        auto& catalogue = db->file("UlVybery");
        catalogue.clearBuffer();
        catalogue.as<UlVyberyRecord>().CV.set(std::int32_t(number));
        return catalogue.getByKey(catalogue.keyNumber("ULV:BYCV")) == 0;
    }
    long load(long number) {
        auto& catalogue = db->file("UlVybery");
        EXPECT_EQ(services::standardOpen(*s, catalogue), services::OpenOutcome::Opened);
        EXPECT_TRUE(readEntry(number));
        pointAtSavedFile(*db, state);
        selections::Selection sel(*s);
        selections::NoProgress quiet;
        const long rows = sel.load(quiet).rows;
        services::standardRelease(catalogue);
        return rows;
    }
    long selectAll() {
        selections::Selection sel(*s);
        selections::NoProgress quiet;
        return sel.addAll(quiet).rows;
    }

    std::filesystem::path dir;
    std::unique_ptr<access::Database> db;
    services::ScriptedMessages messages;
    std::unique_ptr<services::ProcedureServices> s;
    startup::AppState state;
};

TEST_F(SavedSelectionsTest, TheFirstEntryIsOneInVYB00001AndAnEmptySelectionComesBackEmpty) {
    EXPECT_EQ(saveNew("Prázdný"), 1);
    auto& catalogue = db->file("UlVybery");
    ASSERT_EQ(services::standardOpen(*s, catalogue), services::OpenOutcome::Opened);
    ASSERT_TRUE(readEntry(1));
    EXPECT_EQ(catalogue.as<UlVyberyRecord>().SOUBOR.trimmed(), "VYB00001");
    EXPECT_EQ(catalogue.as<UlVyberyRecord>().ULOZIL.trimmed(), "Pepa");
    services::standardRelease(catalogue);
    EXPECT_TRUE(std::filesystem::exists(dir / "Vybery" / "VYB00001.QTF"));
    ASSERT_EQ(selectAll(), 5);
    EXPECT_EQ(load(1), 0);
}

TEST_F(SavedSelectionsTest, AFirmDeletedSinceTheSaveIsDroppedOnLoad) {
    ASSERT_EQ(selectAll(), 5);
    ASSERT_EQ(saveNew("Všechny"), 1);
    auto& f = db->file("Adresar");
    ASSERT_EQ(services::standardOpen(*s, f), services::OpenOutcome::Opened);
    f.clearBuffer();
    f.as<AdresarRecord>().ID.set(4);
    ASSERT_EQ(f.getByKey(f.keyNumber("ADR:BYID")), 0);
    ASSERT_EQ(f.remove(), 0);
    services::standardRelease(f);
    EXPECT_EQ(load(1), 4);
}

TEST_F(SavedSelectionsTest, OverwritingKeepsNumberAndFileAndBringsTheDateUpToToday) {
    ASSERT_EQ(saveNew("Výběr"), 1);
    ASSERT_EQ(selectAll(), 5);
    state.dnes = 80007;
    auto& catalogue = db->file("UlVybery");
    ASSERT_EQ(services::standardOpen(*s, catalogue), services::OpenOutcome::Opened);
    ASSERT_TRUE(readEntry(1));
    {
        FormEngine form(*s, savedSelectionForm(state, true));
        ASSERT_TRUE(form.begin(kRequestChange));
        EXPECT_EQ(form.ok(), FormEngine::OkResult::Closed);
        EXPECT_EQ(form.response(), kResponseCompleted); // nothing edited, still done
    }
    pointAtSavedFile(*db, state);
    {
        selections::Selection sel(*s);
        selections::NoProgress quiet;
        EXPECT_EQ(sel.save(quiet).changed, 5);
    }
    ASSERT_TRUE(readEntry(1));
    EXPECT_EQ(catalogue.as<UlVyberyRecord>().SOUBOR.trimmed(), "VYB00001");
    EXPECT_EQ(catalogue.as<UlVyberyRecord>().DATUM.get(), 80007);
    EXPECT_EQ(catalogue.records(), 1);
    services::standardRelease(catalogue);
    EXPECT_EQ(load(1), 5);
}

TEST_F(SavedSelectionsTest, ADeletedEntrysFileIsKeptAndNeverTakenByANewEntry) {
    ASSERT_EQ(selectAll(), 5);
    ASSERT_EQ(saveNew("První"), 1);
    ASSERT_EQ(saveNew("Druhý"), 2);
    auto& catalogue = db->file("UlVybery");
    ASSERT_EQ(services::standardOpen(*s, catalogue), services::OpenOutcome::Opened);
    ASSERT_TRUE(readEntry(2));
    messages.answer(services::Button::Ok); // "Rušení záznamu"
    {
        FormEngine form(*s, savedSelectionForm(state, false));
        EXPECT_FALSE(form.begin(kRequestDelete));
        EXPECT_EQ(form.response(), kResponseCompleted);
    }
    services::standardRelease(catalogue);
    EXPECT_TRUE(std::filesystem::exists(dir / "Vybery" / "VYB00002.QTF"));
    {
        selections::Selection sel(*s);
        selections::NoProgress quiet;
        (void)sel.removeAll(quiet);
    }
    EXPECT_EQ(saveNew("Třetí"), 3); // not 2: VYB00002 still holds the deleted entry's firms
    db->file("AktVyber")
        .setPhysicalName(selections::savedPhysicalName(state.dataPrefix, "VYB00002"));
    {
        selections::Selection sel(*s);
        selections::NoProgress quiet;
        EXPECT_EQ(sel.load(quiet).rows, 5);
    }
}

TEST_F(SavedSelectionsTest, ASavedFileThatCannotBeOpenedLeavesTheSelectionAsItWas) {
    ASSERT_EQ(saveNew("Výběr"), 1);
    ASSERT_EQ(selectAll(), 5);
    std::filesystem::remove(dir / "Vybery" / "VYB00001.QTF");
    std::filesystem::create_directory(dir / "Vybery" / "VYB00001.QTF"); // cannot be opened or made
    messages.answer(services::Button::Cancel);
    EXPECT_EQ(load(1), 5);
}

TEST_F(SavedSelectionsTest, TwoProcessesSavingAtOnceGetTwoNumbersAndTwoFiles) {
    ASSERT_EQ(selectAll(), 5);
    s.reset();
    db.reset();
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            open();
            for (int i = 0; i < 5; ++i)
                (void)saveNew("Proces " + std::to_string(c) + " " + std::to_string(i));
            _exit(::testing::Test::HasFailure() ? 1 : 0);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    open();
    auto& catalogue = db->file("UlVybery");
    ASSERT_EQ(services::standardOpen(*s, catalogue), services::OpenOutcome::Opened);
    std::set<long> numbers;
    std::set<std::string> files;
    for (int rc = catalogue.setFile(); rc == 0 && catalogue.next() == 0;) {
        numbers.insert(catalogue.as<UlVyberyRecord>().CV.get());
        files.insert(std::string(catalogue.as<UlVyberyRecord>().SOUBOR.trimmed()));
    }
    services::standardRelease(catalogue);
    EXPECT_EQ(numbers.size(), 10u);
    EXPECT_EQ(files.size(), 10u);
    for (const auto& f : files)
        EXPECT_TRUE(std::filesystem::exists(dir / "Vybery" / (f + ".QTF"))) << f;
}

} // namespace
} // namespace zv::records
