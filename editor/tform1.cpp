#include "editor/tform1.h"

#include <QMenu>
#include <string_view>

#include "core/dxf_export.h"
#include "ui/tform4.h"

namespace korvane {
namespace {

ui::FrameWindow::Design EditorDesign() {
    ui::FrameWindow::Design design;
    design.caption = QStringLiteral("Korvane Ver 1.00");
    design.width = TForm1::kDesignedWidth;
    design.height = TForm1::kDesignedHeight;
    design.save_suffix = QStringLiteral("Dxf");
    design.save_filter = QStringLiteral("DXFファイル (*.dxf)");
    design.save_extension = QStringLiteral(".DXF");
    design.confirm_overwrite = true;
    return design;
}

editing::MouseButton PickButton(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return editing::MouseButton::Left;
        case Qt::RightButton:
            return editing::MouseButton::Right;
        default:
            return editing::MouseButton::Middle;
    }
}

}  // namespace

TForm1::TForm1(QWidget* parent) : FrameWindow(EditorDesign(), parent) {
    BuildMenus();

    panel1_ = new QLabel;
    panel1_->setObjectName("Panel1");
    panel1_->setFixedHeight(kPanelHeight);
    // The longest status text is wider than the window: cut it, never widen.
    panel1_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    panel1_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel1_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    panel1_->setTextFormat(Qt::PlainText);
    panel1_->setAutoFillBackground(true);
    QPalette white = panel1_->palette();
    white.setColor(QPalette::Window, Qt::white);
    panel1_->setPalette(white);
    SetBottomPanel(panel1_);
}

TForm1::~TForm1() = default;

void TForm1::BuildMenus() {
    AddFileMenu();
    AddEditMenu(false);  // the editor's trace item has no command

    QMenu* n2 = AddMenu("N2", QStringLiteral("作図"));
    ndel_ = AddItem(n2, "NDel", QStringLiteral("削除モード"));
    ndel_->setCheckable(true);
    connect(ndel_, &QAction::triggered, this, &TForm1::NDelClick);
    nline_ = AddItem(n2, "NLine", QStringLiteral("直線モード"));
    nline_->setCheckable(true);
    connect(nline_, &QAction::triggered, this, &TForm1::NLineClick);

    AddSettingsMenu();
}

void TForm1::OnAttached() {
    pick_modes_ =
        std::make_unique<editing::PickModes>(Form4()->Document(), [this](std::string_view text) {
            panel1_->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
        });
    connect(Form4()->Image1(), &ui::PictureView::MousePressed, this, &TForm1::Image1MouseDown);
    connect(Form4(), &ui::TForm4::KeyPressed, this, &TForm1::FormKeyDown);
}

void TForm1::ShowMode() {
    const editing::Mode mode = pick_modes_ ? pick_modes_->CurrentMode() : editing::Mode::None;
    ndel_->setChecked(mode == editing::Mode::Delete);
    nline_->setChecked(mode == editing::Mode::Line);
}

void TForm1::NDelClick() {
    if (pick_modes_) RunCommand([&] { pick_modes_->NDelClick(); });
    ShowMode();
}

void TForm1::NLineClick() {
    if (pick_modes_) RunCommand([&] { pick_modes_->NLineClick(); });
    ShowMode();
}

void TForm1::Image1MouseDown(Qt::MouseButton button, int x, int y) {
    if (pick_modes_) RunCommand([&] { pick_modes_->Image1MouseDown(PickButton(button), x, y); });
}

void TForm1::FormKeyDown(int key) {
    if (pick_modes_) RunCommand([&] { pick_modes_->FormKeyDown(key); });
}

void TForm1::N11Click() {
    const std::optional<QString> path = RunFileDialog(SaveDlg());
    if (!path) return;
    Form4()->setWindowTitle(*path);
    RunCommand([&] { core::SaveDxf(Form4()->Document(), path->toStdString()); });
}

}  // namespace korvane
