#include <QApplication>

#include "editor/editor_window.h"
#include "ui/program_windows.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvane"));
    const std::unique_ptr<ui::ProgramWindows> windows =
        ui::ProgramWindows::Create<korvane::EditorWindow>(QApplication::arguments().mid(1));
    windows->Show();
    return QApplication::exec();
}
