#pragma once
// A save interrupted by Ctrl+C, a kill or a closed terminal would leave its
// temporary file beside the target. The saves note their temporary file
// here, and the handlers installed below remove it before the signal ends
// the process with its usual status.
#include <csignal>

namespace core {

// Installs the handlers for SIGINT, SIGTERM and SIGHUP; signals the process
// was started with ignored stay ignored. Called once at program start.
void RemoveTempFilesOnSignals();

// Notes a temporary file to remove; returns its slot, or -1 when the path is
// too long or every slot is taken (the file is then left on a signal).
int NoteTempFile(const char* path) noexcept;
// The file was renamed or removed: it is no longer the save's to remove.
void ForgetTempFile(int slot) noexcept;

// Holds those signals back in this thread while it lives, so that a
// temporary file is noted before a signal can find it missing.
class SaveSignalsHeld {
  public:
    SaveSignalsHeld() noexcept;
    ~SaveSignalsHeld();
    SaveSignalsHeld(const SaveSignalsHeld&) = delete;
    SaveSignalsHeld& operator=(const SaveSignalsHeld&) = delete;

  private:
    sigset_t previous_;
};

}  // namespace core
