#include "storage/runtime_error.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace zv::storage {

namespace {

void defaultHandler(const std::string& title, const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    std::_Exit(70);
}

RuntimeErrorHandler gHandler = defaultHandler;

// The file of the innermost scope of this thread (null: none).
thread_local const std::string* gFile = nullptr;

void raise(std::string text) {
    if (gFile && !gFile->empty()) text += "\nFile: " + *gFile;
    gHandler("Runtime error", text);
}

} // namespace

RuntimeErrorFileScope::RuntimeErrorFileScope(const std::string& file) : previous_(gFile) {
    gFile = &file;
}

RuntimeErrorFileScope::~RuntimeErrorFileScope() {
    gFile = previous_;
}

RuntimeErrorHandler setRuntimeErrorHandler(RuntimeErrorHandler handler) {
    RuntimeErrorHandler old = gHandler;
    gHandler = handler ? handler : defaultHandler;
    return old;
}

void internalError(int line) {
    std::string text = "Internal error : qtfbt line ";
    text += std::to_string(line);
    raise(std::move(text));
}

void assertionFailed(const char* expression, const char* module) {
    raise(std::string("Assertion failed: ") + expression + ", file " + module);
}

} // namespace zv::storage
