// Reading a page for the page cache. The cache keeps long payloads run-length
// packed; unpacking the whole page and packing each payload again took most of
// the time of reading a page. Here the page's packed bytes are read as pieces
// (bytes as they are, runs of one byte), keys and the few leading bytes a
// record shares with the next are made whole, and the rest of each long
// payload goes from the page's pieces straight into its own packed form.
#include "storage/coding.h"
#include "storage/page_codec.h"
#include "storage/qtf_format.h"
#include "storage/run_pieces.h"

#include <algorithm>
#include <string>

namespace zv::storage {

PageDecode decodePageKept(const std::uint8_t* in, std::size_t n, PageImage* page,
                          std::uint32_t* ownOffset, std::size_t packFrom,
                          const KeptRecordVisitor& visit) {
    PageBody body;
    if (const PageDecode rc = decodePageFixed(in, n, page, ownOffset, &body); rc != PageDecode::Ok)
        return rc;
    if (body.stored == body.expanded) {
        // Not packed: the records as they lie, with decodePage's checks.
        return decodePage(in, n, page, ownOffset,
                          [&visit](std::string_view key, std::string_view payload) {
                              return visit({key, payload, false, payload.size()});
                          });
    }
    const bool index = page->level != 0;
    PieceReader reader(in + body.fixed, body.stored - body.fixed, body.expanded - body.fixed);
    // Each record is its key followed by its payload; it begins with `shared`
    // bytes of the record before. Made whole: the key, and at least the first
    // kMaxShared bytes of the record (all a record may share).
    thread_local std::string head, prevHead;
    thread_local PiecePacker packer;
    prevHead.clear();
    std::size_t total = 0, keyLen = 0, prevTotal = 0, prevKeyLen = 0;
    const auto put = [](const std::uint8_t* p, std::size_t k) { packer.bytes(p, k); };
    const auto putRun = [](std::uint8_t c, std::size_t k) { packer.run(c, k); };
    for (std::size_t i = 0; i < body.count; ++i) {
        std::uint8_t fields[4];
        // The next k (at most 4) bytes into `fields`.
        const auto take = [&](std::size_t k) {
            std::uint8_t* to = fields;
            return reader.read(
                k, [&to](const std::uint8_t* p, std::size_t m) { to = std::copy(p, p + m, to); },
                [&to](std::uint8_t c, std::size_t m) { to = std::fill_n(to, m, c); });
        };
        if (!take(1)) return PageDecode::BadRecords;
        const std::uint8_t flags = fields[0];
        if (flags & qtf::kHasTotal) {
            if (!take(2)) return PageDecode::BadRecords;
            total = getLe16(fields);
        } else if (i == 0) {
            return PageDecode::BadRecords;
        }
        if (flags & qtf::kHasKeyLength) {
            if (!take(2)) return PageDecode::BadRecords;
            keyLen = getLe16(fields);
        } else if (i == 0) {
            return PageDecode::BadRecords;
        }
        const std::size_t shared = flags & qtf::kSharedMask;
        if (shared > prevTotal || shared > total || keyLen > total ||
            total >= static_cast<std::size_t>(qtf::kMaxBound))
            return PageDecode::BadRecords;
        const std::size_t payloadSize = total - keyLen;
        const bool pack = payloadSize >= packFrom;
        // Bytes made whole: up to keyEnd without the packer, on to wholeEnd
        // with it too; the rest goes to the packer only.
        const std::size_t keyEnd = pack ? std::max(keyLen, shared) : total;
        const std::size_t wholeEnd =
            pack ? std::max(keyEnd, std::min<std::size_t>(total, qtf::kMaxShared)) : total;
        head.assign(prevHead, 0, shared);
        if (!reader.append(keyEnd - shared, &head)) return PageDecode::BadRecords;
        if (pack) {
            packer.clear();
            if (shared > keyLen)
                packer.scan(reinterpret_cast<const std::uint8_t*>(head.data()) + keyLen,
                            shared - keyLen);
            if (!reader.read(
                    wholeEnd - keyEnd,
                    [](const std::uint8_t* p, std::size_t k) {
                        head.append(reinterpret_cast<const char*>(p), k);
                        packer.bytes(p, k);
                    },
                    [](std::uint8_t c, std::size_t k) {
                        head.append(k, static_cast<char>(c));
                        packer.run(c, k);
                    }))
                return PageDecode::BadRecords;
            if (!reader.read(total - wholeEnd, put, putRun)) return PageDecode::BadRecords;
        }
        const std::string_view key = std::string_view(head).substr(0, keyLen);
        if ((i > 0 && !(std::string_view(prevHead).substr(0, prevKeyLen) < key)) ||
            (index && payloadSize))
            return PageDecode::BadRecords;
        KeptRecord record{key, std::string_view(head).substr(keyLen), false, payloadSize};
        if (pack) record.packed = packer.finish(&record.payload);
        if (!visit(record)) return PageDecode::BadRecords;
        head.swap(prevHead);
        prevTotal = total;
        prevKeyLen = keyLen;
    }
    return reader.atEnd() ? PageDecode::Ok : PageDecode::BadRecords;
}

} // namespace zv::storage
