#include "ui/dialog_frame.h"

#include <QDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStringList>
#include <QWindow>

namespace ui {

QFont ProgramFont() {
    QFont font;
    font.setFamilies(
        QStringList{QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("Noto Sans CJK JP")});
    font.setPixelSize(12);
    return font;
}

void SetUpDialogFrame(QDialog& dialog, const QString& caption, int client_width, int client_height,
                      FrameButtons buttons) {
    dialog.setWindowTitle(caption);
    dialog.setFont(ProgramFont());
    dialog.setFixedSize(client_width, client_height);
    dialog.setSizeGripEnabled(false);
    dialog.setModal(true);
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                            Qt::MSWindowsFixedSizeDialogHint;
    if (buttons == FrameButtons::CloseAndMinimise) flags |= Qt::WindowMinimizeButtonHint;
    dialog.setWindowFlags(flags);
}

QLabel* PlaceLabel(QWidget* parent, const char* name, const QString& text, int left, int top) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->move(left, top);
    label->adjustSize();
    return label;
}

QLineEdit* PlaceEntry(QWidget* parent, const char* name, int left, int top, int width) {
    auto* entry = new QLineEdit(parent);
    entry->setObjectName(QString::fromLatin1(name));
    entry->setGeometry(left, top, width, 20);
    return entry;
}

QPushButton* PlaceButton(QWidget* parent, const char* name, const QString& text, int left,
                         int top) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(left, top, 75, 25);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

void NarrowToFit(QWidget& control, int width) {
    QFont font = control.font();
    // Below about three quarters the glyphs get hard to read.
    for (int stretch = 100; control.sizeHint().width() > width && stretch > 75;) {
        stretch -= 5;
        font.setStretch(stretch);
        control.setFont(font);
    }
}

namespace {

QMargins FrameMargins(const QWidget& window) {
    const QRect outside = window.frameGeometry();
    const QRect inside = window.geometry();
    return {inside.left() - outside.left(), inside.top() - outside.top(),
            outside.right() - inside.right(), outside.bottom() - inside.bottom()};
}

}  // namespace

void CentreOnScreen(QWidget& window) {
    QScreen* screen = window.screen();
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    // Before the first showing the window manager has not told the frame
    // yet; the owner's frame is the best guess of it, and move() then places
    // the client area, so the frame's corner has to be added by hand.
    const bool known = window.frameGeometry() != window.geometry();
    QMargins frame = FrameMargins(window);
    if (!known && window.parentWidget() != nullptr)
        frame = FrameMargins(*window.parentWidget()->window());
    const QSize outside = window.size().grownBy(frame);
    const QRect area = screen->availableGeometry();
    QPoint corner(area.left() + (area.width() - outside.width()) / 2,
                  area.top() + (area.height() - outside.height()) / 2);
    if (!known) corner += QPoint(frame.left(), frame.top());
    window.move(corner);
}

void ToolDialog::showEvent(QShowEvent* event) {
    // A restore from the task bar is spontaneous and refreshes nothing.
    if (!event->spontaneous()) {
        centre_with_frame_ = frameGeometry() == geometry();
        CentreOnScreen(*this);
        OnShow();
    }
    QDialog::showEvent(event);
}

bool ToolDialog::event(QEvent* event) {
    // The window manager tells the frame some time after the mapping, with
    // no event of its own: look again whenever the window is painted or
    // activated until it is known.
    if (centre_with_frame_ &&
        (event->type() == QEvent::Paint || event->type() == QEvent::WindowActivate) &&
        windowHandle() != nullptr && !windowHandle()->frameMargins().isNull()) {
        centre_with_frame_ = false;
        CentreOnScreen(*this);
    }
    return QDialog::event(event);
}

void ToolDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ToolDialog::SetTabChain(std::initializer_list<QWidget*> controls) {
    QWidget* previous = nullptr;
    for (QWidget* control : controls) {
        if (previous != nullptr) setTabOrder(previous, control);
        previous = control;
    }
}

}  // namespace ui
