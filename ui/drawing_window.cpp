#include "ui/drawing_window.h"

#include <QCloseEvent>
#include <QKeyEvent>

namespace ui {

DrawingWindow::DrawingWindow(core::DrawingDocument& document, QWidget* parent)
    : QMdiSubWindow(parent), document_(document) {
    setObjectName("Form4");
    setWindowTitle(QString());
    scroll_ = new QScrollArea;
    scroll_->setObjectName("ScrollBox");
    scroll_->setFrameShape(QFrame::NoFrame);
    // The control keeps its own size; the scroll bars appear while it is
    // larger than the window.
    scroll_->setWidgetResizable(false);
    scroll_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picture_ = new PictureView(document_.Image1);
    picture_->setObjectName("Image1");
    scroll_->setWidget(picture_);
    setWidget(scroll_);
    resize(kDesignedWidth, kDesignedHeight);
}

void DrawingWindow::keyPressEvent(QKeyEvent* event) {
    // Keys the scroll area does not use for scrolling arrive here from the
    // focused child as well.
    emit KeyPressed(event->key());
    event->accept();
}

void DrawingWindow::closeEvent(QCloseEvent* event) {
    // The document lives as long as the program: closing only minimises.
    event->ignore();
    showMinimized();
}

}  // namespace ui
