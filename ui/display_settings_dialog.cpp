#include "ui/display_settings_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/number_text.h"
#include "ui/dialog_frame.h"
#include "ui/message_boxes.h"

namespace ui {
namespace {

QGroupBox* PlaceGroup(QWidget* parent, const char* name, const QString& title, int left, int top,
                      int width) {
    auto* group = new QGroupBox(title, parent);
    group->setObjectName(QString::fromLatin1(name));
    group->setGeometry(left, top, width, 73);
    // The caption sits on the frame's top line, as the boxes inside were
    // placed for; the style's own group box puts it above the frame.
    group->setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid palette(mid); margin-top: 6px; }"
        "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }"));
    return group;
}

QCheckBox* PlaceCheckBox(QWidget* parent, const char* name, const QString& text, int left, int top,
                         int width) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(left, top, width, 17);
    NarrowToFit(*box, width);
    return box;
}

// Sizes are typed in digits only; an input method would only be in the way.
void DisableInputMethod(QLineEdit& box) {
    box.setAttribute(Qt::WA_InputMethodEnabled, false);
    box.setInputMethodHints(Qt::ImhLatinOnly | Qt::ImhNoPredictiveText);
}

}  // namespace

DisplaySettingsDialog::DisplaySettingsDialog(raster::TImage& image, QWidget* parent)
    : ToolDialog(parent), image_(image) {
    setObjectName(QStringLiteral("FrmSettei"));
    SetUpDialogFrame(*this, QStringLiteral("変換設定"), 368, 214, FrameButtons::CloseOnly);

    PlaceLabel(this, "Label5", QStringLiteral("色の設定"), 16, 8);
    // Offered but read by nothing.
    colour_box_ = new QComboBox(this);
    colour_box_->setObjectName(QStringLiteral("ComboBox1"));
    colour_box_->setEditable(true);
    colour_box_->setGeometry(80, 8, 145, 20);
    colour_box_->setEditText(QStringLiteral("ComboBox1"));

    loaded_group_ = PlaceGroup(this, "GroupBox1", QStringLiteral("読込時のサイズ"), 8, 52, 125);
    PlaceLabel(loaded_group_, "Label1", QStringLiteral("X"), 12, 20);
    loaded_width_ = PlaceEntry(loaded_group_, "Edit1", 32, 16, 77);
    loaded_width_->setReadOnly(true);
    loaded_width_->setText(QStringLiteral("Edit1"));
    PlaceLabel(loaded_group_, "Label2", QStringLiteral("Y"), 12, 44);
    loaded_height_ = PlaceEntry(loaded_group_, "Edit2", 32, 40, 77);
    loaded_height_->setReadOnly(true);
    loaded_height_->setText(QStringLiteral("Edit1"));

    apply_size_check_ = PlaceCheckBox(
        this, "CheckBox2", QStringLiteral("表示されている図面のサイズを変更する"), 140, 52, 225);

    size_group_ = PlaceGroup(this, "GroupBox2", QStringLiteral("指定のサイズ"), 156, 72, 145);
    PlaceLabel(size_group_, "Label3", QStringLiteral("X"), 12, 20);
    width_entry_ = PlaceEntry(size_group_, "Edit3", 32, 16, 77);
    DisableInputMethod(*width_entry_);
    PlaceLabel(size_group_, "Label4", QStringLiteral("Y"), 12, 44);
    height_entry_ = PlaceEntry(size_group_, "Edit4", 32, 40, 77);
    DisableInputMethod(*height_entry_);

    shrink_check_ =
        PlaceCheckBox(this, "CheckBox1", QStringLiteral("画面にあわせて縮小する"), 156, 152, 145);

    ok_button_ = PlaceButton(this, "Button1", QStringLiteral("OK"), 112, 180);
    cancel_button_ = PlaceButton(this, "Button2", QStringLiteral("ｷｬﾝｾﾙ"), 192, 180);

    SetTabChain({loaded_width_, loaded_height_, width_entry_, height_entry_, ok_button_,
                 cancel_button_, shrink_check_, apply_size_check_, colour_box_});

    connect(ok_button_, &QPushButton::clicked, this, &DisplaySettingsDialog::OkClicked);
    connect(cancel_button_, &QPushButton::clicked, this, &DisplaySettingsDialog::CancelClicked);
}

void DisplaySettingsDialog::SetLoadedSize(int32_t width, int32_t height) {
    loaded_width_->setText(QString::fromStdString(core::WholeText(width)));
    loaded_height_->setText(QString::fromStdString(core::WholeText(height)));
}

void DisplaySettingsDialog::OnShow() { width_entry_->setFocus(); }

void DisplaySettingsDialog::OkClicked() {
    tools::SettingsEntries entries;
    entries.apply_size = apply_size_check_->isChecked();
    entries.width_text = width_entry_->text().toStdString();
    entries.height_text = height_entry_->text().toStdString();
    entries.proportional = shrink_check_->isChecked();
    bool applied = false;
    RunCommand(this, [&] { applied = tools::ApplySettings(entries, image_, *this); });
    if (applied) accept();
}

void DisplaySettingsDialog::CancelClicked() { reject(); }

void DisplaySettingsDialog::ShowMessage(const std::string& text) {
    ShowInfo(this, QString::fromStdString(text));
}

void DisplaySettingsDialog::FocusWidth() { width_entry_->setFocus(); }

void DisplaySettingsDialog::FocusHeight() { height_entry_->setFocus(); }

}  // namespace ui
