// libFuzzer target: any bytes as one page; decoding must never read out of
// bounds, and a page that decodes must encode back to a page that decodes the same.
// The page cache's decoder must refuse the same pages and read the same records.
#include "storage/page_codec.h"
#include "storage/page_entries.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zv::storage;
    PageImage page;
    std::uint32_t own = 0;
    const bool decodes = decodePage(data, size, &page, &own) == PageDecode::Ok;
    PageImage kept;
    std::uint32_t keptOwn = 0;
    std::size_t n = 0;
    std::string payload;
    const PageDecode keptResult = decodePageKept(
        data, size, &kept, &keptOwn, PageEntries::kPackFrom, [&](const KeptRecord& r) {
            if (!decodes) return true; // refused further on, as checked below
            if (n >= page.records.size() || r.key != page.records[n].key) std::abort();
            payload.assign(r.payload);
            if (r.packed && !rleDecode(reinterpret_cast<const std::uint8_t*>(r.payload.data()),
                                       r.payload.size(), r.size, &payload))
                std::abort();
            if (payload != page.records[n++].payload) std::abort();
            return true;
        });
    if ((keptResult == PageDecode::Ok) != decodes) std::abort();
    if (!decodes) return 0;
    if (n != page.records.size() || kept.children != page.children) std::abort();
    page.sizeBound = 0xFFFF;
    std::string again;
    if (!encodePage(page, own, &again)) return 0;
    PageImage back;
    std::uint32_t own2 = 0;
    if (decodePage(reinterpret_cast<const std::uint8_t*>(again.data()), again.size(), &back,
                   &own2) != PageDecode::Ok)
        std::abort();
    if (back.records.size() != page.records.size() || own2 != own) std::abort();
    return 0;
}
