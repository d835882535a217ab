// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "core/base/ui.h"
#include "core/fixture.h"
#include "core/settings/apply.h"
#include "core/settings/data_file.h"
#include "core/settings/file_commands.h"
#include "core/settings/file_write.h"
#include "core/settings/settings_file.h"

namespace vrx::test {
namespace {

class SettingsFile : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetState();
        form1().InitPanel();
        ApplyTimingSettings();
        s.startup.AppDir = dir.path();
    }
    void TearDown() override { SetWriteFailureAfter(-1); }
    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }
    // The settings as their file, readable in a failure message.
    static QString Current() {
        return QString::fromUtf8(SettingsText(SettingsSnapshot::FromApp()));
    }
    static QList<QByteArray> Lines(const QByteArray &text) { return text.chopped(1).split('\n'); }
    static QByteArray Joined(const QList<QByteArray> &lines) { return lines.join('\n') + '\n'; }
    // `text` as a settings file is refused with one message naming its line, and the settings
    // stay as they were.
    void ExpectRefused(const QByteArray &text, int line, const char *what) {
        const QString before = Current();
        boxes.boxes.clear();
        EXPECT_EQ(Loadset(WriteAll(path("bad.ini"), text), 1), LoadResult::Refused) << what;
        ASSERT_EQ(boxes.boxes.size(), 1u) << what;
        EXPECT_TRUE(boxes.boxes[0].text.startsWith(
            QStringLiteral("Settings file bad.ini, line %1:").arg(line)))
            << what << ": " << boxes.boxes[0].text.toStdString();
        ASSERT_EQ(Current(), before) << what;
    }

    AppState &s = app();
    QTemporaryDir dir;
    ScriptedUi boxes;
    ScopedUi scope{boxes};
};

// Every value of every record changed to another valid one: the file loads, each value lands in
// a field of its own (saving gives the changed file back), and the named records land where the
// table puts them.
TEST_F(SettingsFile, EveryFieldSurvivesLoadAndSave) {
    ApplySettings(); // as at a start without a settings file
    const QByteArray defaults = Current().toUtf8();
    const QList<QByteArray> lines = Lines(defaults);
    ASSERT_EQ(lines.size(), 182);
    const QByteArray head("\"Model\",\"Vrx73604v4\"\r\n\"AutoLoadsetting\",#FALSE#\r\n\r\n"
                          "\"Tab0\",0\r\n\"Cp_val\",0,0,0,0\r\n\"P_attn\",1,1,1,1\r\n"
                          "\"S_val\",4,5,4,5\r\n");
    EXPECT_EQ(defaults.left(head.size()), head);
    EXPECT_EQ(lines[130] + lines[181], "\"0000xxxxxxxxxxxx\"\r\"Reserve\",0\r");

    QByteArray changed;
    for (int i = 0; i < lines.size(); ++i) {
        QList<QByteArray> items = lines[i].chopped(1).split(',');
        // The model stays; the bare pattern and mnemonic lines have no key; the filler lines are
        // never read.
        const bool bare = (i >= 130 && i <= 145) || (i >= 148 && i <= 163);
        for (int k = bare ? 0 : 1; k < items.size() && i > 0 && i < 172; ++k) {
            QByteArray &v = items[k];
            if (v.size() > 2 && v.startsWith('"')) // within the length its box takes
                v[1] = 'Z';
            else if (v.startsWith('"'))
                v.insert(1, 'Z');
            else if (v.startsWith('#'))
                v = v == "#TRUE#" ? "#FALSE#" : "#TRUE#";
            else if (i == 170) // "mnuRate27": 25..27
                v = "25";
            else
                v = v == "0" ? "1" : "0";
        }
        changed += items.join(',') + "\r\n";
    }
    EXPECT_EQ(Loadset(WriteAll(path("all.ini"), changed), 1), LoadResult::Loaded);
    EXPECT_EQ(Current(), QString::fromUtf8(changed));
    EXPECT_EQ((Nums{s.channels.ChanPos[0], s.channels.ChanPos[4], s.view.BarPos[2],
                    s.colors.Colors[29], s.display.CatchEnabled, s.acquisition.LastSample}),
              (Nums{0, 0, 0, 0, -1, 0}));
    EXPECT_EQ((Texts{s.logic.LogicLaneName[15], s.logic.MnemonicPattern[0],
                     s.logic.MnemonicName[15], s.logic.BusGroupName[2]}),
              (Texts{"Zh-D15", "Z000xxxxxxxxxxxx", "Z", "Z7-D0"}));

    // A saved file is byte-identical after load and save.
    ASSERT_TRUE(Saveset(path("saved.ini")) && Loadset(path("saved.ini"), 1) == LoadResult::Loaded &&
                Saveset(path("saved.ini")));
    EXPECT_EQ(ReadAll(path("saved.ini")), changed);

    // The defaults command gives back the settings of a fresh start but for the program's own
    // choices: the start-up load, the counters and the open tool windows (the measure box and
    // the state listing by the file, the FFT window and the XY plot here) stay as they were.
    s.display.FftOn = 1;
    s.display.XYOn = -1;
    mnuLoadDefault_Click();
    QList<QByteArray> expected = lines;
    const QList<QByteArray> kept = Lines(changed);
    for (int line : {2, 166, 167, 168, 169, 170})
        expected[line - 1] = kept[line - 1];
    EXPECT_EQ(Current(), QString::fromUtf8(Joined(expected)));
    EXPECT_EQ((Nums{s.display.FftOn, s.display.XYOn, s.display.MeasureOn, s.display.StateOn}),
              (Nums{1, -1, -1, -1}));
}

// Every value is checked against its range, at both ends, and every text against the length its
// box takes: the smallest and the largest values of every field load and save back as they
// were; one step beyond an end, or the lowest Long, refuses the file.
TEST_F(SettingsFile, EveryValueWithinItsRange) {
    // Line[-last line][.value]=lo..hi; without a value number every value of the line; =tN a
    // text of up to N characters.
    const QString table = QStringLiteral(
        "4=0..4 5=0..2 6=0..3 7=0..8 8=0..255 10=0..2 11=0..1 12-13=0..255 15-16=0..2 17=0..15 "
        "18=0..34 19=0..131071 20=-131072..131072 21.1=0..131071 21.2=0..131071 "
        "21.3=-65533..131071 22=0..131071 23=0..255 25-54=0..16777215 56-63=0..16777215 65=0..1 "
        "84-99=0..15 101=0..3 106-107=0..3 108=0..2 109=0..6 110=0..8 111=0..7 112=0..227 "
        "113=0..131071 115-116=0..1 118-119=0..3 120=-32768..32767 121=0..1 123=0..3 124=0..2 "
        "129=0..1 167=0..2 168=0..10 171=25..27 68-83=t32 102-105=t16 125-127=t32 131-146=t16 "
        "149-164=t32");
    struct Range {
        int first, last, item; // item 0: every value of the line
        int64_t lo, hi;
        int text; // characters; 0: a number
    };
    std::vector<Range> ranges;
    static const QRegularExpression entry(
        QStringLiteral(R"((\d+)(?:-(\d+))?(?:\.(\d))?=(?:(-?\d+)\.\.(-?\d+)|t(\d+)))"));
    for (const QString &e : table.split(QLatin1Char(' '))) {
        const QRegularExpressionMatch m = entry.match(e);
        ASSERT_TRUE(m.hasMatch()) << e.toStdString();
        const int first = m.captured(1).toInt();
        ranges.push_back({first, m.capturedLength(2) ? m.captured(2).toInt() : first,
                          m.captured(3).toInt(), m.captured(4).toLongLong(),
                          m.captured(5).toLongLong(), m.captured(6).toInt()});
    }
    const QList<QByteArray> lines = Lines(Current().toUtf8());
    // The lines with value `item` (0: all) of lines first..last replaced by `v`.
    auto with = [](QList<QByteArray> l, int first, int last, int item, const QByteArray &v) {
        for (int n = first; n <= last; ++n) {
            QList<QByteArray> items = l[n - 1].chopped(1).split(',');
            const int k0 = (n >= 131 && n <= 146) || (n >= 149 && n <= 164) ? 0 : 1; // no key
            for (int k = k0; k < items.size(); ++k)
                if (item == 0 || k - k0 + 1 == item) items[k] = v;
            l[n - 1] = items.join(',') + '\r';
        }
        return l;
    };
    // A text of `n` characters of three bytes each, the widest a box can hold.
    auto wide = [](int n) { return '"' + QString(n, QChar(0x20AC)).toUtf8() + '"'; };

    QList<QByteArray> lo = lines, hi = lines;
    for (const Range &r : ranges) {
        lo = with(lo, r.first, r.last, r.item, r.text ? "\"\"" : QByteArray::number(r.lo));
        hi = with(hi, r.first, r.last, r.item, r.text ? wide(r.text) : QByteArray::number(r.hi));
    }
    for (const QList<QByteArray> &ends : {lo, hi}) {
        ASSERT_EQ(Loadset(WriteAll(path("ends.ini"), Joined(ends)), 1), LoadResult::Loaded)
            << (boxes.boxes.empty() ? std::string() : boxes.boxes.back().text.toStdString());
        EXPECT_EQ(Current(), QString::fromUtf8(Joined(ends)));
        ApplySettings(); // every control takes them
        EXPECT_LE(s.view.ScrollPos, s.screen.ScrollMax);
    }

    auto refused = [&](const QList<QByteArray> &l, int line) {
        ExpectRefused(Joined(l), line, l[line - 1].constData());
    };
    for (const Range &r : ranges) {
        if (r.text) refused(with(lines, r.last, r.last, 0, wide(r.text + 1)), r.last);
        for (int64_t x : {r.lo - 1, r.hi + 1, int64_t{INT32_MIN}})
            if (!r.text)
                refused(with(lines, r.first, r.first, r.item, QByteArray::number(x)), r.first);
    }

    // The writer never writes more than its reader takes back, nor half a character.
    s.logic.LogicLaneName[3] = QString(31, QLatin1Char('a')) + QString::fromUtf8("\U0001F600");
    s.logic.BusGroupName[0] = QString(40, QLatin1Char('b'));
    ASSERT_TRUE(Saveset(path("long.ini")) && Loadset(path("long.ini"), 1) == LoadResult::Loaded);
    EXPECT_EQ((Texts{s.logic.LogicLaneName[3], s.logic.BusGroupName[0]}),
              (Texts{QString(31, QLatin1Char('a')), QString(32, QLatin1Char('b'))}));
}

// A loaded file restores the screen it was saved on: its zoom is in force before its scroll
// position, whatever zoom was in force before; the logic lanes are shown as it says.
TEST_F(SettingsFile, LoadRestoresTheScreenAtItsZoom) {
    // depth, zoom, zoom before the load, scroll position
    for (const auto &[depth, zoom, zoomBefore, scroll] : std::vector<std::array<int, 4>>{
             {0, 4, 5, 500}, {0, 5, 0, 1400}, {2, 11, 3, 70000}, {1, 0, 7, 8000}}) {
        form1().cmbDepth.setIndex(depth);
        form1().cmbZoom.setIndex(zoom);
        bars().Scrollscr.setValue(scroll);
        s.channels.ChanOn[DispLogic] = 0;
        ASSERT_TRUE(Saveset(path("screen.ini")));
        form1().cmbZoom.setIndex(zoomBefore);
        s.channels.ChanOn[DispLogic] = 1;
        ASSERT_EQ(Loadset(path("screen.ini"), 1), LoadResult::Loaded);
        ApplySettings();
        EXPECT_EQ((Nums{s.acquisition.ZoomIndex, s.view.ScrollPos, bars().Scrollscr.value(),
                        s.channels.ChanOn[DispLogic]}),
                  (Nums{zoom, scroll, scroll, 0}));
    }
}

// Malformed files are refused with the line at fault, and nothing changes. (A value out of its
// range is EveryValueWithinItsRange's.)
TEST_F(SettingsFile, MalformedFilesChangeNothing) {
    s.view.ScrollPos = 1234;
    const QByteArray good = Current().toUtf8();
    const QList<QByteArray> lines = Lines(good);
    auto withLine = [&](int n, const QByteArray &text) {
        QList<QByteArray> l = lines;
        l[n - 1] = text + "\r";
        return l.join('\n') + '\n';
    };
    // clang-format off
    const std::tuple<const char *, QByteArray, int> cases[] = {
        {"empty", {}, 1},
        {"binary junk", QByteArray("\x7f\x45\x4c\x46\x02\x01\x00\x00\xff\xfe", 10), 1},
        {"text for a number", withLine(16, "\"Depth\",deep"), 16},
        {"missing value", withLine(21, "\"Vpos\",1,2"), 21},
        {"flag as a number", withLine(66, "\"mnuZoomview\",1"), 66},
        {"string without quotes", withLine(102, "\"Qualify0\",xx"), 102},
        {"10 MB line", withLine(5, QByteArray(10 << 20, '7')), 5},
        {"no final CR LF", good.chopped(2), 182},
        {"LF only", QByteArray(good).replace("\r\n", "\n"), 1}};
    // clang-format on
    for (const auto &[what, text, line] : cases)
        ExpectRefused(text, line, what);
    for (int n = 1; n < 182; ++n) // truncated after every line
        ExpectRefused(lines.mid(0, n).join('\n') + '\n', n + 1, "truncated");
}

// Another model is refused, by hand and at start-up; the start-up loads only the default file
// and only when it says so.
TEST_F(SettingsFile, ModelAndAutoLoadDecideTheLoad) {
    const QString def = path("Vrx73604v4.ini");
    s.view.ScrollPos = 777;
    ASSERT_TRUE(Saveset(def)); // AutoLoad #FALSE#
    WriteAll(path("other.ini"), ReadAll(def).replace("Vrx73604v4", "Vrx73604v3"));
    s.view.ScrollPos = 300;

    EXPECT_EQ((std::vector{Loadset(def, 0), Loadset(path("other.ini"), 0),
                           Loadset(path("other.ini"), 1), Loadset(path("missing.ini"), 1)}),
              (std::vector{LoadResult::Skipped, LoadResult::Refused, LoadResult::Refused,
                           LoadResult::Missing}));
    EXPECT_TRUE(s.view.ScrollPos == 300 && Loadset(def, 1) == LoadResult::Loaded);
    EXPECT_EQ((Nums{s.view.ScrollPos, static_cast<int64_t>(boxes.boxes.size())}), (Nums{777, 2}));
    EXPECT_EQ(boxes.boxes[1].text, kModelMismatchText);

    // "Save &Settings" marks the file for the start-up load; a user-named one is still not tried.
    boxes.fileNames = {def, path("mine.ini")};
    s.view.ScrollPos = 555;
    mnuSaveSetting_Click();
    mnuSaveSetting_Click();
    s.view.ScrollPos = 300;
    EXPECT_EQ((std::vector{Loadset(path("mine.ini"), 0), Loadset(def, 0)}),
              (std::vector{LoadResult::Skipped, LoadResult::Loaded}));
    EXPECT_EQ((Nums{s.view.ScrollPos, s.display.AutoLoad}), (Nums{555, -1}));
}

// The decoders' set-up goes into the companion file and comes back with the settings; the
// positional file is the same with or without it, and a file without a companion has none.
TEST_F(SettingsFile, DecodersKeptInTheCompanionFile) {
    const QString file = path("dec.ini");
    ASSERT_TRUE(Saveset(file));
    const QByteArray plain = ReadAll(file);
    EXPECT_FALSE(QFileInfo::exists(DecodersFileName(file)));
    const QStringList stacks{QStringLiteral("uart:baudrate=115200:rx=D0"),
                             QStringLiteral("i2c:scl=D2:sda=D3,eeprom24xx")};
    s.decode.Stacks = stacks;
    ASSERT_TRUE(Saveset(file));
    EXPECT_EQ((Texts{ReadAll(file), DecodersFileName(file)}), (Texts{plain, file + ".decoders"}));
    s.decode.Stacks.clear();
    ASSERT_EQ(Loadset(file, 1), LoadResult::Loaded);
    EXPECT_EQ(s.decode.Stacks, stacks);
    // Removed decoders stay removed: the companion is emptied, not left behind.
    s.decode.Stacks.clear();
    ASSERT_TRUE(Saveset(file));
    for (const QString &loaded : {file, WriteAll(path("old.ini"), plain)}) {
        s.decode.Stacks = stacks;
        ASSERT_EQ(Loadset(loaded, 1), LoadResult::Loaded);
        EXPECT_EQ(s.decode.Stacks, QStringList()) << loaded.toStdString();
    }
}

// A save that fails leaves the previous file byte for byte and says so.
TEST_F(SettingsFile, FailedSaveKeepsThePreviousFile) {
    const QString file = path("keep.ini");
    ASSERT_TRUE(Saveset(file));
    const QByteArray before = ReadAll(file);
    s.view.ScrollPos = 999;
    SetWriteFailureAfter(before.size() / 2); // half the records written
    EXPECT_FALSE(Saveset(file));
    SetWriteFailureAfter(-1);
    // No such folder.
    EXPECT_FALSE(Saveset(WriteAll(path("plainfile"), "x") + QStringLiteral("/sub.ini")));
    EXPECT_EQ(ReadAll(file), before);
    // No temporary file left.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{"keep.ini", "plainfile"}));
    EXPECT_TRUE(boxes.boxes.size() == 2 &&
                boxes.boxes[0].text.startsWith("The settings file keep.ini was not saved"));
}

class DataFile : public SettingsFile {
  protected:
    uint8_t *block(int k) { return s.records.SampleBuf.data() + k * HW_SB_AREA_LEN; }
    void Fill(int seed) {
        for (int k = 0; k < 4; ++k)
            for (int i = 0; i < HW_SB_AREA_LEN; ++i)
                block(k)[i] = static_cast<uint8_t>(i * (k + 3) + seed + (i >> 8));
    }
    QByteArray Blocks(int32_t len) {
        QByteArray b;
        for (int k = 0; k < 4; ++k)
            b.append(reinterpret_cast<const char *>(block(k)), len);
        return b;
    }
};

// Records of every depth round-trip byte for byte, the companion restoring the record length.
TEST_F(DataFile, RoundTripsAtEveryDepth) {
    for (int depth : {0, 1, 2}) {
        const int32_t len = std::array{2048, 8192, 131072}[static_cast<size_t>(depth)];
        form1().cmbDepth.setIndex(depth);
        ASSERT_EQ(s.acquisition.RecordLen, len);
        Fill(depth);
        const QByteArray saved = Blocks(len);
        ASSERT_TRUE(SaveDataFile(path("rec.Vrx")));
        EXPECT_EQ(ReadAll(path("rec.Vrx")), saved);
        form1().cmbDepth.setIndex((depth + 1) % 3);
        Fill(99);
        ASSERT_TRUE(LoadDataFile(path("rec.Vrx")));
        EXPECT_TRUE(s.acquisition.RecordLen == len && Blocks(len) == saved) << len;
    }
}

// A short, missing or mismatched data file is reported and changes neither memory nor settings;
// the load option takes only the checked blocks.
TEST_F(DataFile, BadFilesAndLoadOptions) {
    Fill(1);
    const QString file = path("a.Vrx");
    ASSERT_TRUE(SaveDataFile(file));
    const QByteArray full = ReadAll(file);
    form1().cmbDepth.setIndex(1);
    Fill(2);
    const QByteArray memory = Blocks(HW_SB_AREA_LEN);
    const QString settings = Current();
    WriteAll(file, full.chopped(1));
    // A short file, none, a data file that would be its own companion, another model's.
    EXPECT_FALSE(LoadDataFile(file) || LoadDataFile(path("none.Vrx")) ||
                 SaveDataFile(path("x.ini")));
    WriteAll(path("a.ini"), ReadAll(path("a.ini")).replace("Vrx73604v4", "Other"));
    EXPECT_FALSE(LoadDataFile(WriteAll(file, full)));
    EXPECT_TRUE(boxes.boxes.size() == 4 && boxes.boxes[3].text == kModelMismatchText);
    EXPECT_TRUE(Blocks(HW_SB_AREA_LEN) == memory && Current() == settings);

    // Without a companion the current length (8K) applies: a 2K file does not fit, an 8K one does.
    QFile::remove(path("a.ini"));
    EXPECT_FALSE(LoadDataFile(file));
    WriteAll(file, QByteArray(4 * 8192, '\x11'));
    mnuLoadData_Click(1); // A2 not taken
    ASSERT_TRUE(LoadDataFile(file));
    EXPECT_EQ((Nums{block(0)[5], block(1)[5], block(2)[5], block(3)[8191], block(3)[8192]}),
              (Nums{0x11, static_cast<uint8_t>(memory[HW_SB_AREA_LEN + 5]), 0x11, 0x11,
                    static_cast<uint8_t>(memory[3 * HW_SB_AREA_LEN + 8192])}));
}

// The text export: one voltage a line from the first sample on screen to the end of the record,
// at 40 mV a code (1 V/div, 25 codes a division), zero at the channel's position.
TEST_F(DataFile, TextExportVoltages) {
    s.channels.ChanPos[1] = 128;
    s.channels.ChanScale[1] = 40;
    const uint8_t samples[] = {128, 127, 118, 98, 153, 103, 250, 255};
    std::copy(std::begin(samples), std::end(samples), block(1) + 2040);
    s.view.ViewStart[0] = 2040;
    ASSERT_TRUE(SaveChannelText(path("a2.txt"), 1));
    EXPECT_EQ(ReadAll(path("a2.txt")),
              "0 mV\r\n40 mV\r\n400 mV\r\n1.2 V\r\n-1  V\r\n1  V\r\n-4.88 V\r\n-5.08 V\r\n");
    s.view.ViewStart[0] = 0;
    EXPECT_EQ(ChannelText(1).count("\r\n"), 2048);
}

// A bare name chosen in a save dialog gets the extension its load dialog shows; a name with an
// extension of its own, or ending in a point, is taken as it is.
TEST_F(DataFile, SaveDialogsAddTheirExtension) {
    boxes.fileNames = {path("s"), path("t"), path("d"), path("own.cfg"), path("point.")};
    mnuSaveSetting_Click();
    mnuSaveTxtCh_Click(0);
    mnuFileSaveAs_Click();
    mnuSaveSetting_Click();
    mnuSaveTxtCh_Click(1);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase),
              (QStringList{"d.ini", "d.Vrx", "own.cfg", "point.", "s.ini", "t.txt"}));
}

} // namespace
} // namespace vrx::test
