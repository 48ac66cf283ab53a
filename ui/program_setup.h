#pragma once
// What both programs set up before their windows: answers to --help and
// --version, the check for a display, Qt's own Japanese texts and the
// program's icon.
#include <optional>
#include <string_view>

class QCoreApplication;
class QIcon;
class QString;

namespace ui {

struct ProgramInfo {
    std::string_view name;          // "Korvane"
    std::string_view what;          // one line on what the program is
    std::string_view save_example;  // the name the Save dialog proposes for FILE.dxf
};

// Answers --help or --version on standard output and returns the exit
// status, or refuses an --open without its file with status 2; returns
// nothing for every other command line. Needs no display. Arguments after
// "--" are file names.
[[nodiscard]] std::optional<int> AnswerInformationOptions(int argc, const char* const* argv,
                                                          const ProgramInfo& info);

// Qt aborts the process when it cannot reach the display it is meant for, so
// the X display is tried first: returns 1 after a one-line message on
// standard error when it cannot be opened, nothing otherwise. A platform
// chosen by -platform or QT_QPA_PLATFORM other than xcb is left to Qt.
[[nodiscard]] std::optional<int> RefuseWithoutDisplay(int argc, const char* const* argv,
                                                      const ProgramInfo& info);

// The standard dialogs and buttons speak Japanese like the rest of the
// programs, whatever the desktop's language. Returns false when Qt's
// translations are not installed; the dialogs then stay in English.
bool LoadQtJapanese(QCoreApplication& application);

// A program's icon in every size it ships: "korvane" or "morlid".
[[nodiscard]] QIcon ProgramIcon(const QString& name);

}  // namespace ui
