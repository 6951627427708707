// In-memory stand-ins for the Windows facilities, for the engine's tests.
// Every call is also written to a journal, so tests can check what happened
// in which order.
#pragma once

#include "uninstall/facilities.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace zv::uninstall::testing {

class FakeSystem : public System {
public:
    enum class Node { kFile, kDirectory, kLink };

    // The file system: full path -> what is there. A link is removed itself;
    // its target (another path in the map) is never touched.
    std::map<std::string, Node> nodes;
    std::set<std::string> locked;                  // files held open by another program
    std::map<std::string, std::string> shortNames; // path -> its 8.3 form
    std::vector<std::string> delayedDeletes;       // scheduled for restart, in order
    std::vector<std::string> wininitNul;           // every value written as NUL=
    bool sharedDllKeyOpens = true;
    std::map<std::string, SharedDllCount> sharedDlls;
    std::set<std::string> uninstallKeys;
    std::map<std::string, int> exitCodes; // command line -> exit code; absent: -1
    bool ddeInitFails = false;
    std::set<std::string> groups; // Program Manager groups
    std::vector<std::string> journal;

    void addFile(const std::string& path) { nodes[path] = Node::kFile; }
    void addDirectory(const std::string& path) { nodes[path] = Node::kDirectory; }
    bool has(const std::string& path) const { return nodes.count(path) != 0; }

    bool deleteFile(const std::string& path) override {
        journal.push_back("delete " + path);
        auto it = nodes.find(path);
        if (it == nodes.end() || it->second == Node::kDirectory || locked.count(path)) {
            return false;
        }
        nodes.erase(it);
        return true;
    }
    bool removeDirectory(const std::string& path) override {
        journal.push_back("rmdir " + path);
        auto it = nodes.find(path);
        if (it == nodes.end() || it->second == Node::kFile) return false;
        if (it->second == Node::kDirectory) {
            auto next = std::next(it);
            if (next != nodes.end() && next->first.rfind(path + "\\", 0) == 0) return false;
        }
        nodes.erase(it);
        return true;
    }
    bool exists(const std::string& path) override { return has(path); }
    bool passesThroughLink(const std::string& path) override {
        for (const auto& [name, node] : nodes) {
            if (node == Node::kLink && path.rfind(name + "\\", 0) == 0) return true;
        }
        return false;
    }
    std::string shortPath(const std::string& path) override {
        auto it = shortNames.find(path);
        return it == shortNames.end() ? path : it->second;
    }
    bool deleteAtRestart(const std::string& path) override {
        journal.push_back("at restart " + path);
        delayedDeletes.push_back(path);
        return true;
    }
    bool writeWininitRename(const std::string& path) override {
        journal.push_back("wininit NUL=" + path);
        wininitNul.push_back(path);
        return true;
    }
    RegistryRead readSharedDllCount(const std::string& path, SharedDllCount& out) override {
        if (!sharedDllKeyOpens) return RegistryRead::kNoKey;
        auto it = sharedDlls.find(path);
        if (it == sharedDlls.end()) return RegistryRead::kNoValue;
        out = it->second;
        return RegistryRead::kFound;
    }
    bool writeSharedDllCount(const std::string& path, const SharedDllCount& value) override {
        journal.push_back("count " + path + "=" + std::to_string(value.count));
        sharedDlls[path] = value;
        return true;
    }
    bool deleteSharedDllValue(const std::string& path) override {
        journal.push_back("delete value " + path);
        return sharedDlls.erase(path) != 0;
    }
    bool deleteUninstallKey(const std::string& product) override {
        journal.push_back("delete key " + product);
        return uninstallKeys.erase(product) != 0;
    }
    std::string toUpper(const std::string& text) override {
        std::string upper = text;
        for (char& c : upper) {
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        }
        return upper;
    }
    int runProgram(const std::string& commandLine) override {
        journal.push_back("run " + commandLine);
        auto it = exitCodes.find(commandLine);
        return it == exitCodes.end() ? -1 : it->second;
    }
    DdeOutcome progmanExecute(const std::string& command) override {
        journal.push_back("dde " + command);
        if (ddeInitFails) return DdeOutcome::kInitFailed;
        const std::string head = "[DeleteGroup(\"";
        const std::string tail = "\")]";
        if (command.rfind(head, 0) != 0 || command.size() < head.size() + tail.size()) {
            return DdeOutcome::kFailed;
        }
        std::string name = command.substr(head.size(), command.size() - head.size() - tail.size());
        return groups.erase(name) != 0 ? DdeOutcome::kDone : DdeOutcome::kFailed;
    }
};

class FakeView : public RemovalView {
public:
    struct Message {
        std::string text;
        std::string caption;
        MessageIcon icon;
    };
    bool shown = false;
    bool closed = false;
    std::vector<std::string> statuses;
    std::vector<std::string> details;
    std::vector<int> progress;
    std::vector<Message> messages;

    void showDialog() override { shown = true; }
    void closeDialog() override { closed = true; }
    void setStatus(const std::string& text) override { statuses.push_back(text); }
    void setDetail(const std::string& text) override { details.push_back(text); }
    void setProgress(int position) override { progress.push_back(position); }
    void message(const std::string& text, const std::string& caption, MessageIcon icon) override {
        messages.push_back(Message{text, caption, icon});
    }
};

} // namespace zv::uninstall::testing
