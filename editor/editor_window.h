#pragma once
// Korvane's main window: the shared frame with the Draw menu, the status
// line Panel1 and DXF saving. The pick modes act on the drawing window's
// document and report to Panel1.
#include <QAction>
#include <QLabel>
#include <memory>

#include "core/drawing_document.h"
#include "editing/pick_modes.h"
#include "ui/frame_window.h"

namespace korvane {

class EditorWindow : public ui::FrameWindow {
    Q_OBJECT

  public:
    static constexpr core::DxfVariant kVariant = core::DxfVariant::Editor;
    static constexpr int kDesignedWidth = 702;
    static constexpr int kDesignedHeight = 563;
    static constexpr int kPanelHeight = 21;

    explicit EditorWindow(QWidget* parent = nullptr);
    ~EditorWindow() override;

    [[nodiscard]] QLabel* StatusLine() { return status_line_; }
    // Null until the drawing window is attached.
    [[nodiscard]] editing::PickModes* PickModes() { return pick_modes_.get(); }

  public slots:
    void SaveCommand() override;
    void DeleteModeCommand();
    void LineModeCommand();
    void PicturePressed(Qt::MouseButton button, int x, int y);
    void DrawingKeyPressed(int key);

  protected:
    void OnAttached() override;

  private:
    void BuildMenus();
    // The menu check marks follow the pick modes' current mode.
    void ShowMode();

    QLabel* status_line_ = nullptr;
    QAction* delete_mode_item_ = nullptr;
    QAction* line_mode_item_ = nullptr;
    std::unique_ptr<editing::PickModes> pick_modes_;
};

}  // namespace korvane
