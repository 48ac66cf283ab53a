#include "ui/desktop_conventions.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QStyleOptionMenuItem>
#include <QTreeView>
#include <QtTest>

#include "editor/editor_window.h"
#include "ui/drawing_window.h"
#include "ui/program_windows.h"
#include "ui/trace_dialog.h"
#include "viewer/viewer_window.h"
#include "window_test_support.h"

class DesktopConventionsTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup() { windows_.reset(); }
    void TypedPathOpensLeaveNoCompletionBoxAndReplaceTheLastName();
    void DoubleClickBesideTheCompletionBoxOpensTheFile();
    void FiltersShowTheirDescriptionsOnly();
    void FileDetailsReadAsOnAJapaneseDesktop();
    void FileDialogShowsDetailsInJapaneseWithRoomForThem();
    void TrackBarKeysMoveAsOnTheOriginalDesktop();
    void MenuItemsShowAPlainTickOnlyWhenChecked();
    void DialogButtonsShowTextOnly();
    void F10ThenDownOpensTheFileMenu();
    void SmallFrameScrollsToTheDrawingWindow();

  private:
    QFileDialog& Open() { return windows_->Frame().OpenDialog(); }
    QLineEdit& Name() { return *Open().findChild<QLineEdit*>(QStringLiteral("fileNameEdit")); }
    QWidget& Completions() { return *Name().completer()->popup(); }
    // Runs the real Open command; `drive` works the shown dialog.
    void OpenWith(const std::function<void()>& drive) {
        QTimer::singleShot(0, [&] {
            // Typed keys reach the name as they do for a user, with the dialog active.
            QApplication::setActiveWindow(&Open());
            if (QTest::qWaitForWindowActive(&Open())) drive();
            if (Open().isVisible()) Open().reject();  // a failed check must not hang the test
        });
        windows_->Frame().findChild<QAction*>(QStringLiteral("Open1"))->trigger();
    }
    // Types `path` as a user does, giving the completion box time to fill.
    void TypePath(const QString& path) {
        QTest::keyClicks(&Name(), path.chopped(1));
        QTest::qWait(200);
        QTest::keyClicks(&Name(), path.right(1));
    }

    QTemporaryDir folder_;
    std::unique_ptr<ui::ProgramWindows> windows_;
};

void DesktopConventionsTest::init() {
    const QByteArray drawing = window_test::DxfText().Point(40, 30).Line(0, 0, 40, 30).Bytes();
    window_test::WriteFile(folder_.filePath("house.dxf"), drawing);
    window_test::WriteFile(folder_.filePath("plan.dxf"), drawing);
    windows_ = ui::ProgramWindows::Create<korvane::EditorWindow>({});
    windows_->Show();
    QVERIFY(QTest::qWaitForWindowExposed(&windows_->Frame()));
    Open().setDirectory(folder_.path());
}

// The box offering "plan.dxf" must close with the dialog, or it swallows the
// next click on the drawing; the second Open proposes the first name
// selected, so a typed path replaces it instead of being appended to it.
void DesktopConventionsTest::TypedPathOpensLeaveNoCompletionBoxAndReplaceTheLastName() {
    bool offered = false;
    OpenWith([&] {
        TypePath(folder_.filePath("house.dxf"));
        QTRY_VERIFY(Completions().isVisible());
        offered = true;
        QTest::keyClick(&Name(), Qt::Key_Return);
    });
    QVERIFY(offered);
    QCOMPARE(windows_->Drawing().windowTitle(), folder_.filePath("house.dxf"));
    QVERIFY(!Completions().isVisible());

    QString proposed;
    QString selected;
    OpenWith([&] {
        QTRY_VERIFY(Name().hasFocus());
        proposed = Name().text();
        selected = Name().selectedText();
        TypePath(folder_.filePath("plan.dxf"));
        QTest::keyClick(&Name(), Qt::Key_Return);
    });
    QVERIFY(!proposed.isEmpty());
    QCOMPARE(selected, proposed);
    QCOMPARE(windows_->Drawing().windowTitle(), folder_.filePath("plan.dxf"));
    QVERIFY(!Completions().isVisible());
}

// A double-click on the file list while the box is open closes the box and
// opens the file: the box must not swallow its first click.
void DesktopConventionsTest::DoubleClickBesideTheCompletionBoxOpensTheFile() {
    OpenWith([&] {
        QAbstractItemView* list = nullptr;
        for (auto* view : Open().findChildren<QAbstractItemView*>()) {
            const QString name = view->objectName();
            if (view->isVisible() && (name == "treeView" || name == "listView")) list = view;
        }
        QVERIFY(list != nullptr);
        QModelIndex plan;
        QTRY_VERIFY((plan = list->model()
                                ->match(list->model()->index(0, 0, list->rootIndex()),
                                        Qt::DisplayRole, "plan.dxf")
                                .value(0))
                        .isValid());
        TypePath(QStringLiteral("ho"));
        QTRY_VERIFY(Completions().isVisible());
        // Through the window, as the window system delivers it, so the box sees it first.
        const QPoint at = list->viewport()->mapTo(&Open(), list->visualRect(plan).center());
        QTest::mouseDClick(Open().windowHandle(), Qt::LeftButton, {}, at);
        QTRY_VERIFY(!Open().isVisible());
    });
    QVERIFY(!Completions().isVisible());
    QCOMPARE(windows_->Drawing().windowTitle(), folder_.filePath("plan.dxf"));
}

void DesktopConventionsTest::FiltersShowTheirDescriptionsOnly() {
    const auto shown = [](QFileDialog& dialog) {
        return dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))->itemText(0);
    };
    QCOMPARE(shown(Open()), QStringLiteral("DXFファイル(図面）"));
    QCOMPARE(shown(windows_->Frame().SaveDialog()), QStringLiteral("DXFファイル"));
}

void DesktopConventionsTest::FileDetailsReadAsOnAJapaneseDesktop() {
    const std::pair<qint64, const char*> sizes[] = {
        {0, "0 KB"}, {15, "1 KB"}, {1024, "1 KB"}, {2368, "3 KB"}, {146801664, "143,361 KB"}};
    for (const auto& [bytes, text] : sizes) QCOMPARE(ui::FileSizeText(bytes), QString(text));
    window_test::WriteFile(folder_.filePath("README"), "x");
    window_test::WriteFile(folder_.filePath("old.Tar.gz"), "x");
    const std::pair<QString, QString> types[] = {{folder_.path(), "ファイル フォルダー"},
                                                 {folder_.filePath("plan.dxf"), "DXF ファイル"},
                                                 {folder_.filePath("README"), "ファイル"},
                                                 {folder_.filePath("old.Tar.gz"), "GZ ファイル"}};
    for (const auto& [path, text] : types) QCOMPARE(ui::FileTypeText(QFileInfo(path)), text);
    QCOMPARE(ui::FileTimeText(QDateTime(QDate(2026, 12, 8), QTime(2, 22, 5))),
             QStringLiteral("2026/12/08 2:22"));
    QCOMPARE(ui::FileTimeText(QDateTime(QDate(2026, 1, 9), QTime(14, 5))),
             QStringLiteral("2026/01/09 14:05"));
}

void DesktopConventionsTest::FileDialogShowsDetailsInJapaneseWithRoomForThem() {
    // Qt's model writes these in the system's locale: run under LANG=C,
    // en_US.UTF-8 and ja_JP.UTF-8 alike.
    QDir(folder_.path()).mkdir("old");
    Open().setDirectory(folder_.path());
    auto* details = Open().findChild<QTreeView*>(QStringLiteral("treeView"));
    QAbstractItemModel* model = details->model();
    const QModelIndex root = details->rootIndex();
    QTRY_COMPARE(model->rowCount(root), 3);
    QStringList shown;
    for (int row = 0; row < 3; ++row) {
        const QString name = model->index(row, 0, root).data().toString();
        const QDateTime time = QFileInfo(folder_.filePath(name)).lastModified();
        QCOMPARE(model->index(row, 3, root).data().toString(), ui::FileTimeText(time));
        shown << name + "|" + model->index(row, 1, root).data().toString() + "|" +
                     model->index(row, 2, root).data().toString();
    }
    shown.sort();
    QCOMPARE(shown, (QStringList{"house.dxf|1 KB|DXF ファイル", "old||ファイル フォルダー",
                                 "plan.dxf|1 KB|DXF ファイル"}));
    const QFontMetrics metrics(details->font());
    QHeaderView* header = details->header();
    QVERIFY(header->sectionSize(2) > metrics.horizontalAdvance("ファイル フォルダー"));
    QVERIFY(header->sectionSize(3) > metrics.horizontalAdvance("2026/12/08 22:22"));
    auto* sidebar = Open().findChild<QListView*>(QStringLiteral("sidebar"));
    for (int row = 0; row < sidebar->model()->rowCount(); ++row) {
        const QString place = sidebar->model()->index(row, 0).data().toString();
        QVERIFY2(sidebar->minimumWidth() > metrics.horizontalAdvance(place) + 16,
                 qPrintable(place));
    }
}

void DesktopConventionsTest::TrackBarKeysMoveAsOnTheOriginalDesktop() {
    auto* slider = windows_->TraceTool().findChild<QSlider*>(QStringLiteral("TrackBar1"));
    QVERIFY(slider != nullptr);
    const struct {
        Qt::Key key;
        int value;
    } presses[] = {{Qt::Key_PageUp, 40}, {Qt::Key_PageDown, 50}, {Qt::Key_Up, 45},
                   {Qt::Key_Down, 50},   {Qt::Key_Left, 45},     {Qt::Key_Right, 50},
                   {Qt::Key_Home, 0},    {Qt::Key_End, 100}};
    slider->setValue(50);
    for (const auto& press : presses) {
        QTest::keyClick(slider, press.key);
        QCOMPARE(slider->value(), press.value);
    }
}

void DesktopConventionsTest::MenuItemsShowAPlainTickOnlyWhenChecked() {
    auto* menu = windows_->Frame().findChild<QMenu*>(QStringLiteral("N2"));
    QVERIFY(menu != nullptr);
    const auto drawn = [menu](QStyleOptionMenuItem::CheckType type, bool checked) {
        QStyleOptionMenuItem item;
        item.initFrom(menu);
        item.rect = QRect(0, 0, 160, 24);
        item.text = QStringLiteral("削除モード");
        item.menuHasCheckableItems = true;
        item.checkType = type;
        item.checked = checked;
        QImage image(item.rect.size(), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        menu->style()->drawControl(QStyle::CE_MenuItem, &item, &painter, menu);
        return image;
    };
    const QImage plain = drawn(QStyleOptionMenuItem::NotCheckable, false);
    QCOMPARE(drawn(QStyleOptionMenuItem::NonExclusive, false), plain);
    const QImage ticked = drawn(QStyleOptionMenuItem::NonExclusive, true);
    // A box's outline runs through the corners of the inked area; a tick
    // leaves its top-left and bottom-right corners blank.
    QRect inked;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x)
            if (plain.pixel(x, y) != ticked.pixel(x, y)) inked |= QRect(x, y, 1, 1);
    QVERIFY(inked.width() >= 6 && inked.height() >= 6);
    for (const QPoint corner : {inked.topLeft(), inked.bottomRight() - QPoint(2, 2)}) {
        for (int y = corner.y(); y < corner.y() + 3; ++y)
            for (int x = corner.x(); x < corner.x() + 3; ++x)
                QCOMPARE(ticked.pixel(x, y), plain.pixel(x, y));
    }
}

void DesktopConventionsTest::DialogButtonsShowTextOnly() {
    // Desktops such as the one under test differ in whether buttons carry icons.
    class IconsStyle : public QProxyStyle {
      public:
        int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                      QStyleHintReturn* returned) const override {
            if (hint == SH_DialogButtonBox_ButtonsHaveIcons) return 1;
            return QProxyStyle::styleHint(hint, option, widget, returned);
        }
    };
    const auto text_only = [](QStyle* style) {
        QDialogButtonBox box;
        box.setStyle(style);
        return box.addButton(QDialogButtonBox::Open)->icon().isNull();
    };
    IconsStyle with_icons;
    QVERIFY(!text_only(&with_icons));
    ui::ProgramStyle program(new IconsStyle);
    QVERIFY(text_only(&program));
    // The programs' own dialogs are made with that style.
    QVERIFY(dynamic_cast<ui::ProgramStyle*>(Open().style()) != nullptr);
}

void DesktopConventionsTest::F10ThenDownOpensTheFileMenu() {
    const std::unique_ptr<ui::ProgramWindows> viewer =
        ui::ProgramWindows::Create<morlid::ViewerWindow>({});
    for (ui::FrameWindow* frame : {&windows_->Frame(), &viewer->Frame()}) {
        frame->show();
        QApplication::setActiveWindow(frame);
        QVERIFY(QTest::qWaitForWindowActive(frame));
        QTest::keyClick(frame->Drawing(), Qt::Key_F10);
        QCOMPARE(frame->menuBar()->activeAction(), frame->menuBar()->actions().front());
        auto* file1 = frame->findChild<QMenu*>(QStringLiteral("File1"));
        QVERIFY(!file1->isVisible());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QVERIFY(file1->isVisible());
        QCOMPARE(file1->activeAction(), file1->actions().front());
        file1->hide();
        frame->hide();
    }
}

void DesktopConventionsTest::SmallFrameScrollsToTheDrawingWindow() {
    ui::FrameWindow& frame = windows_->Frame();
    frame.show();
    frame.resize(300, 200);
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QTRY_VERIFY(frame.MdiArea()->horizontalScrollBar()->isVisible());
    QVERIFY(frame.MdiArea()->verticalScrollBar()->isVisible());
}

QTEST_MAIN(DesktopConventionsTest)
#include "desktop_conventions_test.moc"
