// The on-screen image control: what it shows of the picture, how large it
// is, how changes turn into repaints, and how presses are reported.
#include <QSignalSpy>
#include <QtTest>
#include <memory>
#include <vector>

#include "raster/display_rect.h"
#include "raster/tcolor.h"
#include "raster/timage.h"
#include "ui/picture_view.h"

namespace {

// A w by h white picture with a few coloured pixels.
void MakePicture(raster::TImage& image, int w, int h) {
    raster::TBitmap bitmap;
    bitmap.SetWidth(w);
    bitmap.SetHeight(h);
    image.Picture.Assign(bitmap);
}

QRgb Screen(raster::TColor colour) {
    const auto c = static_cast<uint32_t>(colour);
    return qRgb(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                static_cast<int>((c >> 16) & 0xFF));
}

// Counts the repaints of a widget and collects their areas.
class PaintRecorder : public QObject {
  public:
    explicit PaintRecorder(QWidget* widget) { widget->installEventFilter(this); }
    std::vector<QRect> rects;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            rects.push_back(static_cast<QPaintEvent*>(event)->rect());
        return false;
    }
};

// A picture shown at its natural size; once the window is up, the recorder
// sees only the repaints that follow.
struct ShownPicture {
    ShownPicture(int width, int height) {
        MakePicture(image, width, height);
        image.SetWidth(width);
        image.SetHeight(height);
        view = std::make_unique<ui::PictureView>(image);
        view->show();
    }
    [[nodiscard]] bool Exposed() {
        if (!QTest::qWaitForWindowExposed(view.get())) return false;
        QTest::qWait(50);
        recorder = std::make_unique<PaintRecorder>(view.get());
        return true;
    }
    [[nodiscard]] const std::vector<QRect>& Repaints() const { return recorder->rects; }

    raster::TImage image;
    std::unique_ptr<ui::PictureView> view;
    std::unique_ptr<PaintRecorder> recorder;
};

}  // namespace

class PictureViewTest : public QObject {
    Q_OBJECT

  private slots:
    void SizeFollowsControl_data();
    void SizeFollowsControl();
    void ShowsPictureAtNaturalSize();
    void ShowsBackgroundWhereNoPictureIs_data();
    void ShowsBackgroundWhereNoPictureIs();
    void ShowsReducedPictureBySampling();
    void MergesChangesIntoOneRepaintOfChangedArea();
    void EndedCommandRepaintsWithoutDelay();
    void NewContentRepaintsWholeControl();
    void RefreshRepaintsAtOnce();
    void ReportsPressesInControlPixels_data();
    void ReportsPressesInControlPixels();
};

void PictureViewTest::SizeFollowsControl_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QSize>("shown");
    QTest::newRow("designed") << 237 << 313 << QSize(237, 313);
    QTest::newRow("changed") << 40 << 7 << QSize(40, 7);
    QTest::newRow("negative") << -5 << 9 << QSize(0, 9);
}

void PictureViewTest::SizeFollowsControl() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QSize, shown);
    raster::TImage image;
    ui::PictureView view(image);
    image.SetWidth(width);
    image.SetHeight(height);
    QCOMPARE(view.size(), shown);
}

void PictureViewTest::ShowsPictureAtNaturalSize() {
    raster::TImage image;
    MakePicture(image, 4, 3);
    raster::TBitmap& bitmap = image.Picture.Bitmap();
    bitmap.SetPixel(0, 0, raster::clRed);
    bitmap.SetPixel(3, 2, raster::clBlue);
    bitmap.SetPixel(1, 2, 0x123456);
    image.SetWidth(4);
    image.SetHeight(3);
    ui::PictureView view(image);

    const QImage shown = view.grab().toImage();
    QCOMPARE(shown.size(), QSize(4, 3));
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            QCOMPARE(shown.pixel(x, y), Screen(bitmap.Pixel(x, y)));
        }
    }
}

void PictureViewTest::ShowsBackgroundWhereNoPictureIs_data() {
    QTest::addColumn<bool>("content");
    QTest::addColumn<QPoint>("at");
    QTest::newRow("no content") << false << QPoint(0, 0);
    QTest::newRow("right of picture") << true << QPoint(5, 1);
    QTest::newRow("below picture") << true << QPoint(1, 4);
}

void PictureViewTest::ShowsBackgroundWhereNoPictureIs() {
    QFETCH(bool, content);
    QFETCH(QPoint, at);
    raster::TImage image;
    if (content) MakePicture(image, 3, 2);
    image.SetWidth(8);
    image.SetHeight(6);
    ui::PictureView view(image);
    const QImage shown = view.grab().toImage();
    QCOMPARE(QColor(shown.pixel(at)), view.palette().color(QPalette::Window));
    if (content) QCOMPARE(shown.pixel(0, 0), qRgb(255, 255, 255));
}

void PictureViewTest::ShowsReducedPictureBySampling() {
    raster::TImage image;
    MakePicture(image, 31, 21);
    raster::TBitmap& bitmap = image.Picture.Bitmap();
    for (int y = 0; y < 21; ++y) {
        for (int x = 0; x < 31; ++x) bitmap.SetPixel(x, y, (x * 8) | ((y * 12) << 8) | 0x400000);
    }
    image.SetWidth(16);
    image.SetHeight(11);
    image.SetProportional(true);
    ui::PictureView view(image);

    // 31 by 21 into 16 by 11 keeps the ratio: 16 by 10, then the last
    // control row shows the background.
    const QImage shown = view.grab().toImage();
    QCOMPARE(shown.size(), QSize(16, 11));
    const std::vector<int32_t> columns = raster::SampleIndices(31, 16);
    const std::vector<int32_t> rows = raster::SampleIndices(21, 10);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 16; ++x) {
            QCOMPARE(shown.pixel(x, y), Screen(bitmap.Pixel(columns[x], rows[y])));
        }
    }
    QCOMPARE(QColor(shown.pixel(3, 10)), view.palette().color(QPalette::Window));
}

void PictureViewTest::MergesChangesIntoOneRepaintOfChangedArea() {
    ShownPicture shown(100, 80);
    QVERIFY(shown.Exposed());

    // Like the trace tool: one pixel per turn of the event loop.
    raster::TBitmap& bitmap = shown.image.Picture.Bitmap();
    for (int i = 0; i < 200; ++i) {
        bitmap.SetPixel(10 + i % 20, 20 + i / 20, raster::clBlack);
        QCoreApplication::processEvents();
    }
    QTRY_VERIFY(!shown.Repaints().empty());
    QTest::qWait(50);

    // Far fewer repaints than changes, each of the changed area only.
    QVERIFY(shown.Repaints().size() < 20);
    QRect painted;
    for (const QRect& r : shown.Repaints()) painted |= r;
    QVERIFY(painted.contains(QRect(10, 20, 20, 10)));
    QVERIFY(painted.width() * painted.height() < 100 * 80 / 4);
    QCOMPARE(shown.view->grab().toImage().pixel(15, 20), qRgb(0, 0, 0));
}

void PictureViewTest::EndedCommandRepaintsWithoutDelay() {
    ShownPicture shown(20, 20);
    QVERIFY(shown.Exposed());

    shown.image.Picture.Bitmap().SetPixel(4, 5, raster::clBlack);
    shown.view->ShowPending();
    QCoreApplication::processEvents();
    QCOMPARE(shown.Repaints().size(), std::size_t{1});
    QVERIFY(shown.Repaints().front().contains(4, 5));
}

void PictureViewTest::NewContentRepaintsWholeControl() {
    ShownPicture shown(60, 40);
    QVERIFY(shown.Exposed());

    // A drawing built aside reports only what was drawn on it.
    auto fresh = std::make_unique<raster::TBitmap>();
    fresh->SetWidth(60);
    fresh->SetHeight(40);
    fresh->SetPixel(1, 1, raster::clBlack);
    shown.image.Picture.Install(std::move(fresh));

    QTRY_VERIFY(!shown.Repaints().empty());
    QRect painted;
    for (const QRect& r : shown.Repaints()) painted |= r;
    QCOMPARE(painted, shown.view->rect());
}

void PictureViewTest::RefreshRepaintsAtOnce() {
    ShownPicture shown(20, 20);
    QVERIFY(shown.Exposed());

    shown.image.Refresh();  // no turn of the event loop in between
    QCOMPARE(shown.Repaints().size(), std::size_t{1});
    QCOMPARE(shown.Repaints().front(), shown.view->rect());
}

void PictureViewTest::ReportsPressesInControlPixels_data() {
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<QPoint>("at");
    QTest::newRow("left") << Qt::LeftButton << QPoint(3, 7);
    QTest::newRow("right") << Qt::RightButton << QPoint(0, 1);
    QTest::newRow("middle") << Qt::MiddleButton << QPoint(236, 312);
}

void PictureViewTest::ReportsPressesInControlPixels() {
    QFETCH(Qt::MouseButton, button);
    QFETCH(QPoint, at);
    raster::TImage image;
    ui::PictureView view(image);
    QSignalSpy spy(&view, &ui::PictureView::MousePressed);
    QTest::mouseClick(&view, button, {}, at);
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.front()[0].value<Qt::MouseButton>(), button);
    QCOMPARE(spy.front()[1].toInt(), at.x());
    QCOMPARE(spy.front()[2].toInt(), at.y());
}

QTEST_MAIN(PictureViewTest)
#include "picture_view_test.moc"
