// KATEGORIE_U, the captions of the twenty firm categories: the first caption
// set of Kategorie, ten captions on each of two tabs, each with a button beside
// it that clears the category in every firm (see
// app/records/categories/category_clearing.h).
#pragma once

#include "app/records/form/form_engine.h"
#include "app/shell/access/record_file.h"

#include <string>

namespace zv::records {

FormDecl kategorieForm();

// The caption field of category n ("KAG:K3"), which carries the clear button.
std::string captionField(int n);

// Reads the first caption set of Kategorie (which must be open) in physical
// order into the buffer as the current record; an empty file first gets
// caption set 1 with blank captions. 0, or the error of the read or the add.
int readFirstCaptionSet(access::RecordFile& kategorie);

} // namespace zv::records
