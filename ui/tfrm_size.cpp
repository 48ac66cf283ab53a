#include "ui/tfrm_size.h"

#include <exception>
#include <utility>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/number_text.h"
#include "tools/resize_engine.h"
#include "ui/dialog_frame.h"
#include "ui/message_boxes.h"

namespace ui {
namespace {

QLineEdit* MakeEntry(QWidget* parent, const char* name, int left, int top) {
    auto* entry = new QLineEdit(parent);
    entry->setObjectName(QString::fromLatin1(name));
    entry->setGeometry(left, top, 121, 20);
    return entry;
}

}  // namespace

TFrmSize::TFrmSize(ImageAccess image, QWidget* parent)
    : ToolDialog(parent), image_(std::move(image)) {
    setObjectName(QStringLiteral("FrmSize"));
    SetUpDialogFrame(*this, QStringLiteral("画像サイズの変更"), 321, 118,
                     FrameButtons::CloseAndMinimise);

    Label1 = PlaceLabel(this, "Label1", QStringLiteral("現在の画像サイズ"), 8, 8);
    Label2 = PlaceLabel(this, "Label2", QStringLiteral("幅"), 40, 32);
    Label3 = PlaceLabel(this, "Label3", QStringLiteral("高さ"), 40, 56);
    lblWidth = PlaceLabel(this, "lblWidth", QString(), 96, 32);
    lblHeight = PlaceLabel(this, "lblHeight", QString(), 96, 56);
    Label6 = PlaceLabel(this, "Label6", QStringLiteral("→"), 152, 32);
    Label7 = PlaceLabel(this, "Label7", QStringLiteral("→"), 152, 56);
    EdtWidth = MakeEntry(this, "EdtWidth", 184, 30);
    EdtHeight = MakeEntry(this, "EdtHeight", 184, 52);
    Button1 = PlaceButton(this, "Button1", QStringLiteral("変更"), 88, 88);
    Button2 = PlaceButton(this, "Button2", QStringLiteral("キャンセル"), 168, 88);

    SetTabChain({EdtWidth, EdtHeight, Button1, Button2});

    connect(Button1, &QPushButton::clicked, this, &TFrmSize::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TFrmSize::Button2Click);
}

void TFrmSize::FormShow() {
    const raster::TBitmap& bitmap = image_().Picture.Bitmap();
    const QString width = QString::fromStdString(core::WholeText(bitmap.Width()));
    const QString height = QString::fromStdString(core::WholeText(bitmap.Height()));
    lblWidth->setText(width);
    lblWidth->adjustSize();
    EdtWidth->setText(width);
    lblHeight->setText(height);
    lblHeight->adjustSize();
    EdtHeight->setText(height);
}

void TFrmSize::Button1Click() {
    try {
        tools::ResizeFromEntries(image_(), EdtWidth->text().toStdString(),
                                 EdtHeight->text().toStdString());
    } catch (const std::exception& failure) {
        ShowError(this, QString::fromUtf8(failure.what()));
        return;
    }
    accept();
}

void TFrmSize::Button2Click() { reject(); }

}  // namespace ui
