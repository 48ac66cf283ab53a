#include "ui/tfrm_settei.h"

#include <exception>
#include <utility>

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

QLineEdit* PlaceSizeBox(QWidget* parent, const char* name, int top) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(32, top, 77, 20);
    return box;
}

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

TFrmSettei::TFrmSettei(ImageAccess image, QWidget* parent)
    : ToolDialog(parent), image_(std::move(image)) {
    setObjectName(QStringLiteral("FrmSettei"));
    SetUpDialogFrame(*this, QStringLiteral("変換設定"), 368, 214, FrameButtons::CloseOnly);

    Label5 = PlaceLabel(this, "Label5", QStringLiteral("色の設定"), 16, 8);
    // Offered but read by nothing.
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(true);
    ComboBox1->setGeometry(80, 8, 145, 20);
    ComboBox1->setEditText(QStringLiteral("ComboBox1"));

    GroupBox1 = PlaceGroup(this, "GroupBox1", QStringLiteral("読込時のサイズ"), 8, 52, 125);
    Label1 = PlaceLabel(GroupBox1, "Label1", QStringLiteral("X"), 12, 20);
    Edit1 = PlaceSizeBox(GroupBox1, "Edit1", 16);
    Edit1->setReadOnly(true);
    Edit1->setText(QStringLiteral("Edit1"));
    Label2 = PlaceLabel(GroupBox1, "Label2", QStringLiteral("Y"), 12, 44);
    Edit2 = PlaceSizeBox(GroupBox1, "Edit2", 40);
    Edit2->setReadOnly(true);
    Edit2->setText(QStringLiteral("Edit1"));

    CheckBox2 = PlaceCheckBox(this, "CheckBox2",
                              QStringLiteral("表示されている図面のサイズを変更する"), 140, 52, 225);

    GroupBox2 = PlaceGroup(this, "GroupBox2", QStringLiteral("指定のサイズ"), 156, 72, 145);
    Label3 = PlaceLabel(GroupBox2, "Label3", QStringLiteral("X"), 12, 20);
    Edit3 = PlaceSizeBox(GroupBox2, "Edit3", 16);
    DisableInputMethod(*Edit3);
    Label4 = PlaceLabel(GroupBox2, "Label4", QStringLiteral("Y"), 12, 44);
    Edit4 = PlaceSizeBox(GroupBox2, "Edit4", 40);
    DisableInputMethod(*Edit4);

    CheckBox1 =
        PlaceCheckBox(this, "CheckBox1", QStringLiteral("画面にあわせて縮小する"), 156, 152, 145);

    Button1 = PlaceButton(this, "Button1", QStringLiteral("OK"), 112, 180);
    Button2 = PlaceButton(this, "Button2", QStringLiteral("ｷｬﾝｾﾙ"), 192, 180);

    SetTabChain({Edit1, Edit2, Edit3, Edit4, Button1, Button2, CheckBox1, CheckBox2, ComboBox1});

    connect(Button1, &QPushButton::clicked, this, &TFrmSettei::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TFrmSettei::Button2Click);
}

void TFrmSettei::SetLoadedSize(int32_t width, int32_t height) {
    Edit1->setText(QString::fromStdString(core::WholeText(width)));
    Edit2->setText(QString::fromStdString(core::WholeText(height)));
}

void TFrmSettei::FormShow() { Edit3->setFocus(); }

void TFrmSettei::Button1Click() {
    tools::SettingsEntries entries;
    entries.apply_size = CheckBox2->isChecked();
    entries.width_text = Edit3->text().toStdString();
    entries.height_text = Edit4->text().toStdString();
    entries.proportional = CheckBox1->isChecked();
    bool applied = false;
    try {
        applied = tools::ApplySettings(entries, image_(), *this);
    } catch (const std::exception& failure) {
        ShowError(this, QString::fromUtf8(failure.what()));
        return;
    }
    if (applied) accept();
}

void TFrmSettei::Button2Click() { reject(); }

void TFrmSettei::ShowMessage(const std::string& text) {
    ShowInfo(this, QString::fromStdString(text));
}

void TFrmSettei::FocusWidth() { Edit3->setFocus(); }

void TFrmSettei::FocusHeight() { Edit4->setFocus(); }

}  // namespace ui
