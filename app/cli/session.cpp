// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/session.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include "cli/decode.h"
#include "core/acquisition/autoset.h"
#include "core/acquisition/loop.h"
#include "core/analysis/counter.h"
#include "core/analysis/measure.h"
#include "core/base/format.h"
#include "core/base/state.h"
#include "core/base/ui.h"
#include "core/decode/decoders.h"
#include "core/decode/sigrok_reader.h"
#include "core/logic/logic_panel.h"
#include "core/output/export.h"
#include "core/output/workbook.h"
#include "core/settings/apply.h"
#include "core/settings/data_file.h"
#include "core/settings/file_write.h"
#include "core/settings/settings_file.h"
#include "core/startup/options.h"
#include "core/startup/startup.h"
#include "core/timing/frontpanel.h"
#include "core/timing/pictures.h" // EnsureHeadlessGui

namespace vrx::cli {

namespace {

volatile std::sig_atomic_t interruptRequested = 0;

// SIGINT, SIGTERM and SIGHUP: the first ends the run after the current record (the instrument
// is powered off as after any run); the next ends the program at once, yet never inside the
// write of a file, which is whole or gone first.
void OnEndSignal(int sig) {
    if (interruptRequested == 0)
        interruptRequested = 1;
    else
        EndBySignal(sig);
}

// A failure: the exit code and its one-line message.
struct Outcome {
    int code = kExitOk;
    QString message;
    bool ok() const { return code == kExitOk; }
};

Outcome Failed(int code, const QString &message) {
    return {code, message};
}

// Answers every box unattended and keeps its text: a box of the core (a refused settings file,
// a failed data file) becomes the one-line message of the failure.
class KeptUi : public Ui {
  public:
    QString last;
    MsgResult MessageBox(const QString &text, const QString &, MsgButtons buttons) override {
        last = text.simplified();
        return SafeAnswer(buttons);
    }
    QString OpenFileName(const QString &, const QString &, const QString &) override { return {}; }
    QString SaveFileName(const QString &, const QString &, const QString &) override { return {}; }
};

void Progress(const QString &text) {
    std::fprintf(stderr, "vrxctl: %s\n", qPrintable(text));
    std::fflush(stderr);
}

// The results printed so far went out: a failed write of the standard output (a full device,
// a closed pipe) fails the command.
Outcome FlushResults() {
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return {};
    const int err = errno;
    return Failed(kExitFailed, QStringLiteral("cannot write the standard output: ") +
                                   QString::fromLocal8Bit(std::strerror(err)));
}

bool Linked() {
    return app().records.DevConfig[HW_DC_Link] != HW_LINK_NONE;
}

// ---- Instrument --------------------------------------------------------------------------

Outcome BringUpInstrument(const CliOptions &o) {
    AppState &s = app();
    // The simulated instrument is chosen before the search; without --sim only a real one.
    if (!o.sim.isEmpty())
        qputenv("HWLINK_SIM", o.sim.toLatin1());
    else
        qunsetenv("HWLINK_SIM");
    EnsureHeadlessGui("vrxctl");
    InitProgramState(DefaultSettingsFile::Ignore);
    s.startup.BitstreamDir = BitstreamDirectory(
        BitstreamFolders(QDir::currentPath(), QCoreApplication::applicationDirPath()));
    if (!o.bitstream.isEmpty() && !QFileInfo(o.bitstream).isFile())
        return Failed(kExitUsage, QStringLiteral("--bitstream: no such file ") + o.bitstream);
    if (o.demo) {
        // Demo data: no search. Without a link the library only resets its corrections.
        s.records.DevConfig[HW_DC_Link] = HW_LINK_NONE;
        FindHardware(0, s.records.PortState.data(), s.records.DevConfig.data(),
                     s.records.ConfigBits.data());
        return {};
    }
    // Unattended: the detection message takes its safe answer.
    BringUp(o.bitstream);
    if (!Linked()) return Failed(kExitUsage, QStringLiteral("no instrument found"));
    if (s.run.HwFound == 0)
        return Failed(kExitFailed,
                      QStringLiteral("the instrument refused the bitstream ") + s.startup.SysText);
    return {};
}

// ---- Settings ----------------------------------------------------------------------------

int IndexOf(const QStringList &items, const QString &text) {
    for (int i = 0; i < items.size(); ++i)
        if (items[i].compare(text, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

Outcome BadValue(const QString &text) {
    return Failed(kExitUsage, text);
}

Outcome ApplyOptions(const CliOptions &o) {
    AppState &s = app();
    TimingPanel &f = form1();
    if (!o.settingsFile.isEmpty()) {
        if (!QFileInfo(o.settingsFile).isFile())
            return BadValue(QStringLiteral("--settings: no such file ") + o.settingsFile);
        KeptUi boxes;
        const ScopedUi scope(boxes);
        if (Loadset(o.settingsFile, 1) != LoadResult::Loaded)
            return BadValue(QStringLiteral("--settings: ") + o.settingsFile + QStringLiteral(": ") +
                            boxes.last);
        ApplySettings();
    }
    if (!o.rate.isEmpty()) {
        const int i = IndexOf(RateTexts(), o.rate);
        if (i < 0) return BadValue(QStringLiteral("--rate: no rate ") + o.rate);
        f.cmbRate.setIndex(i);
    }
    if (o.depth >= 0) f.cmbDepth.setIndex(o.depth);
    // Probe, coupling and V/div act on the channel of the selected tab, as on the panel.
    auto onChannel = [&](const std::vector<ChannelValue> &values, auto apply) -> Outcome {
        for (const ChannelValue &v : values) {
            f.lbTab_Click(v.channel);
            const Outcome r = apply(v);
            if (!r.ok()) return r;
        }
        return {};
    };
    Outcome r = onChannel(o.probe, [&](const ChannelValue &v) {
        f.cmbProbe.setIndex(IndexOf({"1", "10", "100", "1000"}, v.value));
        return Outcome{};
    });
    if (r.ok())
        r = onChannel(o.coupling, [&](const ChannelValue &v) {
            f.cmbCouple.setIndex(IndexOf({"DC", "AC", "GND"}, v.value));
            return Outcome{};
        });
    if (r.ok())
        r = onChannel(o.vdiv, [&](const ChannelValue &v) {
            const QStringList list =
                VdivTexts(s.channels.ProbeIndex[static_cast<size_t>(v.channel)]);
            const int i = IndexOf(list, v.value);
            if (i < 0)
                return BadValue(QStringLiteral("--vdiv: A%1 has no entry %2 at its probe (%3)")
                                    .arg(v.channel + 1)
                                    .arg(v.value, list.join(QLatin1Char(' '))));
            f.cmbVdiv.setIndex(i);
            return Outcome{};
        });
    if (!r.ok()) return r;
    f.lbTab_Click(ChA1);
    if (o.trigger >= 0) f.cmbTrigCh.setIndex(o.trigger);
    if (o.slope >= 0) f.cmbSlope.setIndex(o.slope);
    if (o.level) {
        const int ch = s.trigger.TrigChannel;
        if (ch != ChA1 && ch != ChA2)
            return BadValue(QStringLiteral("--level needs the trigger on A1 or A2"));
        const auto c = static_cast<size_t>(ch);
        const double mv = s.channels.ChanScale[c];
        const int code = VoltsCode(*o.level, s.channels.ChanPos[c], mv);
        if (code < 0 || code > 255)
            return BadValue(QStringLiteral("--level: %1 V lies outside A%2's range (%3 V to %4 V)")
                                .arg(*o.level)
                                .arg(ch + 1)
                                .arg((s.channels.ChanPos[c] - 255) * mv / 1000.0)
                                .arg(s.channels.ChanPos[c] * mv / 1000.0));
        f.ScrollLevel.setValue(code);
    }
    if (!o.word.isEmpty()) {
        s.logic.TriggerWords[static_cast<size_t>(std::clamp<int>(s.logic.SelWord, 0, 3))] = o.word;
        logicPanel().Qualify2List(o.word);
        logicPanel().List2TrigLevel();
    }
    return {};
}

// ---- Records -----------------------------------------------------------------------------

// Waits for the next complete record of the running loop.
Outcome NextRecord() {
    const AppState &s = app();
    const int32_t before = s.run.TrigCount;
    // A record at the slow rates takes its own time; the forced trigger of "Auto." comes
    // after 100 ms.
    const double recordSeconds =
        s.acquisition.RecordLen * SamplePeriodSeconds(s.acquisition.RateIndex);
    const auto limitMs = static_cast<int64_t>(10000 + 3000 * recordSeconds);
    QElapsedTimer t;
    t.start();
    for (;;) {
        if (!AcquisitionActive())
            return Failed(kExitFailed, QStringLiteral("the instrument stopped answering"));
        AcquisitionStep();
        if (s.run.TrigCount != before) return {};
        if (t.elapsed() > limitMs)
            return Failed(kExitFailed, QStringLiteral("no record within %1 s").arg(limitMs / 1000));
        const int32_t idle = std::min<int32_t>(AcquisitionIdleMs(), 20);
        if (idle > 0) usleep(static_cast<useconds_t>(idle) * 1000);
    }
}

void StopAcquisition() {
    if (app().run.Running == 1) tbToolBar_ButtonClick(1);
    while (AcquisitionActive())
        AcquisitionStep();
}

// Runs `each` on records 1, 2, ... until `count` were done (0: until `seconds` passed), an
// interrupt, or a failure.
Outcome ForRecords(int64_t count, double seconds, const std::function<Outcome(int64_t)> &each) {
    if (Linked() && app().run.HwFound == 0) return Failed(kExitFailed, kNotConfiguredText);
    tbToolBar_ButtonClick(1);
    QElapsedTimer wall, shown;
    wall.start();
    shown.start();
    Outcome r;
    int64_t done = 0;
    // A run of a duration takes at least one record, however slow the start was: a run that
    // exits 0 always leaves its data.
    while (r.ok() && (count > 0 ? done < count : done == 0 || wall.elapsed() < seconds * 1000)) {
        r = NextRecord();
        if (r.ok()) r = each(++done);
        if (shown.elapsed() >= 1000) {
            Progress(count > 0 ? QStringLiteral("%1 of %2 records").arg(done).arg(count)
                               : QStringLiteral("%1 records").arg(done));
            shown.restart();
        }
        if (Interrupted()) {
            Progress(QStringLiteral("interrupted after %1 records").arg(done));
            break;
        }
    }
    StopAcquisition();
    return r;
}

// ---- Commands ----------------------------------------------------------------------------

Outcome Info() {
    const AppState &s = app();
    const auto &dc = s.records.DevConfig;
    static const char *const links[5] = {"none (demo)", "EPP", "BPP", "", "USB"};
    const int link = dc[HW_DC_Link];
    std::printf("link\t%s\n", link < 5 ? links[link] : "unknown");
    std::printf("model\t%s\n",
                qPrintable(s.startup.MainCaption.isEmpty() ? kAppTitle : s.startup.MainCaption));
    if (link == HW_LINK_USB) {
        std::printf("variant\t%d\n", dc[HW_DC_Variant]);
        std::printf("usb speed\t%s\n", dc[HW_DC_UsbSpeed] == 1 ? "1.1" : "2.0");
    }
    std::printf("configured\t%s\n", link == HW_LINK_NONE ? "demo" : s.run.HwFound ? "yes" : "no");
    return {};
}

Outcome Capture(const CliOptions &o) {
    const QString name = o.format.isEmpty() ? QFileInfo(o.output).suffix().toLower() : o.format;
    const bool vrx = name == QLatin1String("vrx"), xlsx = name == QLatin1String("xlsx");
    const ExportFormat format = FormatOfName(name);
    if (!vrx && !xlsx && format == ExportFormat::Unknown)
        return Failed(kExitUsage, QStringLiteral("capture: unknown file type, give --format"));
    // With a duration the number of records is open: every file is numbered.
    const int total = o.duration > 0 ? 0 : o.records;
    return ForRecords(total, o.duration, [&](int64_t k) -> Outcome {
        const QString path = RecordPath(o.output, static_cast<int>(k), total);
        QString error;
        if (vrx) {
            // The program's data file with its companion settings file.
            KeptUi boxes;
            const ScopedUi scope(boxes);
            const QString companion = CompanionName(path);
            const bool hadCompanion = QFileInfo::exists(companion);
            if (!SaveDataFile(path)) {
                // The companion goes first: a data file that failed after it leaves no pair
                // half-written behind.
                if (!hadCompanion) QFile::remove(companion);
                return Failed(kExitFailed, QStringLiteral("cannot write ") + path +
                                               QStringLiteral(": ") + boxes.last);
            }
        } else if (xlsx) {
            // The data output workbook: every block in its first format, the whole record.
            ExportFormats formats;
            formats.channel = {true, true, true};
            formats.a1[FmtDecimal] = formats.a2[FmtDecimal] = formats.logic[LaDecimal] = true;
            static const volatile int16_t running = 1;
            if (WriteWorkbook(path, RecordSource(), {0, CurrentRecord().length - 1}, formats, {},
                              running, &error) != WriteResult::Done)
                return Failed(kExitFailed, QStringLiteral("cannot write ") + path +
                                               QStringLiteral(": ") + error);
        } else if (!ExportRecord(CurrentRecord(), path, format, error)) {
            return Failed(kExitFailed, error);
        }
        return {};
    });
}

Outcome Measure(const CliOptions &o) {
    MeasureSettings &m = app().measure;
    // Every item of both channels unless a settings file chose them; always the whole record.
    if (o.settingsFile.isEmpty()) {
        std::fill(m.TestA1.begin(), m.TestA1.begin() + kMeasureItems, int16_t{1});
        std::fill(m.TestA2.begin(), m.TestA2.begin() + kMeasureItems, int16_t{1});
    }
    m.TestLenMode = 1;
    return ForRecords(o.records, 0, [](int64_t) -> Outcome {
        frmMeasure().TestCh();
        for (const QString &line : frmMeasure().RowsText())
            std::printf("%s\n", qPrintable(line));
        std::printf("\n");
        return FlushResults();
    });
}

Outcome Count(const CliOptions &o) {
    AppState &s = app();
    // Both counters at "&7 Digital resolution" unless a settings file says otherwise.
    if (o.settingsFile.isEmpty()) {
        s.display.CountOn = {-1, -1};
        s.run.CounterState[0] = kCounterResolutions - 1;
    }
    if (s.display.CountOn[0] == 0 && s.display.CountOn[1] == 0)
        return Failed(kExitUsage, QStringLiteral("count: the settings file has no counter on"));
    const int per = kCounterRecords[static_cast<size_t>(
        std::clamp<int>(s.run.CounterState[0], 0, kCounterResolutions - 1))];
    // The loop counts a record in the step after the one that read it: the reading of `per`
    // records is complete once the next record has come. (N readings of `per` records pass the
    // range of an int for large N.)
    return ForRecords(int64_t{o.records} * per + 1, 0, [&](int64_t k) -> Outcome {
        if (k == 1 || (k - 1) % per != 0) return {};
        for (int ch = ChA1; ch <= ChA2; ++ch)
            if (s.display.CountOn[static_cast<size_t>(ch)] != 0)
                std::printf("%s\t%s\n", qPrintable(s.channels.ChanName[static_cast<size_t>(ch)]),
                            qPrintable(CounterResult(ch).text));
        return FlushResults();
    });
}

Outcome RunAutoset(const CliOptions &o) {
    KeptUi boxes;
    const ScopedUi scope(boxes);
    const AutosetResult r = Autoset0();
    if (r.outcome != AutosetOutcome::Done)
        return Failed(kExitFailed, r.message.isEmpty()
                                       ? QStringLiteral("Autoset needs a configured instrument")
                                       : r.message);
    // The derived values (the channel's scale among them) follow the new settings, as in the
    // program after its "Autoset".
    ApplySettings();
    const AppState &s = app();
    const auto c = static_cast<size_t>(r.channel);
    std::printf("channel\t%s\n", qPrintable(s.channels.ChanName[c]));
    std::printf("rate\t%s\n", qPrintable(RateTexts().value(r.RateIndex)));
    std::printf("vdiv\t%s\n", qPrintable(VdivTexts(s.channels.ProbeIndex[c]).value(r.VdivIndex)));
    std::printf("position\t%d\n", r.ChanPos);
    std::printf("level\t%s\n",
                qPrintable(CalStr((r.ChanPos - r.TrigLevel) * s.channels.ChanScale[c])));
    if (!o.saveSettings.isEmpty() && !Saveset(o.saveSettings, false))
        return Failed(kExitFailed, QStringLiteral("cannot write ") + o.saveSettings);
    return {};
}

// The record in the sample memory through the decoders, at the rate it was taken at.
Outcome DecodeCurrentRecord(const DecodePrinter &printer) {
    QString error;
    const auto rate = decode::RecordRate(app().acquisition.RateIndex, &error);
    if (!rate) return Failed(kExitFailed, error);
    const RecordData r = CurrentRecord();
    std::vector<uint16_t> record(static_cast<size_t>(std::max<int32_t>(r.length, 0)));
    for (size_t i = 0; i < record.size(); ++i)
        record[i] = r.Word(static_cast<int32_t>(i));
    bool given = false;
    const auto whole = [&](std::vector<uint16_t> &words, QString &) {
        if (given) return false;
        words.swap(record);
        return given = true;
    };
    if (!printer.Decode(*rate, whole, error)) return Failed(kExitFailed, error);
    return FlushResults();
}

Outcome Decode(const CliOptions &o) {
    DecodePrinter printer;
    QString error;
    const QString suffix = QFileInfo(o.input).suffix().toLower();
    if (!o.input.isEmpty() && suffix != QLatin1String("vrx")) {
        // A sigrok session, ours or another analyser's, decoded as it is read.
        decode::SigrokReader reader;
        if (!reader.Open(o.input, &error)) return Failed(kExitFailed, error);
        if (!printer.Setup(o.decoders, o.annotations, reader.LineNames(), error))
            return Failed(kExitUsage, error);
        const auto pieces = [&](std::vector<uint16_t> &words, QString &why) {
            return reader.Next(words, &why);
        };
        if (!printer.Decode(reader.Samplerate(), pieces, error)) return Failed(kExitFailed, error);
        return FlushResults();
    }
    if (!printer.Setup(o.decoders, o.annotations, {}, error)) return Failed(kExitUsage, error);
    if (!o.input.isEmpty()) {
        // The program's data file with its companion settings.
        if (!QFileInfo(o.input).isFile())
            return Failed(kExitFailed, QStringLiteral("-i: no such file ") + o.input);
        KeptUi boxes;
        const ScopedUi scope(boxes);
        if (!LoadDataFile(o.input))
            return Failed(kExitFailed, QStringLiteral("cannot read ") + o.input +
                                           QStringLiteral(": ") + boxes.last);
        return DecodeCurrentRecord(printer);
    }
    // A rate whose records can't be decoded is refused before the first record.
    if (!decode::RecordRate(app().acquisition.RateIndex, &error)) return Failed(kExitFailed, error);
    return ForRecords(o.records, 0, [&](int64_t) { return DecodeCurrentRecord(printer); });
}

} // namespace

void InstallInterruptHandler() {
    static constexpr int kEndSignals[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction sa {};
    sa.sa_handler = OnEndSignal;
    sigemptyset(&sa.sa_mask);
    for (int sig : kEndSignals)
        sigaddset(&sa.sa_mask, sig);
    for (int sig : kEndSignals)
        sigaction(sig, &sa, nullptr);
}

bool Interrupted() {
    return interruptRequested != 0;
}

QString RecordPath(const QString &path, int index, int count) {
    if (count == 1) return path;
    const QFileInfo fi(path);
    const QString suffix = fi.suffix();
    const QString number = QStringLiteral("%1").arg(index, 4, 10, QLatin1Char('0'));
    const QString base = suffix.isEmpty() ? path : path.left(path.size() - suffix.size() - 1);
    return base + number + (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
}

int Run(const CliOptions &o) {
    Outcome r;
    // A recording from a file needs no instrument, and a session file not even the program's
    // state and settings.
    const bool fromFile = o.command == Command::Decode && !o.input.isEmpty();
    const bool sessionFile = fromFile && QFileInfo(o.input).suffix().compare(
                                             QLatin1String("vrx"), Qt::CaseInsensitive) != 0;
    if (!fromFile) {
        r = BringUpInstrument(o);
    } else if (!sessionFile) {
        EnsureHeadlessGui("vrxctl");
        InitProgramState(DefaultSettingsFile::Ignore);
    }
    if (r.ok() && !sessionFile) r = ApplyOptions(o);
    if (r.ok()) {
        switch (o.command) {
        case Command::Info:
            r = Info();
            break;
        case Command::Capture:
            r = Capture(o);
            break;
        case Command::Measure:
            r = Measure(o);
            break;
        case Command::Count:
            r = Count(o);
            break;
        case Command::Autoset:
            r = RunAutoset(o);
            break;
        case Command::Decode:
            r = Decode(o);
            break;
        default:
            break;
        }
    }
    if (!sessionFile && Linked())
        PowerOff(app().records.PortState.data(), app().records.DevConfig.data());
    if (r.ok()) r = FlushResults();
    if (!r.ok()) std::fprintf(stderr, "vrxctl: %s\n", qPrintable(r.message));
    return r.code;
}

} // namespace vrx::cli
