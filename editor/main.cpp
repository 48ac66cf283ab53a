#include <QApplication>

#include "core/save_signals.h"
#include "editor/korvane.h"

int main(int argc, char** argv) {
    core::RemoveTempFilesOnSignals();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvane"));
    const std::unique_ptr<ui::ProgramWindows> windows =
        korvane::CreateWindows(QApplication::arguments().mid(1));
    windows->Show();
    return QApplication::exec();
}
