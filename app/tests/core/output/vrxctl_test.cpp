// SPDX-License-Identifier: GPL-3.0-or-later
// vrxctl as a user runs it: the measure box's rows, the exit codes and messages of its
// failures with no file left behind, an interrupted capture run with every file whole; and the
// field's own tools reading the exported files (skipped when they are not installed).
#include <csignal>
#include <cstring>

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "core/acquisition/loop.h"
#include "core/analysis/measure.h"
#include "core/decode/protocol_waves.h"
#include "core/fixture.h"
#include "core/output/demo_record.h"
#include "core/settings/settings_file.h"
#include "core/startup/startup.h"

namespace vrx {
namespace {

using test::RunTool;
using test::ZipEntry;
using Result = test::ToolRun;

constexpr const char *kSignals = "A1=square,1000000,0.25,0;A2=triangle,500000,0.3,0;NOISE=0";

Result Vrxctl(const QStringList &args, const QStringList &env = {}) {
    return RunTool(QStringLiteral(VRX_CTL), args, env);
}

TEST(Vrxctl, MeasurePrintsTheMeasureBoxRowsOfTheSameRecord) {
    const Result r =
        Vrxctl({"--sim", "usb", "measure"}, {QStringLiteral("HWLINK_SIM_SIGNALS=") + kSignals});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();

    // The same simulated record in this process, measured by the box over the whole record.
    setenv("HWLINK_SIM", "usb", 1);
    setenv("HWLINK_SIM_SIGNALS", kSignals, 1);
    app().startup.BitstreamDir = QFileInfo(QStringLiteral(VRX_TEST_BITSTREAM)).absolutePath();
    BringUp();
    ASSERT_EQ(app().run.HwFound, 1);
    app().measure.TestA1.fill(1);
    app().measure.TestA2.fill(1);
    app().measure.TestLenMode = 1;
    tbToolBar_ButtonClick(1);
    for (int i = 0; i < 100000 && app().run.TrigCount == 0; ++i)
        AcquisitionStep();
    frmMeasure().TestCh();
    test::StopAndPowerOff();

    ASSERT_EQ(frmMeasure().rows().size(), 2u * kMeasureItems);
    EXPECT_EQ(r.out, frmMeasure().RowsText().join(QLatin1Char('\n')) + QStringLiteral("\n\n"));
}

TEST(Vrxctl, CountReadsWithinTenPpmAtSevenDigits) {
    const double hz = 1234567;
    const Result r = Vrxctl({"--sim", "usb", "count", "-n", "2"},
                            {"HWLINK_SIM_SIGNALS=A1=square,1234567,0.25,0;NOISE=0"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    static const QRegularExpression reading(QString::fromLatin1(R"(^A1\t([\d.]+)(M|K|)Hz$)"),
                                            QRegularExpression::MultilineOption);
    int readings = 0;
    for (auto it = reading.globalMatch(r.out); it.hasNext(); ++readings) {
        const auto m = it.next();
        const double unit = m.captured(2) == "M" ? 1e6 : m.captured(2) == "K" ? 1e3 : 1;
        EXPECT_NEAR(m.captured(1).toDouble() * unit / hz, 1.0, 10e-6) << m.captured().toStdString();
    }
    EXPECT_EQ((test::Nums{readings, r.out.count(QStringLiteral("A2\t"))}), (test::Nums{2, 2}))
        << r.out.toStdString();
}

TEST(Vrxctl, FailuresExitNonZeroWithOneLineAndLeaveNoFile) {
    QTemporaryDir dir;
    const QString ctl = QStringLiteral(VRX_CTL), full = dir.filePath("full.csv");
    // A full disk: a file-size limit makes the write fail part-way.
    const QString disk = QStringLiteral("ulimit -f 8; trap '' XFSZ; exec \"$0\" \"$@\"");
    const QString stdoutFull = QStringLiteral("exec \"$0\" \"$@\" >/dev/full");
    // The reader of the standard output has gone, SIGPIPE is ignored: the exit status is
    // vrxctl's.
    const QString gone = QStringLiteral(
        "trap '' PIPE; s=$( ( { \"$0\" \"$@\"; echo $? >&3; } | true ) 3>&1 ); exit $s");
    const QString cw = QStringLiteral("cannot write"), so = QStringLiteral("standard output: ");
    auto deep = [](const QString &file) {
        return QStringList{"--demo", "--depth", "128K", "capture", "-o", file};
    };
    // The arguments, the exit code, the message, and the shell lines (limits) to run it under.
    using Case = std::tuple<QStringList, int, QString, QString>;
    // Session files the decoders refuse: too many lines, no logic, none of the chunks named, a
    // bad sample rate, none to decode at.
    QTemporaryDir refused;
    const std::string logic(64, '\x01');
    for (const auto &[name, meta] : std::vector<std::pair<const char *, std::string>>{
             {"wide.sr", "[device 1]\ncapturefile=logic-1\ntotal probes=17\nunitsize=3\n"},
             {"analog.sr", "[device 1]\ntotal analog=1\nsamplerate=1 MHz\nanalog1=A0\n"},
             {"nochunk.sr", "[device 1]\ncapturefile=other\ntotal probes=4\nunitsize=1\n"},
             {"rate.sr", "[device 1]\ncapturefile=logic-1\ntotal probes=4\nsamplerate=fast\n"},
             {"norate.sr", "[device 1]\ncapturefile=logic-1\ntotal probes=2\nprobe2=RX\n"}})
        ASSERT_TRUE(test::WriteZip(refused.filePath(QLatin1String(name)),
                                   {{"version", "2"}, {"metadata", meta}, {"logic-1-1", logic}}));
    const auto decodeRefused = [&](const char *file, const char *message) {
        const QString path = refused.filePath(QLatin1String(file));
        return Case{{"decode", "-P", "uart", "-i", path}, 1, path + ": " + message, {}};
    };
    const QString nsp = QStringLiteral("No space left on device"), ref = refused.path() + "/";
    // clang-format off
    const std::vector<Case> cases = {
        {{"info"}, 2, "no instrument found", {}},
        {{"--demo", "--depth", "3K", "info"}, 2, "--depth takes", {}},
        {{"--demo", "--vdiv", "A1=7V", "info"}, 2, "--vdiv: A1 has no entry 7V", {}},
        {{"--demo", "--trigger", "A1", "--level", "1e6", "info"}, 2, "--level", {}},
        {{"--demo", "--trigger", "A1", "--level", "-1e8", "info"}, 2, "--level", {}},
        {{"--demo", "capture"}, 2, "capture needs -o", {}},
        {{"--demo", "measure", "-n", "0"}, 2, "-n takes a number of records from 1", {}},
        {{"--demo", "--settings", dir.filePath("none.ini"), "info"}, 2, "no such file", {}},
        {{"--demo", "sing"}, 2, "unknown command", {}},
        {{"--demo", "capture", "-o", dir.filePath("no/folder/x.csv")}, 1, cw, {}},
        {deep(full), 1, cw, disk}, {deep(full + ".sr"), 1, cw, disk},
        {deep(full + ".vrx"), 1, cw, disk},
        {{"--demo", "capture", "-o", dir.filePath("no/folder/x.xlsx")}, 1, "No such file", {}},
        {{"--demo", "capture", "-o", test::FullDevice(dir.path()), "--format", "xlsx"}, 1, nsp, {}},
        {{"--demo", "measure"}, 1, so + nsp, stdoutFull},
        {{"--demo", "info"}, 1, so + nsp, stdoutFull},
        {{"--demo", "measure", "-n", "10000"}, 1, so + "Broken pipe", gone},
        {{"--demo", "decode"}, 2, "decode needs -P DECODER", {}},
        {{"--demo", "decode", "-P", "nosuch"}, 2, "-P nosuch: unknown decoder 'nosuch'", {}},
        {{"--demo", "decode", "-P", "uart", "-A", "uart=nope"}, 2, "no annotation row", {}},
        {{"--sim", "usb", "--rate", "20GSa/S", "decode", "-P", "uart"}, 1, "equivalent-time", {}},
        {{"--demo", "--rate", "External.Rise", "decode", "-P", "uart"}, 1, "external clock", {}},
        decodeRefused("wide.sr", "the file has 17 logic channels; at most 16 are decoded"),
        decodeRefused("analog.sr", "the file holds no logic data"),
        decodeRefused("nochunk.sr", "the file holds no logic data"),
        decodeRefused("rate.sr", "bad sample rate 'fast'"),
        decodeRefused("none.sr", "no such file"),
        {{"decode", "-P", "uart:rx=RX", "-i", ref + "norate.sr"}, 1,
         "SamplerateError: Protocol decoder instance uart-1: Cannot decode without samplerate.",
         {}},
        {{"decode", "-P", "uart", "-i", dir.filePath("none.vrx")}, 1, "no such file", {}},
    };
    // clang-format on
    for (const auto &[args, code, message, shell] : cases) {
        const Result r = shell.isEmpty() ? Vrxctl(args, {"HWLINK_SIM="})
                                         : RunTool(QStringLiteral("/bin/sh"),
                                                   QStringList{"-c", shell, ctl} + args);
        EXPECT_TRUE(r.code == code && r.err.startsWith(QStringLiteral("vrxctl: ")) &&
                    r.err.count('\n') == 1 && r.err.contains(message))
            << args.join(' ').toStdString() << ": " << r.code << " " << r.err.toStdString();
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

// A settings file named chooses the measured items. The program's default settings file in the
// working directory is neither read nor written: a plain capture into the standard output is the
// 2K record of a fresh start, not the file's 128K.
TEST(Vrxctl, SettingsFileOnlyWhenNamed) {
    test::ResetState();
    app().acquisition.DepthIndex = 2;
    app().display.AutoLoad = -1;
    app().measure.TestA1 = {1, 0, 0, 1};
    app().measure.TestA2 = {};
    app().measure.TestA2[11] = 1;
    QTemporaryDir dir;
    const QString ini = dir.filePath(DefaultSettingsName());
    ASSERT_TRUE(Saveset(ini, false));
    const QByteArray before = test::ReadAll(ini);
    const Result r = Vrxctl({"--demo", "--settings", ini, "measure", "-n", "2"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QStringList items;
    for (const QString &line : r.out.split(QLatin1Char('\n')))
        items << line.section(QLatin1Char('\t'), 0, 1);
    EXPECT_EQ(items, QStringList({"A1\tV_Max.", "A1\tV_p-p.", "A2\tFreq.", "", "A1\tV_Max.",
                                  "A1\tV_p-p.", "A2\tFreq.", "", ""}));

    const Result csv =
        RunTool(QStringLiteral(VRX_CTL),
                {"--demo", "capture", "-o", "/dev/stdout", "--format", "csv"}, {}, dir.path());
    ASSERT_EQ(csv.code, 0) << csv.err.toStdString();
    EXPECT_TRUE(csv.out.startsWith(QStringLiteral("time_s,A1_V,A2_V,D0,")) &&
                csv.out.count(QLatin1Char('\n')) == 1 + 2048 && test::ReadAll(ini) == before);
}

// One record goes into the file named; more records, or a run of a duration, into files
// numbered from 1.
TEST(Vrxctl, CaptureNumbersItsFilesUnlessThereIsOne) {
    // The run, the fewest and the most files it may leave.
    const std::tuple<QStringList, qsizetype, qsizetype> cases[] = {
        {{"-n", "1"}, 1, 1}, {{"-n", "2"}, 2, 2}, {{"--duration", "0.3"}, 1, 1000000}};
    for (const auto &[run, least, most] : cases) {
        QTemporaryDir dir;
        const Result r =
            Vrxctl(QStringList{"--demo", "capture", "-o", dir.filePath("d.csv")} + run);
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        const QStringList files = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
        QStringList numbered;
        for (qsizetype k = 0; k < files.size(); ++k)
            numbered << (most == 1 ? QStringLiteral("d.csv")
                                   : QStringLiteral("d%1.csv").arg(k + 1, 4, 10, QLatin1Char('0')));
        EXPECT_TRUE(files.size() >= least && files.size() <= most && files == numbered)
            << run.join(' ').toStdString() << ": " << files.join(' ').toStdString();
    }
}

// SIGINT, SIGTERM and SIGHUP end a run after a whole record, with the exit status of a stopped
// run: the counter's readings of a run as long as -n allows, and capture runs. A second signal
// ends the program at once, and in neither case is a temporary file left behind, also when the
// signals come while a large file is being written.
TEST(Vrxctl, SignalsEndTheRunAfterAWholeRecordAndLeaveNoTemporaryFile) {
    // Two signals come while a 128K record is being written.
    const std::pair<std::vector<int>, const char *> runs[] = {
        {{SIGINT}, "count"}, {{SIGTERM}, "count"},       {{SIGHUP}, "count"},
        {{SIGTERM}, "csv"},  {{SIGINT, SIGINT}, "xlsx"}, {{SIGTERM, SIGHUP}, "sr"}};
    for (const auto &[sent, name] : runs) {
        const QString format = QLatin1String(name);
        const bool count = format == "count";
        const std::string what =
            std::string(name) + " " + strsignal(sent[0]) + " x" + std::to_string(sent.size());
        QTemporaryDir dir;
        const QString trace = dir.filePath(QStringLiteral("trace.txt"));
        QProcess p;
        p.setProcessEnvironment(test::ToolEnvironment({"HWLINK_SIM_TRACE=" + trace}));
        p.start(QStringLiteral(VRX_CTL),
                count ? QStringList{"--sim", "usb", "count", "-n", "2147483647"}
                      : QStringList{"--demo", "--depth", sent.size() > 1 ? "128K" : "2K", "capture",
                                    "-o", dir.filePath("run." + format), "-n", "100000"});
        ASSERT_TRUE(p.waitForStarted());
        // Until a reading or two files are out.
        const QString second = dir.filePath("run0002." + format);
        for (int i = 0; i < 600 && (count ? !p.canReadLine() : !QFile::exists(second)); ++i)
            p.waitForReadyRead(50);
        // (A process that has ended has no id: kill(0) would signal this test.)
        const auto pid = static_cast<pid_t>(p.processId());
        ASSERT_GT(pid, 0) << what << ": ended before the signal";
        for (int sig : sent)
            ::kill(pid, sig);
        ASSERT_TRUE(p.waitForFinished(60000)) << what;
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        if (sent.size() == 1)
            EXPECT_TRUE(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0 &&
                        err.contains(QStringLiteral("interrupted after")))
                << what << ": " << p.exitCode() << " " << err.toStdString();
        if (count) {
            // The instrument was powered off: the trace ends with the power register cleared.
            EXPECT_TRUE(p.readAllStandardOutput().startsWith("A1\t")) << what;
            EXPECT_TRUE(test::ReadAll(trace).endsWith("addr 31\nwr 0\n")) << what;
            continue;
        }
        // Files 1..n, each whole; nothing else.
        const QStringList files = QDir(dir.path())
                                      .entryList(QDir::Files | QDir::Hidden, QDir::Name)
                                      .filter(QStringLiteral("run"));
        ASSERT_GE(files.size(), 2) << what;
        for (int k = 0; k < files.size(); ++k) {
            const QString f = dir.filePath(files[k]);
            EXPECT_TRUE(
                files[k] == QStringLiteral("run%1.").arg(k + 1, 4, 10, QLatin1Char('0')) + format &&
                (format == "csv"
                     ? test::ReadAll(f).count('\n') == 2049
                     : !ZipEntry(f, format == "sr" ? "logic-1-1" : "xl/worksheets/sheet1.xml")
                            .empty()))
                << what << " " << files[k].toStdString();
        }
    }
}

// ---- The field's tools read our files ------------------------------------------------------

class FieldTools : public ::testing::Test {
  protected:
    void SetUp() override { r = test::TakeDemoRecord(); }
    static QString Tool(const char *name) {
        return QStandardPaths::findExecutable(QLatin1String(name));
    }
    QString Export(const char *name) { return test::Exported(r, dir.filePath(name)); }
    // The logic words of the numeric CSV rows the tool printed (its D0..D15 columns first).
    static std::vector<uint16_t> Words(const QString &csv) {
        std::vector<uint16_t> words;
        for (const QString &line : csv.split(QLatin1Char('\n'))) {
            const QStringList f = line.split(QLatin1Char(','));
            if (f.size() < 16 || (f[0] != QLatin1String("0") && f[0] != QLatin1String("1")))
                continue;
            uint16_t w = 0;
            for (int d = 0; d < 16; ++d)
                w |= static_cast<uint16_t>((f[d] == QLatin1String("1")) << d);
            words.push_back(w);
        }
        return words;
    }
    QTemporaryDir dir;
    RecordData r;
};

TEST_F(FieldTools, SigrokCliReadsTheSessionAndTheVcd) {
    const QString cli = Tool("sigrok-cli");
    if (cli.isEmpty()) GTEST_SKIP() << "sigrok-cli is not installed (apt-get install sigrok-cli)";
    const QString sr = Export("r.sr"), vcd = Export("r.vcd");
    const Result show = RunTool(cli, {"-i", sr, "--show"});
    ASSERT_EQ(show.code, 0) << show.err.toStdString();
    EXPECT_TRUE(show.out.count(": logic\n") == 16 && show.out.count(": analog\n") == 2 &&
                show.out.contains(QStringLiteral("Logic sample count: %1").arg(r.length)) &&
                show.out.contains(QStringLiteral("Samplerate: 100000000")))
        << show.out.toStdString();
    std::vector<uint16_t> words(static_cast<size_t>(r.length));
    std::generate(words.begin(), words.end(), [this, i = 0]() mutable { return r.Word(i++); });
    EXPECT_EQ(Words(RunTool(cli, {"-i", sr, "-O", "csv"}).out), words);
    EXPECT_EQ(Words(RunTool(cli, {"-I", "vcd", "-i", vcd, "-O", "csv"}).out), words);
}

// vrxctl decode prints the lines sigrok-cli prints for the same file and decoders: on our
// session files of the simulator's buses and of protocol traffic, and on session
// files of the field's own demo analyser (eight lines, chunked).
TEST_F(FieldTools, DecodePrintsTheLinesOfSigrokCli) {
    const QString cli = Tool("sigrok-cli");
    if (cli.isEmpty()) GTEST_SKIP() << "sigrok-cli is not installed (apt-get install sigrok-cli)";
    // UART on D5, I2C on D2/D3 to an EEPROM, SPI on D8/D9/D15, at 1 MSa/s.
    test::ProtocolWaves w;
    w.Hold(40);
    for (uint8_t i = 0; i < 3; ++i) {
        w.Uart(5, {'V', 'R', 'X', static_cast<uint8_t>('0' + i)}, 10);
        w.I2cWrite(2, 3, 0x50, {0x10, i, 0xA5}, 5);
        w.Spi(8, 9, 15, {0xC3, i}, 2);
    }
    std::vector<uint8_t> lo(w.words.begin(), w.words.end()), hi;
    for (uint16_t word : w.words)
        hi.push_back(static_cast<uint8_t>(word >> 8));
    r.lo = lo.data();
    r.hi = hi.data();
    r.length = static_cast<int32_t>(w.words.size());
    r.periodSeconds = 1e-6;
    const std::vector<uint8_t> flat(w.words.size(), 128);
    r.a1 = r.a2 = flat.data();
    const QString traffic = Export("traffic.sr");

    const QString sim = dir.filePath(QStringLiteral("sim.sr")),
                  demo = dir.filePath(QStringLiteral("demo.sr"));
    // The simulator's buses at 10 MSa/s: UART text on D0, an I2C write on D2/D3, SPI on D4..D6.
    ASSERT_EQ(Vrxctl({"--sim", "usb", "--rate", "10MSa/S", "--depth", "8K", "capture", "-o", sim},
                     {"HWLINK_SIM_SIGNALS=D0=uart,115200,Hello;D2:D3=i2c,100000,0x50,A55A;"
                      "D4:D5:D6=spi,1000000,DEADBEEF"})
                  .code,
              0);
    ASSERT_EQ(RunTool(cli, {"-d", "demo", "--samples", "60000", "-o", demo}).code, 0);
    // The demo analyser's file, written again by sigrok-cli's own output format.
    const QString again = dir.filePath(QStringLiteral("again.sr"));
    ASSERT_EQ(RunTool(cli, {"-i", demo, "-O", "srzip", "-o", again}).code, 0);

    const QString uart = "uart:baudrate=100000:rx=D5", spi = "spi:clk=D8:mosi=D9:cs=D15";
    // The file, the arguments, a line it must print.
    const std::tuple<QString, QStringList, QString> cases[] = {
        // clang-format off
        {traffic, {"-P", uart, "-A", "uart=rx-data"}, "uart-1: 58\n"},
        {traffic, {"-P", "i2c:scl=D2:sda=D3"}, "i2c-1: Data write: A5\n"},
        {traffic, {"-P", spi}, "spi-1: C3\n"},
        {traffic, {"-P", "i2c:scl=D2:sda=D3,eeprom24xx"},
         "eeprom24xx-1: Page write (addr=10, 2 bytes): 02 A5\n"},
        {traffic, {"-P", uart, "-P", spi, "-A", "spi=mosi-data,uart"}, "spi-1: 02\n"},
        // The text's idle stretch puts both back on the start bits within the record.
        {sim, {"-P", "uart:rx=D0", "-A", "uart=rx-data"}, "uart-1: 48\nuart-1: 65\n"},
        {sim, {"-P", "i2c:scl=D2:sda=D3,eeprom24xx"}, "i2c-1: Data write: 5A\n"},
        {sim, {"-P", "spi:clk=D4:mosi=D5:cs=D6", "-A", "spi=mosi-data"}, "spi-1: DE\nspi-1: AD\n"},
        {demo, {"-P", "i2c:scl=D0:sda=D1,eeprom24xx"}, "eeprom24xx-1: "},
        {demo, {"-P", "spi:clk=D0:mosi=D1:miso=D2", "-P", "uart:rx=D4"}, "spi-1: "},
        {again, {"-P", "spi:clk=D0:mosi=D1:miso=D2", "-A", "spi=miso-data"}, "spi-1: "},
        // clang-format on
    };
    for (const auto &[file, decoders, line] : cases) {
        const QStringList args = QStringList{"-i", file} + decoders;
        const std::string what = args.join(QLatin1Char(' ')).toStdString();
        const Result theirs = RunTool(cli, args), ours = Vrxctl(QStringList{"decode"} + args);
        ASSERT_EQ(theirs.code, 0) << what << theirs.err.toStdString();
        ASSERT_EQ(ours.code, 0) << what << ours.err.toStdString();
        EXPECT_TRUE(ours.out.contains(line)) << what;
        EXPECT_EQ(ours.out, theirs.out) << what;
    }
}

TEST_F(FieldTools, GtkwaveLoadsTheVcd) {
    const QString toFst = Tool("vcd2fst"), toVcd = Tool("fst2vcd");
    if (toFst.isEmpty() || toVcd.isEmpty())
        GTEST_SKIP() << "GTKWave's vcd2fst/fst2vcd are not installed (apt-get install gtkwave)";
    const QString vcd = Export("r.vcd"), fst = dir.filePath(QStringLiteral("r.fst"));
    ASSERT_EQ(RunTool(toFst, {vcd, fst}).code, 0);
    const QString back = RunTool(toVcd, {fst}).out;
    EXPECT_EQ((test::Nums{back.count("$var wire 1 "), back.count("$var real ")}),
              (test::Nums{16, 2}));
}

} // namespace
} // namespace vrx
