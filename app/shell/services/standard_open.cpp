#include "standard_open.h"

namespace zv::services {

using namespace zv::access;

OpenOutcome standardOpen(ProcedureServices& s, RecordFile& file, OpenOptions options) {
    if (file.users() > 0 && file.isOpen()) {
        file.addUser();
        return OpenOutcome::Opened;
    }
    const std::uint16_t mode = options.shared ? kOpenShared : options.mode;
    int code = file.open(mode);
    if (code == kFileLocked) {
        (void)file.send("Recover=10");
        code = file.open(mode);
    }
    if (code == kNoError || code == kFileAlreadyOpen) {
        file.addUser();
        return OpenOutcome::Opened;
    }
    s.saveError();
    const std::string name = file.name();
    switch (code) {
    case kFileNotFound:
        if (options.silentIfAbsent) return OpenOutcome::Failed;
        if (!options.createIfAbsent) {
            s.message(msg::FileCreationError, name);
            return OpenOutcome::Failed;
        }
        if (file.create() != 0) {
            s.saveError();
            s.message(msg::FileCreationError, name);
            return OpenOutcome::Failed;
        }
        if (file.open(mode) != 0) {
            s.saveError();
            s.message(msg::CreatedFileOpenError, name);
            return OpenOutcome::Failed;
        }
        file.addUser();
        return OpenOutcome::Opened;
    case kInvalidDeclaration:
        s.message(msg::InvalidFile);
        break;
    case kRebuildKeys:
        if (s.message(msg::InvalidKey, name) == Button::Yes) {
            if (file.build() != 0) {
                s.saveError();
                s.message(msg::KeyRebuildError, name);
                return OpenOutcome::Failed;
            }
            if (file.open(mode) == 0) {
                file.addUser();
                return OpenOutcome::Opened;
            }
            s.saveError();
        }
        break;
    default:
        break;
    }
    if (s.message(msg::FileAccessError, name) != Button::Ok) return OpenOutcome::Failed;
    s.haltRequested = true;
    return OpenOutcome::EndProgram;
}

void standardRelease(RecordFile& file) {
    if (file.removeUser() == 0 && file.isOpen()) (void)file.close();
}

} // namespace zv::services
