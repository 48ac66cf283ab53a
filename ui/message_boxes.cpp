#include "ui/message_boxes.h"

#include <exception>
#include <utility>

#include <QGuiApplication>
#include <QMessageBox>

namespace ui {
namespace {

MessageHandler& CurrentHandler() {
    static MessageHandler handler;
    return handler;
}

void ShowBox(MessageKind kind, QWidget* parent, const QString& text) {
    if (const MessageHandler& handler = CurrentHandler()) {
        handler(kind, parent, text);
        return;
    }
    // The application's name is the caption, as with the framework's own boxes.
    const QString caption = QGuiApplication::applicationDisplayName();
    if (kind == MessageKind::Error) {
        QMessageBox::critical(parent, caption, text, QMessageBox::Ok);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace

void ShowInfo(QWidget* parent, const QString& text) { ShowBox(MessageKind::Info, parent, text); }

void ShowError(QWidget* parent, const QString& text) { ShowBox(MessageKind::Error, parent, text); }

MessageHandler SetMessageHandler(MessageHandler handler) {
    return std::exchange(CurrentHandler(), std::move(handler));
}

bool RunCommand(QWidget* parent, const std::function<void()>& command) {
    try {
        command();
        return true;
    } catch (const std::exception& failure) {
        ShowError(parent, QString::fromUtf8(failure.what()));
        return false;
    }
}

}  // namespace ui
