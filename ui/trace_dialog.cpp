#include "ui/trace_dialog.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <utility>

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include "core/number_text.h"
#include "tools/trace_engine.h"
#include "ui/desktop_conventions.h"
#include "ui/dialog_frame.h"
#include "ui/message_boxes.h"

namespace ui {
namespace {

constexpr const char* kKeysFile = "Image.txt";

// Moves a gauge through a pass of `total` steps, touching the widget only
// when its bar would be drawn differently: a setValue costs several times the
// processing of the pending events, which every pixel pays anyway.
class GaugeStepper {
  public:
    GaugeStepper(QProgressBar& bar, int64_t total) : bar_(bar), total_(total) {
        // A gauge cannot count beyond int; larger passes are shown scaled.
        range_ = static_cast<int>(std::min<int64_t>(total_, INT_MAX));
        // A range of 0 to 0 would turn the gauge into a busy indicator.
        bar_.setRange(0, std::max(range_, 1));
        bar_.setValue(0);
        levels_ = std::max(1, bar_.width());
        next_ = total_ == 0 ? 1 : NextChange(0);
    }

    void Step(int64_t done) {
        done_ = done;
        if (done_ >= next_) Show();
    }

    // Shows the exact count reached, wherever the pass stopped.
    void Show() {
        if (total_ == 0) return;
        bar_.setValue(static_cast<int>(range_ == total_ ? done_ : done_ * range_ / total_));
        next_ = NextChange(done_);
    }

  private:
    // The first count above `done` at which the bar gets another length; the
    // last step of the pass always counts, so a pass ends exactly.
    [[nodiscard]] int64_t NextChange(int64_t done) const {
        if (done >= total_) return total_ + 1;
        const int64_t level = done * levels_ / total_;
        const int64_t next = ((level + 1) * total_ + levels_ - 1) / levels_;
        return std::min(std::max(next, done + 1), total_);
    }

    QProgressBar& bar_;
    int64_t total_;
    int range_ = 0;
    int64_t levels_ = 1;
    int64_t done_ = 0;
    int64_t next_ = 1;
};

QLabel* PlaceTimePanel(QWidget* parent, const char* name, int left) {
    auto* panel = new QLabel(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setGeometry(left, 112, 89, 17);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, Qt::white);
    panel->setPalette(palette);
    return panel;
}

QProgressBar* PlaceGauge(QWidget* parent, const char* name, int top) {
    auto* gauge = new QProgressBar(parent);
    gauge->setObjectName(QString::fromLatin1(name));
    gauge->setGeometry(60, top, 241, 21);
    gauge->setTextVisible(false);
    gauge->setRange(0, 100);
    gauge->setValue(0);
    QPalette palette = gauge->palette();
    palette.setColor(QPalette::Highlight, QColor(0, 0, 128));
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Window, Qt::white);
    gauge->setPalette(palette);
    return gauge;
}

QRadioButton* PlaceRadio(QWidget* parent, const char* name, const QString& text, int left) {
    auto* radio = new QRadioButton(text, parent);
    radio->setObjectName(QString::fromLatin1(name));
    radio->setGeometry(left, 92, 73, 17);
    NarrowToFit(*radio, 73);
    return radio;
}

}  // namespace

// The dialog's controls as the trace engine sees them during one run.
class TraceDialog::Run final : public tools::TraceControls {
  public:
    Run(TraceDialog& dialog, int64_t total)
        : dialog_(dialog),
          first_(*dialog.first_gauge_, total),
          second_(*dialog.second_gauge_, total) {}

    tools::BaseColour Base() override {
        if (dialog_.red_base_->isChecked()) return tools::BaseColour::Red;
        if (dialog_.green_base_->isChecked()) return tools::BaseColour::Green;
        if (dialog_.blue_base_->isChecked()) return tools::BaseColour::Blue;
        return tools::BaseColour::None;
    }
    int Threshold() override { return dialog_.threshold_slider_->value(); }
    bool PaintBlack() override { return dialog_.paint_black_check_->isChecked(); }
    bool CancelRequested() override { return dialog_.cancel_; }

    void FirstPassStep(int64_t done) override {
        first_.Step(done);
        Tick();
    }
    void SecondPassStep(int64_t done) override {
        second_.Step(done);
        Tick();
    }
    void PassesSwitched() override {
        first_.Show();
        // From the sort until the keys are saved a cancel could no longer
        // leave the picture as it was.
        dialog_.cancel_button_->setEnabled(false);
    }
    void Cancelled() { first_.Show(); }

  private:
    void Tick() {
        ShowTime();
        QCoreApplication::processEvents();
    }

    // The clock text changes once a second, so it is formatted only then.
    void ShowTime() {
        using std::chrono::duration_cast;
        using std::chrono::seconds;
        using std::chrono::system_clock;
        const auto second = duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
        if (second == shown_second_) return;
        shown_second_ = second;
        dialog_.current_time_->setText(QString::fromStdString(core::ClockText()));
    }

    TraceDialog& dialog_;
    GaugeStepper first_;
    GaugeStepper second_;
    int64_t shown_second_ = -1;
};

TraceDialog::TraceDialog(raster::TImage& image, QWidget* parent)
    : ToolDialog(parent), image_(image) {
    setObjectName(QStringLiteral("FrmTrase"));
    SetUpDialogFrame(*this, QStringLiteral("トレース"), 303, 213, FrameButtons::CloseAndMinimise);

    threshold_slider_ = new TrackBar(Qt::Horizontal, this);
    threshold_slider_->setObjectName(QStringLiteral("TrackBar1"));
    threshold_slider_->setGeometry(8, 4, 285, 45);
    threshold_slider_->setRange(0, 100);
    threshold_slider_->setValue(50);
    threshold_slider_->setSingleStep(5);
    threshold_slider_->setPageStep(10);
    threshold_slider_->setTickPosition(QSlider::TicksBelow);
    threshold_slider_->setTickInterval(100);

    threshold_label_ = new QLabel(this);
    threshold_label_->setObjectName(QStringLiteral("lblValue"));
    threshold_label_->setGeometry(100, 52, 45, 12);
    threshold_label_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    PlaceLabel(this, "Label1", QStringLiteral("%"), 148, 52);

    paint_black_check_ = new QCheckBox(QStringLiteral("黒で塗りつぶす"), this);
    paint_black_check_->setObjectName(QStringLiteral("ChkBlack"));
    paint_black_check_->setGeometry(160, 52, 97, 17);
    NarrowToFit(*paint_black_check_, 97);

    QLabel* base_caption =
        PlaceLabel(this, "Label2",
                   QStringLiteral("背景色の基本色（白の場合は指定しないでください。）"), 8, 72);
    QFont bold = base_caption->font();
    bold.setBold(true);
    base_caption->setFont(bold);
    NarrowToFit(*base_caption, 303 - 8);
    base_caption->adjustSize();

    red_base_ = PlaceRadio(this, "RdoRed", QStringLiteral("赤（R)"), 8);
    green_base_ = PlaceRadio(this, "RdoGreen", QStringLiteral("緑(G)"), 92);
    blue_base_ = PlaceRadio(this, "RdoBlue", QStringLiteral("青(B)"), 172);
    // At most one base colour; none until the user picks one.
    base_group_ = new QButtonGroup(this);
    base_group_->setExclusive(true);
    base_group_->addButton(red_base_);
    base_group_->addButton(green_base_);
    base_group_->addButton(blue_base_);

    QLabel* start_caption = PlaceLabel(this, "Label3", QStringLiteral("開始時間"), 8, 116);
    start_time_ = PlaceTimePanel(this, "PnlST", 60);
    QLabel* now_caption = PlaceLabel(this, "Label4", QStringLiteral("現在時間"), 160, 116);
    current_time_ = PlaceTimePanel(this, "PnlTime", 212);

    QLabel* first_caption = PlaceLabel(this, "Label5", QStringLiteral("①トレース"), 4, 136);
    first_gauge_ = PlaceGauge(this, "Gg1", 132);
    QLabel* second_caption = PlaceLabel(this, "Label6", QStringLiteral("②トレース"), 4, 160);
    second_gauge_ = PlaceGauge(this, "Gg2", 156);
    // Each caption ends a little before its panel or gauge begins.
    const std::pair<QLabel*, int> captions[] = {{start_caption, 60 - 8 - 2},
                                                {now_caption, 212 - 160 - 2},
                                                {first_caption, 60 - 4 - 2},
                                                {second_caption, 60 - 4 - 2}};
    for (const auto& [caption, room] : captions) {
        NarrowToFit(*caption, room);
        caption->adjustSize();
    }

    start_button_ = PlaceButton(this, "Button1", QStringLiteral("トレース開始"), 68, 184);
    cancel_button_ = PlaceButton(this, "BtnCancel", QStringLiteral("トレース中止"), 144, 184);
    close_button_ = PlaceButton(this, "Button2", QStringLiteral("終了"), 220, 184);

    // The two time panels take no focus, so the chain skips them.
    SetTabChain({threshold_slider_, start_button_, close_button_, red_base_, green_base_,
                 blue_base_, paint_black_check_, cancel_button_});

    connect(threshold_slider_, &QSlider::valueChanged, this, &TraceDialog::ThresholdChanged);
    connect(start_button_, &QPushButton::clicked, this, &TraceDialog::StartClicked);
    connect(cancel_button_, &QPushButton::clicked, this, &TraceDialog::CancelClicked);
    connect(close_button_, &QPushButton::clicked, this, &TraceDialog::CloseClicked);
}

void TraceDialog::closeEvent(QCloseEvent* event) {
    if (running_) {
        close_pending_ = true;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TraceDialog::OnShow() {
    ShowThreshold();
    start_time_->clear();
    current_time_->clear();
}

void TraceDialog::ShowThreshold() {
    threshold_label_->setText(QString::fromStdString(core::WholeText(threshold_slider_->value())));
}

void TraceDialog::ThresholdChanged(int /*position*/) { ShowThreshold(); }

void TraceDialog::StartClicked() {
    // The run processes pending events after every pixel, so this button
    // stays live; a second run inside the first would trace a picture that
    // is being traced.
    if (running_) return;
    running_ = true;

    first_gauge_->setValue(0);
    second_gauge_->setValue(0);
    raster::TBitmap& bitmap = image_.Picture.Bitmap();
    const int64_t total =
        bitmap.HasPixels() ? static_cast<int64_t>(bitmap.Width()) * bitmap.Height() : 0;
    Run run(*this, total);
    start_time_->setText(QString::fromStdString(core::ClockText()));
    cancel_ = false;
    cancel_button_->setEnabled(true);

    RunCommand(this, [&] {
        if (tools::RunTrace(bitmap, run, kKeysFile) == tools::TraceOutcome::Cancelled) {
            run.Cancelled();
            ShowInfo(this, QStringLiteral("トレースを中止しました。"));
        } else {
            cancel_button_->setEnabled(true);
            ShowInfo(this, QStringLiteral("トレースが終了しました。"));
        }
    });

    running_ = false;
    if (close_pending_) {
        close_pending_ = false;
        reject();
    }
}

void TraceDialog::CancelClicked() { cancel_ = true; }

void TraceDialog::CloseClicked() {
    if (running_) {
        close_pending_ = true;
        return;
    }
    reject();
}

}  // namespace ui
