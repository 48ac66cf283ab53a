#pragma once
// The resize dialog "画像サイズの変更": shows the picture's size and resizes it
// by nearest sample to the size typed in.
#include <QDialog>

#include "raster/timage.h"
#include "ui/dialog_frame.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace ui {

class ResizeDialog : public ToolDialog {
    Q_OBJECT

  public:
    explicit ResizeDialog(raster::TImage& image, QWidget* parent = nullptr);

  private slots:
    void ChangeClicked();
    void CancelClicked();

  private:
    void OnShow() override;

    raster::TImage& image_;
    QLabel* current_width_;
    QLabel* current_height_;
    QLineEdit* width_entry_;
    QLineEdit* height_entry_;
    QPushButton* change_button_;
    QPushButton* cancel_button_;
};

}  // namespace ui
