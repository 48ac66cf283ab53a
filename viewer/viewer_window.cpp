#include "viewer/viewer_window.h"

#include "core/picture_file.h"
#include "ui/drawing_window.h"

namespace morlid {
namespace {

ui::FrameWindow::Design ViewerDesign() {
    ui::FrameWindow::Design design;
    design.caption = QStringLiteral("Morlid Ver 1.00");
    design.icon = QStringLiteral("morlid");
    design.width = ViewerWindow::kDesignedWidth;
    design.height = ViewerWindow::kDesignedHeight;
    design.save_suffix = QStringLiteral("Bmp");
    design.save_filter = QStringLiteral("ビットマップファイル (*.bmp)");
    design.save_extension = QStringLiteral(".bmp");
    design.confirm_overwrite = false;  // an existing file is replaced without a question
    return design;
}

}  // namespace

ViewerWindow::ViewerWindow(QWidget* parent) : FrameWindow(ViewerDesign(), parent) { BuildMenus(); }

ViewerWindow::~ViewerWindow() = default;

void ViewerWindow::BuildMenus() {
    AddFileMenu();
    AddEditMenu(TraceItem::OpensDialog);
    AddSettingsMenu();
}

void ViewerWindow::SaveCommand() {
    const std::optional<QString> path = RunFileDialog(SaveDialog());
    if (!path) return;
    RunCommand(this, [&] {
        core::SavePictureToFile(Drawing()->Document().Image1.Picture, path->toStdString());
    });
}

}  // namespace morlid
