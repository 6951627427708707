// The jokes of the day as the engines see them: the list VTIPYSHOW by number
// and the form UPDATEVTIPY, a numbered joke with its text in the memo.
#pragma once

#include "app/records/browse/browse_decl.h"
#include "app/records/form/form_engine.h"

#include <string>

namespace zv::records {

BrowseDecl vtipyBrowse();
FormDecl vtipyForm();

// What the form says it is doing, by request (UTF-8).
std::string vtipyRequestText(int request);

// A joke as one line of the list: its first 255 characters, line breaks as blanks.
std::string jokeLine(std::string_view joke);

} // namespace zv::records
