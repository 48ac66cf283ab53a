#pragma once
// The windows of a program and the drawing document they work on, created
// once at start-up and kept until it ends. The document comes first and
// outlives every window; the windows get references to what they work on.
#include <QStringList>
#include <memory>

#include "core/drawing_document.h"
#include "ui/frame_window.h"

namespace ui {

class ProgramWindows {
  public:
    // `arguments` are the command-line arguments after the program's name.
    ProgramWindows(core::DxfVariant variant, std::unique_ptr<FrameWindow> frame,
                   const QStringList& arguments);
    ~ProgramWindows();
    ProgramWindows(const ProgramWindows&) = delete;
    ProgramWindows& operator=(const ProgramWindows&) = delete;

    // The windows of the program whose main window is `Frame`.
    template <class Frame>
    [[nodiscard]] static std::unique_ptr<ProgramWindows> Create(const QStringList& arguments) {
        return std::make_unique<ProgramWindows>(Frame::kVariant, std::make_unique<Frame>(),
                                                arguments);
    }

    // Shows the main window, then opens the file of "--open FILE".
    void Show();

    [[nodiscard]] core::DrawingDocument& Document() { return document_; }
    [[nodiscard]] FrameWindow& Frame() { return *frame_; }
    template <class Frame>
    [[nodiscard]] Frame& FrameAs() {
        return static_cast<Frame&>(*frame_);
    }
    [[nodiscard]] DrawingWindow& Drawing() { return *frame_->Drawing(); }
    [[nodiscard]] DisplaySettingsDialog& SettingsTool() { return frame_->Tools().settings; }
    [[nodiscard]] ResizeDialog& ResizeTool() { return frame_->Tools().resize; }
    [[nodiscard]] TraceDialog& TraceTool() { return frame_->Tools().trace; }

  private:
    // Members go in reverse: the main window, and with it every window Qt
    // parents to it, before the document they show.
    core::DrawingDocument document_;
    std::unique_ptr<FrameWindow> frame_;
};

}  // namespace ui
