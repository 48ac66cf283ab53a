#pragma once
// The on-screen side of the drawing window's image control Image1. The
// document (raster::TImage) owns size, switch and picture; this widget only
// shows them and turns mouse presses into control-pixel coordinates.
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "raster/timage.h"

namespace ui {

class PictureView : public QWidget, public raster::TImage::Display {
    Q_OBJECT

  public:
    // Changes between two turns of the event loop within this time give one
    // repaint; the trace tool changes one pixel per turn.
    static constexpr int kRepaintDelayMs = 15;

    explicit PictureView(raster::TImage& image, QWidget* parent = nullptr);
    ~PictureView() override;

    [[nodiscard]] raster::TImage& Image() { return image_; }
    // A command has ended: what it changed is repainted at the next turn of
    // the event loop instead of after the merging delay.
    void ShowPending();

    // raster::TImage::Display
    void PictureChanged() override;
    void ControlChanged() override;
    void RefreshNow() override;

  signals:
    // x and y are control pixels, origin at the control's top-left corner.
    void MousePressed(Qt::MouseButton button, int x, int y);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    void FlushPending();
    void ApplyControlSize();
    // The control area the picture covers, already cut to the control.
    [[nodiscard]] QRect ShownRect() const;
    [[nodiscard]] bool Reduced() const;
    const std::vector<int32_t>& Columns(int32_t source, int32_t shown);
    const std::vector<int32_t>& Rows(int32_t source, int32_t shown);
    // The shown part of a reduced picture, sampled again after each change.
    const QImage& ReducedImage();

    raster::TImage& image_;
    QTimer repaint_timer_;
    // Identity of the bitmap last shown: a handed-over bitmap only reports
    // what was drawn on it, not its white background, so it repaints whole.
    const raster::TBitmap* shown_bitmap_ = nullptr;
    bool whole_pending_ = true;

    struct Samples {
        int32_t source = -1;
        int32_t shown = -1;
        std::vector<int32_t> indices;
    };
    Samples columns_;
    Samples rows_;
    QImage reduced_;
    bool reduced_stale_ = true;
};

}  // namespace ui
