// SPDX-License-Identifier: GPL-3.0-or-later
// One failed request at every point of a session: a start-up, one Autoset and 20 records on each
// link, in the program's core and in vrxctl, with the N-th request to the link failing once
// (HWLINK_SIM_FAULT failonce@N) for N over every request a clean session makes. The simulator
// runs on the virtual clock with noise-free signals, so a session repeats itself exactly: a
// record shown after a fault is the clean session's record of the same number, or there is
// none. Each failure leaves a status that says what happened, and "&Initialize(Hardware)" (a
// new vrxctl run) works again. A watchdog ends the process when one call hangs for 5 s.
//
// CI runs an even sample of N on each link; VRX_FAULT_SWEEP=full tries every N (VRX_FAULT_SWEEP=K:
// K values a link; VRX_FAULT_SWEEP=classes: the requests that stand for all, see Classes();
// classes/K+R: every K-th of them from the R-th; @N,A-B...: those N) and prints the figures.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <mutex>
#include <thread>

#include <time.h>

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include "core/acquisition/autoset.h"
#include "core/acquisition/calibration.h"
#include "core/acquisition/loop.h"
#include "core/fixture.h"
#include "core/startup/startup.h"

namespace vrx {
namespace {

using namespace std::chrono_literals;

// Noise-free inputs that Autoset finds (A1 the trigger channel) and a logic word that moves.
constexpr const char *kSignals = "A1=square,2000,0.5,0;A2=sine,1000,0.3,0;D=count,100000;NOISE=0";
constexpr int kRecords = 20;

// Kills the process when the armed scope makes no progress for 5 s of the processor's time (the
// clocks are virtual: no step needs a fraction of that), or for 60 s of wall time (a wait that
// blocks; a loaded machine may leave the test little of the processor). The sanitizers make
// every request several times dearer: a start-up over BPP (a million port accesses) takes 2-3 s
// of the processor there, so a sanitizer build allows three times the time.
#if defined(__SANITIZE_ADDRESS__)
constexpr double kHangCpuSeconds = 15;
#else
constexpr double kHangCpuSeconds = 5;
#endif

class Watchdog {
  public:
    void arm(const std::string &what) {
        std::lock_guard<std::mutex> lock(m_);
        what_ = what;
        mark();
    }
    void progress() {
        std::lock_guard<std::mutex> lock(m_);
        mark();
    }

  private:
    static double CpuSeconds() {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
    }
    void mark() {
        last_ = std::chrono::steady_clock::now();
        lastCpu_ = CpuSeconds();
    }
    void watch(const std::stop_token &stop) {
        std::unique_lock<std::mutex> lock(m_);
        while (!cv_.wait_for(lock, stop, 200ms, [&] { return stop.stop_requested(); })) {
            const double cpu = CpuSeconds() - lastCpu_;
            if (cpu > kHangCpuSeconds || std::chrono::steady_clock::now() - last_ > 60s) {
                std::fprintf(stderr, "hang (%.1f s of the processor): %s\n", cpu, what_.c_str());
                std::fflush(stderr);
                std::_Exit(3);
            }
        }
    }
    std::mutex m_;
    std::condition_variable_any cv_;
    std::string what_;
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
    double lastCpu_ = 0;
    std::jthread thread_{[this](const std::stop_token &stop) { watch(stop); }}; // stops first
};

// What a session ended with.
enum class Ending {
    Clean,    // every step as in the clean session
    NotFound, // the search found no instrument: the detection message says so (demo mode)
    Config,   // the configuration failed: "VRX-73604 Config Error"
    Autoset,  // Autoset stopped with its message (the records then come at the old settings)
    Lost,     // acquisition stopped with "Instrument lost"
    Wrong,    // FAULT: a record or Autoset result the clean session did not have, or no status
};
const char *const kEndingNames[] = {"clean", "not found", "config", "autoset", "lost", "WRONG"};

struct Session {
    Ending ending = Ending::Clean;
    std::vector<size_t> records; // a hash of each record shown
    test::Nums autoset;          // Autoset's outcome and settings
    int64_t requests = 0;        // requests to the link (traced in the clean session)
    bool struck = false;         // the fault struck
    bool recovered = false;      // after "&Initialize(Hardware)" records come again
    QString why;                 // for a wrong ending
};

size_t RecordHash() {
    const AppState &s = app();
    const auto len = static_cast<qsizetype>(s.acquisition.LastSample + 1);
    QByteArray all;
    for (int area : {HW_SB_A1, HW_SB_A2, HW_SB_D0_D7, HW_SB_D8_D15})
        all += QByteArray(reinterpret_cast<const char *>(s.records.SampleBuf.data()) + area, len);
    return qHash(all) ^ static_cast<size_t>(s.view.ViewStart[0]);
}

// HWLINK_SIM_FAULT's value for request `fault` failing once (0: none).
std::string FaultItem(int64_t fault) {
    return fault > 0 ? "failonce@" + std::to_string(fault) : ";";
}

class FaultSweepTest : public ::testing::TestWithParam<const char *> {
  protected:
    void SetUp() override {
        setenv("HWLINK_SIM_SIGNALS", kSignals, 1);
        setenv("HWLINK_SIM_TRACE", QFile::encodeName(trace_).constData(), 1);
    }
    void TearDown() override {
        SetLoopClock({});
        StopAcquisitionNow();
        unsetenv("HWLINK_SIM_TRACE");
        unsetenv("HWLINK_SIM_TRACE_ONLY");
    }

    // Empties the trace file (the simulator keeps it open and appends to it).
    void ClearTrace() const { QFile(trace_).open(QIODevice::WriteOnly | QIODevice::Truncate); }

    // Requests in the trace file so far, and whether a failonce struck (a session over a
    // parallel port traces two million lines: they are counted in place, not split).
    std::pair<int64_t, bool> Requests() const {
        const QByteArray all = '\n' + test::ReadAll(trace_);
        return {all.count("\nusb-reg-") + all.count("\nusb-bulk-") + all.count("\nport-"),
                all.contains("\nfault failonce")};
    }

    // The requests that stand for all of a session's over a parallel port (half a million and
    // more, each a session to try): those of the first and the last bus operation (a register
    // access with the link requests it takes) of every run of identical operations, so that
    // every kind of request fails once wherever the kind of operation changes.
    std::vector<int64_t> Classes(int64_t requests) const {
        const QByteArray all = test::ReadAll(trace_);
        std::vector<int64_t> ns, op, lastOfRun;
        QByteArray kind, runKind;
        int64_t n = 0;
        for (qsizetype at = 0; at < all.size();) {
            qsizetype end = all.indexOf('\n', at);
            if (end < 0) end = all.size();
            const QByteArrayView line(all.constData() + at, end - at);
            at = end + 1;
            const auto upTo = [&](qsizetype from) { // the line up to the blank after `from`
                const qsizetype blank = line.indexOf(' ', from);
                return blank < 0 ? line : line.first(blank);
            };
            const QByteArrayView word = upTo(0);
            if (line.startsWith("port-")) { // the direction and the port's address
                op.push_back(++n);
                kind += upTo(word.size() + 1);
            } else if (line.startsWith("usb-")) {
                op.push_back(++n);
                kind += word;
            } else if (word == "addr" || word == "wr" || word == "rd") {
                kind += word;
                if (kind != runKind) {
                    ns.insert(ns.end(), lastOfRun.begin(), lastOfRun.end());
                    ns.insert(ns.end(), op.begin(), op.end());
                    lastOfRun.clear();
                } else {
                    lastOfRun = op;
                }
                runKind = kind;
                kind.clear();
                op.clear();
            }
        }
        ns.insert(ns.end(), lastOfRun.begin(), lastOfRun.end());
        ns.insert(ns.end(), op.begin(), op.end());
        std::sort(ns.begin(), ns.end());
        ns.erase(std::unique(ns.begin(), ns.end()), ns.end());
        ns.erase(std::upper_bound(ns.begin(), ns.end(), requests), ns.end()); // "Initialize"'s
        return ns;
    }

    // Steps the loop until `records` more came or it stopped; the hashes of those shown.
    void Acquire(int records, std::vector<size_t> *shown) {
        AppState &s = app();
        tbToolBar_ButtonClick(1);
        int32_t seen = 0;
        for (int i = 0; i < 200000 && AcquisitionActive() && s.run.TrigCount < records; ++i) {
            AcquisitionStep();
            LoopSleepMs(std::max(1, AcquisitionIdleMs()));
            dog_.progress();
            if (s.run.TrigCount != seen && s.run.TrigCount > 0) {
                seen = s.run.TrigCount;
                shown->push_back(RecordHash());
            }
        }
        StopAcquisitionNow();
    }

    // The session on `link` with request `fault` failing (0: none).
    Session Run(const char *link, int64_t fault) {
        dog_.arm(std::string(link) + " " + FaultItem(fault));
        AppState &s = app();
        if (s.records.DevConfig[HW_DC_Link] != HW_LINK_NONE)
            PowerOff(s.records.PortState.data(), s.records.DevConfig.data());
        ResetAcquisition();
        // The loop's waits pass at once, as the library's do on its virtual clock.
        SetLoopClock([this] { return now_; },
                     [this](int64_t ms) { now_ += std::max<int64_t>(ms, 0); });
        ClearTrace();
        setenv("HWLINK_SIM", link, 1);
        setenv("HWLINK_SIM_FAULT", FaultItem(fault).c_str(), 1);
        setenv("HWLINK_SIM_TRACE_ONLY", fault > 0 ? "fault" : "", 1); // the clean one: every line
        ScriptedUi boxes;
        ScopedUi scope(boxes);
        Session r;
        InitProgramState(DefaultSettingsFile::Ignore);
        s.startup.BitstreamDir = QFileInfo(QStringLiteral(VRX_TEST_BITSTREAM)).absolutePath();
        BringUp();
        dog_.progress();
        const bool found = s.records.DevConfig[HW_DC_Link] != HW_LINK_NONE;
        if (s.run.HwFound == 1) {
            const AutosetResult a = Autoset0();
            dog_.progress();
            r.autoset = {int64_t(a.outcome), a.channel, a.VdivIndex,
                         a.RateIndex,        a.ChanPos, a.TrigLevel};
            Acquire(kRecords, &r.records);
        }
        std::tie(r.requests, r.struck) = Requests();
        dog_.progress(); // the trace's count is the test's time, not the program's
        const auto said = [&](const QString &text) {
            return std::any_of(boxes.boxes.begin(), boxes.boxes.end(),
                               [&](const ScriptedUi::Box &b) { return b.text.contains(text); });
        };
        if (!found && said(QStringLiteral("Press 'Cancel button' for Demo mode")))
            r.ending = Ending::NotFound;
        else if (found && s.run.HwFound == 0 && said(QStringLiteral("VRX-73604 Config Error")))
            r.ending = Ending::Config;
        else if (said(kAutosetLostText) || said(kAutosetNoRecordText))
            r.ending = Ending::Autoset;
        else if (acquisitionControls().LabelStat[0].text() == kInstrumentLostText)
            r.ending = Ending::Lost;

        // "&Initialize(Hardware)": found, configured, and it takes a set-up again.
        mnuInitial_Click();
        dog_.progress();
        r.recovered = s.run.HwFound == 1 && ArmInstrument();
        return r;
    }

    // Compares a faulted session with the clean one: a wrong ending says why.
    static void Judge(Session &f, const Session &clean) {
        const auto wrong = [&](const QString &why) {
            f.ending = Ending::Wrong;
            f.why = why;
        };
        const bool autosetAsClean = f.autoset == clean.autoset;
        if (f.ending == Ending::Clean || f.ending == Ending::Lost) {
            if (!autosetAsClean && !f.autoset.empty())
                return wrong(QStringLiteral("Autoset chose other settings and said nothing"));
            if (f.ending == Ending::Clean && f.records.size() != clean.records.size())
                return wrong(QStringLiteral("%1 records and no status").arg(f.records.size()));
        }
        for (size_t i = 0; autosetAsClean && i < f.records.size(); ++i)
            if (i >= clean.records.size() || f.records[i] != clean.records[i])
                return wrong(QStringLiteral("record %1 is not the instrument's").arg(i + 1));
        if (!f.recovered) return wrong(QStringLiteral("not working after Initialize"));
    }

    // The N to try of a session that makes `requests`: every one with VRX_FAULT_SWEEP=full, else
    // `sample` (or VRX_FAULT_SWEEP's count) spread evenly, the first and the last among them.
    static std::vector<int64_t> Sample(int64_t requests, int64_t sample) {
        const QByteArray env = qgetenv("VRX_FAULT_SWEEP");
        sample = env == "full" ? requests : env.toLongLong() > 0 ? env.toLongLong() : sample;
        std::vector<int64_t> ns;
        for (int64_t i = 0; i < std::min(sample, requests); ++i)
            ns.push_back(sample >= requests
                             ? i + 1
                             : 1 + i * (requests - 1) / std::max<int64_t>(1, sample - 1));
        return ns;
    }

    QTemporaryDir dir_;
    const QString trace_ = dir_.filePath(QStringLiteral("trace"));
    int64_t now_ = 0;
    Watchdog dog_;
};

// One link a process: a request fault that struck stays spent for the rest of the process.
TEST_P(FaultSweepTest, EveryFailedRequestOfASessionIsReportedAndInitializeRecovers) {
    const std::string link = GetParam();
    QElapsedTimer t;
    t.start();
    const Session clean = Run(link.c_str(), 0);
    ASSERT_EQ(clean.ending, Ending::Clean);
    ASSERT_EQ(clean.records.size(), size_t(kRecords));
    ASSERT_EQ(clean.autoset.at(0), static_cast<int64_t>(AutosetOutcome::Done));
    std::map<Ending, int> count;
    // Over a parallel port a session makes a million requests and more: fewer in CI.
    // VRX_FAULT_SWEEP=classes/K+R: every K-th of the classes from the R-th on (a link whose
    // classes take hours is swept in parts).
    const QByteArray sweep = qgetenv("VRX_FAULT_SWEEP");
    std::vector<int64_t> ns;
    if (sweep.startsWith("@")) { // @N,A-B...: those N (a finding reproduced, a stretch swept)
        for (const QByteArray &item : sweep.mid(1).split(',')) {
            const QList<QByteArray> ends = item.split('-');
            for (int64_t n = std::max(1LL, ends.front().toLongLong());
                 n <= ends.back().toLongLong(); ++n)
                ns.push_back(n);
        }
    } else if (sweep.startsWith("classes")) {
        const QList<QByteArray> part = sweep.mid(8).split('+');
        const size_t every = size_t(std::max(1LL, part.value(0).toLongLong()));
        const std::vector<int64_t> classes = Classes(clean.requests);
        for (size_t i = size_t(std::max(0LL, part.value(1).toLongLong())); i < classes.size();
             i += every)
            ns.push_back(classes[i]);
    } else {
        ns = Sample(clean.requests, link == "epp" || link == "bpp" ? 2 : 6);
    }
    if (qEnvironmentVariableIsSet("VRX_FAULT_SWEEP"))
        std::printf("%s: %zu requests to try\n", link.c_str(), ns.size()), std::fflush(stdout);
    for (const int64_t n : ns) {
        Session f = Run(link.c_str(), n);
        ASSERT_TRUE(f.struck) << "request " << n;
        Judge(f, clean);
        ++count[f.ending];
        EXPECT_NE(f.ending, Ending::Wrong) << "failonce@" << n << ": " << f.why.toStdString();
    }
    std::printf("%s: %lld requests, %lld ms;", link.c_str(), static_cast<long long>(clean.requests),
                static_cast<long long>(t.elapsed()));
    for (const auto &[ending, k] : count)
        std::printf(" %s %d", kEndingNames[int(ending)], k);
    std::printf("\n");
}
INSTANTIATE_TEST_SUITE_P(Links, FaultSweepTest, ::testing::Values("usb", "usb11", "epp", "bpp"));

// `vrxctl capture -n 20` with the fault, in processes of its own: it ends with status 0 and the
// clean run's files, or with status 1 and a message; every file it leaves is the clean run's
// file of that name, and nothing partial (no other file) is left.
class VrxctlFaultSweepTest : public FaultSweepTest {};
TEST_F(VrxctlFaultSweepTest, VrxctlLeavesOnlyWholeFiles) {
    const auto run = [&](const char *link, int64_t fault, const QString &dir) {
        QDir().mkpath(dir);
        ClearTrace();
        dog_.arm(std::string("vrxctl ") + link + " " + FaultItem(fault));
        // The watchdog ends a run that hangs.
        const test::ToolRun r =
            test::RunTool(QStringLiteral(VRX_CTL),
                          {"--sim", link, "--bitstream", VRX_TEST_BITSTREAM, "--rate", "1MSa/S",
                           "capture", "-n", QString::number(kRecords), "-o", dir + "/cap.csv"},
                          {QStringLiteral("HWLINK_SIM_FAULT=") + FaultItem(fault).c_str(),
                           QStringLiteral("HWLINK_SIM_TRACE=") + trace_,
                           QStringLiteral("HWLINK_SIM_TRACE_ONLY=") + (fault > 0 ? "fault" : "")});
        dog_.progress();
        return r;
    };
    const auto files = [](const QString &dir) {
        std::map<QString, QByteArray> m;
        for (const QString &f : QDir(dir).entryList(QDir::Files))
            m[f] = test::ReadAll(dir + "/" + f);
        return m;
    };
    // A run over a parallel port configures the FPGA a bit at a time (half a million requests
    // and more): CI samples USB 2.0 and EPP, VRX_FAULT_SWEEP every link.
    const bool all = !qEnvironmentVariableIsEmpty("VRX_FAULT_SWEEP");
    for (const std::string link : {"usb", "usb11", "epp", "bpp"}) {
        if (!all && (link == "usb11" || link == "bpp")) continue;
        SCOPED_TRACE(link);
        QElapsedTimer t;
        t.start();
        const QString cleanDir = dir_.filePath(QStringLiteral("clean-%1").arg(link.c_str()));
        ASSERT_EQ(run(link.c_str(), 0, cleanDir).code, 0);
        const int64_t requests = Requests().first;
        const auto clean = files(cleanDir);
        ASSERT_EQ(clean.size(), size_t(kRecords));
        int failed = 0, whole = 0;
        for (const int64_t n : Sample(requests, 3)) {
            const QString dir = dir_.filePath(QStringLiteral("%1-%2").arg(link.c_str()).arg(n));
            const test::ToolRun r = run(link.c_str(), n, dir);
            const auto left = files(dir);
            EXPECT_TRUE(Requests().second) << "request " << n;
            EXPECT_TRUE(r.code == 0 || (r.code == 1 && !r.err.trimmed().isEmpty()))
                << "failonce@" << n << ": status " << r.code << " " << r.err.toStdString();
            for (const auto &[name, bytes] : left)
                EXPECT_TRUE(clean.count(name) && clean.at(name) == bytes)
                    << "failonce@" << n << ": " << name.toStdString() << " is not whole";
            EXPECT_TRUE(r.code != 0 || left.size() == clean.size())
                << "failonce@" << n << ": " << left.size() << " files";
            ++(r.code == 0 ? whole : failed);
            QDir(dir).removeRecursively();
        }
        std::printf("vrxctl %s: %lld requests, %lld ms; whole %d, failed %d\n", link.c_str(),
                    static_cast<long long>(requests), static_cast<long long>(t.elapsed()), whole,
                    failed);
    }
}

} // namespace
} // namespace vrx
