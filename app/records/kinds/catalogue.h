// Every list and form declaration of the program by its procedure, so that
// checks can walk them all: a new window adds its declaration here.
#pragma once

#include "app/records/browse/browse_decl.h"
#include "app/records/form/form_engine.h"
#include "app/shell/startup/app_state.h"

#include <string>
#include <vector>

namespace zv::records {

struct NamedBrowse {
    std::string procedure; // "ADRESAR_S"; lists inside forms: the form and the list's format key
    BrowseDecl decl;
};

std::vector<NamedBrowse> browseDeclarations();
std::vector<FormDecl> formDeclarations(const startup::AppState& state);

} // namespace zv::records
