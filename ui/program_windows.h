#pragma once
// The five windows of a program, created once at start-up in a fixed order
// and kept until it ends: main window, settings dialog, drawing window,
// resize dialog, trace dialog.
#include <QFont>
#include <QStringList>
#include <functional>
#include <memory>

#include "core/drawing_document.h"
#include "ui/frame_window.h"

namespace ui {

class ProgramWindows {
  public:
    using FrameFactory = std::function<std::unique_ptr<FrameWindow>()>;

    // `arguments` are the command-line arguments after the program's name.
    ProgramWindows(const FrameFactory& make_frame, core::DxfVariant variant,
                   const QStringList& arguments);
    ~ProgramWindows();
    ProgramWindows(const ProgramWindows&) = delete;
    ProgramWindows& operator=(const ProgramWindows&) = delete;

    // The font every window of both programs uses.
    [[nodiscard]] static QFont ProgramFont();

    void Show();

    [[nodiscard]] FrameWindow& Frame() { return *frame_; }
    [[nodiscard]] DisplaySettingsDialog& SettingsTool() { return *settings_tool_; }
    [[nodiscard]] DrawingWindow& Drawing() { return *drawing_; }
    [[nodiscard]] ResizeDialog& ResizeTool() { return *resize_tool_; }
    [[nodiscard]] TraceDialog& TraceTool() { return *trace_tool_; }

  private:
    // Destroyed in reverse: the dialogs and the drawing window go before the
    // main window that parents them.
    std::unique_ptr<FrameWindow> frame_;
    std::unique_ptr<DisplaySettingsDialog> settings_tool_;
    std::unique_ptr<DrawingWindow> drawing_;
    std::unique_ptr<ResizeDialog> resize_tool_;
    std::unique_ptr<TraceDialog> trace_tool_;
};

}  // namespace ui
