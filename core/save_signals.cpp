#include "core/save_signals.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace core {

namespace {

// The handler may neither allocate nor lock, so the paths live in fixed
// slots that a save claims and fills before marking them ready.
constexpr int kSaveSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kSlots = 8;
constexpr std::size_t kMaxPath = 4096;

enum SlotState : int { kFree, kFilling, kReady };

struct Slot {
    std::atomic<int> state{kFree};
    char path[kMaxPath];
};

Slot slots[kSlots];

static_assert(std::atomic<int>::is_always_lock_free);

void RemoveAndDie(int signal_number) {
    const int saved_errno = errno;
    for (Slot& slot : slots) {
        if (slot.state.load(std::memory_order_acquire) == kReady) ::unlink(slot.path);
    }
    // SA_RESETHAND has put back the default action, which ends the process
    // with the status the signal normally gives.
    ::raise(signal_number);
    errno = saved_errno;
}

}  // namespace

void RemoveTempFilesOnSignals() {
    for (const int signal_number : kSaveSignals) {
        struct sigaction old {};
        if (::sigaction(signal_number, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = RemoveAndDie;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        ::sigaction(signal_number, &action, nullptr);
    }
}

SaveSignalsHeld::SaveSignalsHeld() noexcept {
    sigset_t held;
    sigemptyset(&held);
    for (const int signal_number : kSaveSignals) sigaddset(&held, signal_number);
    pthread_sigmask(SIG_BLOCK, &held, &previous_);
}

SaveSignalsHeld::~SaveSignalsHeld() {
    const int saved_errno = errno;
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    errno = saved_errno;
}

int NoteTempFile(const char* path) noexcept {
    const std::size_t length = std::strlen(path);
    if (length >= kMaxPath) return -1;
    for (int i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (!slots[i].state.compare_exchange_strong(expected, kFilling)) continue;
        std::memcpy(slots[i].path, path, length + 1);
        slots[i].state.store(kReady, std::memory_order_release);
        return i;
    }
    return -1;
}

void ForgetTempFile(int slot) noexcept {
    if (slot >= 0 && slot < kSlots) slots[slot].state.store(kFree, std::memory_order_release);
}

}  // namespace core
