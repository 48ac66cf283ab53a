#include <QApplication>

#include "core/save_signals.h"
#include "editor/editor_window.h"
#include "ui/program_setup.h"
#include "ui/program_windows.h"

int main(int argc, char** argv) {
    core::OpenMissingStandardStreams();
    const ui::ProgramInfo info{"Korvane", "Korvane, the DXF drawing editor.", "FILE.DXF"};
    if (const auto status = ui::AnswerInformationOptions(argc, argv, info)) return *status;
    if (const auto status = ui::RefuseWithoutDisplay(argc, argv, info)) return *status;
    core::RemoveTempFilesOnSignals();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvane"));
    ui::LoadQtJapanese(application);
    const std::unique_ptr<ui::ProgramWindows> windows =
        ui::ProgramWindows::Create<korvane::EditorWindow>(QApplication::arguments().mid(1));
    windows->Show();
    return QApplication::exec();
}
