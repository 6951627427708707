// The seal of a commit's redo log: a 64-bit checksum over every byte of the log
// that the new header at its end carries in place of its committed end and log
// end (which mean nothing inside the log). A log and the header that names it
// reach the disk with one flush, so a power cut can leave the header naming a
// log that is torn, stale or missing in part; the seal tells such a log from a
// whole one. Logs written before logs were sealed carry the log's start in both
// fields: they were flushed before they were named and are taken as they are.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zv::storage {

class LogSeal {
public:
    // `logStart` is the log's file offset and `changeCounter` the new header's
    // counter: a log left at the same place by an earlier commit has another seal.
    LogSeal(std::uint64_t logStart, std::uint32_t changeCounter);
    // Adds `n` bytes; REQUIRES: n is a multiple of 8.
    void add(const std::uint8_t* data, std::size_t n);
    // Adds the log's closing header with its two end fields left out.
    void addHeader(const std::uint8_t* header);
    // The seal as the header carries it: the low half in the committed-end
    // field, the high half in the log-end field. The halves always differ, which
    // no log written before seals has (its two fields are equal).
    void value(std::uint32_t* low, std::uint32_t* high) const;

private:
    std::uint64_t hash_;
    std::uint64_t length_ = 0;
};

// Whether the closing header of a log carries a seal (its two end fields differ).
bool isSealed(const std::uint8_t* header);

} // namespace zv::storage
