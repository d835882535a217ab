// SPDX-License-Identifier: GPL-3.0-or-later
// The data output workbook read back by a real spreadsheet reader (openpyxl), the dialog's range
// rule and abort, an export while acquiring, and printing a capture fitted to a PDF page.
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include "core/acquisition/loop.h"
#include "core/base/ui.h"
#include "core/fixture.h"
#include "core/output/data_output.h"
#include "core/output/print_fit.h"
#include "core/output/workbook.h"

using namespace vrx;
using namespace vrx::test;

namespace {

// The sheet as openpyxl reads it: its rows, or only [rows, columns] of a large one; empty when
// no reader is installed.
QJsonArray ReadBack(const QString &path) {
    const QString script = QStringLiteral(
        "import json,sys,openpyxl\nws=openpyxl.load_workbook(sys.argv[1],read_only=True).active\n"
        "print(json.dumps([ws.max_row,ws.max_column] if ws.max_row>99 else "
        "[list(r) for r in ws.iter_rows(values_only=True)]))");
    for (const QString &python : {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
        QProcess p;
        p.start(python, {QStringLiteral("-c"), script, path});
        if (p.waitForFinished(60000) && p.exitCode() == 0)
            return QJsonDocument::fromJson(p.readAllStandardOutput()).array();
    }
    return {};
}

#define REQUIRE_READER(rows)                                                                       \
    if ((rows).isEmpty()) GTEST_SKIP() << "python3-openpyxl is not installed"

class WorkbookTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetState();
        ASSERT_TRUE(dir.isValid());
        a1 = a2 = std::vector<uint8_t>(70000, 128);
        src.area = {a1.data(), a2.data(), lo.data(), hi.data()};
        src.length = static_cast<int32_t>(a1.size());
        src.offset = {128, 100};
        src.mvPerCode = {0.5, 4.0};
        src.rateText = QStringLiteral("100MSa/S(10.ns)");
    }
    // The data output dialog as it starts, opening no workbook.
    void TearDown() override { frmExcel().Reset(), frmExcel().openWorkbook = nullptr; }
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir;
    std::vector<uint8_t> a1 = std::vector<uint8_t>(70000), a2 = a1, lo = a1, hi = a1;
    ExportSource src;
    int16_t running = 1;
};

} // namespace

// Every format of every block: headings, numbers for the decimals, "h" hex, characters,
// millivolt texts from the channel's offset and scale, inverted A2, 16 binary digits D15 first.
TEST_F(WorkbookTest, CellsAsTheReaderSeesThem) {
    a1[13] = 'A', a1[14] = 200;
    a2[13] = 0x10, a2[14] = 100; // inverted: 0xEF and 155
    hi[13] = 0x12, lo[13] = 0x34, hi[14] = 0x80, lo[14] = 0x01;
    const ExportFormats f{{true, true, true},
                          {true, true, true, true, false},
                          {false, true, false, true, true},
                          {true, true, false, true}};
    ASSERT_EQ(WriteWorkbook(path("all.xlsx"), src, {13, 14}, f, {}, running), WriteResult::Done);
    const QJsonArray rows = ReadBack(path("all.xlsx"));
    REQUIRE_READER(rows);
    const QJsonArray expected = QJsonDocument::fromJson(R"json([
        ["100MSa/S(10.ns)", "A1", null, null, null, "A2", null, "D15-D0", null, null],
        ["Buffer( )", "Decimal", "Hex", "Ascii", "Unit(mv)", "Hex", "Unit(mv)", "Decimal", "Hex",
         "Binary"],
        [13, 65, "41h", "A", "31.5", "EFh", "-556.", 4660, "1234h", "0001001000110100"],
        [14, 200, "C8h", "\u00c8", "-36.", "9Bh", "-220.", 32769, "8001h", "1000000000000001"]
    ])json")
                                    .array();
    EXPECT_EQ(rows, expected) << QJsonDocument(rows).toJson().toStdString();
}

// The logic word's "Ascii" holds the characters of its printable bytes, D15..D8 first: a bus on
// D0..D7 keeps its characters.
TEST(WorkbookCells, LogicAsciiOfPrintableBytes) {
    const std::pair<uint16_t, QString> cases[] = {{0x0041, "A"}, {0x4241, "BA"},     {0x4100, "A"},
                                                  {0x7F7E, "~"}, {0xE90A, "\u00e9"}, {0x0000, ""}};
    for (const auto &[word, text] : cases)
        EXPECT_EQ(LogicCell(uint8_t(word >> 8), uint8_t(word), LaAscii), text) << word;
}

// An export while acquisition runs is one record: with the simulated counter on the logic
// inputs advancing one count a sample and new records captured between the rows, the logic
// word counts up by exactly one from row to row.
TEST_F(WorkbookTest, ExportWhileAcquiringIsOneRecord) {
    setenv("HWLINK_SIM_SIGNALS", "D=count,100000000", 1);
    form1().InitPanel();
    OpenSimulator();
    AppState &s = app();
    tbToolBar_ButtonClick(1);
    while (AcquisitionActive() && s.run.TrigCount < 1)
        AcquisitionStep();
    QTimer steps; // the program's acquisition timer
    QObject::connect(&steps, &QTimer::timeout, [] { AcquisitionStep(); });
    steps.start(0);

    DataOutput &d = frmExcel();
    for (size_t i = 0; i < d.ChkCh.size(); ++i)
        d.ChkCh[i].setChecked(i == 2);
    for (size_t i = 0; i < d.ChkLA.size(); ++i)
        d.ChkLA[i].setChecked(i == LaDecimal);
    d.TxtAdds[0].setText(QStringLiteral("100"));
    d.TxtAdds[1].setText(QStringLiteral("196"));
    d.openWorkbook = {};
    ScriptedUi script;
    script.fileNames = {path("running")};
    ScopedUi scope(script);
    const int32_t before = s.run.TrigCount;
    d.cmdOk.click();
    steps.stop();
    const int32_t during = s.run.TrigCount - before;
    StopAndPowerOff();

    EXPECT_GT(during, 10);
    const QJsonArray rows = ReadBack(path("running.xlsx"));
    REQUIRE_READER(rows);
    ASSERT_EQ(rows.size(), 99);
    const int first = rows[2].toArray()[1].toInt();
    for (int k = 1; k < 97; ++k)
        ASSERT_EQ(rows[k + 2].toArray()[1].toInt(), (first + k) & 0xFFFF) << k;
}

// The dialog: "to" beyond the record is corrected in its box, nothing ticked leaves only the
// index column, the finished workbook is opened; a cancelled file dialog writes nothing.
TEST_F(WorkbookTest, DialogCorrectsTheRangeAndExportsTheIndexAlone) {
    DataOutput &d = frmExcel();
    for (auto *boxes : {&d.ChkCh[0], &d.ChkA1[0]})
        if (boxes->checked()) boxes->click();
    ASSERT_FALSE(d.Formats().channel[0] || d.Formats().a1[0]);
    app().acquisition.LastSample = 2047;
    d.TxtAdds[0].setText(QStringLiteral("2000"));
    d.TxtAdds[1].setText(QStringLiteral("99999"));
    QString opened;
    d.openWorkbook = [&opened](const QString &p) { opened = p; };
    ScriptedUi script;
    script.fileNames = {QString(), path("index")};
    ScopedUi scope(script);
    d.cmdOk.click(); // cancelled
    EXPECT_TRUE(opened.isEmpty());
    d.cmdOk.click();
    EXPECT_EQ((Texts{d.TxtAdds[1].text(), opened, QString::number(d.ProgressBar1.value())}),
              (Texts{"2046", path("index.xlsx"), "47"}));
    const QJsonArray rows = ReadBack(opened);
    REQUIRE_READER(rows);
    ASSERT_EQ(rows.size(), 49);
    EXPECT_EQ((QJsonArray{rows[2], rows[48]}), QJsonDocument::fromJson("[[2000], [2046]]").array());
}

// The range rule: at most 65534 samples, the first one within the record, the last one before
// the record's last sample.
TEST(Workbook, RangeRuleAtBothEnds) {
    // The range asked for, the record's last sample, the range taken.
    // clang-format off
    const std::tuple<ExportRange, int32_t, Nums> cases[] = {
        {{0, 65533}, 131071, {0, 65533}}, {{0, 65534}, 131071, {0, 65533}},
        {{10, 65544}, 131071, {10, 65543}}, {{-5, 200000}, 131071, {0, 65533}},
        {{131070, 131071}, 131071, {131070, 131070}}, {{2000, 2045}, 2047, {2000, 2045}},
        {{2000, 2046}, 2047, {2000, 2046}}, {{2000, 2047}, 2047, {2000, 2046}}};
    // clang-format on
    for (const auto &[in, lastSample, out] : cases) {
        const ExportRange r = CorrectRange(in, lastSample);
        EXPECT_EQ((Nums{r.first, r.last}), out) << in.first << ".." << in.last;
    }
}

// 65534 rows complete with the progress reaching the end; "Abort" during an export stops it
// after the row in progress and leaves the file that was there, and no other.
TEST_F(WorkbookTest, FullRangeCompletesAndAbortLeavesNoFile) {
    const ExportFormats f{{true, false, true}, {true, true, false, true, false}, {}, {0, 0, 0, 1}};
    int32_t calls = 0, lastDone = 0, lastTotal = 0;
    auto count = [&](int32_t done, int32_t total) { ++calls, lastDone = done, lastTotal = total; };
    ASSERT_EQ(WriteWorkbook(path("full.xlsx"), src, {0, 65533}, f, count, running),
              WriteResult::Done);
    EXPECT_EQ((Nums{calls, lastDone, lastTotal}), (Nums{65534, 65534, 65534}));

    WriteAll(path("kept.xlsx"), "old");
    calls = 0;
    auto abortAt1000 = [&](int32_t done, int32_t) {
        ++calls;
        if (done == 1000) running = 0;
    };
    EXPECT_EQ(WriteWorkbook(path("kept.xlsx"), src, {0, 65533}, f, abortAt1000, running),
              WriteResult::Aborted);
    EXPECT_TRUE(calls == 1000 && ReadAll(path("kept.xlsx")) == "old") << calls;
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{QStringLiteral("full.xlsx"), QStringLiteral("kept.xlsx")}));

    const QJsonArray size = ReadBack(path("full.xlsx"));
    REQUIRE_READER(size);
    EXPECT_EQ(size, QJsonArray({65536, 5}));
}

namespace {

// Where the picture of a one-page PDF file lands, in points from the page's top left corner,
// with the page's size and its margin (the content stream's first transformation maps the
// printable area's device units onto the page below the top margin).
struct PdfPlacement {
    QSizeF page;
    QRectF picture;
    double margin = 0;
};

// Two placements within a tenth of a point.
::testing::AssertionResult Near(const QRectF &got, const QRectF &want) {
    const QPointF d1 = got.topLeft() - want.topLeft(), d2 = got.bottomRight() - want.bottomRight();
    if (d1.manhattanLength() + d2.manhattanLength() < 0.1) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << got.x() << "," << got.y() << " " << got.width() << "x"
                                         << got.height() << " instead of " << want.x() << ","
                                         << want.y() << " " << want.width() << "x" << want.height();
}

PdfPlacement PlacementIn(const QString &file) {
    const QByteArray pdf = ReadAll(file);
    const auto box = QRegularExpression(QStringLiteral(R"(/MediaBox \[0 0 ([\d.]+) ([\d.]+)\])"))
                         .match(QString::fromLatin1(pdf));
    const QRegularExpression placed(QStringLiteral(
        R"(([\d.]+) 0 0 -[\d.]+ ([\d.]+) ([\d.]+) cm[\s\S]*?([\d.]+) 0 0 ([\d.]+) ([\d.]+) ([\d.]+))"
        R"( cm\s*(\d+) 0 0 -(\d+) 0 \d+ cm /Im)"));
    for (qsizetype at = pdf.indexOf("stream\n"); box.hasMatch() && at >= 0;
         at = pdf.indexOf("stream\n", at + 1)) {
        if (pdf.lastIndexOf("/Image", at) > pdf.lastIndexOf("obj", at)) continue; // pixels
        const qsizetype begin = at + 7, end = pdf.indexOf("endstream", begin);
        const QByteArray room("\0\x10\0\0", 4); // qUncompress's size prefix: up to 1 MB
        const auto m =
            placed.match(QString::fromLatin1(qUncompress(room + pdf.mid(begin, end - begin))));
        if (!m.hasMatch()) continue;
        auto n = [&m](int i) { return m.captured(i).toDouble(); };
        const QSizeF page(box.captured(1).toDouble(), box.captured(2).toDouble());
        const double unit = n(1), top = page.height() - n(3);
        return {
            page,
            QRectF(n(2) + n(6) * unit, top + n(7) * unit, n(8) * n(4) * unit, n(9) * n(5) * unit),
            n(2)};
    }
    return {};
}

} // namespace

// A wide capture turns the page to landscape and fills its width, leaving room below; a tall
// or square one stays portrait and fills the height; a file that cannot be written fails.
TEST(PrintFit, OrientationAndFit) {
    EnsureGuiApp();
    EXPECT_EQ(FitToPage(QSizeF(400, 100), QSizeF(1000, 700)), QRectF(0, 0, 1000, 250));
    EXPECT_EQ(FitToPage(QSizeF(100, 400), QSizeF(1000, 700)), QRectF(412.5, 0, 175, 700));
    EXPECT_EQ(FitToPage(QSizeF(300, 300), QSizeF(600, 800)), QRectF(0, 0, 600, 600));

    QTemporaryDir dir;
    const QString wide = dir.filePath("wide.pdf"), tall = dir.filePath("tall.pdf");
    for (const auto &[file, size] : {std::pair{wide, QSize(400, 100)}, {tall, QSize(100, 400)}}) {
        QPdfWriter pdf(file);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        QImage img(size, QImage::Format_RGB32);
        img.fill(Qt::red);
        ASSERT_TRUE(PrintPictureToFitPage(pdf, img));
    }
    // A4 is 595 x 842 points: turned for the wide picture, which spans the page between the
    // side margins at the top; the tall one spans it between the top and bottom margins
    // (the same margin all round), centred across.
    const PdfPlacement w = PlacementIn(wide), t = PlacementIn(tall);
    ASSERT_GT(w.margin, 0);
    EXPECT_EQ((std::vector{w.page.toSize(), t.page.toSize()}),
              (std::vector{QSize(842, 595), QSize(595, 842)}));
    const double span = 842 - 2 * w.margin; // the long side within its margins
    EXPECT_TRUE(Near(w.picture, QRectF(w.margin, w.margin, span, span / 4)));
    EXPECT_TRUE(Near(t.picture, QRectF((595 - span / 4) / 2, t.margin, span / 4, span)));

    QPdfWriter nowhere(dir.filePath(QStringLiteral("missing/x.pdf")));
    EXPECT_FALSE(PrintPictureToFitPage(nowhere, QImage(10, 10, QImage::Format_RGB32)));
}
