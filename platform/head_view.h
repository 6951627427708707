// A read-only view of a file's first bytes, mapped from the system's page
// cache. On a file system local to this machine every write to the file, by
// any process (file servers included), shows in the view at once, so a
// change can be seen without a system call. Network file systems keep no
// such promise: there the view is not made.
//
// A file cut shorter than the view while it is mapped reads as zeros in the
// view instead of ending the process.
#pragma once

#include <cstddef>
#include <memory>

namespace zv::platform {

class HeadView {
public:
    // Maps the first `bytes` bytes (at most one memory page) of the open file
    // `fd`; nullptr when the file is shorter, lies on a network file system,
    // or cannot be mapped.
    static std::unique_ptr<HeadView> map(int fd, std::size_t bytes);
    ~HeadView();
    HeadView(const HeadView&) = delete;
    HeadView& operator=(const HeadView&) = delete;

    // Whether the file's first bytes are `expected` (as many as the view
    // holds) at this moment.
    bool equals(const void* expected) const;

private:
    HeadView(const unsigned char* at, std::size_t bytes, int slot)
        : at_(at), bytes_(bytes), slot_(slot) {}
    const unsigned char* at_;
    std::size_t bytes_;
    int slot_; // the view's place among the pages the cut-file guard watches
};

} // namespace zv::platform
