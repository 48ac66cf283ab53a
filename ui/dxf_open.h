#pragma once
// Open's load. A drawing in the fixed layout loads as always; for a DXF that
// another CAD program wrote, the user is asked first whether to read it as
// such, at the general reader's default scale.
#include <functional>
#include <string>

#include <QString>

#include "core/drawing_document.h"

class QWidget;

namespace ui {

// "このファイルは他のCADソフトで作られたDXFのようです。汎用のDXFとして読み込みますか？"
[[nodiscard]] QString OtherCadQuestion();

// Answers a yes-or-no question: true for はい.
using QuestionHandler = std::function<bool(QWidget* parent, const QString& text)>;
// Installs `handler` for every later question and returns the one it
// replaces. An empty handler brings back the real modal box.
QuestionHandler SetQuestionHandler(QuestionHandler handler);

// Loads `path` into `document`; failures are thrown as by LoadDxf.
void LoadChosenDxf(QWidget* parent, core::DrawingDocument& document, const std::string& path);

}  // namespace ui
