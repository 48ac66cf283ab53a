#include "ui/picture_view.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <algorithm>

#include "raster/display_rect.h"

namespace ui {
PictureView::PictureView(raster::TImage& image, QWidget* parent) : QWidget(parent), image_(image) {
    setAttribute(Qt::WA_StaticContents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    repaint_timer_.setSingleShot(true);
    repaint_timer_.setInterval(kRepaintDelayMs);
    connect(&repaint_timer_, &QTimer::timeout, this, &PictureView::FlushPending);
    ApplyControlSize();
    shown_bitmap_ = image_.Picture.Content();
    image_.SetDisplay(this);
}

PictureView::~PictureView() { image_.SetDisplay(nullptr); }

void PictureView::PictureChanged() {
    reduced_stale_ = true;
    // Checked here rather than on the timer: a replaced bitmap's address may
    // be reused by a later one before the timer fires.
    if (image_.Picture.Content() != shown_bitmap_) {
        shown_bitmap_ = image_.Picture.Content();
        whole_pending_ = true;
    }
    if (!repaint_timer_.isActive()) repaint_timer_.start();
}

void PictureView::ControlChanged() {
    reduced_stale_ = true;
    ApplyControlSize();
    whole_pending_ = true;
    if (!repaint_timer_.isActive()) repaint_timer_.start();
}

void PictureView::RefreshNow() {
    reduced_stale_ = true;
    repaint_timer_.stop();
    if (image_.Picture.HasContent()) (void)image_.Picture.Bitmap().TakeDirty();
    shown_bitmap_ = image_.Picture.Content();
    whole_pending_ = false;
    repaint();
}

void PictureView::ShowPending() {
    if (!repaint_timer_.isActive()) return;
    repaint_timer_.stop();
    FlushPending();
}

void PictureView::FlushPending() {
    // Changes after the first one since the last flush are not announced.
    reduced_stale_ = true;
    if (!image_.Picture.HasContent()) {
        if (whole_pending_) update();
        whole_pending_ = false;
        return;
    }
    // Taking the dirty area re-arms the bitmap's notification.
    const raster::DirtyRect dirty = image_.Picture.Bitmap().TakeDirty();
    if (whole_pending_) {
        update();
    } else if (!dirty.Empty()) {
        if (Reduced()) {
            update(ShownRect());
        } else {
            update(
                QRect(dirty.left, dirty.top, dirty.right - dirty.left, dirty.bottom - dirty.top) &
                rect());
        }
    }
    whole_pending_ = false;
}

void PictureView::ApplyControlSize() {
    resize(std::max(0, image_.Width()), std::max(0, image_.Height()));
}

bool PictureView::Reduced() const {
    const raster::TBitmap* bitmap = image_.Picture.Content();
    if (bitmap == nullptr) return false;
    const raster::DisplaySize shown = raster::DisplayRect(
        bitmap->Width(), bitmap->Height(), image_.Width(), image_.Height(), image_.Proportional());
    return shown.width != bitmap->Width() || shown.height != bitmap->Height();
}

QRect PictureView::ShownRect() const {
    const raster::TBitmap* bitmap = image_.Picture.Content();
    if (bitmap == nullptr || !bitmap->HasPixels()) return {};
    const raster::DisplaySize shown = raster::DisplayRect(
        bitmap->Width(), bitmap->Height(), image_.Width(), image_.Height(), image_.Proportional());
    const int width = std::min({shown.width, bitmap->Width(), std::max(0, image_.Width())});
    const int height = std::min({shown.height, bitmap->Height(), std::max(0, image_.Height())});
    if (width <= 0 || height <= 0) return {};
    return QRect(0, 0, width, height);
}

const std::vector<int32_t>& PictureView::Columns(int32_t source, int32_t shown) {
    if (columns_.source != source || columns_.shown != shown) {
        columns_ = {source, shown, raster::SampleIndices(source, shown)};
    }
    return columns_.indices;
}

const std::vector<int32_t>& PictureView::Rows(int32_t source, int32_t shown) {
    if (rows_.source != source || rows_.shown != shown) {
        rows_ = {source, shown, raster::SampleIndices(source, shown)};
    }
    return rows_.indices;
}

const QImage& PictureView::ReducedImage() {
    if (!reduced_stale_) return reduced_;
    reduced_stale_ = false;
    const raster::TBitmap& bitmap = *image_.Picture.Content();
    const QRect shown = ShownRect();
    const raster::DisplaySize size =
        raster::DisplayRect(bitmap.Width(), bitmap.Height(), image_.Width(), image_.Height(), true);
    const std::vector<int32_t>& columns = Columns(bitmap.Width(), size.width);
    const std::vector<int32_t>& rows = Rows(bitmap.Height(), size.height);
    if (reduced_.size() != shown.size()) reduced_ = QImage(shown.size(), QImage::Format_RGB32);
    const uint32_t* pixels = bitmap.Data();
    const auto width = static_cast<std::size_t>(bitmap.Width());
    for (int y = 0; y < shown.height(); ++y) {
        const uint32_t* source =
            pixels + static_cast<std::size_t>(rows[static_cast<std::size_t>(y)]) * width;
        auto* target = reinterpret_cast<QRgb*>(reduced_.scanLine(y));
        for (int x = 0; x < shown.width(); ++x)
            target[x] = source[columns[static_cast<std::size_t>(x)]];
    }
    return reduced_;
}

void PictureView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect area = event->rect();
    const QRect part = ShownRect() & area;

    const QColor background = palette().color(QPalette::Window);
    for (const QRect& r : QRegion(area) - QRegion(part)) painter.fillRect(r, background);
    if (part.isEmpty()) return;

    if (Reduced()) {
        painter.drawImage(part, ReducedImage(), part);
        return;
    }
    // The pixels are stored in the layout the screen image takes, so the
    // bitmap is shown as it is, without a copy.
    const raster::TBitmap& bitmap = *image_.Picture.Content();
    const QImage picture(reinterpret_cast<const uchar*>(bitmap.Data()), bitmap.Width(),
                         bitmap.Height(), static_cast<qsizetype>(bitmap.Width()) * 4,
                         QImage::Format_RGB32);
    painter.drawImage(part, picture, part);
}

void PictureView::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    emit MousePressed(event->button(), at.x(), at.y());
    event->accept();
}

}  // namespace ui
