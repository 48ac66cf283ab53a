#pragma once
// A save interrupted by Ctrl+C, a kill or a closed terminal would leave its
// temporary file beside the target, and one cut off while it overwrites a
// file in place would leave that file half old, half new. The saves note
// their temporary files here, and the handlers installed below remove them
// before the signal ends the process with its usual status; a signal that
// comes while any thread holds them back waits until the last one lets go.
#include <csignal>

namespace core {

// A process started with descriptor 0, 1 or 2 closed would hand that number
// to the first file it opens, and a message for standard error would land in
// a saved file. Opens /dev/null onto each closed one; called first in main.
void OpenMissingStandardStreams() noexcept;

// Installs the handlers for SIGINT, SIGTERM and SIGHUP; signals the process
// was started with ignored stay ignored. SIGPIPE is ignored, so that a closed
// pipe makes a write fail instead of ending the process in the middle of a
// save. Called once at program start.
void RemoveTempFilesOnSignals();

// One noted temporary file.
struct NotedTempFile;

// Notes a temporary file to remove on a signal; any number may be noted at
// once. Null when memory ran out or the path is longer than any file can
// have (the file is then left on a signal).
NotedTempFile* NoteTempFile(const char* path) noexcept;
// The file was renamed or removed: it is no longer the save's to remove.
void ForgetTempFile(NotedTempFile* note) noexcept;

// Holds those signals back while it lives: in this thread, and in every
// other thread by making the handler wait for the last holder to finish.
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
