#pragma once
// The trace dialog "トレース": runs the two-level reduction of the picture
// with live controls, progress gauges and a clock, and can be cancelled
// during the first pass.
#include <QDialog>

#include "ui/dialog_frame.h"
#include "ui/image_access.h"

class QButtonGroup;
class QCheckBox;
class QCloseEvent;
class QKeyEvent;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QShowEvent;
class QSlider;

namespace ui {

class TFrmTrase : public ToolDialog {
    Q_OBJECT

  public:
    explicit TFrmTrase(ImageAccess image, QWidget* parent = nullptr);

    // Whether a run is in progress (its handler is still on the stack).
    [[nodiscard]] bool Running() const { return running_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private slots:
    void TrackBar1Change(int position);
    void Button1Click();
    void BtnCancelClick();
    void Button2Click();

  private:
    class Run;

    void FormShow() override;
    void ShowThreshold();

    ImageAccess image_;
    bool cancel_ = false;
    bool running_ = false;
    // A close asked for during a run, carried out when the run has ended.
    bool close_pending_ = false;

    QSlider* TrackBar1;
    QLabel* lblValue;
    QLabel* Label1;
    QCheckBox* ChkBlack;
    QLabel* Label2;
    QRadioButton* RdoRed;
    QRadioButton* RdoGreen;
    QRadioButton* RdoBlue;
    QButtonGroup* base_group_;
    QLabel* Label3;
    QLabel* PnlST;
    QLabel* Label4;
    QLabel* PnlTime;
    QLabel* Label5;
    QProgressBar* Gg1;
    QLabel* Label6;
    QProgressBar* Gg2;
    QPushButton* Button1;
    QPushButton* BtnCancel;
    QPushButton* Button2;
};

}  // namespace ui
