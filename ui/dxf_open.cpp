#include "ui/dxf_open.h"

#include <utility>

#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

#include "core/dxf_import.h"
#include "core/fixed_layout_check.h"
#include "dxf/any_dxf.h"

namespace ui {
namespace {

QuestionHandler& CurrentHandler() {
    static QuestionHandler handler;
    return handler;
}

bool Ask(QWidget* parent, const QString& text) {
    if (const QuestionHandler& handler = CurrentHandler()) return handler(parent, text);
    // The application's name is the caption, as with the other boxes.
    QMessageBox box(QMessageBox::Question, QGuiApplication::applicationDisplayName(), text,
                    QMessageBox::NoButton, parent);
    QPushButton* yes = box.addButton(QStringLiteral("はい"), QMessageBox::YesRole);
    box.addButton(QStringLiteral("いいえ"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.exec();
    return box.clickedButton() == yes;
}

}  // namespace

QString OtherCadQuestion() {
    return QStringLiteral(
        "このファイルは他のCADソフトで作られたDXFのようです。汎用のDXFとして読み込みますか？");
}

QuestionHandler SetQuestionHandler(QuestionHandler handler) {
    return std::exchange(CurrentHandler(), std::move(handler));
}

void LoadChosenDxf(QWidget* parent, core::DrawingDocument& document, const std::string& path) {
    if (core::IsOtherLayoutFile(path) && Ask(parent, OtherCadQuestion())) {
        (void)dxf::LoadAnyDxf(document, path);
        return;
    }
    core::LoadDxf(document, path);
}

}  // namespace ui
