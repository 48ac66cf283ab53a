#include "ui/desktop_conventions.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QSlider>
#include <QStyleOptionMenuItem>
#include <QtTest>

#include "editor/editor_window.h"
#include "ui/drawing_window.h"
#include "ui/program_windows.h"
#include "ui/trace_dialog.h"
#include "window_test_support.h"

class DesktopConventionsTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup() { windows_.reset(); }
    void TypedPathOpensLeaveNoCompletionBoxAndReplaceTheLastName();
    void DoubleClickBesideTheCompletionBoxOpensTheFile();
    void FiltersShowTheirDescriptionsOnly();
    void TrackBarKeysMoveAsOnTheOriginalDesktop();
    void UncheckedMenuItemsShowNoTickBox();

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

void DesktopConventionsTest::UncheckedMenuItemsShowNoTickBox() {
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
    QVERIFY(drawn(QStyleOptionMenuItem::NonExclusive, true) != plain);
}

QTEST_MAIN(DesktopConventionsTest)
#include "desktop_conventions_test.moc"
