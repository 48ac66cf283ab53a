#pragma once
// The resize dialog "画像サイズの変更": shows the picture's size and resizes it
// by nearest sample to the size typed in.
#include <QDialog>

#include "ui/dialog_frame.h"
#include "ui/image_access.h"

class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;

namespace ui {

class ResizeDialog : public ToolDialog {
    Q_OBJECT

  public:
    explicit ResizeDialog(ImageAccess image, QWidget* parent = nullptr);

  private slots:
    void ChangeClicked();
    void CancelClicked();

  private:
    void OnShow() override;

    ImageAccess image_;
    QLabel* current_width_;
    QLabel* current_height_;
    QLineEdit* width_entry_;
    QLineEdit* height_entry_;
    QPushButton* change_button_;
    QPushButton* cancel_button_;
};

}  // namespace ui
