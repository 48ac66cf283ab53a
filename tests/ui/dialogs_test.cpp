// The three raster-tool dialogs driven as a user would: controls, showing,
// and their commands on a picture, with message boxes recorded instead of
// shown.
#include <functional>
#include <memory>
#include <vector>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "raster/tcolor.h"
#include "raster/timage.h"
#include "ui/display_settings_dialog.h"
#include "ui/message_boxes.h"
#include "ui/resize_dialog.h"
#include "ui/trace_dialog.h"

namespace {

using raster::TColor;

struct Message {
    ui::MessageKind kind;
    QString text;
};

// Takes the place of the message boxes for its lifetime.
class MessageRecorder {
  public:
    MessageRecorder() {
        previous_ =
            ui::SetMessageHandler([this](ui::MessageKind kind, QWidget*, const QString& text) {
                messages.push_back({kind, text});
                if (on_message) on_message();
            });
    }
    ~MessageRecorder() { ui::SetMessageHandler(std::move(previous_)); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    [[nodiscard]] QStringList Texts() const {
        QStringList texts;
        for (const Message& message : messages) texts << message.text;
        return texts;
    }

    std::vector<Message> messages;
    std::function<void()> on_message;

  private:
    ui::MessageHandler previous_;
};

enum DialogKind { kSize, kTrase, kSettei };

// The picture the dialogs work on, as the drawing window would hold it.
struct Drawing {
    raster::TImage image;
    void Paint(int width, int height, const std::function<TColor(int, int)>& colour) {
        raster::TBitmap& bitmap = image.Picture.Bitmap();
        bitmap.SetWidth(width);
        bitmap.SetHeight(height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) bitmap.SetPixel(x, y, colour(x, y));
    }
    [[nodiscard]] TColor At(int x, int y) { return image.Picture.Bitmap().Pixel(x, y); }
    [[nodiscard]] std::vector<TColor> Pixels() {
        std::vector<TColor> pixels;
        raster::TBitmap& bitmap = image.Picture.Bitmap();
        for (int y = 0; y < bitmap.Height(); ++y)
            for (int x = 0; x < bitmap.Width(); ++x) pixels.push_back(bitmap.Pixel(x, y));
        return pixels;
    }
};

std::unique_ptr<QDialog> MakeDialog(int kind, Drawing& drawing) {
    switch (kind) {
        case kSize:
            return std::make_unique<ui::ResizeDialog>(drawing.image);
        case kTrase:
            return std::make_unique<ui::TraceDialog>(drawing.image);
        default:
            return std::make_unique<ui::DisplaySettingsDialog>(drawing.image);
    }
}

template <class T>
T* Find(QWidget& dialog, const char* name) {
    T* widget = dialog.findChild<T*>(QString::fromLatin1(name));
    if (widget == nullptr) qFatal("no control %s", name);
    return widget;
}

QString TextOf(QWidget& widget) {
    if (auto* label = qobject_cast<QLabel*>(&widget)) return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(&widget)) return button->text();
    if (auto* edit = qobject_cast<QLineEdit*>(&widget)) return edit->text();
    if (auto* group = qobject_cast<QGroupBox*>(&widget)) return group->title();
    if (auto* combo = qobject_cast<QComboBox*>(&widget)) return combo->currentText();
    return QStringLiteral("<no text>");
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QByteArray("<missing>");
    return file.readAll();
}

constexpr TColor kGrey85 = 0x555555;
constexpr TColor kGrey170 = 0xAAAAAA;
constexpr TColor kRed = 0x0000FF;

// Column x of a 3-wide picture: black, dark grey, light grey.
TColor ThreeGreys(int x, int) {
    static constexpr TColor kColumns[] = {raster::clBlack, kGrey85, kGrey170};
    return kColumns[x % 3];
}

TColor Checker(int x, int y) { return (x + y) % 2 == 0 ? raster::clBlack : raster::clWhite; }

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    // Shared frame
    void frame_data();
    void frame();
    void controls_data();
    void controls();
    void tabOrder_data();
    void tabOrder();
    void noDefaultOrCancelButton_data();
    void noDefaultOrCancelButton();
    void centredOnScreen_data();
    void centredOnScreen();

    // Resize
    void sizeShowFillsFromPicture_data();
    void sizeShowFillsFromPicture();
    void sizeResizeClosesDialog();
    void sizeFailureKeepsDialogOpen_data();
    void sizeFailureKeepsDialogOpen();
    void sizeCancelChangesNothing_data();
    void sizeCancelChangesNothing();
    void sizeShowingAgainShowsNewSize();
    void sizeTypingReplacesShownValues();
    void sizeShowingAgainSitsInThePlaceOfTheFirst();

    // Trace
    void traseInitialControls();
    void traseShowAndSliderSetValueText();
    void traseRun_data();
    void traseRun();
    void traseEmptyPictureCompletes();
    void traseCancelDuringFirstPass();
    void traseCancelButtonFollowsPasses();
    void traseSecondStartIgnored();
    void traseCloseWaitsForRun_data();
    void traseCloseWaitsForRun();
    void traseSaveFailureKeepsCancelDisabled();
    void traseControlsReadLive();

    // Settings
    void setteiInitialControls();
    void setteiLoadedSize();
    void setteiShowFocusesWidth();
    void setteiEmptyBoxes_data();
    void setteiEmptyBoxes();
    void setteiBadNumber_data();
    void setteiBadNumber();
    void setteiOkApplies_data();
    void setteiOkApplies();
    void setteiNoContentWritesNoFile();
    void setteiContentsPersist();

  private:
    QTemporaryDir work_dir_;
    QString old_dir_;
};

void DialogsTest::initTestCase() {
    QVERIFY(work_dir_.isValid());
    old_dir_ = QDir::currentPath();
    // Image.txt and tmp.bmp land in the current directory.
    QVERIFY(QDir::setCurrent(work_dir_.path()));
}

void DialogsTest::cleanupTestCase() { QDir::setCurrent(old_dir_); }

void DialogsTest::init() {
    QDir dir(work_dir_.path());
    dir.remove(QStringLiteral("Image.txt"));
    dir.rmdir(QStringLiteral("Image.txt"));
    dir.remove(QStringLiteral("tmp.bmp"));
}

// ---------------------------------------------------------------- frame

void DialogsTest::frame_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QSize>("client");
    QTest::addColumn<bool>("minimiseBox");
    QTest::newRow("size") << int(kSize) << QStringLiteral("画像サイズの変更") << QSize(321, 118)
                          << true;
    QTest::newRow("trase") << int(kTrase) << QStringLiteral("トレース") << QSize(303, 213) << true;
    QTest::newRow("settei") << int(kSettei) << QStringLiteral("変換設定") << QSize(368, 214)
                            << false;
}

void DialogsTest::frame() {
    QFETCH(int, kind);
    QFETCH(QString, caption);
    QFETCH(QSize, client);
    QFETCH(bool, minimiseBox);
    Drawing drawing;
    auto dialog = MakeDialog(kind, drawing);
    QCOMPARE(dialog->windowTitle(), caption);
    QCOMPARE(dialog->size(), client);
    QCOMPARE(dialog->minimumSize(), client);
    QCOMPARE(dialog->maximumSize(), client);
    QVERIFY(dialog->isModal());
    QCOMPARE(dialog->font().pixelSize(), 12);
    QCOMPARE(dialog->font().families().value(0), QStringLiteral("ＭＳ Ｐゴシック"));
    const Qt::WindowFlags flags = dialog->windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QCOMPARE(flags.testFlag(Qt::WindowMinimizeButtonHint), minimiseBox);
}

// Every control: its place (an empty size where the control fits its text)
// and its caption (null where none is set at start).
struct ControlRow {
    int kind;
    const char* name;
    QRect place;
    const char* text;
};

// clang-format off
const ControlRow kControls[] = {
    {kSize, "Label1", {8, 8, 0, 0}, "現在の画像サイズ"},
    {kSize, "Label2", {40, 32, 0, 0}, "幅"},
    {kSize, "Label3", {40, 56, 0, 0}, "高さ"},
    {kSize, "lblWidth", {96, 32, 0, 0}, nullptr},
    {kSize, "lblHeight", {96, 56, 0, 0}, nullptr},
    {kSize, "Label6", {152, 32, 0, 0}, "→"},
    {kSize, "Label7", {152, 56, 0, 0}, "→"},
    {kSize, "EdtWidth", {184, 30, 121, 20}, nullptr},
    {kSize, "EdtHeight", {184, 52, 121, 20}, nullptr},
    {kSize, "Button1", {88, 88, 75, 25}, "変更"},
    {kSize, "Button2", {168, 88, 75, 25}, "キャンセル"},

    {kTrase, "TrackBar1", {8, 4, 285, 45}, nullptr},
    {kTrase, "lblValue", {100, 52, 45, 12}, ""},
    {kTrase, "Label1", {148, 52, 0, 0}, "%"},
    {kTrase, "ChkBlack", {160, 52, 97, 17}, "黒で塗りつぶす"},
    {kTrase, "Label2", {8, 72, 0, 0}, "背景色の基本色（白の場合は指定しないでください。）"},
    {kTrase, "RdoRed", {8, 92, 73, 17}, "赤（R)"},
    {kTrase, "RdoGreen", {92, 92, 73, 17}, "緑(G)"},
    {kTrase, "RdoBlue", {172, 92, 73, 17}, "青(B)"},
    {kTrase, "Label3", {8, 116, 0, 0}, "開始時間"},
    {kTrase, "PnlST", {60, 112, 89, 17}, ""},
    {kTrase, "Label4", {160, 116, 0, 0}, "現在時間"},
    {kTrase, "PnlTime", {212, 112, 89, 17}, ""},
    {kTrase, "Label5", {4, 136, 0, 0}, "①トレース"},
    {kTrase, "Gg1", {60, 132, 241, 21}, nullptr},
    {kTrase, "Label6", {4, 160, 0, 0}, "②トレース"},
    {kTrase, "Gg2", {60, 156, 241, 21}, nullptr},
    {kTrase, "Button1", {68, 184, 75, 25}, "トレース開始"},
    {kTrase, "BtnCancel", {144, 184, 75, 25}, "トレース中止"},
    {kTrase, "Button2", {220, 184, 75, 25}, "終了"},

    {kSettei, "Label5", {16, 8, 0, 0}, "色の設定"},
    {kSettei, "ComboBox1", {80, 8, 145, 20}, "ComboBox1"},
    {kSettei, "GroupBox1", {8, 52, 125, 73}, "読込時のサイズ"},
    {kSettei, "Label1", {12, 20, 0, 0}, "X"},
    {kSettei, "Edit1", {32, 16, 77, 20}, "Edit1"},
    {kSettei, "Label2", {12, 44, 0, 0}, "Y"},
    {kSettei, "Edit2", {32, 40, 77, 20}, "Edit1"},
    {kSettei, "CheckBox2", {140, 52, 225, 17}, "表示されている図面のサイズを変更する"},
    {kSettei, "GroupBox2", {156, 72, 145, 73}, "指定のサイズ"},
    {kSettei, "Label3", {12, 20, 0, 0}, "X"},
    {kSettei, "Edit3", {32, 16, 77, 20}, ""},
    {kSettei, "Label4", {12, 44, 0, 0}, "Y"},
    {kSettei, "Edit4", {32, 40, 77, 20}, ""},
    {kSettei, "CheckBox1", {156, 152, 145, 17}, "画面にあわせて縮小する"},
    {kSettei, "Button1", {112, 180, 75, 25}, "OK"},
    {kSettei, "Button2", {192, 180, 75, 25}, "ｷｬﾝｾﾙ"},
};
// clang-format on

void DialogsTest::controls_data() {
    QTest::addColumn<int>("row");
    for (int i = 0; i < int(std::size(kControls)); ++i)
        QTest::addRow("%d %s", kControls[i].kind, kControls[i].name) << i;
}

void DialogsTest::controls() {
    QFETCH(int, row);
    const ControlRow& control = kControls[row];
    Drawing drawing;
    auto dialog = MakeDialog(control.kind, drawing);
    QWidget* widget = Find<QWidget>(*dialog, control.name);
    QCOMPARE(widget->pos(), control.place.topLeft());
    if (control.place.width() > 0) QCOMPARE(widget->size(), control.place.size());
    if (control.text != nullptr) QCOMPARE(TextOf(*widget), QString::fromUtf8(control.text));
}

void DialogsTest::tabOrder_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("size") << int(kSize)
                          << QStringList{"EdtWidth", "EdtHeight", "Button1", "Button2"};
    QTest::newRow("trase") << int(kTrase)
                           << QStringList{"TrackBar1", "Button1", "Button2",  "RdoRed",
                                          "RdoGreen",  "RdoBlue", "ChkBlack", "BtnCancel"};
    QTest::newRow("settei") << int(kSettei) << QStringList{"Edit1",     "Edit2",     "Edit3",
                                                           "Edit4",     "Button1",   "Button2",
                                                           "CheckBox1", "CheckBox2", "ComboBox1"};
}

void DialogsTest::tabOrder() {
    QFETCH(int, kind);
    QFETCH(QStringList, order);
    Drawing drawing;
    auto dialog = MakeDialog(kind, drawing);
    QWidget* start = Find<QWidget>(*dialog, order.first().toLatin1().constData());
    // Follows the focus chain, naming the controls Tab stops at.
    QStringList visited;
    QWidget* widget = start;
    do {
        QWidget* owner = widget;
        // The editable combo box's own line edit stands for the box.
        if (owner->objectName().isEmpty() && owner->parentWidget() != nullptr)
            owner = owner->parentWidget();
        if ((widget->focusPolicy() & Qt::TabFocus) && !owner->objectName().isEmpty() &&
            !visited.contains(owner->objectName()) && owner != dialog.get())
            visited << owner->objectName();
        widget = widget->nextInFocusChain();
    } while (widget != start);
    QCOMPARE(visited, order);
}

void DialogsTest::noDefaultOrCancelButton_data() { frame_data(); }

void DialogsTest::noDefaultOrCancelButton() {
    QFETCH(int, kind);
    Drawing drawing;
    drawing.Paint(2, 2, Checker);
    auto dialog = MakeDialog(kind, drawing);
    for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
        QVERIFY2(!button->isDefault() && !button->autoDefault(), qPrintable(button->objectName()));
    }
    dialog->show();
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    QVERIFY(dialog->isVisible());
}

void DialogsTest::centredOnScreen_data() { frame_data(); }

void DialogsTest::centredOnScreen() {
    QFETCH(int, kind);
    Drawing drawing;
    auto dialog = MakeDialog(kind, drawing);
    dialog->move(0, 0);
    dialog->show();
    const QPoint centre = dialog->screen()->availableGeometry().center();
    const QPoint shown = dialog->frameGeometry().center();
    QVERIFY2((shown - centre).manhattanLength() <= 4,
             qPrintable(QStringLiteral("%1,%2").arg(shown.x()).arg(shown.y())));
}

// ---------------------------------------------------------------- resize

void DialogsTest::sizeTypingReplacesShownValues() {
    MessageRecorder recorder;
    Drawing drawing;
    drawing.Paint(120, 88, Checker);
    ui::ResizeDialog dialog(drawing.image);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(QApplication::focusWidget(), Find<QLineEdit>(dialog, "EdtWidth"));
    QTest::keyClicks(QApplication::focusWidget(), "60");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClicks(QApplication::focusWidget(), "44");
    QTest::mouseClick(Find<QPushButton>(dialog, "Button1"), Qt::LeftButton);
    QVERIFY(recorder.messages.empty());
    QCOMPARE(QSize(drawing.image.Width(), drawing.image.Height()), QSize(60, 44));
}

void DialogsTest::sizeShowingAgainSitsInThePlaceOfTheFirst() {
    Drawing drawing;
    QWidget owner;
    owner.resize(400, 300);
    owner.show();
    // As the main window's, the owner's frame is known before the dialog shows.
    QTRY_VERIFY(owner.frameGeometry() != owner.geometry());
    ui::ResizeDialog dialog(drawing.image, &owner);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::qWait(300);  // where the window manager's frame settles
    const QRect first = dialog.frameGeometry();
    dialog.hide();
    dialog.show();
    QCOMPARE(dialog.frameGeometry(), first);
}

void DialogsTest::sizeShowFillsFromPicture_data() {
    QTest::addColumn<QSize>("picture");  // invalid: no content
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("height");
    QTest::newRow("drawn") << QSize(237, 313) << "237"
                           << "313";
    QTest::newRow("no content") << QSize() << "0"
                                << "0";
}

void DialogsTest::sizeShowFillsFromPicture() {
    QFETCH(QSize, picture);
    QFETCH(QString, width);
    QFETCH(QString, height);
    Drawing drawing;
    if (picture.isValid()) drawing.Paint(picture.width(), picture.height(), Checker);
    ui::ResizeDialog dialog(drawing.image);
    dialog.show();
    QCOMPARE(Find<QLabel>(dialog, "lblWidth")->text(), width);
    QCOMPARE(Find<QLineEdit>(dialog, "EdtWidth")->text(), width);
    QCOMPARE(Find<QLabel>(dialog, "lblHeight")->text(), height);
    QCOMPARE(Find<QLineEdit>(dialog, "EdtHeight")->text(), height);
    // Asking for the size gives a picture without content an empty bitmap.
    QVERIFY(drawing.image.Picture.HasContent());
}

void DialogsTest::sizeResizeClosesDialog() {
    MessageRecorder recorder;
    Drawing drawing;
    drawing.Paint(4, 4, [](int x, int y) { return TColor(x * 16 + y); });
    ui::ResizeDialog dialog(drawing.image);
    dialog.show();
    Find<QLineEdit>(dialog, "EdtWidth")->setText("2");
    Find<QLineEdit>(dialog, "EdtHeight")->setText("2");
    QTest::mouseClick(Find<QPushButton>(dialog, "Button1"), Qt::LeftButton);
    QVERIFY(recorder.messages.empty());
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(drawing.image.Width(), 2);
    QCOMPARE(drawing.image.Height(), 2);
    QCOMPARE(drawing.Pixels(), (std::vector<TColor>{0x00, 0x20, 0x02, 0x22}));
}

void DialogsTest::sizeFailureKeepsDialogOpen_data() {
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("height");
    QTest::addColumn<QString>("message");
    QTest::newRow("both bad names the height")
        << "xyz"
        << "abc" << QStringLiteral("'abc' は整数ではありません");
    QTest::newRow("trailing blank") << "3 "
                                    << "3" << QStringLiteral("'3 ' は整数ではありません");
    QTest::newRow("empty") << ""
                           << "3" << QStringLiteral("'' は整数ではありません");
    QTest::newRow("negative") << "10"
                              << "-5" << QStringLiteral("システム リソースが足りません");
    QTest::newRow("zero width") << "0"
                                << "5" << QStringLiteral("0 による浮動小数点数除算");
    QTest::newRow("zero height after negative width")
        << "-5"
        << "0" << QStringLiteral("0 による浮動小数点数除算");
}

void DialogsTest::sizeFailureKeepsDialogOpen() {
    QFETCH(QString, width);
    QFETCH(QString, height);
    QFETCH(QString, message);
    MessageRecorder recorder;
    Drawing drawing;
    drawing.Paint(3, 3, Checker);
    const std::vector<TColor> before = drawing.Pixels();
    ui::ResizeDialog dialog(drawing.image);
    dialog.show();
    Find<QLineEdit>(dialog, "EdtWidth")->setText(width);
    Find<QLineEdit>(dialog, "EdtHeight")->setText(height);
    QTest::mouseClick(Find<QPushButton>(dialog, "Button1"), Qt::LeftButton);
    QCOMPARE(recorder.messages.size(), std::size_t{1});
    QCOMPARE(recorder.messages[0].kind, ui::MessageKind::Error);
    QCOMPARE(recorder.messages[0].text, message);
    QVERIFY(dialog.isVisible());
    QCOMPARE(Find<QLineEdit>(dialog, "EdtWidth")->text(), width);
    QCOMPARE(Find<QLineEdit>(dialog, "EdtHeight")->text(), height);
    QCOMPARE(drawing.image.Picture.Bitmap().Width(), 3);
    QCOMPARE(drawing.Pixels(), before);
}

void DialogsTest::sizeCancelChangesNothing_data() {
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("キャンセル") << false;
    QTest::newRow("close box") << true;
}

void DialogsTest::sizeCancelChangesNothing() {
    QFETCH(bool, closeBox);
    Drawing drawing;
    drawing.Paint(3, 3, Checker);
    const std::vector<TColor> before = drawing.Pixels();
    ui::ResizeDialog dialog(drawing.image);
    dialog.show();
    Find<QLineEdit>(dialog, "EdtWidth")->setText("9");
    if (closeBox)
        dialog.close();
    else
        QTest::mouseClick(Find<QPushButton>(dialog, "Button2"), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(drawing.Pixels(), before);
}

void DialogsTest::sizeShowingAgainShowsNewSize() {
    Drawing drawing;
    drawing.Paint(10, 10, Checker);
    ui::ResizeDialog dialog(drawing.image);
    dialog.show();
    Find<QLineEdit>(dialog, "EdtWidth")->setText("100");
    Find<QLineEdit>(dialog, "EdtHeight")->setText("50");
    QTest::mouseClick(Find<QPushButton>(dialog, "Button1"), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(drawing.image.Width(), 100);
    QCOMPARE(drawing.image.Height(), 50);
    dialog.show();
    QCOMPARE(Find<QLabel>(dialog, "lblWidth")->text(), QStringLiteral("100"));
    QCOMPARE(Find<QLabel>(dialog, "lblHeight")->text(), QStringLiteral("50"));
}

// ---------------------------------------------------------------- trace

void DialogsTest::traseInitialControls() {
    Drawing drawing;
    ui::TraceDialog dialog(drawing.image);
    auto* slider = Find<QSlider>(dialog, "TrackBar1");
    QCOMPARE(slider->orientation(), Qt::Horizontal);
    QCOMPARE(slider->minimum(), 0);
    QCOMPARE(slider->maximum(), 100);
    QCOMPARE(slider->value(), 50);
    QCOMPARE(slider->singleStep(), 5);
    QCOMPARE(slider->pageStep(), 10);
    QCOMPARE(slider->tickInterval(), 100);
    QVERIFY(slider->tickPosition() != QSlider::NoTicks);
    QVERIFY(Find<QLabel>(dialog, "lblValue")->alignment() & Qt::AlignRight);
    QVERIFY(Find<QLabel>(dialog, "PnlST")->alignment() & Qt::AlignRight);
    QVERIFY(Find<QLabel>(dialog, "Label2")->font().bold());
    QVERIFY(!Find<QCheckBox>(dialog, "ChkBlack")->isChecked());
    for (const char* name : {"RdoRed", "RdoGreen", "RdoBlue"}) {
        auto* radio = Find<QRadioButton>(dialog, name);
        QVERIFY(!radio->isChecked());
        QVERIFY(radio->group() != nullptr && radio->group()->exclusive());
    }
    QVERIFY(Find<QPushButton>(dialog, "BtnCancel")->isEnabled());
    for (const char* name : {"Gg1", "Gg2"}) {
        auto* gauge = Find<QProgressBar>(dialog, name);
        QCOMPARE(gauge->value(), 0);
        QVERIFY(!gauge->isTextVisible());
        QCOMPARE(gauge->palette().color(QPalette::Highlight), QColor(0, 0, 128));
    }
}

void DialogsTest::traseShowAndSliderSetValueText() {
    Drawing drawing;
    ui::TraceDialog dialog(drawing.image);
    auto* value = Find<QLabel>(dialog, "lblValue");
    dialog.show();
    QCOMPARE(value->text(), QStringLiteral("50"));
    Find<QSlider>(dialog, "TrackBar1")->setValue(35);
    QCOMPARE(value->text(), QStringLiteral("35"));
    // Showing again empties the time panels.
    Find<QLabel>(dialog, "PnlST")->setText("12:00:00");
    Find<QLabel>(dialog, "PnlTime")->setText("12:00:01");
    dialog.hide();
    dialog.show();
    QCOMPARE(Find<QLabel>(dialog, "PnlST")->text(), QString());
    QCOMPARE(Find<QLabel>(dialog, "PnlTime")->text(), QString());
    QCOMPARE(value->text(), QStringLiteral("35"));
}

void DialogsTest::traseRun_data() {
    QTest::addColumn<int>("threshold");
    QTest::addColumn<bool>("black");
    QTest::addColumn<QString>("base");   // object name of the checked radio button, if any
    QTest::addColumn<TColor>("first");   // column 0 was black
    QTest::addColumn<TColor>("second");  // column 1 was grey 85 (red 255 with a base colour)
    QTest::addColumn<TColor>("third");   // column 2 was grey 170
    QTest::addColumn<QByteArray>("keys");
    const QByteArray grey_keys("000000\r\n000085\r\n000170\r\n");
    const TColor w = raster::clWhite;
    const TColor k = raster::clBlack;
    QTest::newRow("T 50") << 50 << false << QString() << k << kGrey85 << w << grey_keys;
    QTest::newRow("T 33") << 33 << false << QString() << k << kGrey85 << w << grey_keys;
    QTest::newRow("T 32") << 32 << false << QString() << k << w << w << grey_keys;
    QTest::newRow("T 50 black") << 50 << true << QString() << k << k << w << grey_keys;
    QTest::newRow("T 100") << 100 << false << QString() << k << kGrey85 << kGrey170 << grey_keys;
    // With red as base, pure red weighs (0 + 0 + 2 * 255) / 3 = 170 and grey 170
    // weighs (170 + 170 + 340) / 3 = 226.
    QTest::newRow("red base") << 50 << false << QStringLiteral("RdoRed") << k << kRed << w
                              << QByteArray("000000\r\n000170\r\n000226\r\n");
}

void DialogsTest::traseRun() {
    QFETCH(int, threshold);
    QFETCH(bool, black);
    QFETCH(QString, base);
    QFETCH(TColor, first);
    QFETCH(TColor, second);
    QFETCH(TColor, third);
    QFETCH(QByteArray, keys);
    MessageRecorder recorder;
    Drawing drawing;
    const bool red = !base.isEmpty();
    drawing.Paint(3, 2, [red](int x, int y) { return red && x == 1 ? kRed : ThreeGreys(x, y); });
    ui::TraceDialog dialog(drawing.image);
    dialog.show();
    Find<QSlider>(dialog, "TrackBar1")->setValue(threshold);
    Find<QCheckBox>(dialog, "ChkBlack")->setChecked(black);
    if (red) Find<QRadioButton>(dialog, base.toLatin1().constData())->setChecked(true);

    QTest::mouseClick(Find<QPushButton>(dialog, "Button1"), Qt::LeftButton);

    QCOMPARE(recorder.Texts(), QStringList{QStringLiteral("トレースが終了しました。")});
    QCOMPARE(recorder.messages[0].kind, ui::MessageKind::Info);
    QCOMPARE(drawing.Pixels(), (std::vector<TColor>{first, second, third, first, second, third}));
    QCOMPARE(ReadFile("Image.txt"), keys);
    for (const char* name : {"Gg1", "Gg2"}) {
        auto* gauge = Find<QProgressBar>(dialog, name);
        QCOMPARE(gauge->value(), gauge->maximum());
    }
    QVERIFY(Find<QPushButton>(dialog, "BtnCancel")->isEnabled());
    QVERIFY(!Find<QLabel>(dialog, "PnlST")->text().isEmpty());
    QVERIFY(!Find<QLabel>(dialog, "PnlTime")->text().isEmpty());
    QVERIFY(dialog.isVisible());
}

void DialogsTest::traseEmptyPictureCompletes() {
    MessageRecorder recorder;
    Drawing drawing;
    ui::TraceDialog dialog(drawing.image);
    dialog.show();
    QTest::mouseClick(Find<QPushButton>(dialog, "Button1"), Qt::LeftButton);
    QCOMPARE(recorder.Texts(), QStringList{QStringLiteral("トレースが終了しました。")});
    QCOMPARE(ReadFile("Image.txt"), QByteArray());
    for (const char* name : {"Gg1", "Gg2"}) {
        auto* gauge = Find<QProgressBar>(dialog, name);
        // Not a busy indicator, and nothing visited.
        QVERIFY(gauge->maximum() > gauge->minimum());
        QCOMPARE(gauge->value(), 0);
    }
}

void DialogsTest::traseCancelDuringFirstPass() {
    MessageRecorder recorder;
    Drawing drawing;
    drawing.Paint(100, 100, Checker);
    const std::vector<TColor> before = drawing.Pixels();
    ui::TraceDialog dialog(drawing.image);
    dialog.show();
    Find<QCheckBox>(dialog, "ChkBlack")->setChecked(true);
    auto* cancel = Find<QPushButton>(dialog, "BtnCancel");
    // Pressed while the first pixel's pending events are processed.
    QTimer::singleShot(0, cancel, [cancel] { QTest::mouseClick(cancel, Qt::LeftButton); });
    QTest::mouseClick(Find<QPushButton>(dialog, "Button1"), Qt::LeftButton);

    QCOMPARE(recorder.Texts(), QStringList{QStringLiteral("トレースを中止しました。")});
    QVERIFY(!QFile::exists("Image.txt"));
    QCOMPARE(drawing.Pixels(), before);
    // The gauge shows the one pixel visited, though it is below one bar step.
    QCOMPARE(Find<QProgressBar>(dialog, "Gg1")->value(), 1);
    QCOMPARE(Find<QProgressBar>(dialog, "Gg1")->maximum(), 10000);
    QCOMPARE(Find<QProgressBar>(dialog, "Gg2")->value(), 0);
    QVERIFY(cancel->isEnabled());
}

void DialogsTest::traseCancelButtonFollowsPasses() {
    MessageRecorder recorder;
    Drawing drawing;
    drawing.Paint(20, 20, Checker);
    ui::TraceDialog dialog(drawing.image);
    dialog.show();
    auto* cancel = Find<QPushButton>(dialog, "BtnCancel");
    cancel->setEnabled(false);  // a run enables it from its start
    std::vector<bool> during_run;
    QTimer sampler;
    sampler.setInterval(0);
    connect(&sampler, &QTimer::timeout, [&] { during_run.push_back(cancel->isEnabled()); });
    bool enabled_at_message = false;
    recorder.on_message = [&] { enabled_at_message = cancel->isEnabled(); };
    sampler.start();
    QTest::mouseClick(Find<QPushButton>(dialog, "Button1"), Qt::LeftButton);
    sampler.stop();

    QCOMPARE(recorder.messages.size(), std::size_t{1});
    QVERIFY(enabled_at_message);
    // Enabled through the first pass, disabled through the second.
    QVERIFY(during_run.size() >= 2);
    QVERIFY(during_run.front());
    QVERIFY(!during_run.back());
    QVERIFY(std::is_partitioned(during_run.begin(), during_run.end(), [](bool b) { return b; }));
}

void DialogsTest::traseSecondStartIgnored() {
    MessageRecorder recorder;
    Drawing drawing;
    drawing.Paint(10, 10, ThreeGreys);
    ui::TraceDialog dialog(drawing.image);
    dialog.show();
    auto* start = Find<QPushButton>(dialog, "Button1");
    QTimer::singleShot(0, start, [start] { QTest::mouseClick(start, Qt::LeftButton); });
    QTest::mouseClick(start, Qt::LeftButton);
    QCOMPARE(recorder.Texts(), QStringList{QStringLiteral("トレースが終了しました。")});
    QVERIFY(!dialog.Running());
}

void DialogsTest::traseCloseWaitsForRun_data() {
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("終了") << false;
    QTest::newRow("close box") << true;
}

void DialogsTest::traseCloseWaitsForRun() {
    QFETCH(bool, closeBox);
    MessageRecorder recorder;
    Drawing drawing;
    drawing.Paint(10, 10, ThreeGreys);
    ui::TraceDialog dialog(drawing.image);
    dialog.show();
    bool visible_after_close = false;
    bool visible_at_message = false;
    recorder.on_message = [&] { visible_at_message = dialog.isVisible(); };
    QTimer::singleShot(0, &dialog, [&] {
        if (closeBox)
            dialog.close();
        else
            QTest::mouseClick(Find<QPushButton>(dialog, "Button2"), Qt::LeftButton);
        visible_after_close = dialog.isVisible();
    });
    QTest::mouseClick(Find<QPushButton>(dialog, "Button1"), Qt::LeftButton);

    QVERIFY(visible_after_close);
    QVERIFY(visible_at_message);
    QCOMPARE(recorder.Texts(), QStringList{QStringLiteral("トレースが終了しました。")});
    QVERIFY(QFile::exists("Image.txt"));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
}

void DialogsTest::traseSaveFailureKeepsCancelDisabled() {
    MessageRecorder recorder;
    Drawing drawing;
    drawing.Paint(3, 1, ThreeGreys);
    // A folder of that name cannot be replaced by the key list.
    QVERIFY(QDir().mkdir("Image.txt"));
    ui::TraceDialog dialog(drawing.image);
    dialog.show();
    Find<QSlider>(dialog, "TrackBar1")->setValue(32);
    QTest::mouseClick(Find<QPushButton>(dialog, "Button1"), Qt::LeftButton);

    QCOMPARE(recorder.messages.size(), std::size_t{1});
    QCOMPARE(recorder.messages[0].kind, ui::MessageKind::Error);
    QVERIFY2(recorder.messages[0].text.contains("Image.txt"),
             qPrintable(recorder.messages[0].text));
    QVERIFY(!Find<QPushButton>(dialog, "BtnCancel")->isEnabled());
    // The picture was changed before the save.
    QCOMPARE(drawing.At(1, 0), raster::clWhite);
    QVERIFY(dialog.isVisible());
    QVERIFY(!dialog.Running());
}

void DialogsTest::traseControlsReadLive() {
    MessageRecorder recorder;
    Drawing drawing;
    drawing.Paint(4, 4, Checker);
    ui::TraceDialog dialog(drawing.image);
    dialog.show();
    auto* black = Find<QCheckBox>(dialog, "ChkBlack");
    // Ticked during the first pass; the second pass paints with it.
    QTimer::singleShot(0, black, [black] { black->setChecked(true); });
    QTest::mouseClick(Find<QPushButton>(dialog, "Button1"), Qt::LeftButton);
    QCOMPARE(drawing.Pixels(), std::vector<TColor>(16, raster::clBlack));
}

// ---------------------------------------------------------------- settings

void DialogsTest::setteiInitialControls() {
    Drawing drawing;
    ui::DisplaySettingsDialog dialog(drawing.image);
    auto* combo = Find<QComboBox>(dialog, "ComboBox1");
    QVERIFY(combo->isEditable());
    QCOMPARE(combo->count(), 0);
    QVERIFY(Find<QLineEdit>(dialog, "Edit1")->isReadOnly());
    QVERIFY(Find<QLineEdit>(dialog, "Edit2")->isReadOnly());
    for (const char* name : {"Edit3", "Edit4"}) {
        auto* box = Find<QLineEdit>(dialog, name);
        QVERIFY(!box->isReadOnly());
        QVERIFY(!box->testAttribute(Qt::WA_InputMethodEnabled));
    }
    QVERIFY(Find<QLineEdit>(dialog, "Edit3")->parentWidget() ==
            Find<QGroupBox>(dialog, "GroupBox2"));
    QVERIFY(Find<QLineEdit>(dialog, "Edit1")->parentWidget() ==
            Find<QGroupBox>(dialog, "GroupBox1"));
    QVERIFY(!Find<QCheckBox>(dialog, "CheckBox1")->isChecked());
    QVERIFY(!Find<QCheckBox>(dialog, "CheckBox2")->isChecked());
}

void DialogsTest::setteiLoadedSize() {
    Drawing drawing;
    ui::DisplaySettingsDialog dialog(drawing.image);
    dialog.SetLoadedSize(640, -3);
    QCOMPARE(Find<QLineEdit>(dialog, "Edit1")->text(), QStringLiteral("640"));
    QCOMPARE(Find<QLineEdit>(dialog, "Edit2")->text(), QStringLiteral("-3"));
}

void DialogsTest::setteiShowFocusesWidth() {
    Drawing drawing;
    ui::DisplaySettingsDialog dialog(drawing.image);
    dialog.show();
    QCOMPARE(dialog.focusWidget(), Find<QLineEdit>(dialog, "Edit3"));
    Find<QPushButton>(dialog, "Button1")->setFocus();
    dialog.hide();
    dialog.show();
    QCOMPARE(dialog.focusWidget(), Find<QLineEdit>(dialog, "Edit3"));
}

void DialogsTest::setteiEmptyBoxes_data() {
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("height");
    QTest::addColumn<int>("messages");
    QTest::addColumn<QString>("focus");
    QTest::newRow("width empty") << ""
                                 << "300" << 1 << "Edit3";
    QTest::newRow("both empty") << ""
                                << "" << 2 << "Edit4";
    QTest::newRow("height blanks") << "300"
                                   << "  " << 1 << "Edit4";
    QTest::newRow("width blanks") << " \t"
                                  << "300" << 1 << "Edit3";
}

void DialogsTest::setteiEmptyBoxes() {
    QFETCH(QString, width);
    QFETCH(QString, height);
    QFETCH(int, messages);
    QFETCH(QString, focus);
    MessageRecorder recorder;
    Drawing drawing;
    drawing.Paint(5, 5, Checker);
    ui::DisplaySettingsDialog dialog(drawing.image);
    dialog.show();
    Find<QCheckBox>(dialog, "CheckBox2")->setChecked(true);
    Find<QCheckBox>(dialog, "CheckBox1")->setChecked(true);
    Find<QLineEdit>(dialog, "Edit3")->setText(width);
    Find<QLineEdit>(dialog, "Edit4")->setText(height);
    Find<QPushButton>(dialog, "Button1")->setFocus();
    QTest::mouseClick(Find<QPushButton>(dialog, "Button1"), Qt::LeftButton);

    QCOMPARE(recorder.Texts(),
             QStringList(messages, QStringLiteral("サイズが指定されていません。")));
    QCOMPARE(recorder.messages.back().kind, ui::MessageKind::Info);
    QCOMPARE(dialog.focusWidget()->objectName(), focus);
    QVERIFY(dialog.isVisible());
    QCOMPARE(drawing.image.Width(), raster::TImage::kDesignedWidth);
    QVERIFY(!drawing.image.Proportional());
    QVERIFY(!QFile::exists("tmp.bmp"));
}

void DialogsTest::setteiBadNumber_data() {
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("height");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("newWidth");
    QTest::newRow("bad height after good width")
        << "300"
        << "abc" << QStringLiteral("'abc' は整数ではありません") << 300;
    QTest::newRow("bad width") << "abc"
                               << "300" << QStringLiteral("'abc' は整数ではありません")
                               << int(raster::TImage::kDesignedWidth);
    QTest::newRow("trailing blank") << "300 "
                                    << "200" << QStringLiteral("'300 ' は整数ではありません")
                                    << int(raster::TImage::kDesignedWidth);
}

void DialogsTest::setteiBadNumber() {
    QFETCH(QString, width);
    QFETCH(QString, height);
    QFETCH(QString, message);
    QFETCH(int, newWidth);
    MessageRecorder recorder;
    Drawing drawing;
    drawing.Paint(5, 5, Checker);
    ui::DisplaySettingsDialog dialog(drawing.image);
    dialog.show();
    Find<QCheckBox>(dialog, "CheckBox2")->setChecked(true);
    Find<QCheckBox>(dialog, "CheckBox1")->setChecked(true);
    Find<QLineEdit>(dialog, "Edit3")->setText(width);
    Find<QLineEdit>(dialog, "Edit4")->setText(height);
    QTest::mouseClick(Find<QPushButton>(dialog, "Button1"), Qt::LeftButton);

    QCOMPARE(recorder.messages.size(), std::size_t{1});
    QCOMPARE(recorder.messages[0].kind, ui::MessageKind::Error);
    QCOMPARE(recorder.messages[0].text, message);
    QVERIFY(dialog.isVisible());
    QCOMPARE(drawing.image.Width(), newWidth);
    QCOMPARE(drawing.image.Height(), raster::TImage::kDesignedHeight);
    QVERIFY(!drawing.image.Proportional());
    QVERIFY(!QFile::exists("tmp.bmp"));
}

void DialogsTest::setteiOkApplies_data() {
    QTest::addColumn<bool>("applySize");
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("height");
    QTest::addColumn<bool>("proportional");
    QTest::addColumn<QSize>("control");
    QTest::newRow("size with leading blank") << true << " 300"
                                             << "200" << true << QSize(300, 200);
    QTest::newRow("size not applied")
        << false << "abc"
        << "" << false << QSize(raster::TImage::kDesignedWidth, raster::TImage::kDesignedHeight);
    QTest::newRow("zero size applied") << true << "0"
                                       << "0" << false << QSize(0, 0);
}

void DialogsTest::setteiOkApplies() {
    QFETCH(bool, applySize);
    QFETCH(QString, width);
    QFETCH(QString, height);
    QFETCH(bool, proportional);
    QFETCH(QSize, control);
    MessageRecorder recorder;
    Drawing drawing;
    drawing.Paint(5, 4, Checker);
    ui::DisplaySettingsDialog dialog(drawing.image);
    dialog.show();
    Find<QCheckBox>(dialog, "CheckBox2")->setChecked(applySize);
    Find<QCheckBox>(dialog, "CheckBox1")->setChecked(proportional);
    Find<QLineEdit>(dialog, "Edit3")->setText(width);
    Find<QLineEdit>(dialog, "Edit4")->setText(height);
    QTest::mouseClick(Find<QPushButton>(dialog, "Button1"), Qt::LeftButton);

    QVERIFY(recorder.messages.empty());
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(QSize(drawing.image.Width(), drawing.image.Height()), control);
    QCOMPARE(drawing.image.Proportional(), proportional);
    // The picture keeps its own size; its bitmap file lies in the current folder.
    QCOMPARE(drawing.image.Picture.Bitmap().Width(), 5);
    QVERIFY(ReadFile(QDir::current().filePath("tmp.bmp")).startsWith("BM"));
}

void DialogsTest::setteiNoContentWritesNoFile() {
    MessageRecorder recorder;
    Drawing drawing;
    ui::DisplaySettingsDialog dialog(drawing.image);
    dialog.show();
    QTest::mouseClick(Find<QPushButton>(dialog, "Button1"), Qt::LeftButton);
    QVERIFY(recorder.messages.empty());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!QFile::exists("tmp.bmp"));
    QVERIFY(!drawing.image.Picture.HasContent());
}

void DialogsTest::setteiContentsPersist() {
    Drawing drawing;
    ui::DisplaySettingsDialog dialog(drawing.image);
    dialog.show();
    Find<QCheckBox>(dialog, "CheckBox1")->setChecked(true);
    Find<QCheckBox>(dialog, "CheckBox2")->setChecked(true);
    Find<QLineEdit>(dialog, "Edit3")->setText("12");
    Find<QLineEdit>(dialog, "Edit4")->setText("34");
    Find<QComboBox>(dialog, "ComboBox1")->setEditText("red");
    QTest::mouseClick(Find<QPushButton>(dialog, "Button2"), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(drawing.image.Width(), raster::TImage::kDesignedWidth);
    dialog.show();
    QVERIFY(Find<QCheckBox>(dialog, "CheckBox1")->isChecked());
    QVERIFY(Find<QCheckBox>(dialog, "CheckBox2")->isChecked());
    QCOMPARE(Find<QLineEdit>(dialog, "Edit3")->text(), QStringLiteral("12"));
    QCOMPARE(Find<QLineEdit>(dialog, "Edit4")->text(), QStringLiteral("34"));
    QCOMPARE(Find<QComboBox>(dialog, "ComboBox1")->currentText(), QStringLiteral("red"));
}

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
