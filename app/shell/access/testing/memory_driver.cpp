#include "memory_driver.h"

#include "platform/codepage.h"

#include <algorithm>
#include <cstring>

namespace zv::access::testing {

using storage::ControlBlock;
using storage::DriverOp;
using storage::FieldType;

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Cursor : storage::DriverTableState {
    std::string tableName;
    int key = -1; // -1: record-number order
    enum Kind { Start, End, Seek, After } kind = Start;
    Bytes seek; // Seek: first entry >= seek (forward) or <= seek (backward)
    Bytes last; // After: the entry last read
    std::uint32_t watched = 0;
    Bytes watchedImage;
    bool watchNext = false;
};

void appendBigEndian(Bytes& out, std::uint32_t v) {
    for (int i = 3; i >= 0; --i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// The key part of an entry for one record, or nothing when an optional key skips it.
bool encodeKey(const storage::TableDecl& decl, int key, const Bytes& image, std::uint32_t recno,
               Bytes& out) {
    out.clear();
    if (key < 0) {
        appendBigEndian(out, recno);
        return true;
    }
    const auto& k = decl.keys[static_cast<std::size_t>(key)];
    bool allBlank = true;
    for (const auto& c : k.components) {
        const auto& f = decl.fields[c.field];
        const std::uint8_t* p = image.data() + f.offset;
        switch (f.type) {
        case FieldType::String:
        case FieldType::CString: {
            bool zeroSeen = false;
            for (std::size_t i = 0; i < f.size; ++i) {
                std::uint8_t b = p[i];
                if (f.type == FieldType::CString && (zeroSeen || b == 0)) {
                    zeroSeen = true;
                    b = 0;
                }
                if (k.flags & storage::kKeyNoCase) b = cp1250::upper(b);
                out.push_back(b);
            }
            allBlank =
                allBlank && (f.type == FieldType::String
                                 ? std::all_of(p, p + f.size, [](auto b) { return b == ' '; })
                                 : p[0] == 0);
            break;
        }
        case FieldType::Short:
        case FieldType::Long:
            for (std::size_t i = f.size; i-- > 0;)
                out.push_back(p[i]);
            out[out.size() - f.size] ^= 0x80;
            allBlank = allBlank && std::all_of(p, p + f.size, [](auto b) { return b == 0; });
            break;
        default:
            for (std::size_t i = f.size; i-- > 0;)
                out.push_back(p[i]);
            allBlank = allBlank && std::all_of(p, p + f.size, [](auto b) { return b == 0; });
            break;
        }
    }
    if ((k.flags & storage::kKeyOptional) && allBlank) return false;
    if (k.flags & storage::kKeyDuplicates) appendBigEndian(out, recno);
    return true;
}

struct Entry {
    Bytes key;
    std::uint32_t recno;
};

std::vector<Entry> entries(const MemoryDriver::Table& t, int key) {
    std::vector<Entry> out;
    Bytes k;
    for (const auto& [recno, rec] : t.records)
        if (encodeKey(t.decl, key, rec.image, recno, k)) out.push_back({k, recno});
    std::sort(out.begin(), out.end(), [](const Entry& a, const Entry& b) {
        return a.key != b.key ? a.key < b.key : a.recno < b.recno;
    });
    return out;
}

std::string upperName(const std::string& name) {
    return cp1250::upper(name);
}

} // namespace

bool MemoryDriver::supports(DriverOp op) const {
    switch (op) {
    case DriverOp::SkipRecords:
    case DriverOp::HoldNext:
    case DriverOp::HoldNextSecond:
    case DriverOp::Copy:
    case DriverOp::Rename:
        return false;
    default:
        return true;
    }
}

bool MemoryDriver::overwrite(const std::string& physicalName, std::uint32_t recordNumber,
                             std::size_t offset, const std::string& bytes) {
    auto t = tables_.find(upperName(physicalName));
    if (t == tables_.end()) return false;
    auto r = t->second.records.find(recordNumber);
    if (r == t->second.records.end() || offset + bytes.size() > r->second.image.size())
        return false;
    std::memcpy(r->second.image.data() + offset, bytes.data(), bytes.size());
    return true;
}

void MemoryDriver::setForeignLock(const std::string& physicalName, bool locked) {
    tables_[upperName(physicalName)].foreignLock = locked;
}

int MemoryDriver::dispatch(DriverOp op, ControlBlock& cb) {
    auto fail = [&cb](int code) { return cb.error = code; };
    auto* cur = dynamic_cast<Cursor*>(cb.driverState.get());
    Table* table = nullptr;
    if (cur) {
        auto it = tables_.find(cur->tableName);
        if (it != tables_.end()) table = &it->second;
    }
    switch (op) {
    case DriverOp::Open:
    case DriverOp::OpenShared:
    case DriverOp::Create: {
        if (cb.physicalName.empty()) return fail(45);
        if (op != DriverOp::Create && !openFailures_.empty()) {
            const int code = openFailures_.front();
            openFailures_.erase(openFailures_.begin());
            if (code != 0) return fail(code);
        }
        const std::string name = upperName(cb.physicalName);
        auto it = tables_.find(name);
        if (op == DriverOp::Create) {
            Table t;
            t.decl = *cb.decl;
            tables_[name] = std::move(t);
        } else if (it == tables_.end() || it->second.decl.recordLength == 0) {
            return fail(2);
        } else if (it->second.decl.recordLength != cb.decl->recordLength ||
                   it->second.decl.keys.size() != cb.decl->keys.size()) {
            return fail(47);
        }
        auto c = std::make_unique<Cursor>();
        c->tableName = name;
        cb.driverState = std::move(c);
        cb.currentRecord = 0;
        return fail(0);
    }
    case DriverOp::Command:
        commands_.push_back(cb.text);
        if (cb.text == "REGISTER") cb.answerText = name();
        if (cb.text == "ORDER" && table) {
            // The order the table was made in (its keys compare as bytes here).
            const auto& keys = table->decl.keys;
            const bool czech = std::any_of(keys.begin(), keys.end(), [](const auto& k) {
                return (k.flags & storage::kKeyCzech) != 0;
            });
            cb.answerText = czech ? "CZ" : "BYTES";
        }
        return fail(0);
    default:
        break;
    }
    if (!cur && (op == DriverOp::BuildAll || op == DriverOp::BuildAllKeys))
        return fail(tables_.count(upperName(cb.physicalName)) ? 0 : 2); // builds open by themselves
    if (!cur || !table) return fail(37);
    const Bytes image(cb.record->begin(), cb.record->end());
    auto readInto = [&](std::uint32_t recno, const Bytes& entryKey) {
        const Record& r = table->records.at(recno);
        std::copy(r.image.begin(), r.image.end(), cb.record->begin());
        if (cb.memos) *cb.memos = r.memos;
        cb.currentRecord = recno;
        cur->kind = Cursor::After;
        cur->last = entryKey;
        if (cur->watchNext) {
            cur->watched = recno;
            cur->watchedImage = r.image;
            cur->watchNext = false;
        }
        return fail(0);
    };
    auto violatesUnique = [&](const Bytes& img, std::uint32_t self) {
        for (std::size_t k = 0; k < table->decl.keys.size(); ++k) {
            if (table->decl.keys[k].flags & storage::kKeyDuplicates) continue;
            Bytes mine, other;
            if (!encodeKey(table->decl, static_cast<int>(k), img, self, mine)) continue;
            for (const auto& [recno, rec] : table->records)
                if (recno != self &&
                    encodeKey(table->decl, static_cast<int>(k), rec.image, recno, other) &&
                    other == mine)
                    return static_cast<int>(k);
        }
        return -1;
    };
    switch (op) {
    case DriverOp::Close:
        cb.driverState.reset();
        return fail(0);
    case DriverOp::Add:
    case DriverOp::AddWithoutKeys: {
        const std::uint32_t recno = ++table->counter;
        if (violatesUnique(image, recno) >= 0) return fail(40);
        table->records[recno] = Record{image, cb.memos ? *cb.memos : std::vector<Bytes>{}};
        cb.currentRecord = recno;
        Bytes k;
        encodeKey(table->decl, cur->key, image, recno, k);
        cur->kind = Cursor::After;
        cur->last = k;
        return fail(0);
    }
    case DriverOp::Change: {
        auto it = table->records.find(cb.currentRecord);
        if (cb.currentRecord == 0 || it == table->records.end()) return fail(33);
        if (cur->watched == cb.currentRecord && cur->watchedImage != it->second.image) {
            cur->watched = 0;
            return fail(89);
        }
        if (violatesUnique(image, cb.currentRecord) >= 0) return fail(40);
        it->second.image = image;
        if (cb.memos && !cb.leaveMemos) it->second.memos = *cb.memos;
        cur->watched = 0;
        return fail(0);
    }
    case DriverOp::Delete: {
        if (cb.currentRecord == 0 || !table->records.erase(cb.currentRecord)) return fail(33);
        cb.currentRecord = 0;
        return fail(0);
    }
    case DriverOp::Empty:
        table->records.clear();
        return fail(0);
    case DriverOp::Records:
        cb.answer = static_cast<std::int64_t>(table->records.size());
        return fail(0);
    case DriverOp::KeyRecords:
        cb.answer = static_cast<std::int64_t>(entries(*table, cb.keyNumber).size());
        return fail(0);
    case DriverOp::SetKeyStart:
    case DriverOp::SetRecordStart:
        cur->key = op == DriverOp::SetRecordStart ? -1 : cb.keyNumber;
        cur->kind = Cursor::Start;
        return fail(0);
    case DriverOp::SetKeyEnd:
        cur->key = cb.keyNumber;
        cur->kind = Cursor::End;
        return fail(0);
    case DriverOp::SetKeyValue:
    case DriverOp::SetKeyValueBack:
    case DriverOp::SetKeyValueRecord:
    case DriverOp::SetRecordNumber:
    case DriverOp::SetRecordNumberBack: {
        const bool byNumber =
            op == DriverOp::SetRecordNumber || op == DriverOp::SetRecordNumberBack;
        cur->key = byNumber ? -1 : cb.keyNumber;
        const std::uint32_t recno = op == DriverOp::SetKeyValue       ? 0
                                    : op == DriverOp::SetKeyValueBack ? 0xFFFFFFFF
                                                                      : cb.recordNumber;
        // Encode without the optional-key skip: a blank value still positions.
        Bytes k;
        if (cur->key >= 0) {
            auto decl = table->decl;
            decl.keys[static_cast<std::size_t>(cur->key)].flags &= ~storage::kKeyOptional;
            encodeKey(decl, cur->key, image, recno, k);
            if (!(decl.keys[static_cast<std::size_t>(cur->key)].flags & storage::kKeyDuplicates) &&
                op == DriverOp::SetKeyValueBack)
                k.push_back(0xFF);
        } else {
            appendBigEndian(k, recno);
        }
        cur->kind = Cursor::Seek;
        cur->seek = k;
        return fail(0);
    }
    case DriverOp::Next:
    case DriverOp::Previous:
    case DriverOp::TestNext:
    case DriverOp::TestPrevious: {
        const bool forward = op == DriverOp::Next || op == DriverOp::TestNext;
        const auto list = entries(*table, cur->key);
        const Entry* found = nullptr;
        if (forward) {
            for (const auto& e : list) {
                if (cur->kind == Cursor::End) break;
                if (cur->kind == Cursor::Start ||
                    (cur->kind == Cursor::Seek && e.key >= cur->seek) ||
                    (cur->kind == Cursor::After && e.key > cur->last)) {
                    found = &e;
                    break;
                }
            }
        } else {
            for (auto it = list.rbegin(); it != list.rend(); ++it) {
                if (cur->kind == Cursor::Start) break;
                if (cur->kind == Cursor::End ||
                    (cur->kind == Cursor::Seek && it->key <= cur->seek) ||
                    (cur->kind == Cursor::After && it->key < cur->last)) {
                    found = &*it;
                    break;
                }
            }
        }
        if (op == DriverOp::TestNext || op == DriverOp::TestPrevious) {
            cb.answer = found ? 1 : 0;
            return fail(0);
        }
        if (!found) return fail(33);
        return readInto(found->recno, found->key);
    }
    case DriverOp::GetByKey: {
        if (cb.keyNumber < 0 || std::size_t(cb.keyNumber) >= table->decl.keys.size())
            return fail(47);
        Bytes want;
        if (!encodeKey(table->decl, cb.keyNumber, image, 0, want)) return fail(33);
        const bool duplicates =
            table->decl.keys[std::size_t(cb.keyNumber)].flags & storage::kKeyDuplicates;
        const std::size_t n = want.size() - (duplicates ? 4 : 0);
        for (const auto& e : entries(*table, cb.keyNumber)) {
            if (e.key.size() == want.size() &&
                std::equal(want.begin(), want.begin() + long(n), e.key.begin())) {
                cur->key = cb.keyNumber;
                return readInto(e.recno, e.key);
            }
        }
        return fail(33);
    }
    case DriverOp::TestDuplicate: {
        Bytes mine, other;
        cb.answer = 0;
        if (!encodeKey(table->decl, cb.keyNumber, image, cb.currentRecord, mine)) return fail(0);
        for (const auto& [recno, rec] : table->records)
            if (recno != cb.currentRecord &&
                encodeKey(table->decl, cb.keyNumber, rec.image, recno, other) && other == mine)
                cb.answer = 1;
        return fail(0);
    }
    case DriverOp::Watch:
        cur->watchNext = true;
        return fail(0);
    case DriverOp::LockTable:
    case DriverOp::LockTableTimed:
        if (table->foreignLock) return fail(32);
        table->locked = true;
        return fail(0);
    case DriverOp::UnlockTable:
        table->locked = false;
        return fail(0);
    case DriverOp::BeginTransaction:
        if (!inTransaction_) transactionSnapshot_ = tables_;
        inTransaction_ = true;
        return fail(0);
    case DriverOp::CommitTransaction:
        inTransaction_ = false;
        transactionSnapshot_.clear();
        return fail(0);
    case DriverOp::RollbackTransaction:
        if (inTransaction_) {
            for (auto& [name, t] : transactionSnapshot_) {
                const bool locked = tables_[name].locked;
                tables_[name] = t;
                tables_[name].locked = locked;
            }
        }
        inTransaction_ = false;
        transactionSnapshot_.clear();
        return fail(0);
    default:
        return fail(0); // builds, flush and flags have nothing to do in memory
    }
}

} // namespace zv::access::testing
