#include "editor/korvane.h"

#include "editor/editor_window.h"

namespace korvane {

std::unique_ptr<ui::ProgramWindows> CreateWindows(const QStringList& arguments) {
    return std::make_unique<ui::ProgramWindows>([] { return std::make_unique<EditorWindow>(); },
                                                core::DxfVariant::Editor, arguments);
}

EditorWindow& Frame(ui::ProgramWindows& windows) {
    return static_cast<EditorWindow&>(windows.Frame());
}

}  // namespace korvane
