#pragma once
// The main window both programs share: a multiple-document frame around the
// one drawing window, the file dialogs with their start-up presets and the
// commands common to both menus. Each program adds its own menus and Save.
#include <QFileDialog>
#include <QMainWindow>
#include <QMdiArea>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "ui/message_boxes.h"

namespace ui {

class DrawingWindow;
class DisplaySettingsDialog;
class ResizeDialog;
class TraceDialog;

// The name with its extension (from the last '.' after the last '/')
// replaced by `extension`, or `extension` appended when there is none.
[[nodiscard]] QString ChangeFileExt(const QString& name, const QString& extension);

// What the command line asks for at start: the file that presets both file
// dialogs, and whether it is opened at once ("--open FILE").
struct StartRequest {
    QString file;
    bool open = false;
};
// "--open FILE" wins over a plain argument; after "--" every argument is a
// file name.
[[nodiscard]] StartRequest ReadStartArguments(const QStringList& arguments);

// The folder the file dialogs start in: the program's own, unless the user
// cannot write there (an installed program in a system folder), where files
// are not kept; then the working folder.
[[nodiscard]] QString FileDialogFolder(const QString& program_folder,
                                       const QString& working_folder);

class FrameWindow : public QMainWindow {
    Q_OBJECT

  public:
    // Runs a configured file dialog; returns the chosen path, or nothing when
    // the user cancels. Replaceable so that tests drive the real commands.
    using FileDialogRunner = std::function<std::optional<QString>(QFileDialog&)>;

    // What differs between the programs' frames.
    struct Design {
        QString caption;
        int width = 0;
        int height = 0;
        QString save_suffix;     // default extension of the save dialog
        QString save_filter;     // Qt name filter
        QString save_extension;  // replaces the first argument's extension
        bool confirm_overwrite = false;
        QString icon;  // the program's icon: "korvane" or "morlid"
    };

    ~FrameWindow() override;

    // At creation: both dialogs start in the program's folder, and the file
    // the command line names, relative to the working folder, presets their
    // file names. Nothing is loaded yet.
    void PresetFileDialogs(const QStringList& arguments);
    // Once the windows are shown: opens the file of "--open FILE" as if the
    // Open dialog had been confirmed with it.
    void OpenStartFile();
    // The dialogs the Edit and Settings menus open.
    struct ToolDialogs {
        DisplaySettingsDialog& settings;
        ResizeDialog& resize;
        TraceDialog& trace;
    };
    // The windows created after this one at start-up; the drawing window
    // becomes the document area's only child.
    void Attach(DrawingWindow& drawing, const ToolDialogs& tools);

    [[nodiscard]] QMdiArea* MdiArea() { return mdi_area_; }
    [[nodiscard]] QFileDialog& OpenDialog() { return *open_dialog_; }
    [[nodiscard]] QFileDialog& SaveDialog() { return *save_dialog_; }
    // Null until attached.
    [[nodiscard]] DrawingWindow* Drawing() { return drawing_; }
    [[nodiscard]] const ToolDialogs& Tools() { return *tools_; }

    void SetFileDialogRunner(FileDialogRunner runner) { file_dialog_runner_ = std::move(runner); }

  public slots:
    void OpenCommand();
    virtual void SaveCommand() = 0;
    void ExitCommand();
    void ResizeCommand();
    void TraceCommand();
    void DisplaySettingsCommand();

  protected:
    explicit FrameWindow(Design design, QWidget* parent = nullptr);

    // Called once the drawing window and the dialogs exist.
    virtual void OnAttached() {}

    // Menu pieces both programs use, in the order the subclass adds them.
    QMenu* AddFileMenu();
    // Whether the Edit menu's trace item opens the trace dialog.
    enum class TraceItem { Inert, OpensDialog };
    // The hidden Edit menu.
    QMenu* AddEditMenu(TraceItem trace_item);
    // The hidden Settings menu.
    QMenu* AddSettingsMenu();
    QMenu* AddMenu(const char* name, const QString& caption);
    static QAction* AddItem(QMenu* menu, const char* name, const QString& caption);
    // A panel along the bottom edge, below the document area.
    void SetBottomPanel(QWidget* panel);

    std::optional<QString> RunFileDialog(QFileDialog& dialog);

  private:
    // The Open command after its dialog: loads `path`, if any.
    void OpenChosen(const std::optional<QString>& path);

    Design design_;
    QMdiArea* mdi_area_ = nullptr;
    QWidget* central_ = nullptr;
    QFileDialog* open_dialog_ = nullptr;
    QFileDialog* save_dialog_ = nullptr;
    DrawingWindow* drawing_ = nullptr;
    std::optional<ToolDialogs> tools_;
    FileDialogRunner file_dialog_runner_;
    std::optional<QString> start_file_;
};

}  // namespace ui
