#include "app/utilities/repair/testing/key_damage.h"

#include "platform/file_io.h"
#include "storage/keys.h"
#include "storage/native_file.h"
#include "storage/quarto_driver.h"
#include "storage/table_records.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace zv::utilities::testing {

long removeKeyEntries(const std::string& physicalName, int keyNumber, int every) {
    std::string path, table;
    storage::splitPhysicalName(physicalName, &path, &table);
    std::unique_ptr<storage::NativeFile> file;
    if (storage::NativeFile::open(platform::posixFileSystem(), path, false, {}, &file) != 0)
        return -1;
    if (file->beginAccess() != 0) return -1;
    std::vector<storage::TableEntry> tables;
    if (storage::listTables(*file, &tables) != 0) return -1;
    long removed = 0;
    for (const auto& t : tables) {
        const std::string prefix = storage::keyPrefix(t.number, keyNumber);
        std::vector<std::string> doomed;
        storage::PageRecord e;
        bool found = false;
        if (file->ceiling(prefix, &e, &found) != 0) return -1;
        for (long n = 0; found && e.key.compare(0, prefix.size(), prefix) == 0; ++n) {
            if (n % every == 0) doomed.push_back(e.key);
            const std::string at = e.key;
            if (file->successor(at, &e, &found) != 0) return -1;
        }
        for (const auto& key : doomed) {
            bool gone = false;
            if (file->remove(key, &gone) != 0) return -1;
            removed += gone ? 1 : 0;
        }
    }
    if (file->commit() != 0) return -1;
    file->endAccess();
    return removed;
}

namespace {

std::string currentRecord(access::RecordFile& file) {
    std::string text(reinterpret_cast<const char*>(file.record()), file.recordSize());
    for (std::size_t m = 0; m < file.def().memos.size(); ++m)
        text += '\x1E' + file.memo(m);
    return text;
}

} // namespace

std::string recordsInFileOrder(access::RecordFile& file) {
    std::string all;
    long n = 0;
    for (int rc = file.setFile(); rc == 0 && file.next() == 0; ++n)
        all += currentRecord(file) + '\x1D';
    return std::to_string(n) + " records\n" + all;
}

std::string everyRecordFoundByEveryKey(access::RecordFile& file) {
    std::vector<std::string> records;
    for (int rc = file.setFile(); rc == 0 && file.next() == 0;)
        records.push_back(
            std::string(reinterpret_cast<const char*>(file.record()), file.recordSize()));
    std::sort(records.begin(), records.end());
    const storage::TableDecl& decl = file.declaration();
    for (std::size_t k = 0; k < decl.keys.size(); ++k) {
        std::vector<std::string> byKey;
        for (int rc = file.setKey(int(k)); rc == 0 && file.next() == 0;)
            byKey.push_back(
                std::string(reinterpret_cast<const char*>(file.record()), file.recordSize()));
        std::sort(byKey.begin(), byKey.end());
        std::vector<std::string> expected;
        for (const auto& r : records) {
            std::string entry;
            if (storage::buildEntry(decl, int(k), 1,
                                    reinterpret_cast<const std::uint8_t*>(r.data()), 1, &entry))
                expected.push_back(r);
        }
        if (byKey != expected)
            return decl.keys[k].name + ": " + std::to_string(byKey.size()) + " of " +
                   std::to_string(expected.size()) + " records";
    }
    return {};
}

} // namespace zv::utilities::testing
