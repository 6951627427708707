// Internal errors of the storage engine: an inconsistency inside a native file
// ("Internal error : qtfbt line N") or a failed assertion. The program installs a
// handler that shows a message box titled "Runtime error" and ends the program;
// the default handler prints the message to standard error and ends the process.
// Tests and fuzzers install a handler that returns: the engine then reports
// error 36 from the operation and never continues with the broken data.
#pragma once

#include <string>

namespace zv::storage {

// Receives the title ("Runtime error") and the message text.
using RuntimeErrorHandler = void (*)(const std::string& title, const std::string& text);

// Installs `handler` (nullptr: the default) and returns the previous one.
RuntimeErrorHandler setRuntimeErrorHandler(RuntimeErrorHandler handler);

// Names the file the calls of this thread work on while the scope lasts: a runtime
// error raised meanwhile names it on a line of its own ("File: data/ADRESAR.QTF").
// Scopes nest; the innermost names the file.
class RuntimeErrorFileScope {
public:
    explicit RuntimeErrorFileScope(const std::string& file);
    ~RuntimeErrorFileScope();
    RuntimeErrorFileScope(const RuntimeErrorFileScope&) = delete;
    RuntimeErrorFileScope& operator=(const RuntimeErrorFileScope&) = delete;

private:
    const std::string* previous_; // the scope this one hides
};

// "Internal error : qtfbt line N" through the handler.
void internalError(int line);
// An assertion of module `module` that failed, e.g. ("done+len <= limit", "qtfl3").
void assertionFailed(const char* expression, const char* module);

} // namespace zv::storage
