// Morlid's windows, started as the program starts them and driven through
// their real menu commands.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "raster/tcolor.h"
#include "ui/display_settings_dialog.h"
#include "ui/drawing_window.h"
#include "ui/resize_dialog.h"
#include "ui/trace_dialog.h"
#include "viewer/viewer_window.h"
#include "window_test_support.h"

using window_test::DxfText;
using window_test::ScriptedDialogs;

class ViewerWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void MainWindowHasDesignedLook();
    void MenusHaveDesignedItems();
    void DialogsAreConfigured();
    void FirstArgumentPresetsBitmapName();
    void ChangeFileExtReplacesLastExtension_data();
    void ChangeFileExtReplacesLastExtension();
    void VertexAfterSeqendContinuesChain();
    void SaveWritesBitmapAndKeepsCaption();
    void SaveBeforeOpenWritesNothing();
    void PressesAndKeysChangeNothing();
    void EditAndSettingsItemsShowTheirDialogs_data();
    void EditAndSettingsItemsShowTheirDialogs();

  private:
    void Load(const QByteArray& bytes, const QString& name) { program_.Load(bytes, name); }
    [[nodiscard]] QString TempPath(const QString& name) const { return program_.TempPath(name); }
    [[nodiscard]] morlid::ViewerWindow& Frame() {
        return program_.Windows().FrameAs<morlid::ViewerWindow>();
    }
    [[nodiscard]] ui::DrawingWindow& Drawing() { return program_.Windows().Drawing(); }
    [[nodiscard]] core::DrawingDocument& Document() { return Drawing().Document(); }
    [[nodiscard]] QAction* Action(const QString& name) { return Frame().findChild<QAction*>(name); }

    window_test::RunningProgram program_{ui::ProgramWindows::Create<morlid::ViewerWindow>};
};

void ViewerWindowTest::init() { program_.Start(); }

void ViewerWindowTest::cleanup() { program_.Stop(); }

void ViewerWindowTest::MainWindowHasDesignedLook() {
    QCOMPARE(Frame().windowTitle(), QStringLiteral("Morlid Ver 1.00"));
    QCOMPARE(Frame().frameGeometry().size(), QSize(655, 563));
    QVERIFY(Frame().findChild<QLabel*>(QStringLiteral("Panel1")) == nullptr);
    QCOMPARE(Frame().MdiArea()->subWindowList(), QList<QMdiSubWindow*>{&Drawing()});
    QCOMPARE(Drawing().size(), QSize(472, 391));
    QCOMPARE(Drawing().windowTitle(), QString());
    QCOMPARE(Drawing().Picture()->size(), QSize(237, 313));
}

void ViewerWindowTest::MenusHaveDesignedItems() {
    // No Draw menu in the viewer.
    QCOMPARE(window_test::MenuLayout(Frame()),
             (QStringList{"File1=ﾌｧｲﾙ", "  Open1=開く", "  N11=保存", "  N3=", "  Exit1=終了",
                          "N9=編集-hidden", "  N10=画像サイズ変更", "  N12=トレース",
                          "N1=環境設定-hidden", "  N4=変換設定"}));
}

void ViewerWindowTest::DialogsAreConfigured() {
    Action("Open1")->trigger();
    Action("N11")->trigger();
    QCOMPARE(program_.Dialogs().seen.size(), std::size_t{2});
    const window_test::DialogSeen& open = program_.Dialogs().seen[0];
    QCOMPARE(open.title, QStringLiteral("Dxfﾌｧｲﾙを開く"));
    QCOMPARE(open.filters, QStringList{QStringLiteral("DXFファイル(図面） (*.dxf)")});
    QCOMPARE(open.suffix, QStringLiteral("dxf"));
    QCOMPARE(open.directory, QCoreApplication::applicationDirPath());
    const window_test::DialogSeen& save = program_.Dialogs().seen[1];
    QCOMPARE(save.filters, QStringList{QStringLiteral("ビットマップファイル (*.bmp)")});
    QCOMPARE(save.suffix, QStringLiteral("Bmp"));
    QCOMPARE(save.directory, QCoreApplication::applicationDirPath());
    QCOMPARE(save.mode, QFileDialog::AcceptSave);
    QVERIFY(!save.confirms_overwrite);
    QVERIFY(!save.native);
}

void ViewerWindowTest::FirstArgumentPresetsBitmapName() {
    program_.Start({QStringLiteral("plan.dxf")});
    Action("Open1")->trigger();
    Action("N11")->trigger();
    // A relative name is in the working folder, not in the program's.
    const QString folder = QDir::currentPath() + "/";
    QCOMPARE(program_.Dialogs().seen[0].proposed, QStringList{folder + "plan.dxf"});
    QCOMPARE(program_.Dialogs().seen[1].proposed, QStringList{folder + "plan.bmp"});
    QVERIFY(!Document().Image1.Picture.HasContent());
}

void ViewerWindowTest::ChangeFileExtReplacesLastExtension_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("changed");
    QTest::newRow("plain") << "plan.dxf"
                           << "plan.bmp";
    QTest::newRow("no extension") << "plan"
                                  << "plan.bmp";
    QTest::newRow("two dots") << "plan.v2.dxf"
                              << "plan.v2.bmp";
    QTest::newRow("dot in folder only") << "a.b/plan"
                                        << "a.b/plan.bmp";
    QTest::newRow("dot in folder and name") << "/x.y/plan.DXF"
                                            << "/x.y/plan.bmp";
}

void ViewerWindowTest::ChangeFileExtReplacesLastExtension() {
    QFETCH(QString, name);
    QFETCH(QString, changed);
    QCOMPARE(ui::ChangeFileExt(name, QStringLiteral(".bmp")), changed);
}

void ViewerWindowTest::VertexAfterSeqendContinuesChain() {
    // Rows 7 (file Y 2) and 1 (file Y 8) with H = 9; the last VERTEX has no
    // POLYLINE of its own, so the viewer draws it on from (10, 7).
    Load(DxfText().Polyline().Vertex(2, 2).Vertex(10, 2).Seqend().Vertex(10, 8).Bytes(),
         QStringLiteral("chain.dxf"));
    QCOMPARE(Drawing().windowTitle(), TempPath("chain.dxf"));
    QCOMPARE(Document().RowCount(), 0);  // the viewer keeps no table
    const raster::TBitmap& bitmap = Document().Image1.Picture.Bitmap();
    QCOMPARE(bitmap.Width(), 11);
    QCOMPARE(bitmap.Height(), 9);
    QCOMPARE(bitmap.Pixel(2, 7), raster::clBlack);
    QCOMPARE(bitmap.Pixel(10, 7), raster::clBlack);
    QCOMPARE(bitmap.Pixel(10, 4), raster::clBlack);
    QCOMPARE(bitmap.Pixel(10, 1), raster::clWhite);
    const auto* settei = &program_.Windows().SettingsTool();
    QCOMPARE(settei->findChild<QLineEdit*>(QStringLiteral("Edit1"))->text(), QStringLiteral("11"));
    QCOMPARE(settei->findChild<QLineEdit*>(QStringLiteral("Edit2"))->text(), QStringLiteral("9"));
}

void ViewerWindowTest::SaveWritesBitmapAndKeepsCaption() {
    // A 4 by 2 picture whose lower row is black from x 0 to 2.
    Load(DxfText().Line(0, 1, 3, 1).Bytes(), QStringLiteral("row.dxf"));
    const QString path = TempPath("row.bmp");
    window_test::WriteFile(path, "an older file, replaced without a question");
    program_.Dialogs().Choose(path);
    Action("N11")->trigger();

    QCOMPARE(Drawing().windowTitle(), TempPath("row.dxf"));
    const QByteArray expected = QByteArray::fromHex(
        "424d"      // type
        "4e000000"  // file size 78
        "00000000"  // reserved
        "36000000"  // pixel rows at 54
        "28000000"  // info header size
        "04000000"  // width
        "02000000"  // height, bottom-up
        "0100"
        "1800"      // planes, bits per pixel
        "00000000"  // uncompressed
        "18000000"  // image size: stride 12 by 2 rows
        "00000000"
        "00000000"
        "00000000"
        "00000000"
        "000000000000000000ffffff"    // bottom row first
        "ffffffffffffffffffffffff");  // then the top row
    QCOMPARE(window_test::ReadFile(path).toHex(), expected.toHex());
}

void ViewerWindowTest::SaveBeforeOpenWritesNothing() {
    const QString path = TempPath("nothing.bmp");
    program_.Dialogs().Choose(path);
    Action("N11")->trigger();
    QVERIFY(!QFile::exists(path));
}

void ViewerWindowTest::PressesAndKeysChangeNothing() {
    QTest::mouseClick(Drawing().Picture(), Qt::LeftButton, {}, QPoint(3, 3));
    QTest::keyClick(&Drawing(), Qt::Key_Delete);
    // The editor's first click would have made a white picture.
    QVERIFY(!Document().Image1.Picture.HasContent());

    Load(DxfText().Line(0, 1, 3, 1).Bytes(), QStringLiteral("row.dxf"));
    QTest::mouseClick(Drawing().Picture(), Qt::LeftButton, {}, QPoint(1, 0));
    QTest::mouseClick(Drawing().Picture(), Qt::LeftButton, {}, QPoint(3, 0));
    QCOMPARE(Document().Image1.Picture.Bitmap().Pixel(2, 0), raster::clWhite);
    QCOMPARE(Document().RowCount(), 0);
}

void ViewerWindowTest::EditAndSettingsItemsShowTheirDialogs_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("dialog");
    QTest::newRow("N10") << "N10"
                         << "FrmSize";
    QTest::newRow("N12") << "N12"
                         << "FrmTrase";
    QTest::newRow("N4") << "N4"
                        << "FrmSettei";
}

void ViewerWindowTest::EditAndSettingsItemsShowTheirDialogs() {
    QFETCH(QString, item);
    QFETCH(QString, dialog);
    QCOMPARE(window_test::DialogShownBy(Action(item), {&program_.Windows().ResizeTool(),
                                                       &program_.Windows().SettingsTool(),
                                                       &program_.Windows().TraceTool()}),
             dialog);
}

QTEST_MAIN(ViewerWindowTest)
#include "viewer_window_test.moc"
