#pragma once
// Helpers shared by the window tests: fixed-layout DXF texts, scripted file
// dialogs that run through the frame's real commands, and captured boxes.
#include <QAction>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/frame_window.h"
#include "ui/message_boxes.h"
#include "ui/program_windows.h"

namespace window_test {

// Entities in the layout the programs read by fixed offsets.
class DxfText {
  public:
    DxfText& Point(int x, int y) {
        Add({"POINT", "  8", "_0-0_", " 62", "    7", " 10", Num(x), " 20", Num(y), "  0"});
        return *this;
    }
    DxfText& Line(int x1, int y1, int x2, int y2) {
        Add({"LINE", "  8", "_0-0_", "  6", "CONTINUOUS", " 62", "    7", " 10", Num(x1), " 20",
             Num(y1), " 11", Num(x2), " 21", Num(y2), "  0"});
        return *this;
    }
    DxfText& Polyline() {
        Add({"POLYLINE", "  8", "_0-0_", " 66", "     1", " 40", "0.000000", " 41", "0.000000",
             "  0"});
        return *this;
    }
    DxfText& Vertex(int x, int y) {
        Add({"VERTEX", "  8", "_0-0_", " 10", Num(x), " 20", Num(y), "  0"});
        return *this;
    }
    DxfText& Seqend() {
        Add({"SEQEND", "  8", "A", "  0"});
        return *this;
    }
    [[nodiscard]] QByteArray Bytes() const {
        QByteArray text = "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n  0\r\n";
        for (const std::string& line : lines_) text += QByteArray::fromStdString(line) + "\r\n";
        text += "ENDSEC\r\n  0\r\nEOF\r\n";
        return text;
    }

  private:
    static std::string Num(int value) { return std::to_string(value); }
    void Add(std::initializer_list<std::string> lines) {
        lines_.insert(lines_.end(), lines.begin(), lines.end());
    }
    std::vector<std::string> lines_;
};

inline void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("cannot write test file");
    file.write(bytes);
}

inline QByteArray ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

// What a file dialog was configured with when a command showed it.
struct DialogSeen {
    QString title;
    QStringList filters;
    QString suffix;
    QString directory;
    QStringList proposed;
    QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
    bool confirms_overwrite = false;
    bool native = true;
};

// Answers the frame's file dialogs in order; an empty answer is a cancel.
class ScriptedDialogs {
  public:
    explicit ScriptedDialogs(ui::FrameWindow& frame) {
        frame.SetFileDialogRunner([this](QFileDialog& dialog) -> std::optional<QString> {
            seen.push_back({dialog.windowTitle(), dialog.nameFilters(), dialog.defaultSuffix(),
                            dialog.directory().absolutePath(), dialog.selectedFiles(),
                            dialog.acceptMode(),
                            !dialog.testOption(QFileDialog::DontConfirmOverwrite),
                            !dialog.testOption(QFileDialog::DontUseNativeDialog)});
            if (answers_.empty()) return std::nullopt;
            const QString answer = answers_.front();
            answers_.pop_front();
            if (answer.isNull()) return std::nullopt;
            return answer;
        });
    }
    void Choose(const QString& path) { answers_.emplace_back(path); }
    void Cancel() { answers_.emplace_back(); }

    std::vector<DialogSeen> seen;

  private:
    std::deque<QString> answers_;  // a null string stands for a cancel
};

// Every message box shown while this lives, instead of the modal box.
// A started program with scripted file dialogs and a scratch folder for the
// files a test writes; both window tests drive their program through it.
class RunningProgram {
  public:
    using Create = std::function<std::unique_ptr<ui::ProgramWindows>(const QStringList&)>;
    explicit RunningProgram(Create create) : create_(std::move(create)) {}

    void Start(const QStringList& arguments = {}) {
        Stop();
        windows_ = create_(arguments);
        dialogs_ = std::make_unique<ScriptedDialogs>(windows_->Frame());
        windows_->Show();
        QVERIFY(QTest::qWaitForWindowExposed(&windows_->Frame()));
    }
    void Stop() {
        dialogs_.reset();
        windows_.reset();
    }
    // Writes `bytes` to the scratch folder and opens it through the Open command.
    void Load(const QByteArray& bytes, const QString& name) {
        const QString path = TempPath(name);
        WriteFile(path, bytes);
        dialogs_->Choose(path);
        Action("Open1")->trigger();
    }

    [[nodiscard]] QString TempPath(const QString& name) const { return folder_.filePath(name); }
    [[nodiscard]] ui::ProgramWindows& Windows() { return *windows_; }
    [[nodiscard]] ScriptedDialogs& Dialogs() { return *dialogs_; }
    [[nodiscard]] QAction* Action(const char* name) {
        return windows_->Frame().findChild<QAction*>(QLatin1String(name));
    }

  private:
    Create create_;
    QTemporaryDir folder_;
    std::unique_ptr<ui::ProgramWindows> windows_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
};

class CapturedBoxes {
  public:
    CapturedBoxes() {
        previous_ =
            ui::SetMessageHandler([this](ui::MessageKind kind, QWidget*, const QString& text) {
                if (kind == ui::MessageKind::Error) errors.push_back(text);
            });
    }
    ~CapturedBoxes() { ui::SetMessageHandler(previous_); }
    CapturedBoxes(const CapturedBoxes&) = delete;
    CapturedBoxes& operator=(const CapturedBoxes&) = delete;

    QStringList errors;

  private:
    ui::MessageHandler previous_;
};

// The menu bar in order: "name=caption" for each menu, "-hidden" after a
// hidden one, then its items indented, separators with an empty caption.
inline QStringList MenuLayout(QMainWindow& window) {
    QStringList layout;
    for (QAction* entry : window.menuBar()->actions()) {
        QMenu* menu = entry->menu();
        layout << menu->objectName() + "=" + menu->title() + (entry->isVisible() ? "" : "-hidden");
        for (QAction* item : menu->actions()) {
            layout << "  " + item->objectName() + "=" +
                          (item->isSeparator() ? QString() : item->text());
        }
    }
    return layout;
}

// Triggers a menu item and names the dialog it showed modally, if any.
inline QString DialogShownBy(QAction* item, std::initializer_list<QDialog*> dialogs) {
    QString shown;
    // Runs inside the modal loop of whichever dialog the item opened.
    QTimer::singleShot(50, [&] {
        for (QDialog* dialog : dialogs) {
            if (!dialog->isVisible()) continue;
            shown = dialog->objectName() + (dialog->isModal() ? "" : " (modeless)");
            dialog->reject();
        }
    });
    item->trigger();
    QTest::qWait(100);
    return shown;
}

}  // namespace window_test
