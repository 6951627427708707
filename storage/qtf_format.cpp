#include "storage/qtf_format.h"

#include "storage/coding.h"

#include <cstring>

namespace zv::storage::qtf {

void encodeHeader(const FileHeader& h, std::uint8_t* out) {
    std::memset(out, 0, kHeaderSize);
    putLe16(out + hdr::kSize, kHeaderSize);
    putLe32(out + hdr::kCommittedEnd, h.committedEnd);
    putLe32(out + hdr::kLogEnd, h.logEnd);
    std::memcpy(out + hdr::kSignature, "qUaR", 4);
    putLe16(out + hdr::kWindow, h.window);
    std::memcpy(out + hdr::kLastNumber, h.lastNumber.data(), 4);
    putLe32(out + hdr::kChangeCounter, h.changeCounter);
    putLe32(out + hdr::kRoot, h.root);
    for (int i = 0; i < 60; ++i) {
        putLe32(out + hdr::kRegionStart + 4 * i, h.regionStart[i]);
        putLe32(out + hdr::kRegionEnd + 4 * i, h.regionEnd[i]);
    }
}

bool decodeHeader(const std::uint8_t* in, FileHeader* h) {
    if (getLe16(in + hdr::kSize) != kHeaderSize) return false;
    if (std::memcmp(in + hdr::kSignature, "qUaR", 4) != 0) return false;
    h->committedEnd = getLe32(in + hdr::kCommittedEnd);
    h->logEnd = getLe32(in + hdr::kLogEnd);
    h->window = getLe16(in + hdr::kWindow);
    std::memcpy(h->lastNumber.data(), in + hdr::kLastNumber, 4);
    h->changeCounter = getLe32(in + hdr::kChangeCounter);
    h->root = getLe32(in + hdr::kRoot);
    for (int i = 0; i < 60; ++i) {
        h->regionStart[i] = getLe32(in + hdr::kRegionStart + 4 * i);
        h->regionEnd[i] = getLe32(in + hdr::kRegionEnd + 4 * i);
    }
    return true;
}

} // namespace zv::storage::qtf
