// SPDX-License-Identifier: GPL-3.0-or-later
// The export formats hold exactly the demo record, read back by parsers of their own; the CSV
// loads back into M1/M2; failed writes leave no file.
#include <cmath>
#include <map>

#include <sys/stat.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "core/output/demo_record.h"
#include "core/output/export_text.h"

namespace vrx {
namespace {

using test::ZipEntry;

class ExportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        r = test::TakeDemoRecord();
        ASSERT_EQ(r.length, app().acquisition.RecordLen);
    }
    QString Path(const char *name) const { return dir.filePath(QLatin1String(name)); }
    // The byte a voltage of the file stands for.
    int Byte(int ch, double volts) const {
        return r.zero[ch] - static_cast<int>(std::lround(volts * 1000 / r.mvPerCode[ch]));
    }
    void ExpectSample(int32_t i, uint16_t word, double v1, double v2) const {
        ASSERT_EQ(word, r.Word(i)) << "sample " << i;
        ASSERT_EQ(Byte(0, v1), r.a1[i]) << "sample " << i;
        ASSERT_EQ(Byte(1, v2), r.a2[i]) << "sample " << i;
    }
    QTemporaryDir dir;
    RecordData r;
};

// A sample's time as an exact decimal: a leading zero below one, no trailing zeros, no point
// for a whole number.
TEST_F(ExportTest, TimesAreExactDecimals) {
    // n, exponent: n x 10^exponent seconds, and its text.
    const std::tuple<int64_t, int, const char *> cases[] = {
        {1, -1, "0.1"},        {99, -2, "0.99"}, {100, -2, "1"},
        {3, -8, "0.00000003"}, {15, -1, "1.5"},  {12345, -2, "123.45"},
        {0, -3, "0"},          {5, 0, "5"},      {5, 2, "500"}};
    for (const auto &[n, exponent, text] : cases) {
        std::string out = "t=";
        AppendScaled(out, n, exponent);
        EXPECT_EQ(out, std::string("t=") + text) << n << "e" << exponent;
    }
}

// (A write that fails is the writers' test's; a name of no export format is refused.)
TEST_F(ExportTest, CsvHoldsTheRecordRowForRow) {
    QString error;
    EXPECT_FALSE(ExportRecord(r, Path("r.txt"), FormatOfPath(Path("r.txt")), error));
    QFile f(test::Exported(r, Path("r.csv")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readLine(),
              "time_s,A1_V,A2_V,D0,D1,D2,D3,D4,D5,D6,D7,D8,D9,D10,D11,D12,D13,D14,D15\n");
    int32_t i = 0;
    for (; !f.atEnd(); ++i) {
        const QStringList c = QString::fromLatin1(f.readLine()).trimmed().split(QLatin1Char(','));
        ASSERT_EQ(c.size(), 19);
        // 100MSa/S: 10 ns a sample.
        EXPECT_NEAR(c[0].toDouble(), i * 10e-9, 1e-15);
        uint16_t word = 0;
        for (int d = 0; d < 16; ++d)
            word |= static_cast<uint16_t>(c[3 + d].toInt() << d);
        ExpectSample(i, word, c[1].toDouble(), c[2].toDouble());
    }
    EXPECT_EQ(i, r.length);
}

TEST_F(ExportTest, VcdHoldsTheRecordAsValueChanges) {
    const QStringList lines =
        QString::fromLatin1(test::ReadAll(test::Exported(r, Path("r.vcd")))).split('\n');
    EXPECT_TRUE(lines.contains(QStringLiteral("$timescale 10 ns $end")));
    // Identifier code -> variable name, then every sample from the changes before it.
    std::map<QString, QString> names;
    std::map<QString, double> value;
    int64_t time = -1, next = 0, changes = 0;
    auto fillTo = [&](int64_t until) {
        for (; next < until && next < r.length; ++next) {
            uint16_t word = 0;
            for (int d = 0; d < 16; ++d)
                word |= static_cast<uint16_t>(value[QStringLiteral("D%1").arg(d)] != 0) << d;
            ExpectSample(static_cast<int32_t>(next), word, value["A1"], value["A2"]);
        }
    };
    for (const QString &l : lines) {
        const QStringList p = l.split(QLatin1Char(' '));
        if (l.startsWith(QLatin1String("$var"))) {
            names[p[3]] = p[4];
        } else if (l.startsWith(QLatin1Char('#'))) {
            const int64_t t = l.mid(1).toLongLong();
            EXPECT_GT(t, time) << "times rise";
            if (time >= 0) fillTo(t);
            time = t;
        } else if (l.startsWith(QLatin1Char('r'))) {
            value[names.at(p[1])] = p[0].mid(1).toDouble();
            ++changes;
        } else if (l.size() == 2 && (l[0] == u'0' || l[0] == u'1')) {
            value[names.at(l.mid(1))] = l[0] == u'1';
            ++changes;
        }
    }
    EXPECT_EQ(next, r.length);
    // Value changes only: far fewer than one line per variable and sample.
    EXPECT_LT(changes, int64_t{r.length} * 18 / 2);
}

TEST_F(ExportTest, SigrokSessionHoldsWordsVoltsAndRate) {
    const QString sr = test::Exported(r, Path("r.sr"));
    auto read = [&sr](const char *name) { return ZipEntry(sr, name); };
    EXPECT_EQ(read("version"), "2");
    const std::string meta = read("metadata");
    for (const char *line :
         {"total probes=16", "total analog=2", "unitsize=2", "probe1=D0", "probe16=D15",
          "analog17=A1", "analog18=A2", "samplerate=100000000 Hz"})
        EXPECT_NE(meta.find(line), std::string::npos) << line;
    const std::string logic = read("logic-1-1"), a1 = read("analog-1-17-1"),
                      a2 = read("analog-1-18-1");
    ASSERT_EQ((std::vector{logic.size(), a1.size(), a2.size()}),
              (std::vector<size_t>{r.length * 2u, r.length * 4u, r.length * 4u}));
    for (int32_t i = 0; i < r.length; ++i) {
        uint16_t word;
        float v1, v2;
        std::memcpy(&word, logic.data() + 2 * i, 2);
        std::memcpy(&v1, a1.data() + 4 * i, 4);
        std::memcpy(&v2, a2.data() + 4 * i, 4);
        ExpectSample(i, word, v1, v2);
    }
}

TEST(Workbook, VrxctlWritesTheDemoRecordInDecimal) {
    // The same demo record twice: as the program's data file (the raw blocks A1, A2, D0-D7,
    // D8-D15) and as the workbook.
    QTemporaryDir dir;
    for (const char *name : {"d.vrx", "d.xlsx"})
        ASSERT_EQ(QProcess::execute(QStringLiteral(VRX_CTL),
                                    {"--demo", "capture", "-o", dir.filePath(QLatin1String(name))}),
                  0);
    const QByteArray blocks = test::ReadAll(dir.filePath(QStringLiteral("d.vrx")));
    const auto n = static_cast<int32_t>(blocks.size() / 4);
    auto at = [&](int block, int32_t i) { return static_cast<uint8_t>(blocks[block * n + i]); };
    const QString sheet = QString::fromStdString(
        ZipEntry(dir.filePath(QStringLiteral("d.xlsx")), "xl/worksheets/sheet1.xml"));
    // Row k + 3 holds sample k: its index, A1, A2 and the word D15-D0.
    static const QRegularExpression row(QString::fromLatin1(
        R"re(<row r="(\d+)"><c r="A\d+"><v>(\d+)</v></c><c r="B\d+"><v>(\d+)</v></c>)re"
        R"re(<c r="C\d+"><v>(\d+)</v></c><c r="D\d+"><v>(\d+)</v></c></row>)re"));
    int32_t rows = 0;
    for (auto it = row.globalMatch(sheet); it.hasNext(); ++rows) {
        const auto m = it.next();
        const int32_t i = m.captured(2).toInt();
        ASSERT_EQ((test::Nums{m.captured(1).toInt(), m.captured(3).toInt(), m.captured(4).toInt(),
                              m.captured(5).toInt()}),
                  (test::Nums{i + 3, at(0, i), at(1, i), at(2, i) | at(3, i) << 8}))
            << "sample " << i;
    }
    EXPECT_EQ(rows, n);
}

TEST_F(ExportTest, CsvLoadsBackIntoTheMemoryChannelsOrNotAtAll) {
    AppState &s = app();
    QString error;
    auto write = [&](const char *name, const QByteArray &text) {
        return test::WriteAll(Path(name), text);
    };
    // A file that is not whole, not a regular file or too large leaves the memory channels as
    // they were, also the scale an empty one would have taken from its source.
    ASSERT_EQ(mkfifo(QFile::encodeName(Path("fifo.csv")).constData(), 0644), 0);
    const QString huge = write("huge.csv", "time_s,A1_V\n0,0\n");
    ASSERT_TRUE(QFile::resize(huge, qint64{257} << 20));
    // What an import may change: the memory channels' samples and scales.
    auto memory = [&s] {
        const ChannelSettings &c = s.channels;
        return std::tuple(s.work.M1Buf, s.work.M2Buf, c.ChanScale, c.ChanPos, c.VdivIndex,
                          c.ProbeIndex, c.ChanOn);
    };
    const auto before = memory();
    for (const auto &[bad, message] : std::vector<std::pair<QString, const char *>>{
             {write("bad.csv", "time_s,A1_V\n0,0.5\n1e-8,oops\n"), "line 3 has no number in A1_V"},
             {write("none.csv", "time_s,B_V\n0,1\n"), "no column A1_V"},
             {write("empty.csv", "time_s,A1_V\n"), "no samples"},
             {Path("missing.csv"), "No such file"},
             {write("long.csv", "time_s,A1_V\n0," + QByteArray(65536, ' ') + "0.5\n"),
              "line 2 is longer than 65536 bytes"},
             {huge, "larger than 256 MiB"},
             {Path("fifo.csv"), "not a regular file"},
             {QStringLiteral("/dev/zero"), "not a regular file"},
             {dir.path(), "not a regular file"}}) {
        error.clear();
        EXPECT_FALSE(ImportCsv(bad, error)) << bad.toStdString();
        EXPECT_TRUE(error.contains(QLatin1String(message)) && memory() == before)
            << bad.toStdString() << ": " << error.toStdString();
    }

    test::Exported(r, Path("r.csv"));
    // M1 and M2 at the scales of A1 and A2: the bytes come back as they were.
    for (size_t m : {size_t{ChM1}, size_t{ChM2}}) {
        s.channels.ChanPos[m] = s.channels.ChanPos[m - 2];
        s.channels.ChanScale[m] = s.channels.ChanScale[m - 2];
    }
    ASSERT_TRUE(ImportCsv(Path("r.csv"), error)) << error.toStdString();
    EXPECT_TRUE(std::equal(r.a1, r.a1 + r.length, s.work.M1Buf.begin()) &&
                std::equal(r.a2, r.a2 + r.length, s.work.M2Buf.begin()));
    EXPECT_EQ((test::Nums{s.work.M1Buf[static_cast<size_t>(r.length)], s.channels.ChanOn[DispM1]}),
              (test::Nums{s.channels.ChanPos[ChM1], 1}));

    // Voltages far past the range land on its rails: -1e8 V at the bottom, 1e8 V at the top.
    ASSERT_TRUE(ImportCsv(write("rails.csv", "time_s,A1_V\n0,-1e8\n1e-8,1e8\n2e-8,0\n"), error))
        << error.toStdString();
    EXPECT_EQ((test::Nums{s.work.M1Buf[0], s.work.M1Buf[1], s.work.M1Buf[2]}),
              (test::Nums{255, 0, s.channels.ChanPos[ChM1]}));
}

} // namespace
} // namespace vrx
