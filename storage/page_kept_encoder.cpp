// Writing a cached leaf as a page. Unpacking every payload, laying the records
// out and packing the whole page again took most of the time of a commit and
// of letting changed leaves go to the scratch file. Here the records go to the
// page's packer as pieces: the few leading bytes of each record (which decide
// what it shares with the record before) are made whole, and the rest of a
// packed payload goes from its packed form as it lies. The bytes are those
// encodePage writes.
#include "storage/coding.h"
#include "storage/page_codec.h"
#include "storage/page_entries.h"
#include "storage/qtf_format.h"
#include "storage/run_pieces.h"

#include <algorithm>
#include <string>

namespace zv::storage {

namespace {

std::size_t roundUnit(std::size_t n) {
    return (n + qtf::kUnit - 1) / qtf::kUnit * qtf::kUnit;
}

const std::uint8_t* asBytes(const char* p) {
    return reinterpret_cast<const std::uint8_t*>(p);
}

} // namespace

KeptEncode encodeKeptLeaf(const PageEntries& entries, std::uint16_t sizeBound,
                          std::uint32_t ownOffset, std::string* out) {
    // Pages without packed payloads (those of keys) are laid out and packed
    // faster from their records.
    bool anyPacked = false;
    for (std::size_t i = 0; i < entries.size() && !anyPacked; ++i)
        entries.keptPayload(i, &anyPacked);
    if (!anyPacked) return KeptEncode::Unpacked;
    thread_local PiecePacker packer;
    thread_local std::string head, prevHead, keyRoom;
    packer.clear();
    std::size_t expanded = qtf::kPageFixed;
    std::size_t prevTotal = 0, prevKeyLen = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string_view key = entries.key(i, &keyRoom);
        bool packed = false;
        const std::string_view payload = entries.keptPayload(i, &packed);
        const std::size_t size = entries.payloadSize(i);
        const std::size_t total = key.size() + size;
        // The record's first bytes, as many as a record may share.
        const std::size_t headLen = std::min<std::size_t>(total, qtf::kMaxShared);
        head.assign(key.substr(0, std::min(key.size(), headLen)));
        PieceReader reader(asBytes(payload.data()), payload.size(), size);
        if (headLen > key.size()) {
            const std::size_t n = headLen - key.size();
            if (packed) {
                if (!reader.append(n, &head))
                    return KeptEncode::Unpacked; // never for bytes we packed
            } else {
                head.append(payload.substr(0, n));
            }
        }
        std::size_t shared = 0;
        if (i > 0) {
            const std::size_t limit = std::min({prevTotal, total, headLen});
            shared = equalBytes(prevHead.data(), head.data(), limit);
        }
        std::uint8_t fields[5];
        std::size_t fieldCount = 1;
        fields[0] = static_cast<std::uint8_t>(shared);
        if (i == 0 || total != prevTotal) {
            fields[0] |= qtf::kHasTotal;
            putLe16(fields + fieldCount, static_cast<std::uint16_t>(total));
            fieldCount += 2;
        }
        if (i == 0 || key.size() != prevKeyLen) {
            fields[0] |= qtf::kHasKeyLength;
            putLe16(fields + fieldCount, static_cast<std::uint16_t>(key.size()));
            fieldCount += 2;
        }
        expanded += fieldCount + total - shared;
        if (expanded > qtf::kMaxPage) return KeptEncode::TooLarge;
        packer.scan(fields, fieldCount);
        packer.scan(asBytes(head.data()) + shared, headLen - shared);
        if (key.size() > headLen) packer.scan(asBytes(key.data()) + headLen, key.size() - headLen);
        const std::size_t from = headLen > key.size() ? headLen - key.size() : 0;
        if (packed) {
            if (!reader.read(
                    size - from, [](const std::uint8_t* p, std::size_t n) { packer.bytes(p, n); },
                    [](std::uint8_t c, std::size_t n) { packer.run(c, n); }))
                return KeptEncode::Unpacked; // never for bytes we packed
        } else {
            packer.scan(asBytes(payload.data()) + from, size - from);
        }
        head.swap(prevHead);
        prevTotal = total;
        prevKeyLen = key.size();
    }
    if (expanded > sizeBound) return KeptEncode::TooLarge;
    std::string_view body;
    if (!packer.finish(&body) || roundUnit(qtf::kPageFixed + body.size()) >= roundUnit(expanded))
        return KeptEncode::Unpacked;
    const std::size_t stored = qtf::kPageFixed + body.size();
    out->assign(roundUnit(stored), static_cast<char>(qtf::kPadByte));
    auto* o = reinterpret_cast<std::uint8_t*>(out->data());
    putLe32(o + qtf::pg::kOwnOffset, ownOffset);
    putLe16(o + qtf::pg::kStoredSize, static_cast<std::uint16_t>(stored));
    putLe16(o + qtf::pg::kExpandedSize, static_cast<std::uint16_t>(expanded));
    putLe16(o + qtf::pg::kSizeBound, sizeBound);
    putLe16(o + qtf::pg::kCount, static_cast<std::uint16_t>(entries.size()));
    o[qtf::pg::kLevel] = 0;
    std::memcpy(o + qtf::kPageFixed, body.data(), body.size());
    return KeptEncode::Done;
}

} // namespace zv::storage
