#include "database.h"

#include "platform/codepage.h"
#include "storage/runtime_error.h"

#include <cstdlib>

namespace zv::access {

Database::Database() : files_(dict::files().size()) {}

Database::~Database() {
    for (auto& f : files_)
        if (f && f->isOpen()) (void)f->close();
}

void Database::registerDriver(storage::Driver& driver) {
    drivers_.push_back(&driver);
}

storage::Driver* Database::driver(std::string_view name) const {
    for (storage::Driver* d : drivers_)
        if (cp1250::equalNoCase(d->name(), name)) return d;
    return nullptr;
}

RecordFile* Database::fileOrNull(std::string_view label) {
    const auto all = dict::files();
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (!cp1250::equalNoCase(all[i].label, label)) continue;
        if (!files_[i]) {
            files_[i] = std::make_unique<RecordFile>(*this, all[i]);
            if (czechOrder_ && followsTextOrder(all[i])) files_[i]->declareCzechOrder(true);
        }
        return files_[i].get();
    }
    return nullptr;
}

RecordFile& Database::file(std::string_view label) {
    if (RecordFile* f = fileOrNull(label)) return *f;
    // A label outside the dictionary is a fault of the program, not of the data.
    const std::string expression = "file label \"" + std::string(label) + "\" is in the dictionary";
    storage::assertionFailed(expression.c_str(), "access");
    std::abort(); // a handler that returns leaves no file to hand out
}

bool Database::followsTextOrder(const dict::FileDef& def) {
    return def.driver == dict::Driver::Native && def.nameRoot != dict::NameRoot::Label;
}

void Database::setCzechOrder(bool czech) {
    czechOrder_ = czech;
    for (const dict::FileDef& def : dict::files())
        if (followsTextOrder(def)) file(def.label).declareCzechOrder(czech);
}

void Database::setDataPrefix(std::string_view prefix) {
    dataPrefix_ = std::string(prefix);
    while (!dataPrefix_.empty() && dataPrefix_.back() == ' ')
        dataPrefix_.pop_back();
    for (const dict::FileDef& def : dict::files())
        if (def.nameRoot == dict::NameRoot::DataPrefix)
            file(def.label).setPhysicalName(def.defaultPhysicalName(dataPrefix_));
}

void Database::setError(int code, std::string_view fileName, std::string_view driverText,
                        int driverCode) {
    error_.code = code;
    error_.text = code == 0 ? std::string() : errorText(code);
    error_.fileName = std::string(fileName);
    error_.driverText = code == kFileSystemError ? std::string(driverText) : std::string();
    error_.driverCode = code == kFileSystemError ? driverCode : 0;
}

int Database::beginTransaction(int timeoutSeconds, std::span<RecordFile* const> files) {
    if (inTransaction()) {
        setError(56); // "LOGOUT Already Active"
        return 56;
    }
    for (RecordFile* f : files) {
        if (!f->isOpen()) {
            setError(kFileNotOpen, f->name());
            return kFileNotOpen;
        }
    }
    std::vector<RecordFile*> locked;
    auto undo = [&](int code, const std::string& name) {
        for (RecordFile* f : locked)
            (void)f->unlockTable();
        setError(code, name);
        return code;
    };
    for (RecordFile* f : files) {
        if (const int code = f->lockTable(timeoutSeconds)) return undo(code, f->name());
        locked.push_back(f);
    }
    for (RecordFile* f : files)
        f->controlBlock().runFlags |= storage::kRunTransaction;
    transaction_.assign(files.begin(), files.end());
    for (RecordFile* f : transaction_) {
        f->controlBlock().error = 0;
        storage::Driver* d = driver(dict::driverName(f->def().driver));
        const int code = d ? d->dispatch(storage::DriverOp::BeginTransaction, f->controlBlock())
                           : kUnsupportedFunction;
        if (code != 0) {
            for (RecordFile* g : transaction_)
                g->controlBlock().runFlags &= ~static_cast<std::uint32_t>(storage::kRunTransaction);
            transaction_.clear();
            return undo(code, f->name());
        }
    }
    setError(0);
    return 0;
}

namespace {

int endTransaction(Database& db, std::vector<RecordFile*>& files, storage::DriverOp op) {
    if (files.empty()) {
        db.setError(0);
        return 0;
    }
    int code = 0;
    for (RecordFile* f : files)
        f->controlBlock().runFlags &= ~static_cast<std::uint32_t>(storage::kRunTransaction);
    if (storage::Driver* d = db.driver(dict::driverName(files.front()->def().driver))) {
        code = d->dispatch(op, files.front()->controlBlock());
    } else {
        code = kUnsupportedFunction;
    }
    const std::string name = files.front()->name();
    const std::string driverText = files.front()->controlBlock().errorText;
    for (RecordFile* f : files)
        (void)f->unlockTable();
    files.clear();
    db.setError(code, name, driverText);
    return code;
}

} // namespace

int Database::commit() {
    return endTransaction(*this, transaction_, storage::DriverOp::CommitTransaction);
}

int Database::rollback() {
    return endTransaction(*this, transaction_, storage::DriverOp::RollbackTransaction);
}

} // namespace zv::access
