#include "ui/program_setup.h"

#include <unistd.h>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include <iostream>
#include <sstream>

#include "editor/editor_window.h"
#include "ui/drawing_window.h"
#include "ui/frame_window.h"
#include "ui/program_windows.h"
#include "viewer/viewer_window.h"

class ProgramSetupTest : public QObject {
    Q_OBJECT

  private slots:
    // The standard dialogs speak Japanese: the file dialog's buttons and the
    // question box of a save over an existing file.
    void StandardDialogsSpeakJapanese() {
        QVERIFY(ui::LoadQtJapanese(*QCoreApplication::instance()));
        QFileDialog open;
        open.setOption(QFileDialog::DontUseNativeDialog);
        open.setAcceptMode(QFileDialog::AcceptOpen);
        const auto* buttons = open.findChild<QDialogButtonBox*>();
        QVERIFY(buttons != nullptr);
        QCOMPARE(buttons->button(QDialogButtonBox::Open)->text(), QStringLiteral("開く(&O)"));
        QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("キャンセル"));
        QMessageBox question(QMessageBox::Question, QString(), QString(),
                             QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(question.button(QMessageBox::Yes)->text(), QStringLiteral("はい(&Y)"));
        QCOMPARE(question.button(QMessageBox::No)->text(), QStringLiteral("いいえ(&N)"));
    }

    // Each program's windows carry its own icon, in every size it ships.
    void EachProgramShowsItsOwnIcon() {
        QImage editor;
        {
            const auto windows = ui::ProgramWindows::Create<korvane::EditorWindow>({});
            const QIcon icon = windows->Frame().windowIcon();
            QCOMPARE(icon.availableSizes().size(), 4);
            editor = icon.pixmap(48).toImage();
            QVERIFY(windows->Drawing().testAttribute(Qt::WA_SetWindowIcon));
            QVERIFY(!editor.isNull());
        }
        const auto windows = ui::ProgramWindows::Create<morlid::ViewerWindow>({});
        const QImage viewer = windows->Frame().windowIcon().pixmap(48).toImage();
        QVERIFY(!viewer.isNull());
        QVERIFY(viewer != editor);
    }

    // --help and --version answer before any window exists; a file name,
    // even one after "--", goes on to the program.
    void HelpAndVersionAnswerOtherArgumentsGoOn() {
        const ui::ProgramInfo info{"Korvane", "The editor.", "FILE.DXF"};
        struct Case {
            std::vector<const char*> argv;
            std::optional<int> status;
            const char* output;
        };
        const Case cases[] = {
            {{"Korvane", "plan.dxf", "--help"}, 0, "usage: Korvane [FILE.dxf]"},
            {{"Korvane", "--version"}, 0, "Korvane (Korvane) 1."},
            {{"Korvane", "plan.dxf"}, std::nullopt, ""},
            {{"Korvane", "--", "--help"}, std::nullopt, ""},
            {{"Korvane", "--open", "plan.dxf"}, std::nullopt, ""},
            {{"Korvane", "--open"}, 2, ""},
            {{"Korvane", "--open", ""}, 2, ""},
        };
        for (const Case& c : cases) {
            std::ostringstream captured;
            std::streambuf* const saved = std::cout.rdbuf(captured.rdbuf());
            const auto status =
                ui::AnswerInformationOptions(static_cast<int>(c.argv.size()), c.argv.data(), info);
            std::cout.rdbuf(saved);
            QCOMPARE(status, c.status);
            QVERIFY2(captured.str().rfind(c.output, 0) == 0, captured.str().c_str());
        }
    }

    // The file dialogs start in the program's folder only where the user
    // can keep files there.
    void FileDialogsStartInWritableProgramFolder() {
        QTemporaryDir writable;
        QCOMPARE(ui::FileDialogFolder(writable.path(), "/work"), writable.path());
        QCOMPARE(ui::FileDialogFolder(writable.path() + "/gone", "/work"), QStringLiteral("/work"));
        QFile::setPermissions(writable.path(), QFile::ReadOwner | QFile::ExeOwner);
        if (::geteuid() != 0)  // root may write everywhere
            QCOMPARE(ui::FileDialogFolder(writable.path(), "/work"), QStringLiteral("/work"));
        QFile::setPermissions(writable.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // Without a reachable X display the program says so instead of letting
    // Qt abort; other platforms chosen explicitly go on.
    void NoDisplayIsRefusedBeforeQtStarts() {
        const ui::ProgramInfo info{"Korvane", "The editor.", "FILE.DXF"};
        const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
        const QByteArray display = qgetenv("DISPLAY");
        struct Case {
            const char* platform;  // null: unset
            const char* display;
            std::vector<const char*> argv;
            std::optional<int> status;
            const char* message;
        };
        const Case cases[] = {
            {nullptr, ":97", {"Korvane"}, 1, "Korvane: cannot open display ':97'\n"},
            {"xcb",
             nullptr,
             {"Korvane", "plan.dxf"},
             1,
             "Korvane: cannot open display: DISPLAY is not set\n"},
            {nullptr,
             ":0",
             {"Korvane", "-display", ":98"},
             1,
             "Korvane: cannot open display ':98'\n"},
            {"offscreen", ":97", {"Korvane"}, std::nullopt, ""},
            {nullptr, ":97", {"Korvane", "-platform", "offscreen"}, std::nullopt, ""},
        };
        for (const Case& c : cases) {
            c.platform ? qputenv("QT_QPA_PLATFORM", c.platform) : qunsetenv("QT_QPA_PLATFORM");
            c.display ? qputenv("DISPLAY", c.display) : qunsetenv("DISPLAY");
            std::ostringstream captured;
            std::streambuf* const saved = std::cerr.rdbuf(captured.rdbuf());
            const auto status =
                ui::RefuseWithoutDisplay(static_cast<int>(c.argv.size()), c.argv.data(), info);
            std::cerr.rdbuf(saved);
            QCOMPARE(status, c.status);
            QCOMPARE(captured.str(), std::string(c.message));
        }
        qputenv("QT_QPA_PLATFORM", platform);
        display.isNull() ? qunsetenv("DISPLAY") : qputenv("DISPLAY", display);
    }
};

QTEST_MAIN(ProgramSetupTest)
#include "program_setup_test.moc"
