#pragma once
// The settings dialog "変換設定": the image control's size and whether a
// larger picture is shrunk to fit it; every completed OK also saves the
// picture as "tmp.bmp".
#include <cstdint>
#include <string>

#include <QDialog>

#include "raster/timage.h"
#include "tools/settings_engine.h"
#include "ui/dialog_frame.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace ui {

class DisplaySettingsDialog : public ToolDialog, private tools::SettingsView {
    Q_OBJECT

  public:
    explicit DisplaySettingsDialog(raster::TImage& image, QWidget* parent = nullptr);

    // The image control's size after an Open, shown in the read-only boxes.
    void SetLoadedSize(int32_t width, int32_t height);

  private slots:
    void OkClicked();
    void CancelClicked();

  private:
    void OnShow() override;

    // tools::SettingsView
    void ShowMessage(const std::string& text) override;
    void FocusWidth() override;
    void FocusHeight() override;

    raster::TImage& image_;

    QComboBox* colour_box_;
    QGroupBox* loaded_group_;
    QLineEdit* loaded_width_;
    QLineEdit* loaded_height_;
    QCheckBox* apply_size_check_;
    QGroupBox* size_group_;
    QLineEdit* width_entry_;
    QLineEdit* height_entry_;
    QCheckBox* shrink_check_;
    QPushButton* ok_button_;
    QPushButton* cancel_button_;
};

}  // namespace ui
