#include "core/save_signals.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <new>

namespace core {

// The handler may neither allocate nor lock. The notes form a list that only
// grows: a save reuses a free note or pushes a new one, made outside the
// handler, and the handler walks it and removes what is marked ready. A
// note's room is never freed, so a handler reading it never reads freed memory.
struct NotedTempFile {
    std::atomic<int> state{0};
    char path[PATH_MAX];
    NotedTempFile* next = nullptr;  // fixed before the note is published
};

namespace {

constexpr int kSaveSignals[] = {SIGINT, SIGTERM, SIGHUP};

enum NoteState : int { kFree, kFilling, kReady };

std::atomic<NotedTempFile*> notes{nullptr};
// Threads inside SaveSignalsHeld, and the signal that came meanwhile.
std::atomic<int> holders{0};
std::atomic<int> deferred_signal{0};

static_assert(std::atomic<int>::is_always_lock_free);
static_assert(std::atomic<NotedTempFile*>::is_always_lock_free);

void RemoveNotedAndDie(int signal_number) {
    for (NotedTempFile* note = notes.load(std::memory_order_acquire); note != nullptr;
         note = note->next) {
        if (note->state.load(std::memory_order_acquire) == kReady) ::unlink(note->path);
    }
    // The default action ends the process with the status the signal
    // normally gives; the signal is let through in this thread to get it.
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal_number, &action, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal_number);
    ::raise(signal_number);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
}

void OnSaveSignal(int signal_number) {
    const int saved_errno = errno;
    deferred_signal.store(signal_number);
    if (holders.load() == 0) RemoveNotedAndDie(signal_number);
    errno = saved_errno;
}

}  // namespace

void OpenMissingStandardStreams() noexcept {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // The lowest free number is taken, which is `fd` as the lower ones are open.
        int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        // Without /dev/null any descriptor that refuses writes keeps the number taken.
        if (opened < 0) opened = ::open("/", O_RDONLY | O_DIRECTORY);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
}

void RemoveTempFilesOnSignals() {
    std::signal(SIGPIPE, SIG_IGN);
    for (const int signal_number : kSaveSignals) {
        struct sigaction old {};
        if (::sigaction(signal_number, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = OnSaveSignal;
        sigemptyset(&action.sa_mask);
        ::sigaction(signal_number, &action, nullptr);
    }
}

SaveSignalsHeld::SaveSignalsHeld() noexcept {
    sigset_t held;
    sigemptyset(&held);
    for (const int signal_number : kSaveSignals) sigaddset(&held, signal_number);
    pthread_sigmask(SIG_BLOCK, &held, &previous_);
    holders.fetch_add(1);
}

SaveSignalsHeld::~SaveSignalsHeld() {
    const int saved_errno = errno;
    // The handler stores the signal before it looks at the holders, so either
    // it saw this holder and left the signal here, or it acts itself.
    if (holders.fetch_sub(1) == 1) {
        if (const int signal_number = deferred_signal.load(); signal_number != 0) {
            RemoveNotedAndDie(signal_number);
        }
    }
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    errno = saved_errno;
}

NotedTempFile* NoteTempFile(const char* path) noexcept {
    const std::size_t size = std::strlen(path) + 1;
    if (size > PATH_MAX) return nullptr;  // no such file can be made
    NotedTempFile* note = notes.load(std::memory_order_acquire);
    for (; note != nullptr; note = note->next) {
        int expected = kFree;
        if (note->state.compare_exchange_strong(expected, kFilling)) break;
    }
    if (note == nullptr) {
        note = new (std::nothrow) NotedTempFile;
        if (note == nullptr) return nullptr;
        note->state.store(kFilling);
        note->next = notes.load(std::memory_order_relaxed);
        while (!notes.compare_exchange_weak(note->next, note, std::memory_order_release,
                                            std::memory_order_relaxed)) {
        }
    }
    std::memcpy(note->path, path, size);
    note->state.store(kReady, std::memory_order_release);
    return note;
}

void ForgetTempFile(NotedTempFile* note) noexcept {
    if (note != nullptr) note->state.store(kFree, std::memory_order_release);
}

}  // namespace core
