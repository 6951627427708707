#include "platform/head_view.h"

#include "platform/byte_lock.h"

#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zv::platform {

namespace {

// Pages of mapped views, 0 where a place is free. A bus error on one of them
// means its file was cut under the view.
constexpr int kWatched = 256;
std::atomic<std::uintptr_t> watched[kWatched];
std::size_t pageBytes = 0;
struct sigaction before {};

void onBusError(int signal, siginfo_t* info, void* context) {
    const auto page = reinterpret_cast<std::uintptr_t>(info->si_addr) & ~(pageBytes - 1);
    for (const auto& w : watched) {
        if (page == 0 || w.load(std::memory_order_acquire) != page) continue;
        // Zeros take the cut file's place; the access is repeated on them.
        void* zeros = ::mmap(reinterpret_cast<void*>(page), pageBytes, PROT_READ,
                             MAP_FIXED | MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (zeros != MAP_FAILED) return;
    }
    if ((before.sa_flags & SA_SIGINFO) && before.sa_sigaction) {
        before.sa_sigaction(signal, info, context);
    } else if (before.sa_handler != SIG_DFL && before.sa_handler != SIG_IGN) {
        before.sa_handler(signal);
    } else {
        // Not a view's page: the repeated access ends the process as it would have.
        std::signal(signal, SIG_DFL);
    }
}

void guardCutFiles() {
    pageBytes = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    struct sigaction action {};
    action.sa_sigaction = onBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGBUS, &action, &before);
}

int watch(std::uintptr_t page) {
    for (int i = 0; i < kWatched; ++i) {
        std::uintptr_t free = 0;
        if (watched[i].compare_exchange_strong(free, page)) return i;
    }
    return -1;
}

} // namespace

std::unique_ptr<HeadView> HeadView::map(int fd, std::size_t bytes) {
    static std::once_flag guarded;
    std::call_once(guarded, guardCutFiles);
    struct stat st {};
    if (bytes == 0 || bytes > pageBytes || onNetworkFileSystem(fd) || ::fstat(fd, &st) != 0 ||
        static_cast<std::uint64_t>(st.st_size) < bytes)
        return nullptr;
    void* at = ::mmap(nullptr, pageBytes, PROT_READ, MAP_SHARED, fd, 0);
    if (at == MAP_FAILED) return nullptr;
    const int slot = watch(reinterpret_cast<std::uintptr_t>(at));
    if (slot < 0) {
        ::munmap(at, pageBytes);
        return nullptr;
    }
    return std::unique_ptr<HeadView>(
        new HeadView(static_cast<const unsigned char*>(at), bytes, slot));
}

HeadView::~HeadView() {
    watched[slot_].store(0, std::memory_order_release);
    ::munmap(const_cast<unsigned char*>(at_), pageBytes);
}

bool HeadView::equals(const void* expected) const {
    // Whatever was read from the file before is older than what is read here.
    std::atomic_thread_fence(std::memory_order_acquire);
    return std::memcmp(at_, expected, bytes_) == 0;
}

} // namespace zv::platform
