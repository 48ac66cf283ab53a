#pragma once
// The settings dialog "変換設定": the image control's size and whether a
// larger picture is shrunk to fit it; every completed OK also saves the
// picture as "tmp.bmp".
#include <cstdint>
#include <string>

#include <QDialog>

#include "tools/settings_engine.h"
#include "ui/dialog_frame.h"
#include "ui/image_access.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;

namespace ui {

class TFrmSettei : public ToolDialog, private tools::SettingsView {
    Q_OBJECT

  public:
    explicit TFrmSettei(ImageAccess image, QWidget* parent = nullptr);

    // The image control's size after an Open, shown in the read-only boxes.
    void SetLoadedSize(int32_t width, int32_t height);

  private slots:
    void Button1Click();
    void Button2Click();

  private:
    void FormShow() override;

    // tools::SettingsView
    void ShowMessage(const std::string& text) override;
    void FocusWidth() override;
    void FocusHeight() override;

    ImageAccess image_;

    QLabel* Label5;
    QComboBox* ComboBox1;
    QGroupBox* GroupBox1;
    QLabel* Label1;
    QLineEdit* Edit1;
    QLabel* Label2;
    QLineEdit* Edit2;
    QCheckBox* CheckBox2;
    QGroupBox* GroupBox2;
    QLabel* Label3;
    QLineEdit* Edit3;
    QLabel* Label4;
    QLineEdit* Edit4;
    QCheckBox* CheckBox1;
    QPushButton* Button1;
    QPushButton* Button2;
};

}  // namespace ui
