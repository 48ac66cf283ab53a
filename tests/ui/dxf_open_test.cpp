// Open in both programs with a DXF from another CAD program: the question,
// and that each answer reads the file as the reader it names would.
#include <QtTest>
#include <functional>
#include <memory>

#include "core/dxf_import.h"
#include "dxf/any_dxf.h"
#include "editor/editor_window.h"
#include "ui/drawing_window.h"
#include "ui/dxf_open.h"
#include "viewer/viewer_window.h"
#include "window_test_support.h"

using window_test::CapturedBoxes;
using window_test::DxfText;
using window_test::RunningProgram;

namespace {

// A line as R12 programs write it: a handle first, and z values, so that the
// fixed offsets of a LINE hold other codes' values.
const QByteArray kOtherCad =
    "0\nSECTION\n2\nENTITIES\n0\nLINE\n5\n1F\n8\n0\n10\n1.0\n20\n2.0\n30\n0.0\n"
    "11\n30.0\n21\n40.0\n31\n0.0\n0\nENDSEC\n0\nEOF\n";

using Reader = std::function<void(core::DrawingDocument&, const std::string&)>;

// What the document holds after a load, or the failure that ended it.
struct Outcome {
    QString failure;
    std::vector<core::Row> rows;
    int32_t width = 0, height = 0;
    std::vector<uint32_t> pixels;
    bool operator==(const Outcome&) const = default;
};

Outcome OutcomeOf(const core::DrawingDocument& document, const QString& failure) {
    Outcome outcome{failure, document.Rows, 0, 0, {}};
    if (const raster::TBitmap* bitmap = document.Image1.Picture.Content()) {
        outcome.width = bitmap->Width();
        outcome.height = bitmap->Height();
        if (bitmap->HasPixels()) {
            outcome.pixels.assign(bitmap->Data(),
                                  bitmap->Data() + std::size_t(outcome.width) * outcome.height);
        }
    }
    return outcome;
}

Outcome ReadAside(core::DxfVariant variant, const std::string& path, const Reader& reader) {
    core::DrawingDocument document(variant);
    try {
        reader(document, path);
    } catch (const std::exception& failure) {
        return OutcomeOf(document, QString::fromUtf8(failure.what()));
    }
    return OutcomeOf(document, {});
}

}  // namespace

class DxfOpenTest : public QObject {
    Q_OBJECT

  private slots:
    void EachAnswerReadsAsItsReaderAndFixedFilesAskNothing_data();
    void EachAnswerReadsAsItsReaderAndFixedFilesAskNothing();
};

void DxfOpenTest::EachAnswerReadsAsItsReaderAndFixedFilesAskNothing_data() {
    QTest::addColumn<bool>("editor");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<int>("questions");
    QTest::addColumn<bool>("general");  // read by the general reader
    const QByteArray fixed = DxfText().Line(1, 2, 30, 40).Point(5, 5).Bytes();
    for (const bool editor : {true, false}) {
        const char* program = editor ? "Korvane " : "Morlid ";
        QTest::addRow("%sfixed layout", program) << editor << fixed << true << 0 << false;
        QTest::addRow("%sother CAD, yes", program) << editor << kOtherCad << true << 1 << true;
        QTest::addRow("%sother CAD, no", program) << editor << kOtherCad << false << 1 << false;
    }
}

void DxfOpenTest::EachAnswerReadsAsItsReaderAndFixedFilesAskNothing() {
    QFETCH(bool, editor);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, yes);
    QFETCH(int, questions);
    QFETCH(bool, general);
    RunningProgram program(
        editor ? RunningProgram::Create(ui::ProgramWindows::Create<korvane::EditorWindow>)
               : RunningProgram::Create(ui::ProgramWindows::Create<morlid::ViewerWindow>));
    program.Start();
    QStringList asked;
    const ui::QuestionHandler previous = ui::SetQuestionHandler([&](QWidget*, const QString& text) {
        asked << text;
        return yes;
    });
    CapturedBoxes boxes;
    program.Load(bytes, QStringLiteral("drawing.dxf"));
    ui::SetQuestionHandler(previous);

    QCOMPARE(asked, QStringList(questions, ui::OtherCadQuestion()));
    const std::string path = program.TempPath(QStringLiteral("drawing.dxf")).toStdString();
    const Reader reader =
        general
            ? Reader([](core::DrawingDocument& d, const std::string& p) {
                  (void)dxf::LoadAnyDxf(d, p);
              })
            : Reader([](core::DrawingDocument& d, const std::string& p) { core::LoadDxf(d, p); });
    const core::DrawingDocument& shown = program.Windows().Drawing().Document();
    const Outcome expected = ReadAside(shown.Variant(), path, reader);
    QCOMPARE(boxes.errors,
             expected.failure.isEmpty() ? QStringList() : QStringList{expected.failure});
    QVERIFY(OutcomeOf(shown, expected.failure) == expected);
    QCOMPARE(program.Windows().Drawing().windowTitle(),
             expected.failure.isEmpty() ? QString::fromStdString(path) : QString());
}

QTEST_MAIN(DxfOpenTest)
#include "dxf_open_test.moc"
