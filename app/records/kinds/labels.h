// Label sheet layouts as the engines see them: the list LABEL_S ("Výběr štítku")
// and the form LABEL_U ("Update the Label File"), which refuses a layout that
// cannot be printed.
#pragma once

#include "app/records/browse/browse_decl.h"
#include "app/records/form/form_engine.h"

namespace zv::records {

BrowseDecl labelBrowse();
// Slots the window fills: "note" (the inches note) and "font" (sample and font button).
FormDecl labelForm();

} // namespace zv::records
