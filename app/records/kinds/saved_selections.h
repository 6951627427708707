// The catalogue of saved selections as the engines see it: the lists
// ULOZVYBER_S (to save) and NACTIVYBER_S (to load) over UlVybery, and the entry
// form ULVYBERY_U. A new entry takes the next number whose file is not on disk
// (a deleted entry's file is kept and never overwritten by a new one).
#pragma once

#include "app/records/browse/browse_decl.h"
#include "app/records/form/form_engine.h"
#include "app/shell/access/database.h"
#include "app/shell/startup/app_state.h"

namespace zv::records {

// Tabs "Číslo výběru" and "Popis výběru".
BrowseDecl savedSelectionsBrowse();

// ULVYBERY_U ("Detaily ohledně výběru"). With `overwrite` (the save list's
// "&Change") OK always completes and brings the entry's date up to today.
FormDecl savedSelectionForm(const startup::AppState& state, bool overwrite);

// Points AktVyber at the saved file of the catalogue entry in UlVybery's buffer
// (creating the data directory's "Vybery" when it is absent).
void pointAtSavedFile(access::Database& db, const startup::AppState& state);

} // namespace zv::records
