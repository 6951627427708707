// For the tests and the benchmark of the key repair: keys damaged behind the
// driver's back, and what must hold of a file before and after its repair.
#pragma once

#include "app/shell/access/record_file.h"

#include <string>

namespace zv::utilities::testing {

// Removes every `every`-th entry of key `keyNumber` in every table of the file
// named by the physical name, straight from the file's tree (the driver does not
// know). Returns the number of entries removed, or -1 when the file cannot be
// changed.
long removeKeyEntries(const std::string& physicalName, int keyNumber, int every = 1);

// The records of an open file with their memos, in record order, as one text
// to compare (its length grows with the records; it is no hash).
std::string recordsInFileOrder(access::RecordFile& file);

// Empty when every key of the open file leads to every record (an optional key
// to every record it does not leave out), else what is missing.
std::string everyRecordFoundByEveryKey(access::RecordFile& file);

} // namespace zv::utilities::testing
