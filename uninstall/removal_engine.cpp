#include "uninstall/removal_engine.h"

namespace zv::uninstall {

namespace {

// A group name with a quote would end the quoted argument early and let the
// rest of the name run as further Program Manager commands.
bool isSafeGroupName(const std::string& name) {
    for (char c : name) {
        if (c == '"' || c == '\0' || c == '\r' || c == '\n') return false;
    }
    return true;
}

} // namespace

std::string commandLineFor(const std::string& program, const std::string& argument) {
    std::string line = "\"" + program + "\"";
    if (!argument.empty()) line += " " + argument;
    return line;
}

RemovalEngine::RemovalEngine(System& system, RemovalView& view, const Version& version)
    : system_(system), view_(view), version_(version) {}

bool RemovalEngine::run(const std::vector<LogEntry>& entries) {
    productName_ = zv::uninstall::productName(entries);
    view_.showDialog();
    if (!customPass(entries)) return false;
    filePass(entries);
    directoryPass(entries);

    view_.setStatus(text::kStatusSystemFiles);
    view_.setDetail("");

    view_.setStatus(text::kStatusUninstallKey);
    // A name with a backslash would name a key below another registration.
    if (!productName_.empty() && productName_.find('\\') == std::string::npos) {
        (void)system_.deleteUninstallKey(productName_);
    }
    view_.closeDialog();
    return true;
}

bool RemovalEngine::customPass(const std::vector<LogEntry>& entries) {
    for (const LogEntry& entry : entries) {
        if (entry.kind != kCustomProgram) continue;
        if (runProgram(entry.first, entry.second) != 0) {
            view_.message(text::kCustomRunFailed, version_.caption, MessageIcon::kWarning);
            return false;
        }
    }
    return true;
}

void RemovalEngine::setProgress(std::uint64_t position, std::size_t entryCount) {
    if (entryCount == 0) return;
    view_.setProgress(static_cast<int>(position / entryCount));
}

void RemovalEngine::filePass(const std::vector<LogEntry>& entries) {
    std::uint64_t position = 0; // in hundredths of an entry
    for (const LogEntry& entry : entries) {
        setProgress(position, entries.size());
        switch (entry.kind) {
        case kFile:
            view_.setStatus(text::kStatusRemovingFile);
            view_.setDetail(entry.first);
            (void)removePath(entry.first);
            break;
        case kSharedDll:
            view_.setStatus(text::kStatusUnregisteringDll);
            view_.setDetail(entry.first);
            (void)releaseSharedDll(entry.first);
            break;
        case kProgmanItem:
            view_.setStatus(text::kStatusRemovingProgman);
            view_.setDetail("");
            deleteProgmanGroup(entry.second);
            break;
        case kRegistryEntry:
            view_.setStatus(text::kStatusRemovingRegistry);
            view_.setDetail("");
            break;
        default:
            break;
        }
        position += 100;
        setProgress(position, entries.size());
    }
}

void RemovalEngine::directoryPass(const std::vector<LogEntry>& entries) {
    for (const LogEntry& entry : entries) {
        if (entry.kind != kDirectory) continue;
        view_.setStatus(text::kStatusRemovingDirectory);
        view_.setDetail(entry.first);
        if (removeDirectory(entry.first) != 0) (void)removePath(entry.first);
    }
}

bool RemovalEngine::removePath(const std::string& path) {
    // Through a link the path names something outside the installation: it is
    // neither deleted nor scheduled (a restart would follow the link as well).
    if (system_.passesThroughLink(path)) return false;
    if (system_.deleteFile(path)) return true;
    if (system_.removeDirectory(path)) return true;
    // Nothing left under that name (removed by hand, or never installed):
    // there is nothing to delete at restart either.
    if (!system_.exists(path)) return true;

    std::string shortForm = system_.shortPath(path);
    if (shortForm.empty()) shortForm = path;
    (void)system_.deleteAtRestart(shortForm);
    (void)system_.writeWininitRename(shortForm);
    restartNeeded_ = true;
    if (version_.keepsLockedList) lockedFiles_.push_back(path);
    return false;
}

bool RemovalEngine::releaseSharedDll(const std::string& path) {
    SharedDllCount value;
    if (system_.readSharedDllCount(path, value) != RegistryRead::kFound) return false;
    // A count of 0 is already damaged; lowering it would wrap round to four
    // thousand million references, and deleting on its word is no safer.
    if (value.count == 0) return false;
    value.count -= 1;
    if (value.count != 0) return system_.writeSharedDllCount(path, value);

    (void)system_.deleteSharedDllValue(path);
    if (version_.unregistersControls && !system_.passesThroughLink(path)) {
        std::string upper = system_.toUpper(path);
        if (upper.find(".OCX") != std::string::npos) {
            std::string argument = std::string(text::kRegsvr32Unregister) + " \"" + upper + "\"";
            (void)runProgram(text::kRegsvr32, argument);
        }
    }
    (void)removePath(path);
    return true;
}

int RemovalEngine::removeDirectory(const std::string& path) {
    if (system_.passesThroughLink(path)) return -1;
    return system_.removeDirectory(path) ? 0 : -1;
}

void RemovalEngine::deleteProgmanGroup(const std::string& name) {
    std::string command = "[DeleteGroup(\"" + name + "\")]";
    DdeOutcome outcome =
        isSafeGroupName(name) ? system_.progmanExecute(command) : DdeOutcome::kFailed;
    switch (outcome) {
    case DdeOutcome::kInitFailed:
        view_.message(text::kDdeInitFailed, text::kSetupCaption, MessageIcon::kNone);
        break;
    case DdeOutcome::kFailed:
        view_.message(std::string(text::kDdeCommandFailedPrefix) + command +
                          text::kDdeCommandFailedSuffix,
                      text::kSetupCaption, MessageIcon::kNone);
        break;
    case DdeOutcome::kDone:
    case DdeOutcome::kNoStringHandle:
        break;
    }
}

int RemovalEngine::runProgram(const std::string& program, const std::string& argument) {
    return system_.runProgram(commandLineFor(program, argument));
}

} // namespace zv::uninstall
