// libFuzzer target: any bytes as a stored table definition. Reading must end in
// "malformed" or in a sound declaration, and writing what was read and reading
// it back must give a definition that matches it and writes the same bytes.
#include "storage/definition.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zv::storage;
    const std::string stream(reinterpret_cast<const char*>(data), size);
    TableDecl first;
    if (!decodeDefinition(stream, &first)) return 0;
    for (const FieldDecl& f : first.fields)
        if (static_cast<std::uint32_t>(f.offset) + f.size > first.recordLength) __builtin_trap();
    for (const KeyDecl& k : first.keys)
        for (const KeyComponent& c : k.components)
            if (c.field >= first.fields.size()) __builtin_trap();

    const std::string written = encodeDefinition(first);
    TableDecl second;
    if (!decodeDefinition(written, &second)) __builtin_trap();
    if (compareDefinition(second, first) != 0 || compareDefinition(second, second) != 0)
        __builtin_trap();
    if (second.fields.size() != first.fields.size() || second.memos.size() != first.memos.size() ||
        second.keys.size() != first.keys.size())
        __builtin_trap();
    for (std::size_t i = 0; i < first.fields.size(); ++i)
        if (second.fields[i].name != first.fields[i].name ||
            (isText(first.fields[i].type) && second.fields[i].picture != first.fields[i].picture))
            __builtin_trap();
    for (std::size_t i = 0; i < first.keys.size(); ++i)
        if (second.keys[i].name != first.keys[i].name ||
            second.keys[i].externalName != first.keys[i].externalName)
            __builtin_trap();
    if (encodeDefinition(second) != written) __builtin_trap();
    return 0;
}
