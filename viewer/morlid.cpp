#include "viewer/morlid.h"

#include "viewer/viewer_window.h"

namespace morlid {

std::unique_ptr<ui::ProgramWindows> CreateWindows(const QStringList& arguments) {
    return std::make_unique<ui::ProgramWindows>([] { return std::make_unique<ViewerWindow>(); },
                                                core::DxfVariant::Viewer, arguments);
}

ViewerWindow& Frame(ui::ProgramWindows& windows) {
    return static_cast<ViewerWindow&>(windows.Frame());
}

}  // namespace morlid
