#include "ui/program_setup.h"

#include <QCoreApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <iostream>
#include <string>

namespace ui {

std::optional<int> AnswerInformationOptions(int argc, const char* const* argv,
                                            const ProgramInfo& info) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") break;
        if (arg == "--version") {
            std::cout << info.name << " (Korvane) " << KORVANE_VERSION << '\n';
            return std::cout.flush() ? 0 : 1;
        }
        if (arg == "--help") {
            std::cout << "usage: " << info.name << " [FILE.dxf]\n\n"
                      << info.what << "\n\n"
                      << "FILE presets the file name of the Open dialog, and the Save dialog\n"
                      << "proposes " << info.save_example
                      << ". Nothing is loaded until the Open dialog is confirmed.\n\n"
                      << "Options:\n"
                      << "  --help     show this help and exit\n"
                      << "  --version  show the version and exit\n"
                      << "Qt's own options, such as -platform and -display, work as well.\n";
            return std::cout.flush() ? 0 : 1;
        }
    }
    return std::nullopt;
}

bool LoadQtJapanese(QCoreApplication& application) {
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    // Dates and sizes in the file dialogs follow the same language.
    QLocale::setDefault(japanese);
    auto* translator = new QTranslator(&application);
    if (!translator->load(japanese, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

QIcon ProgramIcon(const QString& name) {
    QIcon icon;
    for (const int size : {16, 32, 48, 128}) {
        icon.addFile(QStringLiteral(":/icons/%1-%2.png").arg(name).arg(size), QSize(size, size));
    }
    return icon;
}

}  // namespace ui
