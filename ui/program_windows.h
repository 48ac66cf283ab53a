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
    ProgramWindows(const FrameFactory& make_form1, core::DxfVariant variant,
                   const QStringList& arguments);
    ~ProgramWindows();
    ProgramWindows(const ProgramWindows&) = delete;
    ProgramWindows& operator=(const ProgramWindows&) = delete;

    // The font every window of both programs uses.
    [[nodiscard]] static QFont ProgramFont();

    void Show();

    [[nodiscard]] FrameWindow& Form1() { return *form1_; }
    [[nodiscard]] TFrmSettei& FrmSettei() { return *settei_; }
    [[nodiscard]] TForm4& Form4() { return *form4_; }
    [[nodiscard]] TFrmSize& FrmSize() { return *size_; }
    [[nodiscard]] TFrmTrase& FrmTrase() { return *trase_; }

  private:
    // Destroyed in reverse: the dialogs and the drawing window go before the
    // main window that parents them.
    std::unique_ptr<FrameWindow> form1_;
    std::unique_ptr<TFrmSettei> settei_;
    std::unique_ptr<TForm4> form4_;
    std::unique_ptr<TFrmSize> size_;
    std::unique_ptr<TFrmTrase> trase_;
};

}  // namespace ui
