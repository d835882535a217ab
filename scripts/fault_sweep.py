#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Injects realistic single faults into the sources, one at a time, and tells which of them the
tests catch.

Each fault is a file, an exact source fragment (found exactly once in that file), its faulty
replacement and the tests that should notice it. For every fault the script writes the faulty
file, rebuilds only the named test targets (incrementally, through the build's own cache),
runs only the named tests with a timeout, puts the file back byte for byte and records whether
a test failed ("caught"), none did ("missed"), the build broke ("build error") or the fragment
is gone from the file ("stale": the code moved on, the fault needs a new fragment).

It refuses a file with uncommitted changes, and restores every file it touched whatever ends
the run (an error, Ctrl+C, SIGTERM). Run it in a work tree whose build directory is
configured; it leaves the sources as it found them and rebuilds the named targets at the end.

    scripts/fault_sweep.py                       # every fault, build directory ./build
    scripts/fault_sweep.py --only L03,A07        # some of them
    scripts/fault_sweep.py --list                # the table, without running anything
    scripts/fault_sweep.py --out before.md       # the result table also into a file
    scripts/fault_sweep.py --only A10 --extra-tests 'ctest:^gestures_test$' \
        --extra-build gestures_test               # a window test as well

A test is either an executable of the build directory with an optional GoogleTest filter
("hwlink_tests", "vrxcore_tests:SettingsFile.*") or "ctest:REGEX" (ctest -R, for the tests that
are not GoogleTest executables). The executable is also the target that gets rebuilt.
"""

import argparse
import os
import re
import signal
import subprocess
import sys
import time
from dataclasses import dataclass, field
from pathlib import Path


@dataclass
class Fault:
    id: str
    path: str  # from the repository's root
    good: str  # the exact fragment, found once in the file
    bad: str  # what replaces it
    tests: list  # "exe", "exe:gtest-filter" or "ctest:REGEX"
    what: str  # the fault in a few words
    build: list = field(default_factory=list)  # extra targets the tests need


HW = ["hwlink_tests"]
FFT = ["fft_tests"]


def core(suites):
    return ["vrxcore_tests:" + suites]


# Bounds first: a limit moved by one, a table limit, a rounding, a dropped flag, < for <=.
FAULTS = [
    # --- the instrument library: hwlink/src ---
    Fault("L01", "hwlink/src/bus.cpp", "while (len - done > kBulkChunk) {",
          "while (len - done >= kBulkChunk) {", HW,
          "a bulk transfer of exactly 65535 bytes split in two"),
    Fault("L02", "hwlink/src/bus.cpp", "if (len + (padded ? 2 : 1) > kPacketMax) {",
          "if (len + (padded ? 2 : 1) >= kPacketMax) {", HW,
          "a USB packet flushed one byte before it is full"),
    Fault("L03", "hwlink/src/acquisition.cpp", "const int32_t m = p < 0 ? 3 : p / 4 + 5;",
          "const int32_t m = p < 0 ? 3 : p / 4 + 4;", HW,
          "pre-trigger count one short"),
    Fault("L04", "hwlink/src/acquisition.cpp", "if (a.rateIndex >= 8) flags |= reg::kModeHalfRate;",
          "if (a.rateIndex > 8) flags |= reg::kModeHalfRate;", HW,
          "100MSa/s armed at the full converter rate"),
    Fault("L05", "hwlink/src/readback.cpp", "return rateIndex <= 8 ? 10 : 9;",
          "return rateIndex < 8 ? 10 : 9;", HW, "logic lag of 100MSa/s wrong"),
    Fault("L06", "hwlink/src/readback.cpp", "constexpr int32_t kAnalogMax = 252;",
          "constexpr int32_t kAnalogMax = 253;", HW, "analog clamp one code wide at the bottom"),
    Fault("L07", "hwlink/src/readback.cpp", "constexpr int32_t kWindow = 40;",
          "constexpr int32_t kWindow = 41;", HW, "trigger search window one sample long"),
    Fault("L08", "hwlink/src/readback.cpp", "viewStart[0] = 20;", "viewStart[0] = 21;", HW,
          "display start of a negative trigger position"),
    Fault("L09", "hwlink/src/measure.cpp", "if (span <= kMinEdgeSpan) return;",
          "if (span < kMinEdgeSpan) return;", HW, "a 10-code span gets edges and widths"),
    Fault("L10", "hwlink/src/measure.cpp", "r[kMid] = (lo + hi) / 2;",
          "r[kMid] = (lo + hi + 1) / 2;", HW, "mid level rounded up"),
    Fault("L11", "hwlink/src/measure.cpp", "const int32_t l90 = lo + span / 10, l10 = hi - span / 10;",
          "const int32_t l90 = lo + span / 10, l10 = hi - span / 10 - 1;", HW,
          "10 % level one code off"),
    Fault("L12", "hwlink/src/datahelpers.cpp", "const int64_t down = int64_t(Level) - 2,",
          "const int64_t down = int64_t(Level) - 1,", HW,
          "frequency counter hysteresis one code narrow below"),
    Fault("L13", "hwlink/src/datahelpers.cpp", "for (int32_t i = 0; i + 1 < End; ++i) {",
          "for (int32_t i = 0; i < End; ++i) {", HW, "a crossing at the last sample counted"),
    Fault("L14", "hwlink/src/datahelpers.cpp", "if (x > Count) x = 0;", "if (x >= Count) x = 0;",
          HW, "logic search wraps before the last sample"),
    Fault("L15", "hwlink/src/render.cpp", "for (int32_t y = 28; y <= 228; y += 25)",
          "for (int32_t y = 28; y < 228; y += 25)", HW, "graticule's bottom row left out"),
    Fault("L16", "hwlink/src/render.cpp", "constexpr int kDrawzoomLast = 12;",
          "constexpr int kDrawzoomLast = 13;", HW, "analog traces drawn at /500"),
    Fault("L17", "hwlink/src/fpga_config.cpp", "for (int32_t k = 0; k < kReadyPolls && !ready; ++k) {",
          "for (int32_t k = 0; k <= kReadyPolls && !ready; ++k) {", HW,
          "one ready poll too many before giving up"),
    Fault("L18", "hwlink/src/demo.cpp", "if (e > 247) f = 8;", "if (e > 248) f = 8;", HW,
          "demo triangle overshoots its top"),
    Fault("L19", "hwlink/src/ets.cpp", "for (int64_t j = 0; j <= N / c; ++j) {",
          "for (int64_t j = 0; j < N / c; ++j) {", HW,
          "the last period of an equivalent-time record left unfilled"),
    Fault("L20", "hwlink/src/transport_ppdev.cpp", "kControlBits = 0x0F;", "kControlBits = 0x1F;", HW,
          "a control bit beyond the four lines written to the port"),
    # --- the simulator: hwlink/sim ---
    Fault("S01", "hwlink/sim/acq_signals.cpp", "*end != '\\0' || v > 0xFFFF)",
          "*end != '\\0' || v > 0x10000)", HW, "a 17-bit logic word accepted"),
    Fault("S02", "hwlink/sim/acq_signals.cpp", "!toDouble(f[0], n) || n < 0)",
          "!toDouble(f[0], n) || n <= 0)", HW, "no noise (NOISE=0) refused"),
    Fault("S03", "hwlink/sim/instrument.cpp", "(variant >= 1 && variant <= 3) ? variant : 1;",
          "(variant >= 1 && variant < 3) ? variant : 1;", HW, "variant 3 not simulated"),
    # --- the FFT library: fft/src ---
    Fault("F01", "fft/src/fft0.cpp", "const float r0 = rows[k] + 0.5f;",
          "const float r0 = rows[k];", FFT, "spectrum rows truncated instead of rounded"),
    Fault("F02", "fft/src/fft0.cpp", "constexpr float kMagnitudeZero = 228;",
          "constexpr float kMagnitudeZero = 227;", FFT, "magnitude zero row one up"),
    Fault("F03", "fft/src/fft0.cpp", "toRow((re * re + im * im) * inner / 4)",
          "toRow((re * re + im * im) * inner)", FFT,
          "the last bin's amplitude not halved"),
    Fault("F04", "fft/src/fft0.cpp", "base = static_cast<float>(s.offset + 28 -",
          "base = static_cast<float>(s.offset + 27 -", FFT, "0 dBmV row one off the offset"),
    # --- the core: app/core and app/cli ---
    Fault("A01", "app/core/settings/settings_file.cpp", "Each(ch.VdivIndex, 4, 0, 8)",
          "Each(ch.VdivIndex, 4, 0, 9)", core("SettingsFile.*:DataFile.*"),
          "a V/div index of 9 accepted from a settings file"),
    Fault("A02", "app/core/settings/settings_file.cpp", "Num(acq.RateIndex, 0, kRateCount - 1)",
          "Num(acq.RateIndex, 0, kRateCount)", core("SettingsFile.*:DataFile.*"),
          "a rate index past the table accepted from a settings file"),
    Fault("A03", "app/core/settings/settings_file.cpp", "Num(lg.Sequence[static_cast<size_t>(i)], 0, kLanes - 1)",
          "Num(lg.Sequence[static_cast<size_t>(i)], 0, kLanes)", core("SettingsFile.*:DataFile.*"),
          "a lane sequence of 16 accepted from a settings file"),
    Fault("A04", "app/core/output/export.cpp", "if (d.size() <= decimals)",
          "if (d.size() < decimals)", core("ExportTest.*:Workbook.*:Vrxctl.*"),
          "CSV time 0.1 written \".1\""),
    Fault("A05", "app/core/output/workbook.cpp", "if (r.last - r.first > kMaxExportRows - 1)",
          "if (r.last - r.first > kMaxExportRows)", core("WorkbookTest.*:Workbook.*:ExportTest.*"),
          "65535 workbook rows let through"),
    Fault("A06", "app/core/timing/frontpanel.cpp", "zoomLimits = {6, 7, 11};",
          "zoomLimits = {6, 8, 11};", core("FrontPanel.*:ComposeTest.*:Bars.*"),
          "the 8K zoom limit moved"),
    Fault("A07", "app/core/analysis/measure.cpp", "if (span <= kMinEdgeSpan) return;",
          "if (span < kMinEdgeSpan) return;", core("Measure.*"), "a 10-code span measured"),
    Fault("A08", "app/core/analysis/measure.cpp", "if (item < kFreq) return v == 0",
          "if (item <= kFreq) return v == 0", core("Measure.*"),
          "the frequency shown as a time"),
    Fault("A09", "app/core/logic/state_listing.cpp", "byte >= 0x20 && byte <= 0x7E",
          "byte >= 0x20 && byte < 0x7E", core("CounterRecord.*"),
          "0x7E not printable"),
    Fault("A10", "app/core/timing/gestures.cpp", "next = last < 8 ? 0 : last;",
          "next = last <= 8 ? 0 : last;", core("Gestures.*"), "V/div key repeat wraps"),
    # (The top of the Ctrl+wheel and spinner ranges is cut to the record's limit, 11 at most,
    # afterwards: a fault there changes nothing. Their bottom, x50, is where they can stop short.)
    Fault("A11", "app/core/timing/gestures.cpp", "std::clamp(zoom.index() - steps, 0, 12)",
          "std::clamp(zoom.index() - steps, 1, 12)", core("Gestures.*"),
          "Ctrl+wheel stops one zoom short of x50"),
    Fault("A12", "app/core/timing/frontpanel.cpp", "if (v == 1 && index < 8)",
          "if (v == 1 && index < 7)", core("FrontPanel.*:Gestures.*"),
          "V/div spinner stops one range short"),
    Fault("A13", "app/core/timing/frontpanel.cpp",
          "else if (v == 1 && index > 0)\n        cmbZoom.setIndex(index - 1);",
          "else if (v == 1 && index > 1)\n        cmbZoom.setIndex(index - 1);",
          core("FrontPanel.*:Gestures.*"),
          "zoom spinner stops one step short of x50"),
    Fault("A14", "app/core/acquisition/autoset.cpp", "RoundHalfEven(128 - (mid - pos) * k)",
          "RoundHalfEven(127 - (mid - pos) * k)", core("AutosetTest.*"),
          "Autoset's centre off by one code"),
    Fault("A15", "app/core/acquisition/autoset.cpp", "if (seen.span() * k <= kMostSpan &&",
          "if (seen.span() * k <= kMostSpan + 1 &&", core("AutosetTest.*"),
          "Autoset takes a trace of 191 codes as fitting"),
    Fault("A16", "app/cli/options.cpp", "if (!ok || o.records < 1) {",
          "if (!ok || o.records < 0) {", core("Vrxctl.*:FieldTools.*"),
          "vrxctl -n 0 accepted"),
    Fault("A17", "app/cli/session.cpp", "const int total = o.duration > 0 ? 0 : o.records;",
          "const int total = o.records;", core("Vrxctl.*:FieldTools.*"),
          "--duration overwrites one file"),
    Fault("A18", "app/cli/session.cpp", "if (count == 1) return path;",
          "if (count <= 1) return path;", core("Vrxctl.*:FieldTools.*"),
          "--duration files not numbered"),
    # --- added while the core's tests were trimmed: what those tests guard ---
    Fault("A19", "app/core/startup/options.cpp", "return dirs.value(0);",
          "return dirs.value(dirs.size() - 1);", core("Options.*"),
          "no bitstream anywhere: the last folder named instead of the working directory"),
    Fault("A20", "app/core/output/workbook.cpp", "const int32_t end = std::max(0, lastSample - 1);",
          "const int32_t end = std::max(0, lastSample);", core("Workbook.*:WorkbookTest.*"),
          "an export range starting on the record's last sample"),
    Fault("A21", "app/core/output/import_csv.cpp", "kMaxCsvBytes = qint64{256} << 20;",
          "kMaxCsvBytes = qint64{257} << 20;", core("ExportTest.*"),
          "a CSV file of 257 MiB imported"),
    Fault("A22", "app/core/acquisition/loop.cpp",
          "std::clamp<int64_t>(static_cast<int64_t>(periodMs), 1, 20);",
          "std::clamp<int64_t>(static_cast<int64_t>(periodMs), 0, 20);", core("LoopTest.*"),
          "the loop spins without an idle while the instrument waits"),
    Fault("A23", "app/core/acquisition/loop.cpp", "WaitForceTrigger(100);",
          "WaitForceTrigger(101);", core("LoopTest.*"), "\"Auto.\" forces a trigger after 101 ms"),
    Fault("A24", "app/core/analysis/measure.cpp", "length = std::clamp<int64_t>(length, 1, end - start);",
          "length = std::clamp<int64_t>(length, 1, end - start + 1);", core("Measure.*"),
          "the measured stretch runs one sample past the record"),
    Fault("A25", "app/core/timing/frontpanel.cpp", "return static_cast<uint8_t>(std::clamp(v, 0, 255));",
          "return static_cast<uint8_t>(std::clamp(v, 0, 254));", core("FrontPanel.*"),
          "trigger level clamped one code short of the bottom"),
    Fault("A26", "app/core/logic/state_listing.cpp", "position > s.acquisition.LastSample",
          "position >= s.acquisition.LastSample", core("CounterRecord.*"),
          "the record's last sample has no listing row"),
    Fault("A27", "app/core/settings/settings_file.cpp", "Num(acq.ZoomIndex, 0, 15)",
          "Num(acq.ZoomIndex, 0, 16)", core("SettingsFile.*"),
          "a zoom index of 16 accepted from a settings file"),
    Fault("A28", "app/core/settings/settings_file.cpp", "Each(v.ViewStart, 4, -HW_SB_AREA_LEN, HW_SB_AREA_LEN)",
          "Each(v.ViewStart, 4, -HW_SB_AREA_LEN + 1, HW_SB_AREA_LEN)", core("SettingsFile.*"),
          "the lowest display start refused from a settings file"),
    Fault("A29", "app/core/analysis/fft.cpp", "RoundHalfEven(len - f.ZoomFactor * kFftCurveWidth - 1), 1)",
          "RoundHalfEven(len - f.ZoomFactor * kFftCurveWidth), 1)", core("FftTest.*"),
          "the spectrum's screen scrolls one sample past the record"),
    Fault("A30", "app/core/startup/startup.cpp", "s.records.ConfigBits.begin() + 12040",
          "s.records.ConfigBits.begin() + 12041", core("Startup.*"),
          "the bitstream buffer's tail preset one byte short"),
    Fault("A31", "app/cli/session.cpp", "arg(index, 4, 10, QLatin1Char('0'))",
          "arg(index, 3, 10, QLatin1Char('0'))", core("Vrxctl.*"),
          "capture files numbered with three digits"),
    Fault("A32", "hwlink/src/acquisition.cpp",
          "q.data(trigLevel[2]);\n        q.data(trigLevel[4]);",
          "q.data(trigLevel[4]);\n        q.data(trigLevel[2]);", core("LogicPanelTest.*"),
          "the logic trigger word's pattern bytes swapped"),
    # --- the library's links and drawing, as the trimmed hwlink tests guard them ---
    Fault("L21", "hwlink/src/transport_usb.cpp", "return r == 0 && done == len;",
          "return r == 0;", HW, "a short bulk transfer taken as complete"),
    Fault("L22", "hwlink/src/transport_usb.cpp", "return len == 1 ? kRequestSingle : kRequestBlock;",
          "return len <= 1 ? kRequestSingle : kRequestBlock;", HW,
          "an empty control transfer sent as a single-byte request"),
    Fault("L23", "hwlink/src/transport_usb.cpp", "if (r == LIBUSB_ERROR_PIPE) api_.clearHalt(",
          "if (r == LIBUSB_ERROR_IO) api_.clearHalt(", HW, "a stalled endpoint left halted"),
    Fault("L24", "hwlink/src/transport_ppdev.cpp", "if (r < 0 && errno == EINTR) continue;",
          "if (r < 0 && errno == EAGAIN) continue;", HW,
          "an interrupted EPP read taken for floating lines"),
    Fault("L25", "hwlink/src/findport.cpp", "if (port != kNoEppBase && eppTest(port))",
          "if (eppTest(port))", HW, "the port at 3BCH taken for EPP"),
    Fault("L26", "hwlink/src/render.cpp", "std::trunc(std::clamp(v, -32768.0, 32767.0))",
          "std::trunc(std::clamp(v, -32768.0, 65535.0))", HW,
          "function operands past 16 bits not saturated"),
    Fault("L27", "hwlink/src/datafile.cpp", "mode = old.st_mode & 07777;", "mode = 0644;", HW,
          "a replaced record file loses its permissions"),
    Fault("L28", "hwlink/src/demo.cpp", "return vdivIndex < 9 ? kDiv[vdivIndex] : 1;",
          "return vdivIndex < 9 ? kDiv[vdivIndex] : 4;", HW,
          "demo divisor of an unknown range not 1"),
    Fault("L29", "hwlink/src/acquisition.cpp",
          "trigChannel >= 0 && trigChannel <= 2 && trigSlope[trigChannel] != 0;",
          "trigChannel >= 0 && trigChannel <= 1 && trigSlope[trigChannel] != 0;", HW,
          "the logic word trigger's slope ignored"),
    Fault("L30", "hwlink/src/readback.cpp", "if (PortFailures() == failures) break;", "break;",
          HW, "a parallel read-out with a failed byte taken as the record"),
    Fault("L31", "hwlink/src/acquisition.cpp",
          "return LinkResult(dc, ok && PortFailures() == failures);",
          "return LinkResult(dc, ok);", HW, "a lost parallel set-up write reported as success"),
    Fault("L32", "hwlink/src/readback.cpp", "    if (PortFailures() != failures) return false;\n",
          "", HW, "a read-out whose set-up lost a write read all the same"),
    Fault("L33", "hwlink/src/readback.cpp", "if (selected && PortFailures() != failures) {",
          "if (false) {", HW, "a status poll whose address write was lost reads another register"),
    Fault("L34", "hwlink/src/bus.cpp",
          "*value = PortIn(base);\n        if (suspect) *suspect = PortFailures() != failures;",
          "*value = PortIn(base);", HW, "a BPP status read with a lost read strobe taken as read"),
    # --- the windows: the event translation, check marks and controls ---
    Fault("W01", "app/windows/timing/timing_input.cpp", "        return kKeyPageUp;",
          "        return kKeyPageDown;", ["ctest:^gestures_test$"], "Page Up steps the other way",
          ["gestures_test"]),
    Fault("W02", "app/windows/timing/timing_input.cpp", "(b & Qt::RightButton ? kRightButton : 0)",
          "(b & Qt::RightButton ? kLeftButton : 0)", ["ctest:^gestures_test$"],
          "the right button taken as the left one", ["gestures_test"]),
    Fault("W03", "app/windows/timing/timing_input.cpp", "const int steps = wheelAngle_ / 120;",
          "const int steps = wheelAngle_ / 60;", ["ctest:^gestures_test$"],
          "one wheel notch taken as two steps", ["gestures_test"]),
    Fault("W04", "app/windows/timing/timing_input.cpp", "picture->setCursor(Qt::SizeVerCursor);",
          "picture->setCursor(Qt::SizeHorCursor);", ["ctest:^gestures_test$"],
          "the wrong sizing pointer over a band", ["gestures_test"]),
    Fault("W05", "app/windows/main/main_window.cpp",
          "mnuFFTopt[i]->setChecked(opened && static_cast<int>(i) == mode);",
          "mnuFFTopt[i]->setChecked(static_cast<int>(i) == mode);", ["ctest:^analysis_test$"],
          "the FFT mark set though the window could not open", ["analysis_test"]),
    Fault("W06", "app/windows/logic/state_menus.cpp",
          "[this] { mnuState->setChecked(false); });", "[] {});", ["ctest:^logic_test$"],
          "closing the state listing keeps its mark", ["logic_test"]),
    Fault("W07", "app/windows/main/main_window.cpp",
          "[this] { mnuMeasure->setChecked(false); });", "[] {});",
          ["ctest:^analysis_test$"], "closing the measure box keeps its mark",
          ["analysis_test"]),
    Fault("W08", "app/windows/main/file_menus.cpp",
          "mnuAutoLoadSetting->setChecked(d.AutoLoad != 0);",
          "mnuAutoLoadSetting->setChecked(d.AutoLoad == 0);", ["ctest:^mainwindow_test$"],
          "the auto-load mark inverted", ["mainwindow_test"]),
    Fault("W09", "app/windows/common/bind_widgets.cpp",
          "if (action->isCheckable()) action->setChecked(model.checked());",
          "if (action->isCheckable() && model.checked()) action->setChecked(true);",
          ["ctest:^menus_test$"], "a menu mark never cleared", ["menus_test"]),
    Fault("W10", "app/windows/common/bind_widgets.cpp",
          "box->setMaxLength(model.maxLength() > 0 ? model.maxLength() : 32767);",
          "box->setMaxLength(32767);", ["ctest:^logic_test$"],
          "a name box takes more than its length", ["logic_test"]),
]

# The variables the ctest entries set: no simulator unless a test asks, no trace file, and an
# offscreen platform for anything that opens a picture.
TEST_ENV = {"HWLINK_SIM": "", "HWLINK_SIM_TRACE": "", "HWLINK_SIM_FAULT": "",
            "HWLINK_SIM_CLOCK": "", "QT_QPA_PLATFORM": "offscreen"}


class Restorer:
    """Keeps the original bytes of every file it writes and puts them back."""

    def __init__(self):
        self.saved = {}

    def write(self, path, text):
        if path not in self.saved:
            self.saved[path] = path.read_bytes()
        path.write_text(text)

    def restore_all(self):
        for path, data in list(self.saved.items()):
            path.write_bytes(data)
            del self.saved[path]


def run(cmd, cwd, timeout, env=None):
    """Runs cmd in a process group of its own; returns (exit status or "timeout", output). On a
    timeout or an interruption the whole group (compilers, test children) is ended."""
    p = subprocess.Popen(cmd, cwd=cwd, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                         text=True, errors="replace", start_new_session=True)
    try:
        out, _ = p.communicate(timeout=timeout)
        return p.returncode, out
    except subprocess.TimeoutExpired:
        os.killpg(p.pid, signal.SIGKILL)
        out, _ = p.communicate()
        return "timeout", out
    except BaseException:
        os.killpg(p.pid, signal.SIGKILL)
        p.wait()
        raise


def dirty(root, rel):
    """True when the file has changes not committed (staged, unstaged) or is not tracked."""
    st = subprocess.run(["git", "status", "--porcelain", "--", rel], cwd=root,
                        stdout=subprocess.PIPE, text=True, check=True).stdout
    tracked = subprocess.run(["git", "ls-files", "--error-unmatch", "--", rel], cwd=root,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0
    return bool(st.strip()) or not tracked


def targets_of(fault):
    names = [t.split(":", 1)[0] for t in fault.tests if not t.startswith("ctest:")]
    return list(dict.fromkeys(names + fault.build))


def build(build_dir, targets, jobs, timeout):
    if not targets:
        return True, ""
    status, out = run(["cmake", "--build", str(build_dir), "-j", str(jobs), "--target", *targets],
                      build_dir, timeout)
    return status == 0, out


def run_tests(build_dir, fault, timeout):
    """Returns (outcome, detail): "caught" with the first failing test, or "missed"."""
    env = dict(os.environ, **TEST_ENV)
    for spec in fault.tests:
        if spec.startswith("ctest:"):
            cmd = ["ctest", "--test-dir", str(build_dir), "-R", spec[6:], "--timeout",
                   str(timeout), "--output-on-failure"]
            status, out = run(cmd, build_dir, timeout * 4, env)
            if "No tests were found" in out:
                return "no test", spec + " runs no test"
            if status == "timeout" or status != 0:
                failed = re.findall(r"\d+ - (\S+) \(", out)
                return "caught", (failed[0] if failed else spec) + (
                    " (timeout)" if status == "timeout" else "")
            continue
        exe, _, flt = spec.partition(":")
        cmd = [str(build_dir / exe if (build_dir / exe).exists() else _find(build_dir, exe))]
        if flt:
            cmd.append("--gtest_filter=" + flt)
        status, out = run(cmd, build_dir, timeout, env)
        if status == "timeout":
            return "caught", exe + " (timeout)"
        if re.search(r"^\[==========\] Running 0 tests", out, re.M):
            return "no test", spec + " runs no test"
        if status != 0:
            failed = re.findall(r"^\[  FAILED  \] (\S+)(?: \(|, where)", out, re.M)
            return "caught", failed[0] if failed else f"{exe} (exit {status})"
    return "missed", ""


def _find(build_dir, exe):
    for p in build_dir.rglob(exe):
        if p.is_file() and os.access(p, os.X_OK):
            return p
    raise FileNotFoundError(f"{exe} not found under {build_dir}")


def table(rows):
    lines = ["| Fault | File | What | Result | Caught by |", "|---|---|---|---|---|"]
    for f, outcome, detail in rows:
        lines.append(f"| {f.id} | `{f.path}` | {f.what} | {outcome} | {detail} |")
    counted = [r for r in rows if r[1] in ("caught", "missed")]
    caught = sum(1 for r in counted if r[1] == "caught")
    lines.append("")
    lines.append(f"{caught} of {len(counted)} faults caught"
                 + (f" ({len(rows) - len(counted)} not counted: build error, stale or no test)"
                    if len(rows) != len(counted) else ""))
    return "\n".join(lines)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--build", default="build", help="the configured build directory")
    ap.add_argument("--only", help="comma-separated fault ids")
    ap.add_argument("--jobs", type=int, default=2, help="parallel build jobs (default 2)")
    ap.add_argument("--timeout", type=int, default=300,
                    help="seconds for one test executable (default 300)")
    ap.add_argument("--build-timeout", type=int, default=1200)
    ap.add_argument("--out", help="also write the result table to this file")
    ap.add_argument("--list", action="store_true", help="print the fault table and stop")
    ap.add_argument("--extra-tests", default="",
                    help="comma-separated test specs run for every selected fault as well "
                         "(\"ctest:^gestures_test$\")")
    ap.add_argument("--extra-build", default="",
                    help="comma-separated targets those extra tests need")
    args = ap.parse_args()

    root = Path(subprocess.run(["git", "rev-parse", "--show-toplevel"], stdout=subprocess.PIPE,
                               text=True, check=True).stdout.strip())
    build_dir = (Path.cwd() / args.build).resolve()
    faults = FAULTS
    if args.only:
        wanted = set(args.only.split(","))
        faults = [f for f in FAULTS if f.id in wanted]
        unknown = wanted - {f.id for f in faults}
        if unknown:
            sys.exit("unknown fault ids: " + ", ".join(sorted(unknown)))
    extra = [t for t in args.extra_tests.split(",") if t]
    extra_build = [t for t in args.extra_build.split(",") if t]
    if extra or extra_build:
        faults = [Fault(f.id, f.path, f.good, f.bad, f.tests + extra, f.what, f.build + extra_build)
                  for f in faults]
    if args.list:
        for f in faults:
            print(f"{f.id}  {f.path}  {f.what}\n      - {f.good!r}\n      + {f.bad!r}"
                  f"\n      tests: {' '.join(f.tests)}")
        return 0
    if not (build_dir / "CMakeCache.txt").exists():
        sys.exit(f"{build_dir} is not a configured build directory")
    for rel in sorted({f.path for f in faults}):
        if dirty(root, rel):
            sys.exit(f"{rel} has uncommitted changes: commit or stash them first")

    restorer = Restorer()

    def on_signal(signum, _frame):
        raise KeyboardInterrupt(f"signal {signum}")

    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGHUP, on_signal)
    rows = []
    all_targets = list(dict.fromkeys(t for f in faults for t in targets_of(f)))
    try:
        ok, out = build(build_dir, all_targets, args.jobs, args.build_timeout)
        if not ok:
            sys.exit("the unchanged sources do not build:\n" + out[-3000:])
        for f in faults:
            path = root / f.path
            text = path.read_text()
            t0 = time.monotonic()
            if text.count(f.good) != 1:
                rows.append((f, "stale", f"fragment found {text.count(f.good)} times"))
            else:
                restorer.write(path, text.replace(f.good, f.bad))
                try:
                    ok, out = build(build_dir, targets_of(f), args.jobs, args.build_timeout)
                    if ok:
                        rows.append((f, *run_tests(build_dir, f, args.timeout)))
                    else:
                        err = re.findall(r"error: (.*)", out)
                        rows.append((f, "build error", err[0][:80] if err else ""))
                finally:
                    restorer.restore_all()
            print(f"{f.id} {rows[-1][1]:<11} {time.monotonic() - t0:5.0f} s  {f.what}"
                  + (f"  [{rows[-1][2]}]" if rows[-1][2] else ""), flush=True)
    except KeyboardInterrupt as e:
        print(f"interrupted ({e}): sources restored", file=sys.stderr)
    finally:
        restorer.restore_all()
        # The binaries match the sources again.
        build(build_dir, all_targets, args.jobs, args.build_timeout)

    result = table(rows)
    print()
    print(result)
    if args.out:
        Path(args.out).write_text(result + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
