#include "ui/program_windows.h"

#include <QApplication>

#include "ui/desktop_conventions.h"
#include "ui/dialog_frame.h"
#include "ui/display_settings_dialog.h"
#include "ui/drawing_window.h"
#include "ui/resize_dialog.h"
#include "ui/trace_dialog.h"

namespace ui {

ProgramWindows::ProgramWindows(core::DxfVariant variant, std::unique_ptr<FrameWindow> frame,
                               const QStringList& arguments)
    : document_(variant), frame_(std::move(frame)) {
    QApplication::setFont(ProgramFont());
    frame_->PresetFileDialogs(arguments);
    // Qt deletes the dialogs with the frame they are parented to, and the
    // drawing window with the frame's document area.
    raster::TImage& image = document_.Image1;
    auto* settings = new DisplaySettingsDialog(image, frame_.get());
    auto* drawing = new DrawingWindow(document_);
    auto* resize = new ResizeDialog(image, frame_.get());
    auto* trace = new TraceDialog(image, frame_.get());
    frame_->Attach(*drawing, {*settings, *resize, *trace});
}

ProgramWindows::~ProgramWindows() = default;

void ProgramWindows::Show() {
    // An error box of the load sits over the frame once that is placed.
    RunOncePlaced(*frame_, [frame = frame_.get()] { frame->OpenStartFile(); });
    frame_->show();
}

}  // namespace ui
