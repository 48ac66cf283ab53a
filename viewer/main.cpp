#include <QApplication>

#include "core/save_signals.h"
#include "viewer/morlid.h"

int main(int argc, char** argv) {
    core::RemoveTempFilesOnSignals();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Morlid"));
    const std::unique_ptr<ui::ProgramWindows> windows =
        morlid::CreateWindows(QApplication::arguments().mid(1));
    windows->Show();
    return QApplication::exec();
}
