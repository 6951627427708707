// The remaining record kinds of the address book as the engines see them: the
// list of every person (OSOBY_S), the keyword form (EVKLIC_U; its list
// EVKLIC_S is declared with the firm form's keywords), the catalogues of
// operations (OPERACE_S/U) and of kinds of contact (KLASIFIK_S/U), and the
// notes (POZNAMKY_S/U).
#pragma once

#include "app/records/browse/browse_decl.h"
#include "app/records/form/form_engine.h"
#include "app/shell/startup/app_state.h"

namespace zv::records {

// OSOBY_S: every person, by the firm it belongs to.
BrowseDecl osobyBrowse();

// EVKLIC_U: numbered by EVK:BYIDKS; who introduced it is the user. The texts
// are unique ignoring case (EVK:BYKLIC); deleting a keyword deletes its
// attachments to firms (the file's delete rule).
FormDecl evklicForm(const startup::AppState& state);

// OPERACE_S and OPERACE_U: operations by their code, unique and 1..255.
BrowseDecl operaceBrowse();
FormDecl operaceForm();

// KLASIFIK_S and KLASIFIK_U: kinds of contact by their code, unique ignoring
// case and never blank, with three steps of an operation (its description
// looked up through the views Operace1..Operace3) and a delay each.
BrowseDecl klasifikBrowse();
FormDecl klasifikForm();

// POZNAMKY_S and POZNAMKY_U: notes by title or number; numbered by POZ:BYCP,
// titles unique ignoring case.
BrowseDecl poznamkyBrowse();
FormDecl poznamkyForm();

} // namespace zv::records
