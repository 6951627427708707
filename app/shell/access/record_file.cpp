#include "record_file.h"

#include "database.h"

#include "platform/codepage.h"

#include <algorithm>
#include <cstring>

namespace zv::access {

using storage::DriverOp;
using storage::FieldType;

RecordFile::RecordFile(Database& db, const dict::FileDef& def)
    : db_(db), def_(def), decl_(def.declaration()), record_(def.layout->size) {
    for (const auto& m : def.memos)
        memos_.emplace_back(m.maxLength, ' ');
    physicalName_ = def.defaultPhysicalName("");
    if (def.nameRoot == dict::NameRoot::DataPrefix) physicalName_ = def.label;
    clearBuffer();
}

void RecordFile::declareCzechOrder(bool czech) {
    for (auto& key : decl_.keys) {
        const bool hasText = std::any_of(key.components.begin(), key.components.end(),
                                         [this](const storage::KeyComponent& c) {
                                             return storage::isText(decl_.fields[c.field].type);
                                         });
        if (!hasText) continue;
        if (czech)
            key.flags |= storage::kKeyCzech;
        else
            key.flags &= static_cast<std::uint8_t>(~storage::kKeyCzech);
    }
}

int RecordFile::storedOrder(std::string* order) {
    return send("ORDER", order);
}

void RecordFile::clearBuffer() {
    std::fill(record_.begin(), record_.end(), 0);
    for (const auto& f : def_.layout->fields)
        if (f.type == FieldType::String) std::memset(record_.data() + f.offset, ' ', f.size);
    for (auto& m : memos_)
        std::fill(m.begin(), m.end(), ' ');
}

std::string RecordFile::memo(std::size_t i) const {
    if (i >= memos_.size()) return {};
    const auto& m = memos_[i];
    std::size_t n = m.size();
    while (n > 0 && (m[n - 1] == ' ' || m[n - 1] == 0))
        --n;
    return std::string(m.begin(), m.begin() + static_cast<long>(n));
}

void RecordFile::setMemo(std::string_view text, std::size_t i) {
    if (i >= memos_.size()) return;
    auto& m = memos_[i];
    const std::size_t n = std::min(text.size(), m.size());
    std::memcpy(m.data(), text.data(), n);
    std::fill(m.begin() + static_cast<long>(n), m.end(), ' ');
}

int RecordFile::keyNumber(std::string_view keyName) const {
    const auto colon = keyName.find(':');
    if (colon != std::string_view::npos) {
        if (!cp1250::equalNoCase(keyName.substr(0, colon), def_.prefix)) return -1;
        keyName = keyName.substr(colon + 1);
    }
    for (std::size_t i = 0; i < def_.keys.size(); ++i)
        if (cp1250::equalNoCase(def_.keys[i].name, keyName)) return static_cast<int>(i);
    return -1;
}

std::string RecordFile::name() const {
    return physicalName_;
}

int RecordFile::run(DriverOp op) {
    if (!driver_) {
        driver_ = db_.driver(dict::driverName(def_.driver));
        if (!driver_) {
            db_.setError(kUnsupportedFunction, physicalName_);
            return kUnsupportedFunction;
        }
    }
    if (!driver_->supports(op)) {
        db_.setError(kUnsupportedFunction, physicalName_);
        return kUnsupportedFunction;
    }
    cb_.error = 0;
    cb_.errorText.clear();
    ++calls_;
    const int code = driver_->dispatch(op, cb_);
    db_.setError(code, physicalName_, cb_.errorText);
    return code;
}

void RecordFile::bind(std::uint16_t mode) {
    cb_.decl = &decl_;
    cb_.physicalName = physicalName_;
    cb_.accessMode = mode;
    cb_.record = &record_;
    cb_.memos = &memos_;
    cb_.runFlags = 0;
}

int RecordFile::open(std::uint16_t mode) {
    if (open_) {
        db_.setError(kFileAlreadyOpen, physicalName_);
        return kFileAlreadyOpen;
    }
    bind(mode);
    const int code = run(DriverOp::Open);
    open_ = code == 0;
    eof_ = false;
    return code;
}

int RecordFile::create() {
    if (open_) {
        db_.setError(kFileAlreadyOpen, physicalName_);
        return kFileAlreadyOpen;
    }
    bind(storage::kAccessReadWrite | storage::kShareDenyNone | storage::kAccessCreate);
    int code = run(DriverOp::Create);
    // A created table is left closed; the caller opens it.
    if (cb_.driverState) {
        const int closeCode = driver_->dispatch(DriverOp::Close, cb_);
        cb_.driverState.reset();
        if (code == 0 && closeCode != 0) code = closeCode;
        db_.setError(code, physicalName_, cb_.errorText);
    }
    return code;
}

int RecordFile::close() {
    if (!open_) {
        db_.setError(0);
        return 0;
    }
    const int code = run(DriverOp::Close);
    cb_.driverState.reset();
    open_ = false;
    return code;
}

int RecordFile::build() {
    // A closed file is opened by the driver for the build and closed again.
    if (!open_) {
        bind(kOpenShared);
        const int code = run(DriverOp::BuildAll);
        if (cb_.driverState) {
            (void)driver_->dispatch(DriverOp::Close, cb_);
            cb_.driverState.reset();
        }
        return code;
    }
    return run(DriverOp::BuildAll);
}

long RecordFile::records() {
    return run(DriverOp::Records) == 0 ? static_cast<long>(cb_.answer) : 0;
}

long RecordFile::keyRecords(int key) {
    cb_.keyNumber = key;
    return run(DriverOp::KeyRecords) == 0 ? static_cast<long>(cb_.answer) : 0;
}

int RecordFile::send(std::string_view command, std::string* answer) {
    cb_.text = std::string(command);
    cb_.answerText.clear();
    const int code = run(DriverOp::Command);
    if (answer) *answer = cb_.answerText;
    return code;
}

int RecordFile::setKey(int key) {
    cb_.keyNumber = key;
    recordOrder_ = false;
    eof_ = false;
    return run(DriverOp::SetKeyStart);
}

int RecordFile::setKeyEnd(int key) {
    cb_.keyNumber = key;
    recordOrder_ = false;
    eof_ = false;
    return run(DriverOp::SetKeyEnd);
}

int RecordFile::setKeyValue(int key) {
    cb_.keyNumber = key;
    recordOrder_ = false;
    eof_ = false;
    return run(DriverOp::SetKeyValue);
}

int RecordFile::setKeyValueBack(int key) {
    cb_.keyNumber = key;
    recordOrder_ = false;
    eof_ = false;
    return run(DriverOp::SetKeyValueBack);
}

int RecordFile::empty() {
    return run(DriverOp::Empty);
}

int RecordFile::getByKey(int key) {
    cb_.keyNumber = key;
    recordOrder_ = false;
    eof_ = false;
    return run(DriverOp::GetByKey);
}

int RecordFile::setFile() {
    recordOrder_ = true;
    eof_ = false;
    return run(DriverOp::SetRecordStart);
}

int RecordFile::next() {
    const int code = run(DriverOp::Next);
    if (code == 0 && recordOrder_) {
        const int saved = code;
        if (driver_->supports(DriverOp::TestNext) &&
            driver_->dispatch(DriverOp::TestNext, cb_) == 0)
            eof_ = cb_.answer == 0;
        db_.setError(saved, physicalName_);
    }
    return code;
}

int RecordFile::previous() {
    return run(DriverOp::Previous);
}

void RecordFile::clearCurrent() {
    cb_.currentRecord = 0;
}

int RecordFile::add() {
    // The new record is nobody's current record until it is written; after a
    // refused add, duplicate() compares the buffer with every stored record.
    cb_.currentRecord = 0;
    return run(DriverOp::Add);
}

int RecordFile::put() {
    return run(DriverOp::Change);
}

int RecordFile::remove() {
    return run(DriverOp::Delete);
}

bool RecordFile::duplicate(int key) {
    // Asked after error 40 to name the key: the error state stays as it was.
    const ErrorState saved = db_.error();
    cb_.keyNumber = key;
    const bool dup = run(DriverOp::TestDuplicate) == 0 && cb_.answer != 0;
    db_.setError(saved.code, saved.fileName, saved.driverText);
    return dup;
}

void RecordFile::copyKeyBytes(int key, std::vector<std::uint8_t>& out) const {
    out.clear();
    if (key < 0 || static_cast<std::size_t>(key) >= decl_.keys.size()) return;
    for (const auto& c : decl_.keys[static_cast<std::size_t>(key)].components) {
        const auto& f = decl_.fields[c.field];
        out.insert(out.end(), record_.begin() + f.offset, record_.begin() + f.offset + f.size);
    }
}

Position RecordFile::position(int key) const {
    Position pos;
    pos.key = key;
    pos.recordNumber = cb_.currentRecord;
    copyKeyBytes(key, pos.keyBytes);
    return pos;
}

int RecordFile::reset(const Position& pos) {
    eof_ = false;
    if (pos.key < 0) {
        recordOrder_ = true;
        cb_.recordNumber = pos.recordNumber;
        return run(DriverOp::SetRecordNumber);
    }
    recordOrder_ = false;
    const std::vector<std::uint8_t> saved = record_;
    std::size_t at = 0;
    if (static_cast<std::size_t>(pos.key) < decl_.keys.size()) {
        for (const auto& c : decl_.keys[static_cast<std::size_t>(pos.key)].components) {
            const auto& f = decl_.fields[c.field];
            if (at + f.size > pos.keyBytes.size()) break;
            std::memcpy(record_.data() + f.offset, pos.keyBytes.data() + at, f.size);
            at += f.size;
        }
    }
    cb_.keyNumber = pos.key;
    cb_.recordNumber = pos.recordNumber;
    const int code = run(DriverOp::SetKeyValueRecord);
    record_ = saved;
    return code;
}

int RecordFile::reget(const Position& pos) {
    if (!pos.valid()) {
        db_.setError(kRecordNotFound, physicalName_);
        return kRecordNotFound;
    }
    const std::vector<std::uint8_t> saved = record_;
    recordOrder_ = true;
    cb_.recordNumber = pos.recordNumber;
    int code = run(DriverOp::SetRecordNumber);
    if (code == 0) code = run(DriverOp::Next);
    if (code == 0 && cb_.currentRecord != pos.recordNumber) code = kRecordNotFound;
    if (code != 0) {
        record_ = saved;
        if (code == kRecordNotAvailable) code = kRecordNotFound;
        db_.setError(code, physicalName_);
    }
    return code;
}

void RecordFile::watch() {
    run(DriverOp::Watch);
}

int RecordFile::lockTable(int seconds) {
    cb_.seconds = seconds;
    return run(seconds < 0 ? DriverOp::LockTable : DriverOp::LockTableTimed);
}

int RecordFile::unlockTable() {
    return run(DriverOp::UnlockTable);
}

int RecordFile::stream() {
    cb_.runFlags |= storage::kRunBatch;
    db_.setError(0);
    return 0;
}

int RecordFile::flush() {
    cb_.runFlags &= ~static_cast<std::uint32_t>(storage::kRunBatch);
    return run(DriverOp::Flush);
}

} // namespace zv::access
