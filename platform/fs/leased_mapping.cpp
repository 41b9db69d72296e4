#include "platform/fs/leased_mapping.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace platform::fs {
namespace {

// The kernel names the descriptor whose lease is being broken; the handler finds the mapping by
// it in this table. It is a fixed array of atomics because a signal handler may not take a lock
// or allocate, and a process holds a handful of large files at most.
enum State : int { Free, Claimed, Active, Copying, Copied, Closing };

struct Slot {
    std::atomic<int> state{Free};
    std::atomic<int> fd{-1};
    char* address = nullptr;
    size_t length = 0;  // the mapping's, in whole pages
};

constexpr size_t slot_count = 64;
Slot slots[slot_count];

int lease_signal() { return SIGRTMIN + 3; }

size_t page_rounded(size_t size) {
    const auto page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    return (size + page - 1) / page * page;
}

// Swaps the file's pages for anonymous ones holding the same bytes, at the same address, so every
// pointer into the mapping stays good; then lets the writer go on. mmap, mremap, memcpy and fcntl
// are all plain system calls or free of locks, so this may run in a signal handler.
bool copy_out(Slot& slot) {
    void* copy = ::mmap(nullptr, slot.length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (copy == MAP_FAILED) return false;  // the kernel ends the lease after its break time
    std::memcpy(copy, slot.address, slot.length);
    ::mprotect(copy, slot.length, PROT_READ);
    if (::mremap(copy, slot.length, slot.length, MREMAP_MAYMOVE | MREMAP_FIXED, slot.address) == MAP_FAILED) {
        ::munmap(copy, slot.length);
        return false;
    }
    ::fcntl(slot.fd.load(), F_SETLEASE, F_UNLCK);
    return true;
}

void on_lease_break(int, siginfo_t* info, void*) {
    const int saved_errno = errno;
    for (Slot& slot : slots) {
        if (slot.fd.load(std::memory_order_acquire) != info->si_fd) continue;
        int expected = Active;
        if (!slot.state.compare_exchange_strong(expected, Copying)) continue;
        slot.state.store(copy_out(slot) ? Copied : Active);
    }
    errno = saved_errno;
}

bool handler_installed() {
    static const bool installed = [] {
        struct sigaction action {};
        action.sa_sigaction = on_lease_break;
        action.sa_flags = SA_SIGINFO | SA_RESTART;
        sigemptyset(&action.sa_mask);
        return ::sigaction(lease_signal(), &action, nullptr) == 0;
    }();
    return installed;
}

Slot* claim_slot() {
    for (Slot& slot : slots) {
        int expected = Free;
        if (slot.state.compare_exchange_strong(expected, Claimed)) return &slot;
    }
    return nullptr;
}

void release(Slot& slot) {
    const int fd = slot.fd.exchange(-1);
    if (slot.address) ::munmap(slot.address, slot.length);
    if (fd >= 0) ::close(fd);  // the lease goes with the last descriptor of the open file
    slot.address = nullptr;
    slot.length = 0;
    slot.state.store(Free);
}

}  // namespace

std::unique_ptr<LeasedMapping> LeasedMapping::map(int fd, size_t size) {
    if (size == 0 || !handler_installed()) return nullptr;
    Slot* slot = claim_slot();
    if (!slot) return nullptr;
    const int own = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    // The signal is chosen first, so that the kernel names the descriptor when it breaks the lease.
    if (own < 0 || ::fcntl(own, F_SETSIG, lease_signal()) != 0 || ::fcntl(own, F_SETLEASE, F_RDLCK) != 0) {
        if (own >= 0) ::close(own);
        slot->state.store(Free);
        return nullptr;
    }
    void* address = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, own, 0);
    if (address == MAP_FAILED) {
        ::close(own);
        slot->state.store(Free);
        return nullptr;
    }
    slot->address = static_cast<char*>(address);
    slot->length = page_rounded(size);
    slot->fd.store(own, std::memory_order_release);
    slot->state.store(Active, std::memory_order_release);
    // The pages of the file are mapped in one call rather than by a fault for each few of them:
    // on a virtual machine a fault is costly. A kernel without it, or a lease broken meanwhile,
    // leaves them to be mapped as they are read.
    ::madvise(address, size, MADV_POPULATE_READ);
    return std::unique_ptr<LeasedMapping>(
        new LeasedMapping(static_cast<size_t>(slot - slots), static_cast<char*>(address), size));
}

LeasedMapping::~LeasedMapping() {
    Slot& slot = slots[slot_];
    // A lease break being handled right now on another thread finishes its copy first.
    for (;;) {
        int state = slot.state.load();
        if (state == Copying) {
            ::sched_yield();
            continue;
        }
        if (slot.state.compare_exchange_weak(state, Closing)) break;
    }
    release(slot);
}

}  // namespace platform::fs
