#include <QApplication>

#include "core/save_signals.h"
#include "ui/program_setup.h"
#include "ui/program_windows.h"
#include "viewer/viewer_window.h"

int main(int argc, char** argv) {
    core::OpenMissingStandardStreams();
    const ui::ProgramInfo info{"Morlid", "Morlid, the DXF drawing viewer.", "FILE.bmp"};
    if (const auto status = ui::AnswerInformationOptions(argc, argv, info)) return *status;
    if (const auto status = ui::RefuseWithoutDisplay(argc, argv, info)) return *status;
    core::RemoveTempFilesOnSignals();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Morlid"));
    ui::LoadQtJapanese(application);
    const std::unique_ptr<ui::ProgramWindows> windows =
        ui::ProgramWindows::Create<morlid::ViewerWindow>(QApplication::arguments().mid(1));
    windows->Show();
    return QApplication::exec();
}
