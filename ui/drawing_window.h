#pragma once
// The drawing window: the frame's only child, showing the drawing document's
// Image1 at the top-left of a scrolling area.
#include <QMdiSubWindow>
#include <QScrollArea>

#include "core/drawing_document.h"
#include "ui/picture_view.h"

namespace ui {

class DrawingWindow : public QMdiSubWindow {
    Q_OBJECT

  public:
    static constexpr int kDesignedWidth = 472;
    static constexpr int kDesignedHeight = 391;

    // The document must outlive the window.
    explicit DrawingWindow(core::DrawingDocument& document, QWidget* parent = nullptr);

    [[nodiscard]] core::DrawingDocument& Document() { return document_; }
    [[nodiscard]] PictureView* Picture() { return picture_; }
    [[nodiscard]] QScrollArea* ScrollArea() { return scroll_; }

  signals:
    // A Qt::Key code, from the window or any of its children.
    void KeyPressed(int key);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    core::DrawingDocument& document_;
    QScrollArea* scroll_ = nullptr;
    PictureView* picture_ = nullptr;
};

}  // namespace ui
