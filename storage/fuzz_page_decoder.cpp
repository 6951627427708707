// libFuzzer target: any bytes as one page; decoding must never read out of
// bounds, and a page that decodes must encode back to a page that decodes the same.
#include "storage/page_codec.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zv::storage;
    PageImage page;
    std::uint32_t own = 0;
    if (decodePage(data, size, &page, &own) != PageDecode::Ok) return 0;
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
