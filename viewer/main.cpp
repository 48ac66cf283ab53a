#include <QApplication>

#include "ui/program_windows.h"
#include "viewer/viewer_window.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Morlid"));
    const std::unique_ptr<ui::ProgramWindows> windows =
        ui::ProgramWindows::Create<morlid::ViewerWindow>(QApplication::arguments().mid(1));
    windows->Show();
    return QApplication::exec();
}
