#include "viewer/tform1.h"

#include "core/picture_file.h"
#include "ui/tform4.h"

namespace morlid {
namespace {

ui::FrameWindow::Design ViewerDesign() {
    ui::FrameWindow::Design design;
    design.caption = QStringLiteral("Morlid Ver 1.00");
    design.width = TForm1::kDesignedWidth;
    design.height = TForm1::kDesignedHeight;
    design.save_suffix = QStringLiteral("Bmp");
    design.save_filter = QStringLiteral("ビットマップファイル (*.bmp)");
    design.save_extension = QStringLiteral(".bmp");
    design.confirm_overwrite = false;  // an existing file is replaced without a question
    return design;
}

}  // namespace

TForm1::TForm1(QWidget* parent) : FrameWindow(ViewerDesign(), parent) { BuildMenus(); }

TForm1::~TForm1() = default;

void TForm1::BuildMenus() {
    AddFileMenu();
    AddEditMenu(true);
    AddSettingsMenu();
}

void TForm1::N11Click() {
    const std::optional<QString> path = RunFileDialog(SaveDlg());
    if (!path) return;
    RunCommand(
        [&] { core::SavePictureToFile(Form4()->Document().Image1.Picture, path->toStdString()); });
}

}  // namespace morlid
