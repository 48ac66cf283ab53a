#pragma once
// The plain message boxes of the tool dialogs. Every box goes through one
// replaceable handler, so the dialogs can be driven without a person.
#include <functional>

#include <QString>

class QWidget;

namespace ui {

enum class MessageKind {
    Info,   // a plain box with an OK button
    Error,  // the standard error box
};

using MessageHandler = std::function<void(MessageKind kind, QWidget* parent, const QString& text)>;

void ShowInfo(QWidget* parent, const QString& text);
void ShowError(QWidget* parent, const QString& text);

// Installs `handler` for every later box and returns the one it replaces. An
// empty handler brings back the real modal boxes.
MessageHandler SetMessageHandler(MessageHandler handler);

// The boundary of a user command: a failure ends the command with an error
// box showing its text, and the program goes on. True when the command ran
// to its end.
bool RunCommand(QWidget* parent, const std::function<void()>& command);

}  // namespace ui
