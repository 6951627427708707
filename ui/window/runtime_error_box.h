// The box that tells the user about an inconsistency inside a data file before
// the program ends: titled as the engine titles it ("Runtime error"), its text
// naming the fault and the file. The program installs it as the storage
// engine's runtime error handler.
#pragma once

#include <string>

namespace zv::ui {

// Shows the box modally over the program's windows and returns when the user
// has closed it. Texts are UTF-8.
void showRuntimeErrorBox(const std::string& title, const std::string& text);

// The handler the program installs: the box, then the end of the process with
// exit code 70. What was committed is on disk already; nothing else is written.
[[noreturn]] void runtimeErrorEndsTheProgram(const std::string& title, const std::string& text);

} // namespace zv::ui
