#include "storage/dbase/dbase_driver.h"

#include "platform/paths.h"
#include "storage/dbase/dbase_table.h"

namespace zv::dbase {

using storage::ControlBlock;
using storage::DriverOp;

namespace {

// The driver's state of one table: the table object, which also keeps the
// switches set by driver commands.
struct DbaseState : storage::DriverTableState {
    explicit DbaseState(const storage::TableDecl& decl) : table(decl) {}
    DbaseTable table;
};

std::vector<std::string> memoTexts(const ControlBlock& cb) {
    std::vector<std::string> out;
    if (!cb.memos) return out;
    out.reserve(cb.memos->size());
    for (const auto& m : *cb.memos)
        out.emplace_back(m.begin(), m.end());
    return out;
}

void storeMemos(ControlBlock& cb, const std::vector<std::string>& texts) {
    if (!cb.memos) return;
    for (std::size_t i = 0; i < cb.memos->size(); ++i) {
        auto& buffer = (*cb.memos)[i];
        const std::string empty;
        const std::string& t = i < texts.size() ? texts[i] : empty;
        buffer.assign(t.begin(), t.end());
    }
}

} // namespace

std::string DbaseDriver::name() const {
    return std::string(kDriverName);
}

std::string DbaseDriver::description() const {
    return std::string(kDriverDescription);
}

bool DbaseDriver::supports(DriverOp op) const {
    switch (op) {
    case DriverOp::Add:
    case DriverOp::AddWithoutKeys:
    case DriverOp::BuildAll:
    case DriverOp::BuildAllKeys:
    case DriverOp::BuildKey:
    case DriverOp::BuildIndex:
    case DriverOp::BuildKeyOrIndex:
    case DriverOp::GetByKey:
    case DriverOp::KeyRecords:
    case DriverOp::SetKeyStart:
    case DriverOp::SetKeyEnd:
    case DriverOp::SetKeyValue:
    case DriverOp::SetKeyValueBack:
    case DriverOp::SetKeyValueRecord:
    case DriverOp::TestDuplicate:
    case DriverOp::Close:
    case DriverOp::Create:
    case DriverOp::Delete:
    case DriverOp::Empty:
    case DriverOp::TestNext:
    case DriverOp::Next:
    case DriverOp::Open:
    case DriverOp::OpenShared:
    case DriverOp::Flush:
    case DriverOp::Change:
    case DriverOp::ChangeByNumber:
    case DriverOp::Previous:
    case DriverOp::Records:
    case DriverOp::ReleaseRecord:
    case DriverOp::SetRecordNumber:
    case DriverOp::SetRecordNumberBack:
    case DriverOp::SetRecordStart:
    case DriverOp::SetFlags:
    case DriverOp::SetFlagsSecond:
    case DriverOp::Watch:
    case DriverOp::Command:
        return true;
    default:
        return false;
    }
}

int DbaseDriver::dispatch(DriverOp op, ControlBlock& cb) {
    auto* state = dynamic_cast<DbaseState*>(cb.driverState.get());
    auto finish = [&cb](DbaseTable& t, int code) {
        cb.error = code;
        cb.errorText = code == 0 ? std::string() : t.driverText();
        cb.currentRecord = t.currentRow();
        return code;
    };
    auto refuse = [&cb](int code) { return cb.error = code; };

    if (op == DriverOp::Command) {
        // Switches may be set before the table is opened; they live in the state.
        if (!state) {
            if (!cb.decl) return refuse(kInvalidRecordDeclaration);
            auto fresh = std::make_unique<DbaseState>(*cb.decl);
            fresh->table.setNotifier(notify_);
            state = fresh.get();
            cb.driverState = std::move(fresh);
        }
        if (!state->table.isOpen()) state->table.bindName(paths::native(cb.physicalName));
        cb.answerText = state->table.command(cb.text);
        return finish(state->table, 0);
    }
    if (op == DriverOp::Open || op == DriverOp::OpenShared || op == DriverOp::Create) {
        if (cb.physicalName.empty()) return refuse(kInvalidFilename);
        if (!cb.decl || !cb.record || cb.record->size() < cb.decl->recordLength)
            return refuse(kInvalidRecordDeclaration);
        if (op == DriverOp::Create && !cb.decl->createAllowed) return refuse(54);
        if (state && state->table.isOpen()) return finish(state->table, kFileAlreadyOpen);
        auto fresh = std::make_unique<DbaseState>(*cb.decl);
        fresh->table.setNotifier(notify_);
        if (state) {
            // Keep the switches set by commands before the open.
            (void)fresh->table.command(std::string("BUFFERS=") +
                                       std::to_string(state->table.buffers()));
            (void)fresh->table.command(state->table.extendedErrors() ? "EXTERRORS=ON"
                                                                     : "EXTERRORS=OFF");
            (void)fresh->table.command(state->table.ignoreStatus() ? "IGNORESTATUS=ON"
                                                                   : "IGNORESTATUS=OFF");
        }
        DbaseTable& t = fresh->table;
        const std::string path = paths::native(cb.physicalName);
        if (op == DriverOp::Create) {
            const int code = t.create(path);
            cb.driverState.reset();
            return finish(t, code);
        }
        const int code = t.open(path, cb.accessMode);
        cb.driverState = std::move(fresh);
        return finish(static_cast<DbaseState&>(*cb.driverState).table, code);
    }
    if (!state || !state->table.isOpen()) return refuse(kFileNotOpen);
    DbaseTable& t = state->table;
    std::vector<std::string> memos;
    switch (op) {
    case DriverOp::Close: {
        const int code = t.close();
        cb.error = code;
        cb.errorText = code == 0 ? std::string() : t.driverText();
        cb.currentRecord = 0;
        cb.driverState.reset();
        return code;
    }
    case DriverOp::Add:
    case DriverOp::AddWithoutKeys:
    case DriverOp::Change:
    case DriverOp::ChangeByNumber: {
        if (cb.runFlags & storage::kRunBatch) t.beginBatch();
        memos = memoTexts(cb);
        int code = 0;
        if (op == DriverOp::Change)
            code = t.put(*cb.record, memos);
        else if (op == DriverOp::ChangeByNumber)
            code = t.putAt(cb.recordNumber, *cb.record, memos);
        else
            code = t.add(*cb.record, memos);
        return finish(t, code);
    }
    case DriverOp::Delete:
        return finish(t, t.erase());
    case DriverOp::Empty:
        return finish(t, t.empty());
    case DriverOp::Next:
    case DriverOp::Previous: {
        const int code =
            op == DriverOp::Next ? t.next(*cb.record, memos) : t.previous(*cb.record, memos);
        if (code == 0 || code == kInvalidMemoFile) storeMemos(cb, memos);
        return finish(t, code);
    }
    case DriverOp::TestNext:
        cb.answer = t.eof() ? 0 : 1;
        return finish(t, 0);
    case DriverOp::Records: {
        std::uint32_t count = 0;
        const int code = t.records(count);
        cb.answer = count;
        return finish(t, code);
    }
    case DriverOp::SetRecordStart:
        return finish(t, t.setStart());
    case DriverOp::SetRecordNumber:
        return finish(t, t.setRecordNumber(cb.recordNumber, false));
    case DriverOp::SetRecordNumberBack:
        return finish(t, t.setRecordNumber(cb.recordNumber, true));
    case DriverOp::Flush:
        return finish(t, t.endBatch());
    case DriverOp::BuildAll:
    case DriverOp::BuildAllKeys:
    case DriverOp::BuildKey:
    case DriverOp::BuildIndex:
    case DriverOp::BuildKeyOrIndex:
        // Every tag lives in the one production index, which is built whole.
        return finish(t, t.buildIndex());
    case DriverOp::SetKeyStart:
    case DriverOp::SetKeyEnd:
        return finish(t, t.setKeyStart(cb.keyNumber, op == DriverOp::SetKeyEnd));
    case DriverOp::SetKeyValue:
    case DriverOp::SetKeyValueBack:
    case DriverOp::SetKeyValueRecord: {
        if (!cb.record) return refuse(kInvalidRecordDeclaration);
        const auto seek = op == DriverOp::SetKeyValue       ? DbaseTable::KeySeek::Forward
                          : op == DriverOp::SetKeyValueBack ? DbaseTable::KeySeek::Backward
                                                            : DbaseTable::KeySeek::Record;
        return finish(t, t.setKeyValue(cb.keyNumber, *cb.record, seek, cb.recordNumber));
    }
    case DriverOp::GetByKey: {
        if (!cb.record) return refuse(kInvalidRecordDeclaration);
        const int code = t.getByKey(cb.keyNumber, *cb.record, memos);
        if (code == 0 || code == kInvalidMemoFile) storeMemos(cb, memos);
        return finish(t, code);
    }
    case DriverOp::KeyRecords: {
        std::uint32_t count = 0;
        const int code = t.keyRecords(cb.keyNumber, count);
        cb.answer = count;
        return finish(t, code);
    }
    case DriverOp::TestDuplicate: {
        if (!cb.record) return refuse(kInvalidRecordDeclaration);
        bool duplicate = false;
        const int code = t.testDuplicate(cb.keyNumber, *cb.record, duplicate);
        cb.answer = duplicate ? 1 : 0;
        return finish(t, code);
    }
    case DriverOp::ReleaseRecord:
    case DriverOp::SetFlags:
    case DriverOp::SetFlagsSecond:
    case DriverOp::Watch:
        return finish(t, 0);
    default:
        return finish(t, kUnsupportedFunction);
    }
}

} // namespace zv::dbase
