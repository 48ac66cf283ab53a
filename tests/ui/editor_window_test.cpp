// Korvane's windows, started as the program starts them and driven through
// their real menu commands, mouse presses and key presses.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <memory>

#include "core/dxf_export.h"
#include "core/failure.h"
#include "core/number_text.h"
#include "editor/editor_window.h"
#include "raster/tcolor.h"
#include "ui/display_settings_dialog.h"
#include "ui/drawing_window.h"
#include "ui/resize_dialog.h"
#include "ui/trace_dialog.h"
#include "window_test_support.h"

using window_test::CapturedBoxes;
using window_test::DxfText;
using window_test::ScriptedDialogs;

namespace {

const QString kD1 = QStringLiteral("[削除モード]1点目をクリックしてください。");
const QString kD2 = QStringLiteral("[削除モード]2点目をクリックしてください。");
const QString kD3 =
    QStringLiteral("[削除モード]削除する時は[DEL]キーを取り消す場合は[ESC]キーを押してください。");
const QString kL1 = QStringLiteral("[直線モード]1点目をクリックしてください。");
const QString kL2 = QStringLiteral("[直線モード]2点目をクリックしてください。");

// A line from (2, 3) to (12, 3) and a polyline (20, 10) (30, 10) (30, 20):
// H = 21, so the line lies on picture row 18 and the polyline runs along
// row 11 and up column 30.
QByteArray SampleDrawing() {
    return DxfText()
        .Line(2, 3, 12, 3)
        .Polyline()
        .Vertex(20, 10)
        .Vertex(30, 10)
        .Vertex(30, 20)
        .Seqend()
        .Bytes();
}

struct Row {
    QString kind, x, y, state;
    friend bool operator==(const Row&, const Row&) = default;
};

}  // namespace

Q_DECLARE_METATYPE(Qt::Key)

class EditorWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void MainWindowHasDesignedLook();
    void MenusHaveDesignedItems();
    void DrawingWindowIsOnlyVisibleChild();
    void StartsWithoutArgumentsInProgramFolder();
    void FirstArgumentPresetsBothDialogs_data();
    void FirstArgumentPresetsBothDialogs();
    void OpenOptionLoadsAtStart();
    void OpenLoadsDrawingAndFillsSettings();
    void LargeDrawingScrolls();
    void CancelledOpenStillFillsSettings();
    void FailedOpenShowsErrorAndKeepsState_data();
    void FailedOpenShowsErrorAndKeepsState();
    void DrawMenuChecksAtMostOneMode();
    void RectangleSelectsThenKeyConfirms_data();
    void RectangleSelectsThenKeyConfirms();
    void LineModeAddsBlueLine();
    void RightClickIsIgnored();
    void KeysReachTheDrawingWindowFromItsChildren_data();
    void KeysReachTheDrawingWindowFromItsChildren();
    void SaveWritesTemplateAndLiveRows();
    void FailedSaveShowsErrorAfterCaption();
    void DialogItemsShowTheirDialogs_data();
    void DialogItemsShowTheirDialogs();
    void ClosingDrawingWindowMinimisesIt();

  private:
    void Load(const QByteArray& bytes, const QString& name = QStringLiteral("plan.dxf")) {
        program_.Load(bytes, name);
    }
    [[nodiscard]] QString TempPath(const QString& name) const { return program_.TempPath(name); }
    [[nodiscard]] korvane::EditorWindow& Frame() {
        return program_.Windows().FrameAs<korvane::EditorWindow>();
    }
    [[nodiscard]] ui::DrawingWindow& Drawing() { return program_.Windows().Drawing(); }
    [[nodiscard]] core::DrawingDocument& Document() { return Drawing().Document(); }
    [[nodiscard]] QAction* Action(const char* name) {
        return Frame().findChild<QAction*>(QLatin1String(name));
    }
    [[nodiscard]] QString SettingsBox(const char* name) {
        return program_.Windows().SettingsTool().findChild<QLineEdit*>(QLatin1String(name))->text();
    }
    [[nodiscard]] raster::TColor PixelAt(int x, int y) {
        return Document().Image1.Picture.Bitmap().Pixel(x, y);
    }
    [[nodiscard]] Row RowAt(int i) {
        auto text = [](std::string_view s) {
            return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
        };
        return {text(Document().KindList.Read(i)), text(Document().XList.Read(i)),
                text(Document().YList.Read(i)), text(Document().StateList.Read(i))};
    }
    // QTest takes (0, 0) for the widget's centre, so no test clicks there.
    void Click(int x, int y, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(Drawing().Picture(), button, {}, QPoint(x, y));
    }

    window_test::RunningProgram program_{ui::ProgramWindows::Create<korvane::EditorWindow>};
};

void EditorWindowTest::init() { program_.Start(); }

void EditorWindowTest::cleanup() { program_.Stop(); }

void EditorWindowTest::MainWindowHasDesignedLook() {
    QCOMPARE(Frame().windowTitle(), QStringLiteral("Korvane Ver 1.00"));
    // The designed size is the outside of the frame, where the platform draws one.
    QCOMPARE(Frame().frameGeometry().size(), QSize(702, 563));
    QVERIFY(Frame().size() != Frame().frameGeometry().size());
    QLabel* panel = Frame().findChild<QLabel*>(QStringLiteral("Panel1"));
    QVERIFY(panel != nullptr);
    QCOMPARE(panel->height(), 21);
    QCOMPARE(panel->text(), QString());
    QCOMPARE(panel->palette().color(QPalette::Window), QColor(Qt::white));
    QCOMPARE(panel->frameShadow(), QFrame::Sunken);
    QVERIFY(panel->alignment() & Qt::AlignLeft);
    // The panel lies along the bottom edge, below the document area.
    QVERIFY(panel->geometry().top() >= Frame().MdiArea()->geometry().bottom());
    QCOMPARE(QApplication::font().families().front(), QStringLiteral("ＭＳ Ｐゴシック"));
    QCOMPARE(QApplication::font().pixelSize(), 12);
}

void EditorWindowTest::MenusHaveDesignedItems() {
    QCOMPARE(window_test::MenuLayout(Frame()),
             (QStringList{"File1=ﾌｧｲﾙ", "  Open1=開く", "  N11=保存", "  N3=", "  Exit1=終了",
                          "N9=編集-hidden", "  N10=画像サイズ変更", "  N12=トレース", "N2=作図",
                          "  NDel=削除モード", "  NLine=直線モード", "N1=環境設定-hidden",
                          "  N4=変換設定"}));
}

void EditorWindowTest::DrawingWindowIsOnlyVisibleChild() {
    const QList<QMdiSubWindow*> children = Frame().MdiArea()->subWindowList();
    QCOMPARE(children.size(), 1);
    QCOMPARE(children.front(), &Drawing());
    QVERIFY(Drawing().isVisible());
    QCOMPARE(Drawing().windowTitle(), QString());
    QCOMPARE(Drawing().size(), QSize(472, 391));
    QCOMPARE(Drawing().Picture()->size(), QSize(237, 313));
    QCOMPARE(Drawing().Picture()->pos(), QPoint(0, 0));
    QVERIFY(!Document().Image1.Picture.HasContent());
}

void EditorWindowTest::StartsWithoutArgumentsInProgramFolder() {
    Action("Open1")->trigger();
    QCOMPARE(program_.Dialogs().seen.size(), std::size_t{1});
    const window_test::DialogSeen& open = program_.Dialogs().seen.front();
    QCOMPARE(open.title, QStringLiteral("Dxfﾌｧｲﾙを開く"));
    QCOMPARE(open.filters, QStringList{QStringLiteral("DXFファイル(図面） (*.dxf)")});
    QCOMPARE(open.suffix, QStringLiteral("dxf"));
    QCOMPARE(open.directory, QCoreApplication::applicationDirPath());
    QCOMPARE(open.mode, QFileDialog::AcceptOpen);
    QVERIFY(!open.native);

    Action("N11")->trigger();
    QCOMPARE(program_.Dialogs().seen.size(), std::size_t{2});
    const window_test::DialogSeen& save = program_.Dialogs().seen.back();
    QCOMPARE(save.filters, QStringList{QStringLiteral("DXFファイル (*.dxf)")});
    QCOMPARE(save.suffix, QStringLiteral("Dxf"));
    QCOMPARE(save.directory, QCoreApplication::applicationDirPath());
    QCOMPARE(save.mode, QFileDialog::AcceptSave);
    QVERIFY(save.confirms_overwrite);
    QVERIFY(!save.native);
}

void EditorWindowTest::FirstArgumentPresetsBothDialogs_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("proposed");  // relative to the working folder
    QTest::newRow("relative") << QStringList{"plan.dxf", "other.dxf"} << "plan";
    QDir().mkpath("arguments/data");
    QTest::newRow("in a subfolder")
        << QStringList{"arguments/x/../data/plan.dxf"} << "arguments/data/plan";
    QTest::newRow("absolute") << QStringList{QDir::tempPath() + "/plan.dxf"}
                              << QDir::tempPath() + "/plan";
    QTest::newRow("--open wins") << QStringList{"other.dxf", "--open", "plan.dxf"} << "plan";
    QTest::newRow("after --") << QStringList{"--", "--open", "plan.dxf"} << "--open";
}

void EditorWindowTest::FirstArgumentPresetsBothDialogs() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, proposed);
    CapturedBoxes boxes;  // "--open plan.dxf" fails: there is no such file
    program_.Start(arguments);
    Action("Open1")->trigger();
    Action("N11")->trigger();
    const QString path = QDir::current().absoluteFilePath(proposed);
    QCOMPARE(program_.Dialogs().seen[0].proposed, QStringList{path + ".dxf"});
    QCOMPARE(program_.Dialogs().seen[1].proposed, QStringList{path + ".DXF"});
    // A plain argument loads nothing until Open is confirmed.
    QVERIFY(!Document().Image1.Picture.HasContent());
    QCOMPARE(Document().RowCount(), 0);
}

void EditorWindowTest::OpenOptionLoadsAtStart() {
    const QString path = TempPath("start.dxf");
    window_test::WriteFile(path, SampleDrawing());
    program_.Start({"--open", QDir::current().relativeFilePath(path)});
    QCOMPARE(Drawing().windowTitle(), path);
    QCOMPARE(Document().RowCount(), 7);
    QCOMPARE(SettingsBox("Edit1"), QStringLiteral("31"));
    Action("N11")->trigger();
    QCOMPARE(program_.Dialogs().seen[0].proposed, QStringList{TempPath("start.DXF")});

    // A failing load shows its box and the program goes on with nothing loaded.
    CapturedBoxes boxes;
    program_.Start({"--open", TempPath("missing.dxf")});
    QCOMPARE(boxes.errors.size(), 1);
    QVERIFY2(boxes.errors[0].contains("missing.dxf"), qPrintable(boxes.errors[0]));
    QVERIFY(Frame().isVisible());
    QCOMPARE(Drawing().windowTitle(), QString());
    QCOMPARE(Document().RowCount(), 0);
}

void EditorWindowTest::OpenLoadsDrawingAndFillsSettings() {
    QCOMPARE(SettingsBox("Edit1"), QStringLiteral("Edit1"));
    Load(SampleDrawing());

    QCOMPARE(Drawing().windowTitle(), TempPath("plan.dxf"));
    QCOMPARE(SettingsBox("Edit1"), QStringLiteral("31"));
    QCOMPARE(SettingsBox("Edit2"), QStringLiteral("21"));
    QCOMPARE(Drawing().Picture()->size(), QSize(31, 21));
    QCOMPARE(Document().RowCount(), 7);
    QCOMPARE(RowAt(0), (Row{"LS", "2", "18", "0"}));
    QCOMPARE(RowAt(6), (Row{"PE", "0", "0", "0"}));
    QCOMPARE(PixelAt(2, 18), raster::clBlack);
    QCOMPARE(PixelAt(12, 18), raster::clWhite);  // the end pixel stays unpainted
    QCOMPARE(PixelAt(30, 5), raster::clBlack);
}

void EditorWindowTest::LargeDrawingScrolls() {
    QScrollArea* area = Drawing().ScrollArea();
    QVERIFY(!area->horizontalScrollBar()->isVisible());
    Load(DxfText().Line(0, 0, 999, 0).Bytes());
    QCOMPARE(Drawing().Picture()->size(), QSize(1000, 1));
    QTRY_VERIFY(area->horizontalScrollBar()->isVisible());
    QVERIFY(!area->verticalScrollBar()->isVisible());
    // Presses stay in control pixels wherever the view is scrolled.
    area->horizontalScrollBar()->setValue(area->horizontalScrollBar()->maximum());
    Action("NLine")->trigger();
    Click(990, 0);
    QCOMPARE(Frame().PickModes()->PrevX, 990);
}

void EditorWindowTest::CancelledOpenStillFillsSettings() {
    program_.Dialogs().Cancel();
    Action("Open1")->trigger();
    QCOMPARE(SettingsBox("Edit1"), QStringLiteral("237"));
    QCOMPARE(SettingsBox("Edit2"), QStringLiteral("313"));
    QCOMPARE(Drawing().windowTitle(), QString());
    QVERIFY(!Document().Image1.Picture.HasContent());
}

void EditorWindowTest::FailedOpenShowsErrorAndKeepsState_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");  // null: no such file
    QTest::addColumn<QString>("error");
    const QString missing = program_.TempPath("missing.dxf");
    QTest::newRow("missing file")
        << "missing.dxf" << QByteArray()
        << QString::fromUtf8(
               core::CannotOpen(missing.toStdString(), core::SystemErrorText(ENOENT)).what());
    QTest::newRow("no ENTITIES") << "bare.dxf" << QByteArray("  0\r\nEOF\r\n")
                                 << QString::fromUtf8(core::ListIndexError(-2).what());
    QString not_a_number;
    try {
        (void)core::NumText("four");
    } catch (const std::exception& failure) {
        not_a_number = QString::fromUtf8(failure.what());
    }
    QTest::newRow("not a number")
        << "word.dxf" << DxfText().Line(1, 1, 4, 4).Bytes().replace("\r\n4\r\n", "\r\nfour\r\n")
        << not_a_number;
}

void EditorWindowTest::FailedOpenShowsErrorAndKeepsState() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    Load(SampleDrawing());
    CapturedBoxes boxes;

    const QString path = TempPath(name);
    if (!bytes.isNull()) window_test::WriteFile(path, bytes);
    program_.Dialogs().Choose(path);
    Action("Open1")->trigger();

    QCOMPARE(boxes.errors, QStringList{error});
    QCOMPARE(Drawing().windowTitle(), TempPath("plan.dxf"));
    QCOMPARE(SettingsBox("Edit1"), QStringLiteral("31"));
    QCOMPARE(Document().RowCount(), 7);
    // The program goes on: the next Open works.
    Load(SampleDrawing(), QStringLiteral("again.dxf"));
    QCOMPARE(Drawing().windowTitle(), TempPath("again.dxf"));
}

void EditorWindowTest::DrawMenuChecksAtMostOneMode() {
    QAction* ndel = Action("NDel");
    QAction* nline = Action("NLine");
    QVERIFY(!ndel->isChecked() && !nline->isChecked());
    QLabel* panel = Frame().StatusLine();

    const struct {
        QAction* item;
        bool del, line;
        QString status;
    } steps[] = {{ndel, true, false, kD1},
                 {nline, false, true, kL1},
                 {nline, false, true, kL1},
                 {ndel, true, false, kD1},
                 {ndel, true, false, kD1}};
    for (const auto& step : steps) {
        step.item->trigger();
        QCOMPARE(ndel->isChecked(), step.del);
        QCOMPARE(nline->isChecked(), step.line);
        QCOMPARE(panel->text(), step.status);
    }
}

void EditorWindowTest::RectangleSelectsThenKeyConfirms_data() {
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<QString>("state");
    QTest::addColumn<raster::TColor>("colour");
    QTest::newRow("Delete") << Qt::Key_Delete << "-1" << raster::clSilver;
    QTest::newRow("Escape") << Qt::Key_Escape << "0" << raster::clBlack;
}

void EditorWindowTest::RectangleSelectsThenKeyConfirms() {
    QFETCH(Qt::Key, key);
    QFETCH(QString, state);
    QFETCH(raster::TColor, colour);
    Load(SampleDrawing());
    Action("NDel")->trigger();
    QLabel* panel = Frame().StatusLine();

    Click(1, 17);
    QCOMPARE(panel->text(), kD2);
    Click(13, 19);
    QCOMPARE(panel->text(), kD3);
    QCOMPARE(RowAt(0).state, QStringLiteral("2"));
    QCOMPARE(RowAt(1).state, QStringLiteral("2"));
    QCOMPARE(RowAt(3).state, QStringLiteral("0"));  // the polyline is outside
    QCOMPARE(PixelAt(5, 18), raster::clRed);
    QCOMPARE(PixelAt(12, 18), raster::clRed);  // LE is set as a single pixel

    QTest::keyClick(&Drawing(), key);
    QCOMPARE(panel->text(), kD1);
    QCOMPARE(RowAt(0).state, state);
    QCOMPARE(RowAt(1).state, state);
    QCOMPARE(PixelAt(5, 18), colour);
    QCOMPARE(PixelAt(25, 11), raster::clBlack);
}

void EditorWindowTest::LineModeAddsBlueLine() {
    Load(SampleDrawing());
    Action("NLine")->trigger();
    Click(1, 2);
    QCOMPARE(Frame().StatusLine()->text(), kL2);
    Click(6, 2);
    QCOMPARE(Frame().StatusLine()->text(), kL1);
    QCOMPARE(Document().RowCount(), 9);
    QCOMPARE(RowAt(7), (Row{"LS", "1", "2", "0"}));
    QCOMPARE(RowAt(8), (Row{"LE", "6", "2", "0"}));
    QCOMPARE(PixelAt(1, 2), raster::clBlue);
    QCOMPARE(PixelAt(5, 2), raster::clBlue);
    QCOMPARE(PixelAt(6, 2), raster::clWhite);
}

void EditorWindowTest::RightClickIsIgnored() {
    Load(SampleDrawing());
    Action("NLine")->trigger();
    Click(3, 4);
    Click(9, 9, Qt::RightButton);
    editing::PickModes& picks = *Frame().PickModes();
    QCOMPARE(picks.ClickCount, 1);
    QCOMPARE(picks.PrevX, 3);
    QCOMPARE(picks.PrevY, 4);
    QCOMPARE(Frame().StatusLine()->text(), kL2);
    QCOMPARE(Document().RowCount(), 7);
}

void EditorWindowTest::KeysReachTheDrawingWindowFromItsChildren_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<Qt::Key>("key");
    QTest::newRow("Delete on window") << "Form4" << Qt::Key_Delete;
    QTest::newRow("other key") << "Form4" << Qt::Key_A;
    QTest::newRow("Delete on scroll area") << "ScrollBox" << Qt::Key_Delete;
    QTest::newRow("Escape on picture") << "Image1" << Qt::Key_Escape;
}

void EditorWindowTest::KeysReachTheDrawingWindowFromItsChildren() {
    QFETCH(QString, target);
    QFETCH(Qt::Key, key);
    QWidget* widget = target == "Form4" ? &Drawing() : Drawing().findChild<QWidget*>(target);
    QVERIFY(widget != nullptr);
    QSignalSpy spy(&Drawing(), &ui::DrawingWindow::KeyPressed);
    QTest::keyClick(widget, key);
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.front().front().toInt(), static_cast<int>(key));
}

void EditorWindowTest::SaveWritesTemplateAndLiveRows() {
    Load(SampleDrawing());
    Action("NDel")->trigger();
    Click(19, 0);
    Click(31, 12);  // the whole polyline
    QTest::keyClick(&Drawing(), Qt::Key_Delete);

    const QString path = TempPath("out.dxf");
    program_.Dialogs().Choose(path);
    Action("N11")->trigger();

    QCOMPARE(Drawing().windowTitle(), path);
    const QByteArray written = window_test::ReadFile(path);
    const QByteArray header =
        window_test::ReadFile(QString::fromStdString(core::HeaderTemplatePath()));
    QVERIFY(!header.isEmpty());
    QVERIFY(written.startsWith(header));
    QCOMPARE(written.mid(header.size()),
             QByteArray("LINE\r\n  8\r\n_0-0_\r\n  6\r\nCONTINUOUS\r\n 62\r\n    7\r\n"
                        " 10\r\n2\r\n 20\r\n3\r\n 11\r\n12\r\n 21\r\n3\r\n  0\r\n"
                        "ENDSEC\r\n  0\r\nEOF\r\n"));
}

void EditorWindowTest::FailedSaveShowsErrorAfterCaption() {
    CapturedBoxes boxes;
    const QString path = TempPath("no-such-folder/out.dxf");
    program_.Dialogs().Choose(path);
    Action("N11")->trigger();
    QCOMPARE(Drawing().windowTitle(), path);
    QCOMPARE(boxes.errors,
             QStringList{QString::fromUtf8(
                 core::CannotCreate(path.toStdString(), core::SystemErrorText(ENOENT)).what())});
    QVERIFY(!QFile::exists(path));
}

void EditorWindowTest::DialogItemsShowTheirDialogs_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("dialog");  // empty: the item has no command
    QTest::newRow("N10") << "N10"
                         << "FrmSize";
    QTest::newRow("N4") << "N4"
                        << "FrmSettei";
    QTest::newRow("N12") << "N12"
                         << "";
}

void EditorWindowTest::DialogItemsShowTheirDialogs() {
    QFETCH(QString, item);
    QFETCH(QString, dialog);
    QCOMPARE(window_test::DialogShownBy(
                 Action(item.toLatin1().constData()),
                 {&program_.Windows().ResizeTool(), &program_.Windows().SettingsTool(),
                  &program_.Windows().TraceTool()}),
             dialog);
}

void EditorWindowTest::ClosingDrawingWindowMinimisesIt() {
    Load(SampleDrawing());
    Drawing().close();
    QVERIFY(Drawing().isMinimized());
    QCOMPARE(Frame().MdiArea()->subWindowList().size(), 1);
    Drawing().showNormal();
    QVERIFY(!Drawing().isMinimized());
    QCOMPARE(Document().RowCount(), 7);
}

QTEST_MAIN(EditorWindowTest)
#include "editor_window_test.moc"
