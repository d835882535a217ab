// SPDX-License-Identifier: GPL-3.0-or-later
// Protocol decoding in the program: UART, I2C and SPI buses of the simulated instrument decoded
// live into the annotation rows under the logic lanes and the annotation table, set up through
// the Decoders window; a decoder that fails shows its error there while acquisition goes on.
// Screenshots of the timing view at two zooms, the Decoders window and the table.
#include <map>

#include <QTreeWidget>

#include "../core/decode/protocol_waves.h"
#include "core/decode/decoders.h"
#include "gui_fixture.h"
#include "windows/decode/annotation_rows.h"
#include "windows/decode/annotation_table.h"
#include "windows/decode/decoders_window.h"

namespace {

// The first sample of a record from which a decoder reads a bus from its first byte on: where
// `line` falls after `high` samples of high line (counting from the record's start), and
// while `clock` is high when one is given (an I2C start). -1: nowhere.
int64_t FirstFall(const std::vector<uint16_t> &w, int line, int64_t high = 1, int clock = -1) {
    auto at = [&](size_t i, int l) { return (w[i] >> l) & 1; };
    int64_t run = 0;
    for (size_t i = 1; i < w.size(); ++i) {
        run = at(i - 1, line) ? run + 1 : 0;
        if (run >= high && !at(i, line) && (clock < 0 || (at(i, clock) && at(i - 1, clock))))
            return static_cast<int64_t>(i);
    }
    return -1;
}

// A bus decoded live: its stack, the class of its bytes, the bytes in the order sent from the
// start of a transfer (over and over) and where a record's first whole transfer starts: the
// first fall of `line` after `high` samples high, while `clock` is high if one is given.
struct LiveBus {
    QString stack, cls;
    QStringList sent;
    int line;
    int64_t high = 1;
    int clock = -1;
};

// 115200 baud at 10 MSa/s: 86.8 samples a bit. A printable character holds at most six 1 bits
// before a 0, so a fall after seven bit times of high line is the start of the text after its
// idle stretch: a decoder that took a data edge for a start bit has found its way back by then.
constexpr int64_t kUartIdle = 7 * 87;

// Checks the bytes of every bus decoded from `words` against those sent: adds how many of
// each matched to `matched`, and appends a line to `errors` for a bus that decoded others.
void CheckRecord(const std::vector<LiveBus> &buses, const decode::DecodeResult &r,
                 const std::vector<uint16_t> &words, std::vector<int> &matched,
                 QStringList &errors) {
    for (size_t b = 0; b < buses.size(); ++b) {
        const int64_t from = FirstFall(words, buses[b].line, buses[b].high, buses[b].clock);
        if (from < 0) continue;
        // Up to the last 16 samples, which the read-out does not fill at every depth.
        const QStringList got =
            ClassTexts(r, buses[b].cls, int(b), static_cast<uint64_t>(from), words.size() - 16);
        for (qsizetype k = 0; k < got.size(); ++k)
            if (got[k] != buses[b].sent[k % buses[b].sent.size()])
                errors
                    << buses[b].stack +
                           QStringLiteral(" from sample %1 of %2: ").arg(from).arg(words.size()) +
                           got.join(QLatin1Char(' '));
        matched[b] += static_cast<int>(got.size());
    }
}

bool Decoded(MainWindow *w, size_t stacks) {
    const decode::DecodeResult &r = w->decodeRunner().result();
    if (r.stacks.size() != stacks) return false;
    for (const decode::StackResult &s : r.stacks)
        if (s.rows.empty() && s.error.isEmpty()) return false;
    return true;
}

} // namespace

class DecodeTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        QString why;
        if (!decode::LoadLibrary(&why)) QSKIP(qPrintable(why));
    }

    // UART 115200, I2C 100 kHz and 400 kHz and SPI 1 MHz at 10MSa/S, live at 2K, 128K and 8K:
    // every byte decoded from the start of a transfer on (UART: after the text's idle stretch)
    // is the one sent, over records enough to hold each bus's bytes.
    void liveBusesDecodeToTheBytesSent() {
        ProgramRun run(QStringLiteral("usb"),
                       "D0=uart,115200,Hi!;D2:D3=i2c,100000,0x50,A55A;"
                       "D7:D8=i2c,400000,0x3C,0102;D4:D5:D6=spi,1000000,C33C");
        Choose(run.view()->cmbRate, "10MSa/S");

        // uart and i2c through the Decoders window, i2c moved to D2/D3 by its channel lists.
        run.w->mnuDecoders->trigger();
        DecodersWindow *dw = run.w->decodersWindow();
        QVERIFY(dw && dw->isVisible() && run.w->mnuDecoders->isChecked());
        for (const char *id : {"uart", "i2c"}) {
            const auto items = dw->lstInstalled->findItems(
                QLatin1String(id) + QStringLiteral(" - "), Qt::MatchStartsWith);
            QCOMPARE(items.size(), 1);
            dw->lstInstalled->setCurrentItem(items[0]);
            QVERIFY(!dw->lbDesc->text().isEmpty());
            QTest::mouseClick(dw->cmdAdd, Qt::LeftButton);
        }
        QVERIFY(WaitUntil([dw] { return dw->fmOptions->findChild<QComboBox *>("ch_sda"); }));
        Choose(dw->fmOptions->findChild<QComboBox *>(QStringLiteral("ch_sda")), "D3");
        QVERIFY(WaitUntil([dw] { return dw->fmOptions->findChild<QComboBox *>("ch_scl"); }));
        Choose(dw->fmOptions->findChild<QComboBox *>(QStringLiteral("ch_scl")), "D2");
        // "Hi!" in hexadecimal; an I2C transfer from its start condition, SPI from chip select.
        const std::vector<LiveBus> buses = {
            {"uart:rx=D0", "rx-data", {"48", "69", "21"}, 0, kUartIdle},
            {"i2c:scl=D2:sda=D3", "data-write", {"A5", "5A"}, 3, 1, 2},
            {"i2c:scl=D7:sda=D8", "data-write", {"01", "02"}, 8, 1, 7},
            {"spi:clk=D4:mosi=D5:cs=D6", "mosi-data", {"C3", "3C"}, 6}};
        QStringList texts;
        for (const LiveBus &b : buses)
            texts << b.stack;
        run.w->decodeRunner().SetStacks(app().decode.Stacks + texts.mid(2));
        QCOMPARE(app().decode.Stacks, texts);

        for (const char *depth : {"2K", "128K", "8K"}) {
            Choose(run.view()->cmbDepth, QString::fromLatin1(depth));
            std::vector<int> matched(buses.size(), 0);
            QStringList errors;
            const size_t samples = static_cast<size_t>(QByteArray(depth).chopped(1).toInt()) * 1024;
            // The record the runner takes at the screen of each record completed, by the serial
            // of its run (the runner follows the screens too: a second Refresh submits
            // nothing), the last few. Screens of a record still filling are left out.
            std::map<uint64_t, std::vector<uint16_t>> taken;
            int64_t completed = run.records();
            Subscription composed = Subscribe(Event::ScreenComposed, [&] {
                if (run.records() == completed) return;
                completed = run.records();
                run.w->decodeRunner().Refresh();
                taken[run.w->decodeRunner().submitted()] = decode::CopyLogicRecord().words;
                if (taken.size() > 4) taken.erase(taken.begin());
            });
            Subscription checked = Subscribe(Event::DecodesReady, [&] {
                const decode::DecodeResult &r = run.w->decodeRunner().result();
                const auto record = taken.find(r.serial);
                // Only records taken at this depth.
                if (record == taken.end() || r.stacks.size() != buses.size() ||
                    record->second.size() * 2 <= samples)
                    return;
                for (const decode::StackResult &st : r.stacks)
                    if (!st.error.isEmpty()) errors << st.error;
                CheckRecord(buses, r, record->second, matched, errors);
            });
            QVERIFY(run.start("Auto.", 1));
            // Each bus's whole text or transfer at least once.
            auto enough = [&] {
                for (size_t b = 0; b < buses.size(); ++b)
                    if (matched[b] < static_cast<int>(buses[b].sent.size())) return false;
                return true;
            };
            WaitUntil([&] { return !errors.isEmpty() || enough(); }, 60000);
            QVERIFY(run.stop());
            QVERIFY2(errors.isEmpty(), qPrintable(QString::fromLatin1(depth) + QLatin1Char(' ') +
                                                  errors.join(QLatin1Char('\n'))));
            QString counts = QString::fromLatin1(depth) + QStringLiteral(": bytes matched");
            for (const int m : matched)
                counts += QStringLiteral(" %1").arg(m);
            QVERIFY2(enough(), qPrintable(counts));
        }
        QVERIFY(WaitUntil([&run] { return Decoded(run.w, 4); }, 30000));
        const decode::DecodeResult &r = run.w->decodeRunner().result();

        // The rows stand under the lanes, one per decoder row with annotations.
        AnnotationRows *rows = run.w->annotationRows();
        QVERIFY(rows->isVisible() && rows->rowCount() >= 4 &&
                rows->y() >= run.view()->y() + run.view()->Picture1->geometry().bottom());
        QCOMPARE((QList<int>{rows->height(), dw->tvStacks->topLevelItemCount()}),
                 (QList<int>{rows->rowCount() * AnnotationRows::kRowHeight + 4, 4}));
        QVERIFY(dw->tvStacks->topLevelItem(0)->text(1).endsWith(QStringLiteral("annotations")));
        QVERIFY(Screenshot(dw, "frmDecoders.png") && Screenshot(run.w, "frmMain_decoders_x1.png"));
        Choose(run.view()->cmbZoom, "/5");
        QVERIFY(Screenshot(run.w, "frmMain_decoders_div5.png"));

        // The table: every annotation, the search, a click moves V1, the CSV export.
        run.w->mnuAnnotations->trigger();
        AnnotationTableWindow *t = run.w->annotationTable();
        QVERIFY(t && t->isVisible() && run.w->mnuAnnotations->isChecked());
        QCOMPARE(t->model()->rowCount(), static_cast<int>(decode::TableLines(r).size()));
        QTest::keyClicks(t->txtSearch, QStringLiteral("5a"));
        const auto &lines = t->model()->lines();
        QVERIFY(!lines.empty() && std::all_of(lines.begin(), lines.end(), [](const auto &l) {
            return l.text.contains(QStringLiteral("5A")) || l.row.contains(QStringLiteral("5a"));
        }));
        const int last = t->model()->rowCount() - 1;
        const QRect cell = t->grdAnnotations->visualRect(t->model()->index(std::min(last, 5), 3));
        QTest::mouseClick(t->grdAnnotations->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(int64_t{app().view.BarPos[0]},
                 static_cast<int64_t>(lines[static_cast<size_t>(std::min(last, 5))].sample));
        QVERIFY(Screenshot(t, "frmAnnotations.png"));
        const QString csv = QDir::temp().filePath(QStringLiteral("vrx_annotations_test.csv"));
        run.ui.fileNames.push_back(csv);
        QTest::mouseClick(t->cmdExport, Qt::LeftButton);
        QCOMPARE(ReadAll(csv).count('\n'), static_cast<qsizetype>(lines.size() + 1));
        QFile::remove(csv);
    }

    // A uart at 0 baud fails on its own; the stack beside it decodes, the error shows in the
    // Decoders window and records keep coming.
    void failingDecoderShowsItsError() {
        ProgramRun run(QStringLiteral("usb"), "D1=uart,115200,ok");
        Choose(run.view()->cmbRate, "1MSa/S");
        run.w->mnuDecoders->trigger();
        run.w->decodeRunner().SetStacks(
            {QStringLiteral("uart:baudrate=0:rx=D0"), QStringLiteral("uart:rx=D1")});
        QVERIFY(run.start("Auto.", 2) && WaitUntil([&run] { return Decoded(run.w, 2); }, 30000));
        QVERIFY(run.waitRecords(static_cast<int>(run.records()) + 3) && run.stop());
        QVERIFY(WaitUntil([&run] { return Decoded(run.w, 2); }, 30000));
        const decode::DecodeResult &r = run.w->decodeRunner().result();
        QVERIFY(!r.stacks[0].error.isEmpty() && r.stacks[1].error.isEmpty() &&
                !r.stacks[1].rows.empty());
        QTreeWidget *tree = run.w->decodersWindow()->tvStacks;
        QCOMPARE(tree->topLevelItem(0)->text(1), QStringLiteral("Error: ") + r.stacks[0].error);
        QVERIFY(tree->topLevelItem(1)->text(1).endsWith(QStringLiteral("annotations")) &&
                Screenshot(run.w->decodersWindow(), "frmDecoders_error.png"));
    }
};

VRX_WINDOW_TEST_MAIN(DecodeTest)
#include "decode_test.moc"
