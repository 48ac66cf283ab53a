#pragma once
// The trace dialog "トレース": runs the two-level reduction of the picture
// with live controls, progress gauges and a clock, and can be cancelled
// during the first pass.
#include <QDialog>

#include "raster/timage.h"
#include "ui/dialog_frame.h"

class QButtonGroup;
class QCheckBox;
class QCloseEvent;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;

namespace ui {

class TraceDialog : public ToolDialog {
    Q_OBJECT

  public:
    explicit TraceDialog(raster::TImage& image, QWidget* parent = nullptr);

    // Whether a run is in progress (its handler is still on the stack).
    [[nodiscard]] bool Running() const { return running_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private slots:
    void ThresholdChanged(int position);
    void StartClicked();
    void CancelClicked();
    void CloseClicked();

  private:
    class Run;

    void OnShow() override;
    void ShowThreshold();

    raster::TImage& image_;
    bool cancel_ = false;
    bool running_ = false;
    // A close asked for during a run, carried out when the run has ended.
    bool close_pending_ = false;

    QSlider* threshold_slider_;
    QLabel* threshold_label_;
    QCheckBox* paint_black_check_;
    QRadioButton* red_base_;
    QRadioButton* green_base_;
    QRadioButton* blue_base_;
    QButtonGroup* base_group_;
    QLabel* start_time_;
    QLabel* current_time_;
    QProgressBar* first_gauge_;
    QProgressBar* second_gauge_;
    QPushButton* start_button_;
    QPushButton* cancel_button_;
    QPushButton* close_button_;
};

}  // namespace ui
