#pragma once
// Korvane's main window: the shared frame with the Draw menu, the status
// line Panel1 and DXF saving. The pick modes act on the drawing window's
// document and report to Panel1.
#include <QAction>
#include <QLabel>
#include <memory>

#include "editing/pick_modes.h"
#include "ui/frame_window.h"

namespace korvane {

class TForm1 : public ui::FrameWindow {
    Q_OBJECT

  public:
    static constexpr int kDesignedWidth = 702;
    static constexpr int kDesignedHeight = 563;
    static constexpr int kPanelHeight = 21;

    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    [[nodiscard]] QLabel* Panel1() { return panel1_; }
    // Null until the drawing window is attached.
    [[nodiscard]] editing::PickModes* PickModes() { return pick_modes_.get(); }

  public slots:
    void N11Click() override;
    void NDelClick();
    void NLineClick();
    void Image1MouseDown(Qt::MouseButton button, int x, int y);
    void FormKeyDown(int key);

  protected:
    void OnAttached() override;

  private:
    void BuildMenus();
    // The menu check marks follow the pick modes' current mode.
    void ShowMode();

    QLabel* panel1_ = nullptr;
    QAction* ndel_ = nullptr;
    QAction* nline_ = nullptr;
    std::unique_ptr<editing::PickModes> pick_modes_;
};

}  // namespace korvane
