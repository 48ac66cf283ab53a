#pragma once
// Morlid's main window: the shared frame, with the trace item wired and the
// picture saved as a bitmap file. No status line, no editing.
#include "ui/frame_window.h"

namespace morlid {

class TForm1 : public ui::FrameWindow {
    Q_OBJECT

  public:
    static constexpr int kDesignedWidth = 655;
    static constexpr int kDesignedHeight = 563;

    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

  public slots:
    void N11Click() override;

  private:
    void BuildMenus();
};

}  // namespace morlid
