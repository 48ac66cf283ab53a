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

class TFrmSize : public ToolDialog {
    Q_OBJECT

  public:
    explicit TFrmSize(ImageAccess image, QWidget* parent = nullptr);

  private slots:
    void Button1Click();
    void Button2Click();

  private:
    void FormShow() override;

    ImageAccess image_;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* lblWidth;
    QLabel* lblHeight;
    QLabel* Label6;
    QLabel* Label7;
    QLineEdit* EdtWidth;
    QLineEdit* EdtHeight;
    QPushButton* Button1;
    QPushButton* Button2;
};

}  // namespace ui
