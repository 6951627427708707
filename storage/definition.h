// The definition stream: a table's declaration as the native file stores it,
// cut into 512-byte definition blocks (kind 0xFA). Written at create, read at
// open and compared with the program's declaration, and read by zevlon-tool to
// show any file without the program that wrote it.
#pragma once

#include "storage/declaration.h"

#include <string>

namespace zv::storage {

constexpr std::size_t kDefinitionBlock = 512;

std::string encodeDefinition(const TableDecl& decl);
// False when the stream is malformed.
bool decodeDefinition(const std::string& stream, TableDecl* decl);

// 0 when the declaration fits the stored definition (names and pictures may
// differ, and the primary-key bit), 47 when types, offsets, sizes, counts or
// key flags differ.
int compareDefinition(const TableDecl& stored, const TableDecl& declared);

} // namespace zv::storage
