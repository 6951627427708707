#include "storage/runtime_error.h"

#include <cstdio>
#include <cstdlib>

namespace zv::storage {

namespace {

void defaultHandler(const std::string& title, const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    std::_Exit(70);
}

RuntimeErrorHandler gHandler = defaultHandler;

} // namespace

RuntimeErrorHandler setRuntimeErrorHandler(RuntimeErrorHandler handler) {
    RuntimeErrorHandler old = gHandler;
    gHandler = handler ? handler : defaultHandler;
    return old;
}

void internalError(int line) {
    std::string text = "Internal error : qtfbt line ";
    text += std::to_string(line);
    gHandler("Runtime error", text);
}

void assertionFailed(const char* expression, const char* module) {
    gHandler("Runtime error", std::string("Assertion failed: ") + expression + ", file " + module);
}

} // namespace zv::storage
