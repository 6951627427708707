// The text of records in tables that keep it in the OEM character set (code
// page 852): the record image is converted when it is stored and converted
// back when it is read. Only the characters of text fields change; numbers,
// the length bytes of PSTRING fields and bytes outside text fields stay, and
// a byte shared by overlapping text fields is converted once.
#pragma once

#include "storage/declaration.h"

#include <cstdint>
#include <string>

namespace zv::storage {

// Windows-1250 image -> stored OEM image. No change unless `decl.oem`.
void imageToOem(const TableDecl& decl, std::uint8_t* image, std::size_t size);
// Stored OEM image -> Windows-1250 image. No change unless `decl.oem`.
void imageFromOem(const TableDecl& decl, std::uint8_t* image, std::size_t size);

} // namespace zv::storage
