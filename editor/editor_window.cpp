#include "editor/editor_window.h"

#include <QMenu>
#include <string_view>

#include "core/dxf_export.h"
#include "ui/drawing_window.h"

namespace korvane {
namespace {

ui::FrameWindow::Design EditorDesign() {
    ui::FrameWindow::Design design;
    design.caption = QStringLiteral("Korvane Ver 1.00");
    design.width = EditorWindow::kDesignedWidth;
    design.height = EditorWindow::kDesignedHeight;
    design.save_suffix = QStringLiteral("Dxf");
    design.save_filter = QStringLiteral("DXFファイル (*.dxf)");
    design.save_extension = QStringLiteral(".DXF");
    design.confirm_overwrite = true;
    design.icon = QStringLiteral("korvane");
    return design;
}

editing::MouseButton PickButton(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return editing::MouseButton::Left;
        case Qt::RightButton:
            return editing::MouseButton::Right;
        case Qt::MiddleButton:
            return editing::MouseButton::Middle;
        default:
            return editing::MouseButton::Other;
    }
}

editing::Key PickKey(int key) {
    switch (key) {
        case Qt::Key_Delete:
            return editing::Key::Delete;
        case Qt::Key_Escape:
            return editing::Key::Escape;
        default:
            return editing::Key::Other;
    }
}

}  // namespace

EditorWindow::EditorWindow(QWidget* parent) : FrameWindow(EditorDesign(), parent) {
    BuildMenus();

    status_line_ = new QLabel;
    status_line_->setObjectName("Panel1");
    status_line_->setFixedHeight(kPanelHeight);
    // The longest status text is wider than the window: cut it, never widen.
    status_line_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    status_line_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    status_line_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    status_line_->setTextFormat(Qt::PlainText);
    status_line_->setAutoFillBackground(true);
    QPalette white = status_line_->palette();
    white.setColor(QPalette::Window, Qt::white);
    status_line_->setPalette(white);
    SetBottomPanel(status_line_);
}

EditorWindow::~EditorWindow() = default;

void EditorWindow::BuildMenus() {
    AddFileMenu();
    AddEditMenu(TraceItem::Inert);

    QMenu* n2 = AddMenu("N2", QStringLiteral("作図"));
    delete_mode_item_ = AddItem(n2, "NDel", QStringLiteral("削除モード"));
    delete_mode_item_->setCheckable(true);
    connect(delete_mode_item_, &QAction::triggered, this, &EditorWindow::DeleteModeCommand);
    line_mode_item_ = AddItem(n2, "NLine", QStringLiteral("直線モード"));
    line_mode_item_->setCheckable(true);
    connect(line_mode_item_, &QAction::triggered, this, &EditorWindow::LineModeCommand);

    AddSettingsMenu();
}

void EditorWindow::OnAttached() {
    pick_modes_ =
        std::make_unique<editing::PickModes>(Drawing()->Document(), [this](std::string_view text) {
            status_line_->setText(
                QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
        });
    connect(Drawing()->Picture(), &ui::PictureView::MousePressed, this,
            &EditorWindow::PicturePressed);
    connect(Drawing(), &ui::DrawingWindow::KeyPressed, this, &EditorWindow::DrawingKeyPressed);
}

void EditorWindow::ShowMode() {
    const editing::Mode mode = pick_modes_ ? pick_modes_->CurrentMode() : editing::Mode::None;
    delete_mode_item_->setChecked(mode == editing::Mode::Delete);
    line_mode_item_->setChecked(mode == editing::Mode::Line);
}

void EditorWindow::DeleteModeCommand() {
    if (pick_modes_) RunCommand(this, [&] { pick_modes_->NDelClick(); });
    ShowMode();
}

void EditorWindow::LineModeCommand() {
    if (pick_modes_) RunCommand(this, [&] { pick_modes_->NLineClick(); });
    ShowMode();
}

void EditorWindow::PicturePressed(Qt::MouseButton button, int x, int y) {
    if (!pick_modes_) return;
    RunCommand(this, [&] { pick_modes_->Image1MouseDown(PickButton(button), x, y); });
    Drawing()->Picture()->ShowPending();
}

void EditorWindow::DrawingKeyPressed(int key) {
    if (!pick_modes_) return;
    RunCommand(this, [&] { pick_modes_->FormKeyDown(PickKey(key)); });
    Drawing()->Picture()->ShowPending();
}

void EditorWindow::SaveCommand() {
    const std::optional<QString> path = RunFileDialog(SaveDialog());
    if (!path) return;
    Drawing()->setWindowTitle(*path);
    RunCommand(this, [&] { core::SaveDxf(Drawing()->Document(), path->toStdString()); });
}

}  // namespace korvane
