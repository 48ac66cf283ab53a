#include "ui/resize_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/number_text.h"
#include "tools/resize_engine.h"
#include "ui/desktop_conventions.h"
#include "ui/dialog_frame.h"
#include "ui/message_boxes.h"

namespace ui {
ResizeDialog::ResizeDialog(raster::TImage& image, QWidget* parent)
    : ToolDialog(parent), image_(image) {
    setObjectName(QStringLiteral("FrmSize"));
    SetUpDialogFrame(*this, QStringLiteral("画像サイズの変更"), 321, 118,
                     FrameButtons::CloseAndMinimise);

    PlaceLabel(this, "Label1", QStringLiteral("現在の画像サイズ"), 8, 8);
    PlaceLabel(this, "Label2", QStringLiteral("幅"), 40, 32);
    PlaceLabel(this, "Label3", QStringLiteral("高さ"), 40, 56);
    current_width_ = PlaceLabel(this, "lblWidth", QString(), 96, 32);
    current_height_ = PlaceLabel(this, "lblHeight", QString(), 96, 56);
    PlaceLabel(this, "Label6", QStringLiteral("→"), 152, 32);
    PlaceLabel(this, "Label7", QStringLiteral("→"), 152, 56);
    width_entry_ = PlaceEntry(this, "EdtWidth", 184, 30, 121);
    height_entry_ = PlaceEntry(this, "EdtHeight", 184, 52, 121);
    change_button_ = PlaceButton(this, "Button1", QStringLiteral("変更"), 88, 88);
    cancel_button_ = PlaceButton(this, "Button2", QStringLiteral("キャンセル"), 168, 88);

    SetTabChain({width_entry_, height_entry_, change_button_, cancel_button_});
    SelectAllOnFocus(*width_entry_);
    SelectAllOnFocus(*height_entry_);

    connect(change_button_, &QPushButton::clicked, this, &ResizeDialog::ChangeClicked);
    connect(cancel_button_, &QPushButton::clicked, this, &ResizeDialog::CancelClicked);
}

void ResizeDialog::OnShow() {
    const raster::TBitmap& bitmap = image_.Picture.Bitmap();
    const QString width = QString::fromStdString(core::WholeText(bitmap.Width()));
    const QString height = QString::fromStdString(core::WholeText(bitmap.Height()));
    current_width_->setText(width);
    current_width_->adjustSize();
    width_entry_->setText(width);
    current_height_->setText(height);
    current_height_->adjustSize();
    height_entry_->setText(height);
    // Whichever entry the showing focuses, typing replaces its value.
    width_entry_->selectAll();
    height_entry_->selectAll();
}

void ResizeDialog::ChangeClicked() {
    const bool resized = RunCommand(this, [&] {
        tools::ResizeFromEntries(image_, width_entry_->text().toStdString(),
                                 height_entry_->text().toStdString());
    });
    if (resized) accept();
}

void ResizeDialog::CancelClicked() { reject(); }

}  // namespace ui
