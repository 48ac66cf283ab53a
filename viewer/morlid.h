#pragma once
// Starts Morlid's windows; used by main() and by the window tests.
#include <QStringList>
#include <memory>

#include "ui/program_windows.h"

namespace morlid {

class ViewerWindow;

// `arguments` are those after the program's name.
[[nodiscard]] std::unique_ptr<ui::ProgramWindows> CreateWindows(const QStringList& arguments);
// The main window of windows made by CreateWindows.
[[nodiscard]] ViewerWindow& Frame(ui::ProgramWindows& windows);

}  // namespace morlid
