#pragma once
// Starts Korvane's windows; used by main() and by the window tests.
#include <QStringList>
#include <memory>

#include "ui/program_windows.h"

namespace korvane {

class EditorWindow;

// `arguments` are those after the program's name.
[[nodiscard]] std::unique_ptr<ui::ProgramWindows> CreateWindows(const QStringList& arguments);
// The main window of windows made by CreateWindows.
[[nodiscard]] EditorWindow& Frame(ui::ProgramWindows& windows);

}  // namespace korvane
