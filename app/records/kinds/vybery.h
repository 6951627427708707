// The working selection's record kinds as the engines see them: the selection
// list VYBER_S, the row form VYBER_U and the automatic history's form
// AUTOHISTORIE.
#pragma once

#include "app/records/browse/browse_decl.h"
#include "app/records/form/form_engine.h"
#include "app/shell/startup/app_state.h"

#include <cstdint>

namespace zv::records {

// VYBER_S: tabs "Výběr dle Firem", "Výběr dle Měst", "Výběr dle ID".
BrowseDecl vyberBrowse();
// VYBER_U ("Prohlížení položky z adresáře"), five tabs over one row.
FormDecl vyberForm();
// AUTOHISTORIE ("Údaje o kontaku"): a contact primed for the user, today and
// now; OK hands it to `save`, which writes it for every selected firm.
FormDecl autoHistoryForm(const startup::AppState& state, std::int32_t now,
                         std::function<void(access::RecordFile& schuzky)> save);

} // namespace zv::records
