#include "ui/frame_window.h"

#include <QMenuBar>
#include <QVBoxLayout>
#include <utility>

#include "core/dxf_import.h"
#include "core/executable_dir.h"
#include "ui/tform4.h"
#include "ui/tfrm_settei.h"
#include "ui/tfrm_size.h"
#include "ui/tfrm_trase.h"

namespace ui {

QString ChangeFileExt(const QString& name, const QString& extension) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0 && dot > name.lastIndexOf(QLatin1Char('/'))) return name.left(dot) + extension;
    return name + extension;
}

FrameWindow::FrameWindow(Design design, QWidget* parent)
    : QMainWindow(parent), design_(std::move(design)) {
    setObjectName("Form1");
    setWindowTitle(design_.caption);
    resize(design_.width, design_.height);
    menuBar()->setObjectName("MainMenu1");
    menuBar()->setNativeMenuBar(false);

    central_ = new QWidget;
    auto* layout = new QVBoxLayout(central_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    mdi_area_ = new QMdiArea;
    mdi_area_->setObjectName("ClientArea");
    layout->addWidget(mdi_area_, 1);
    setCentralWidget(central_);

    // One dialog object each for the program's life, so a chosen folder and
    // name are proposed again next time.
    open_dlg_ = new QFileDialog(this);
    open_dlg_->setObjectName("OpenDlg");
    open_dlg_->setOption(QFileDialog::DontUseNativeDialog);
    open_dlg_->setAcceptMode(QFileDialog::AcceptOpen);
    open_dlg_->setDefaultSuffix(QStringLiteral("dxf"));
    open_dlg_->setNameFilter(QStringLiteral("DXFファイル(図面） (*.dxf)"));

    save_dlg_ = new QFileDialog(this);
    save_dlg_->setObjectName("SaveDlg");
    save_dlg_->setOption(QFileDialog::DontUseNativeDialog);
    save_dlg_->setAcceptMode(QFileDialog::AcceptSave);
    save_dlg_->setFileMode(QFileDialog::AnyFile);
    save_dlg_->setDefaultSuffix(design_.save_suffix);
    save_dlg_->setNameFilter(design_.save_filter);
    save_dlg_->setOption(QFileDialog::DontConfirmOverwrite, !design_.confirm_overwrite);
}

FrameWindow::~FrameWindow() = default;

void FrameWindow::FormCreate(const QStringList& arguments) {
    const QString folder = QString::fromStdString(core::ExecutableDir()) + QLatin1Char('/');
    open_dlg_->setDirectory(folder);
    save_dlg_->setDirectory(folder);
    if (!arguments.isEmpty()) {
        open_dlg_->selectFile(arguments.front());
        save_dlg_->selectFile(ChangeFileExt(arguments.front(), design_.save_extension));
    }
}

void FrameWindow::Attach(TForm4* form4, TFrmSettei* settei, TFrmSize* size, TFrmTrase* trase) {
    form4_ = form4;
    settei_ = settei;
    size_ = size;
    trase_ = trase;
    mdi_area_->addSubWindow(form4_);
    form4_->show();
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
            &FrameWindow::Open1Click);
    connect(AddItem(file1, "N11", QStringLiteral("保存")), &QAction::triggered, this,
            &FrameWindow::N11Click);
    file1->addSeparator()->setObjectName("N3");
    connect(AddItem(file1, "Exit1", QStringLiteral("終了")), &QAction::triggered, this,
            &FrameWindow::Exit1Click);
    return file1;
}

QMenu* FrameWindow::AddEditMenu(bool trace_has_command) {
    QMenu* n9 = AddMenu("N9", QStringLiteral("編集"));
    connect(AddItem(n9, "N10", QStringLiteral("画像サイズ変更")), &QAction::triggered, this,
            &FrameWindow::N10Click);
    QAction* n12 = AddItem(n9, "N12", QStringLiteral("トレース"));
    if (trace_has_command) connect(n12, &QAction::triggered, this, &FrameWindow::N12Click);
    n9->menuAction()->setVisible(false);
    return n9;
}

QMenu* FrameWindow::AddSettingsMenu() {
    QMenu* n1 = AddMenu("N1", QStringLiteral("環境設定"));
    connect(AddItem(n1, "N4", QStringLiteral("変換設定")), &QAction::triggered, this,
            &FrameWindow::N4Click);
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

void FrameWindow::Open1Click() {
    open_dlg_->setWindowTitle(QStringLiteral("Dxfﾌｧｲﾙを開く"));
    const std::optional<QString> path = RunFileDialog(*open_dlg_);
    RunCommand([&] {
        core::DrawingDocument& document = form4_->Document();
        if (path) {
            core::LoadDxf(document, path->toStdString());
            form4_->setWindowTitle(*path);
        }
        // Also after a cancel: the settings dialog shows the control's size.
        settei_->SetLoadedSize(document.Image1.Width(), document.Image1.Height());
    });
}

void FrameWindow::Exit1Click() { close(); }

void FrameWindow::N10Click() {
    RunCommand([&] { size_->exec(); });
}

void FrameWindow::N12Click() {
    RunCommand([&] { trase_->exec(); });
}

void FrameWindow::N4Click() {
    RunCommand([&] { settei_->exec(); });
}

}  // namespace ui
