#include "ui/program_windows.h"

#include <QApplication>

#include "ui/display_settings_dialog.h"
#include "ui/drawing_window.h"
#include "ui/image_access.h"
#include "ui/resize_dialog.h"
#include "ui/trace_dialog.h"

namespace ui {

QFont ProgramWindows::ProgramFont() {
    QFont font;
    // The designed face first; the Noto face stands in where it is missing.
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("Noto Sans CJK JP")});
    font.setPixelSize(12);
    return font;
}

ProgramWindows::ProgramWindows(const FrameFactory& make_frame, core::DxfVariant variant,
                               const QStringList& arguments) {
    QApplication::setFont(ProgramFont());
    // The dialogs reach the picture through the drawing window, which is
    // created after the settings dialog; the access is resolved when used.
    const ImageAccess image = [this]() -> raster::TImage& { return drawing_->Document().Image1; };

    frame_ = make_frame();
    frame_->PresetFileDialogs(arguments);
    settings_tool_ = std::make_unique<DisplaySettingsDialog>(image, frame_.get());
    drawing_ = std::make_unique<DrawingWindow>(variant);
    resize_tool_ = std::make_unique<ResizeDialog>(image, frame_.get());
    trace_tool_ = std::make_unique<TraceDialog>(image, frame_.get());
    frame_->Attach(drawing_.get(), settings_tool_.get(), resize_tool_.get(), trace_tool_.get());
}

ProgramWindows::~ProgramWindows() {
    trace_tool_.reset();
    resize_tool_.reset();
    drawing_.reset();
    settings_tool_.reset();
    frame_.reset();
}

void ProgramWindows::Show() { frame_->show(); }

}  // namespace ui
