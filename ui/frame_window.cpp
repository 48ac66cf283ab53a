#include "ui/frame_window.h"

#include <QDir>
#include <QFileInfo>
#include <QMenuBar>
#include <QVBoxLayout>
#include <utility>

#include "core/executable_dir.h"
#include "ui/desktop_conventions.h"
#include "ui/display_settings_dialog.h"
#include "ui/drawing_window.h"
#include "ui/dxf_open.h"
#include "ui/program_setup.h"
#include "ui/resize_dialog.h"
#include "ui/trace_dialog.h"

namespace ui {

QString ChangeFileExt(const QString& name, const QString& extension) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0 && dot > name.lastIndexOf(QLatin1Char('/'))) return name.left(dot) + extension;
    return name + extension;
}

StartRequest ReadStartArguments(const QStringList& arguments) {
    StartRequest request;
    bool options = true;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (options && arg == QLatin1String("--")) {
            options = false;
        } else if (options && arg == QLatin1String("--open") && i + 1 < arguments.size()) {
            request = {arguments[++i], true};
        } else if (request.file.isEmpty()) {
            request.file = arg;
        }
    }
    return request;
}

QString FileDialogFolder(const QString& program_folder, const QString& working_folder) {
    const QFileInfo program(program_folder);
    return program.isDir() && program.isWritable() ? program_folder : working_folder;
}

FrameWindow::FrameWindow(Design design, QWidget* parent)
    : QMainWindow(parent), design_(std::move(design)) {
    UseProgramStyle();
    setObjectName("Form1");
    setWindowTitle(design_.caption);
    setWindowIcon(ProgramIcon(design_.icon));
    // The designed size is the outside of the frame, as for the drawing window.
    SizeOutsideOfFrame(*this, QSize(design_.width, design_.height));
    menuBar()->setObjectName("MainMenu1");
    menuBar()->setNativeMenuBar(false);
    OpenMenuBarWithF10(*this);

    central_ = new QWidget;
    auto* layout = new QVBoxLayout(central_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    mdi_area_ = new QMdiArea;
    mdi_area_->setObjectName("ClientArea");
    // A frame smaller than the drawing window still reaches its title buttons.
    mdi_area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_area_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    layout->addWidget(mdi_area_, 1);
    setCentralWidget(central_);

    // One dialog object each for the program's life, so a chosen folder and
    // name are proposed again next time.
    open_dialog_ = new QFileDialog(this);
    open_dialog_->setObjectName("OpenDlg");
    open_dialog_->setOption(QFileDialog::DontUseNativeDialog);
    open_dialog_->setAcceptMode(QFileDialog::AcceptOpen);
    open_dialog_->setDefaultSuffix(QStringLiteral("dxf"));
    open_dialog_->setNameFilter(QStringLiteral("DXFファイル(図面） (*.dxf)"));

    save_dialog_ = new QFileDialog(this);
    save_dialog_->setObjectName("SaveDlg");
    save_dialog_->setOption(QFileDialog::DontUseNativeDialog);
    save_dialog_->setAcceptMode(QFileDialog::AcceptSave);
    save_dialog_->setFileMode(QFileDialog::AnyFile);
    save_dialog_->setDefaultSuffix(design_.save_suffix);
    save_dialog_->setNameFilter(design_.save_filter);
    save_dialog_->setOption(QFileDialog::DontConfirmOverwrite, !design_.confirm_overwrite);
    ReadyFileDialog(*open_dialog_);
    ReadyFileDialog(*save_dialog_);
}

FrameWindow::~FrameWindow() = default;

void FrameWindow::PresetFileDialogs(const QStringList& arguments) {
    const QString folder =
        FileDialogFolder(QString::fromStdString(core::ExecutableDir()), QDir::currentPath()) +
        QLatin1Char('/');
    open_dialog_->setDirectory(folder);
    save_dialog_->setDirectory(folder);
    const StartRequest start = ReadStartArguments(arguments);
    if (start.file.isEmpty()) return;
    // Both dialogs go to the file's own folder, even one that does not
    // exist, and propose its name there.
    const QFileInfo file(QDir::cleanPath(QDir::current().absoluteFilePath(start.file)));
    const QString path = file.filePath();
    open_dialog_->setDirectory(file.path());
    open_dialog_->selectFile(file.fileName());
    save_dialog_->setDirectory(file.path());
    save_dialog_->selectFile(ChangeFileExt(file.fileName(), design_.save_extension));
    if (start.open) start_file_ = path;
}

void FrameWindow::OpenStartFile() {
    if (start_file_) OpenChosen(std::exchange(start_file_, std::nullopt));
}

void FrameWindow::Attach(DrawingWindow& drawing, const ToolDialogs& tools) {
    drawing_ = &drawing;
    tools_.emplace(tools);
    mdi_area_->addSubWindow(drawing_);
    // A child window paints Qt's logo unless given an icon of its own.
    drawing_->setWindowIcon(windowIcon());
    drawing_->show();
    OnAttached();
}

QMenu* FrameWindow::AddMenu(const char* name, const QString& caption) {
    QMenu* menu = menuBar()->addMenu(caption);
    menu->setObjectName(QLatin1String(name));
    return menu;
}

QAction* FrameWindow::AddItem(QMenu* menu, const char* name, const QString& caption) {
    QAction* item = menu->addAction(caption);
    item->setObjectName(QLatin1String(name));
    return item;
}

QMenu* FrameWindow::AddFileMenu() {
    QMenu* file1 = AddMenu("File1", QStringLiteral("ﾌｧｲﾙ"));
    connect(AddItem(file1, "Open1", QStringLiteral("開く")), &QAction::triggered, this,
            &FrameWindow::OpenCommand);
    connect(AddItem(file1, "N11", QStringLiteral("保存")), &QAction::triggered, this,
            &FrameWindow::SaveCommand);
    file1->addSeparator()->setObjectName("N3");
    connect(AddItem(file1, "Exit1", QStringLiteral("終了")), &QAction::triggered, this,
            &FrameWindow::ExitCommand);
    return file1;
}

QMenu* FrameWindow::AddEditMenu(TraceItem trace_item) {
    QMenu* n9 = AddMenu("N9", QStringLiteral("編集"));
    connect(AddItem(n9, "N10", QStringLiteral("画像サイズ変更")), &QAction::triggered, this,
            &FrameWindow::ResizeCommand);
    QAction* n12 = AddItem(n9, "N12", QStringLiteral("トレース"));
    if (trace_item == TraceItem::OpensDialog)
        connect(n12, &QAction::triggered, this, &FrameWindow::TraceCommand);
    n9->menuAction()->setVisible(false);
    return n9;
}

QMenu* FrameWindow::AddSettingsMenu() {
    QMenu* n1 = AddMenu("N1", QStringLiteral("環境設定"));
    connect(AddItem(n1, "N4", QStringLiteral("変換設定")), &QAction::triggered, this,
            &FrameWindow::DisplaySettingsCommand);
    n1->menuAction()->setVisible(false);
    return n1;
}

void FrameWindow::SetBottomPanel(QWidget* panel) { central_->layout()->addWidget(panel); }

std::optional<QString> FrameWindow::RunFileDialog(QFileDialog& dialog) {
    if (file_dialog_runner_) return file_dialog_runner_(dialog);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.front();
}

void FrameWindow::OpenCommand() {
    open_dialog_->setWindowTitle(QStringLiteral("Dxfﾌｧｲﾙを開く"));
    OpenChosen(RunFileDialog(*open_dialog_));
}

void FrameWindow::OpenChosen(const std::optional<QString>& path) {
    RunCommand(this, [&] {
        core::DrawingDocument& document = drawing_->Document();
        if (path) {
            LoadChosenDxf(this, document, path->toStdString());
            drawing_->setWindowTitle(*path);
        }
        // Also after a cancel: the settings dialog shows the control's size.
        tools_->settings.SetLoadedSize(document.Image1.Width(), document.Image1.Height());
    });
}

void FrameWindow::ExitCommand() { close(); }

// The dialogs report their own failures.
void FrameWindow::ResizeCommand() { tools_->resize.exec(); }

void FrameWindow::TraceCommand() { tools_->trace.exec(); }

void FrameWindow::DisplaySettingsCommand() { tools_->settings.exec(); }

}  // namespace ui
