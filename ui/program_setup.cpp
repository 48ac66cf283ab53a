#include "ui/program_setup.h"

#include <xcb/xcb.h>
#include <QCoreApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdlib>
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
            std::cout << "usage: " << info.name << " [FILE.dxf]\n"
                      << "       " << info.name << " --open FILE.dxf\n\n"
                      << info.what << "\n\n"
                      << "FILE presets the file name of the Open dialog, and the Save dialog\n"
                      << "proposes " << info.save_example
                      << ". Nothing is loaded until the Open dialog is confirmed.\n"
                      << "A relative FILE names a file in the current folder.\n\n"
                      << "Options:\n"
                      << "  --open FILE  open FILE at start, as if chosen in the Open dialog;\n"
                      << "               the dialogs are preset from it as from a plain FILE\n"
                      << "  --help       show this help and exit\n"
                      << "  --version    show the version and exit\n"
                      << "Qt's own options, such as -platform and -display, work as well.\n";
            return std::cout.flush() ? 0 : 1;
        }
    }
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") break;
        if (arg == "--open" && (i + 1 == argc || std::string_view(argv[i + 1]).empty())) {
            std::cerr << info.name << ": option '--open' needs a file name\n"
                      << "Try '" << info.name << " --help' for more information.\n";
            return 2;
        }
        if (arg == "--open") ++i;
    }
    return std::nullopt;
}

namespace {

// The value of Qt's option `name` ("-display" or "-platform", also given with
// two dashes or as name=value), or nothing.
std::optional<std::string> QtOptionValue(int argc, const char* const* argv, std::string_view name) {
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--") break;
        if (arg.substr(0, 2) == "--") arg.remove_prefix(1);
        if (arg == name && i + 1 < argc) return std::string(argv[i + 1]);
        if (arg.size() > name.size() && arg.substr(0, name.size()) == name &&
            arg[name.size()] == '=') {
            return std::string(arg.substr(name.size() + 1));
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<int> RefuseWithoutDisplay(int argc, const char* const* argv,
                                        const ProgramInfo& info) {
    std::optional<std::string> platform = QtOptionValue(argc, argv, "-platform");
    if (!platform) {
        if (const char* chosen = std::getenv("QT_QPA_PLATFORM"); chosen != nullptr && *chosen)
            platform = chosen;
    }
    // "xcb" may carry options after a colon.
    if (platform && platform->substr(0, platform->find(':')) != "xcb") return std::nullopt;
    std::optional<std::string> display = QtOptionValue(argc, argv, "-display");
    if (!display) {
        if (const char* named = std::getenv("DISPLAY"); named != nullptr) display = named;
    }
    if (display && !display->empty()) {
        xcb_connection_t* connection = xcb_connect(display->c_str(), nullptr);
        const bool reached = xcb_connection_has_error(connection) == 0;
        xcb_disconnect(connection);
        if (reached) return std::nullopt;
        std::cerr << info.name << ": cannot open display '" << *display << "'\n";
    } else {
        std::cerr << info.name << ": cannot open display: DISPLAY is not set\n";
    }
    return 1;
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
