#include "app/utilities/repair/text_order.h"

#include "app/shell/access/standard_drivers.h"
#include "app/shell/demo/demo_data.h"
#include "app/shell/dictionary/field_text.h"
#include "app/shell/dictionary/field_values.h"
#include "app/utilities/repair/file_check.h"
#include "app/utilities/repair/testing/demo_book.h"
#include "platform/codepage.h"
#include "platform/dates/standard_date.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>
#include <unistd.h>

namespace zv::utilities {
namespace {

namespace fs = std::filesystem;

// The independent judge of Czech order: the ICU library's Czech collation.
class IcuCzech {
public:
    explicit IcuCzech(bool withCase) {
        UErrorCode status = U_ZERO_ERROR;
        collator_.reset(icu::Collator::createInstance(icu::Locale("cs", "CZ"), status));
        if (U_FAILURE(status)) collator_.reset();
        if (collator_)
            collator_->setStrength(withCase ? icu::Collator::TERTIARY : icu::Collator::SECONDARY);
    }
    bool ready() const { return collator_ != nullptr; }
    int compare(const std::string& a1250, const std::string& b1250) const {
        UErrorCode status = U_ZERO_ERROR;
        return collator_->compare(icu::UnicodeString::fromUTF8(cp1250::toUtf8(a1250)),
                                  icu::UnicodeString::fromUTF8(cp1250::toUtf8(b1250)), status);
    }

private:
    std::unique_ptr<icu::Collator> collator_;
};

std::string trimmed(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.pop_back();
    return s;
}

// Compares two records by a key's components: numbers as numbers, text in
// Czech order (by the independent collation) or in upper-case bytes.
int compareByKey(const access::RecordFile& file, const storage::KeyDecl& key,
                 const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b,
                 bool czech) {
    const bool withCase = !(key.flags & storage::kKeyNoCase);
    IcuCzech icu(withCase);
    for (const auto& c : key.components) {
        const dict::FieldSpec& f = file.def().layout->fields[c.field];
        int r = 0;
        if (dict::isTextField(f)) {
            const std::string x = trimmed(dict::fieldText(f, a.data()));
            const std::string y = trimmed(dict::fieldText(f, b.data()));
            if (czech)
                r = icu.compare(x, y);
            else
                r = withCase ? x.compare(y) : cp1250::upper(x).compare(cp1250::upper(y));
        } else {
            const auto x = dict::fieldInteger(f, a.data()), y = dict::fieldInteger(f, b.data());
            r = (x > y) - (x < y);
        }
        if (c.descending) r = -r;
        if (r != 0) return r;
    }
    return 0;
}

// The demo's address book in a directory of its own.
class TextOrderTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string failed;
        ASSERT_EQ(book_.fill(300, &failed), 0) << failed;
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Every key of the file read through: each record in order after the one before.
    void expectKeysInOrder(std::string_view label, bool czech) {
        access::RecordFile& file = db.file(label);
        ASSERT_EQ(file.open(), 0) << label;
        const auto& decl = file.declaration();
        for (std::size_t k = 0; k < decl.keys.size(); ++k) {
            if (decl.keys[k].flags & storage::kKeyOutside) continue;
            ASSERT_EQ(file.setKey(static_cast<int>(k)), 0);
            std::vector<std::uint8_t> before;
            int records = 0;
            while (file.next() == 0) {
                std::vector<std::uint8_t> now(file.record(), file.record() + file.recordSize());
                if (!before.empty()) {
                    EXPECT_LE(compareByKey(file, decl.keys[k], before, now, czech), 0)
                        << label << " " << decl.keys[k].name << " at record " << records;
                }
                before = std::move(now);
                ++records;
            }
            EXPECT_GT(records, 0) << label << " " << decl.keys[k].name;
        }
        (void)file.close();
    }

    fs::path dir_ = testing::freshDirectory(
        std::string("zv_order_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    testing::DemoBook book_{dir_};
    access::Database& db = book_.db;
};

TEST_F(TextOrderTest, TheSettingRebuildsEveryFileInCzechOrderAndBack) {
    ASSERT_TRUE(IcuCzech(true).ready());
    db.setCzechOrder(true);
    auto orders = fileOrders(db);
    ASSERT_GE(orders.size(), 8u);
    for (const auto& o : orders) {
        if (!o.order.empty()) {
            EXPECT_EQ(o.order, "BYTES") << o.label;
        }
    }

    std::vector<std::string> shown;
    auto results = convertTextOrder(db, [&](const std::string& name) { shown.push_back(name); });
    EXPECT_EQ(shown.size(), results.size());
    EXPECT_GE(results.size(), 8u);
    for (const auto& r : results)
        EXPECT_TRUE(r.ok()) << r.label << ": " << r.outcome();
    for (const auto& o : fileOrders(db)) {
        if (o.order.empty()) continue;
        EXPECT_EQ(o.order, "CZ") << o.label;
        EXPECT_TRUE(o.declared) << o.label;
    }
    expectKeysInOrder("Adresar", true);
    expectKeysInOrder("Osoby", true);
    // Nothing left to convert.
    EXPECT_TRUE(convertTextOrder(db).empty());

    // Changes made later keep the order, and a file made anew takes it.
    access::RecordFile& firms = db.file("Adresar");
    ASSERT_EQ(firms.open(), 0);
    ASSERT_EQ(firms.setKey(0), 0);
    ASSERT_EQ(firms.next(), 0);
    const int byFirma = firms.keyNumber("ADR:BYFIRMA");
    ASSERT_GE(byFirma, 0);
    const auto& name = *dict::fieldOf(firms.def(), "ADR:FIRMA");
    dict::setFieldText(name, firms.record(), cp1250::fromUtf8("Čížek a synové"));
    ASSERT_EQ(firms.put(), 0);
    (void)firms.close();
    expectKeysInOrder("Adresar", true);
    EXPECT_EQ(checkDataFile(db.file("Adresar").physicalName()), "");

    db.setCzechOrder(false);
    results = convertTextOrder(db);
    EXPECT_GE(results.size(), 8u);
    for (const auto& o : fileOrders(db))
        if (!o.order.empty()) {
            EXPECT_EQ(o.order, "BYTES") << o.label;
        }
    expectKeysInOrder("Adresar", false);
    expectKeysInOrder("Osoby", false);
}

TEST_F(TextOrderTest, FilesMadeUnderTheSettingStartInItsOrder) {
    db.setCzechOrder(true);
    fs::remove(dir_ / "VYB0001.QTF");
    ASSERT_EQ(db.file("AktVyber").create(), 0);
    for (const auto& o : fileOrders(db))
        if (o.label == "AktVyber") {
            EXPECT_EQ(o.order, "CZ");
        }
    // The export and import files keep byte order whatever the setting.
    EXPECT_FALSE(access::Database::followsTextOrder(*dict::fileByLabel("ExpAdr")));
}

} // namespace
} // namespace zv::utilities
