#pragma once
// Morlid's main window: the shared frame, with the trace item wired and the
// picture saved as a bitmap file. No status line, no editing.
#include "core/drawing_document.h"
#include "ui/frame_window.h"

namespace morlid {

class ViewerWindow : public ui::FrameWindow {
    Q_OBJECT

  public:
    static constexpr core::DxfVariant kVariant = core::DxfVariant::Viewer;
    static constexpr int kDesignedWidth = 655;
    static constexpr int kDesignedHeight = 563;

    explicit ViewerWindow(QWidget* parent = nullptr);
    ~ViewerWindow() override;

  public slots:
    void SaveCommand() override;

  private:
    void BuildMenus();
};

}  // namespace morlid
