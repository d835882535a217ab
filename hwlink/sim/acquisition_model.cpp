// SPDX-License-Identifier: GPL-3.0-or-later
// The configured FPGA of the simulated instrument: serial port to the front ends and the
// control DAC, trigger, sample memory, status and read-out.
#include "sim/acquisition_model.h"
#include "sim/sim.h"
#include "src/clock.h"
#include "src/registers.h"
#include <algorithm>
#include <cmath>
#include <cstring>

namespace hwlink::sim {

namespace {

// Converter clock of the fastest real-time rate, also the clock of direct read-out.
constexpr double kBaseRate = 250e6;
// Zero-line DAC word that puts 0 V on mid-scale (position 128, no trim): 128 * 4 + 750.
constexpr double kDacMid = 1262.0;
constexpr double kDacStepsPerCode = 4.0;
constexpr double kCodesPerDiv = 25.0;
constexpr double kLogicHigh = 3.3;      // volts of a logic 1 at the inputs
constexpr double kThresholdStep = 0.02; // volts per step of the threshold (TrigDac) setting
// A status request looks at no more than this many new samples for a trigger; older ones are
// let go, as if the trigger came later.
constexpr int64_t kMaxScan = int64_t(1) << 21;

// Volts per division of the front-end codes (coupling bits masked off).
double rangeVolts(uint8_t code) {
    static const struct {
        uint8_t code;
        double volts;
    } kRanges[] = {{0x45, 0.005}, {0x43, 0.01}, {0x42, 0.02}, {0x49, 0.05}, {0x48, 0.1},
                   {0x40, 0.2},   {0x29, 0.5},  {0x28, 1.0},  {0x20, 2.0}};
    for (const auto &r : kRanges)
        if (r.code == (code & ~reg::kFeDcCoupled)) return r.volts;
    return 0.0; // unknown code: the input amplifier is not connected
}

uint64_t mix64(uint64_t x) {
    x ^= x >> 30;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBull;
    x ^= x >> 31;
    return x;
}

// One noise draw per converter sample: acquisition, sample index, channel and converter.
uint64_t noiseId(uint32_t serial, int64_t k, int channel, int stream) {
    return (uint64_t(serial) << 40) ^ (uint64_t(k) << 3) ^ uint64_t(channel * 2 + stream);
}

int64_t floorEven(int64_t v) {
    return v >= 0 ? v & ~int64_t(1) : -((-v + 1) & ~int64_t(1));
}

} // namespace

AcquisitionModel::AcquisitionModel() {
    setSignals(signalsFromEnv());
    reset();
}

void AcquisitionModel::setSignals(const SignalConfig &s) {
    sig_ = s;
    std::mt19937 g(s.seed ^ 0x5EEDu);
    std::normal_distribution<double> normal(0.0, 1.0);
    gauss_.resize(4096);
    for (double &v : gauss_)
        v = normal(g);
    rng_.seed(s.seed);
}

void AcquisitionModel::reset() {
    std::fill(std::begin(regs_), std::end(regs_), 0);
    shift58_ = shift59_ = shift62_ = 0;
    preCount_ = delayCount_ = 0;
    serial29_ = 0;
    feShift_[0] = feShift_[1] = 0;
    feCode_[0] = feCode_[1] = 0;
    dacShift_ = 0;
    dac_ = {};
    epochUs_ = hwlink::nowUs();
    statusOverride_ = -1;
    acq_ = Acquisition{};
    memory_.clear();
    readout_ = Readout::None;
    readPos_ = 0;
    directSerial_ = 0;
    rng_.seed(sig_.seed);
}

double AcquisitionModel::nowSeconds() const {
    return double(hwlink::nowUs() - epochUs_) * 1e-6;
}

double AcquisitionModel::sampleRate(uint8_t clockDiv, bool halfRate) const {
    static const struct {
        uint8_t div;
        double rate;
    } kRates[] = {{0, 250e6}, {2, 50e6}, {6, 20e6}, {10, 10e6}, {3, 5e6},   {7, 2e6},  {11, 1e6},
                  {19, 5e5},  {23, 2e5}, {27, 1e5}, {35, 5e4},  {39, 2e4},  {43, 1e4}, {51, 5e3},
                  {55, 2e3},  {59, 1e3}, {67, 500}, {71, 200},  {75, 100},  {83, 50},  {87, 20},
                  {91, 10},   {99, 5},   {103, 2},  {107, 1},   {115, 1e6}, {243, 1e6}};
    if (clockDiv == 1) return halfRate ? 100e6 : 200e6; // one divider, halved by mode bit 0
    for (const auto &r : kRates)
        if (r.div == clockDiv) return r.rate;
    return 1e6; // the external clock inputs are modelled as a 1 MHz clock
}

// ---- Register writes --------------------------------------------------------------------------

void AcquisitionModel::write(uint8_t reg, uint8_t value) {
    const uint8_t prev = regs_[reg];
    regs_[reg] = value;
    switch (reg) {
    case reg::kControl:
        serialPort(value);
        break;
    case reg::kLevel: // 16-bit registers take the low byte first
        shift58_ = uint16_t((shift58_ >> 8) | (value << 8));
        break;
    case reg::kMask:
        shift59_ = uint16_t((shift59_ >> 8) | (value << 8));
        break;
    case reg::kPosition:
        shift62_ = uint16_t((shift62_ >> 8) | (value << 8));
        break;
    case reg::kTrigCtl:
        regs_[reg] = prev;
        triggerControl(value);
        regs_[reg] = value;
        break;
    case reg::kMode:
        if (value & reg::kModeReset) { // the acquisition logic starts over
            acq_.armed = acq_.triggered = acq_.complete = false;
        }
        break;
    case reg::kReadout:
        startReadout();
        break;
    default:
        break;
    }
}

void AcquisitionModel::serialPort(uint8_t v) {
    const uint8_t prev = serial29_;
    serial29_ = v;
    const int bit = (v & reg::kSerData) ? 1 : 0;
    for (int k = 0; k < 2; ++k) {
        const uint8_t sel = reg::kSerFeSelect[k], clk = reg::kSerFeClock[k];
        if ((v & sel) && (v & clk) && !(prev & clk))
            feShift_[k] = uint8_t((feShift_[k] << 1) | bit);
        if (!(v & sel) && (prev & sel))
            feCode_[k] = feShift_[k]; // select dropped: the relays and gain follow the code
    }
    if ((v & reg::kSerDacClock) && !(prev & reg::kSerDacClock))
        dacShift_ = ((dacShift_ << 1) | uint64_t(bit)) & ((uint64_t(1) << 48) - 1);
    if ((v & reg::kSerDacLoad) && !(prev & reg::kSerDacLoad)) {
        for (int w = 0; w < 4; ++w)
            dac_[w] = uint16_t((dacShift_ >> (36 - 12 * w)) & 0xFFF);
    }
}

void AcquisitionModel::triggerControl(uint8_t v) {
    const uint8_t prev = regs_[reg::kTrigCtl];
    if (v & reg::kTrigLoad) {
        if (v & reg::kTrigPosition) preCount_ = shift62_;
        if (v & reg::kTrigDelay) delayCount_ = shift62_;
    }
    if ((v & reg::kTrigRun) && !(prev & reg::kTrigRun)) {
        regs_[reg::kTrigCtl] = v;
        arm();
        return;
    }
    if (!acq_.armed || acq_.complete) return;
    if (!(v & reg::kTrigRun)) {
        acq_.armed = false; // stopped before the record was complete
        return;
    }
    if (!acq_.triggered && ((v ^ prev) & reg::kTrigSlope)) {
        // The slope flipped under an armed trigger: the comparator output changes, which the
        // trigger logic takes for an edge. This is how the host forces a trigger.
        update();
        if (!acq_.triggered && !acq_.complete) {
            const int64_t kNow = int64_t(std::floor((nowSeconds() - acq_.t0) / acq_.dt));
            const int64_t k = std::max(kNow, acq_.prefill);
            acq_.triggered = true;
            acq_.kTrig = k;
            acq_.s0 = floorEven(k - acq_.tIdx);
            acq_.kEnd = std::max(acq_.s0 + acq_.n - 1, k);
        }
    }
}

void AcquisitionModel::arm() {
    Acquisition a;
    a.armed = true;
    a.serial = acq_.serial + 1;
    const uint8_t mode = regs_[reg::kMode];
    switch (mode & reg::kDepthBits) {
    case reg::kDepth128K:
        a.n = 131072;
        break;
    case reg::kDepth8K:
        a.n = 8192;
        break;
    default:
        a.n = 2048;
        break;
    }
    const uint8_t div = regs_[reg::kTimebase];
    a.dt = 1.0 / sampleRate(div, mode & reg::kModeHalfRate);
    a.lag = div <= 1 ? 10 : 9;
    // The sample clock runs free against the inputs: every acquisition starts at a random
    // phase of it, which is what equivalent-time sampling relies on.
    a.t0 = nowSeconds() + std::uniform_real_distribution<double>(0.0, 1.0)(rng_) / kBaseRate;
    a.prefill = 4 * int64_t(preCount_);
    const int64_t delay = (mode & reg::kModeDelay) ? -(int64_t(int16_t(delayCount_)) + 1) : 0;
    // The trigger sample lands 8 samples after the pre-trigger count (pipeline), less the delay.
    a.tIdx = a.prefill + 8 - delay;
    a.kScan = std::max<int64_t>(a.prefill, 1);
    const uint8_t tc = regs_[reg::kTrigCtl];
    a.source = tc & reg::kTrigSourceBits;
    a.slope = (tc & reg::kTrigSlope) != 0;
    a.level[0] = uint8_t(shift58_ & 0xFF);
    a.level[1] = uint8_t(shift58_ >> 8);
    a.mask = shift59_;
    a.match = shift58_ | shift59_;
    a.calInputs = !(mode & reg::kModeProbes);
    a.frontEnd[0] = feCode_[0];
    a.frontEnd[1] = feCode_[1];
    a.dac = dac_;
    acq_ = a;
}

// ---- Sampling -------------------------------------------------------------------------------

double AcquisitionModel::noiseAt(uint64_t id) const {
    return sig_.noise * gauss_[mix64(id ^ (uint64_t(sig_.seed) << 20)) & 4095];
}

AcquisitionModel::Converter AcquisitionModel::converter(const Acquisition &a, int k) const {
    Converter c;
    c.k = k;
    const uint8_t fe = a.frontEnd[k];
    c.vdiv = rangeVolts(fe);
    c.grounded = (fe & reg::kFeGrounded) || c.vdiv == 0.0;
    c.cal = a.calInputs;
    c.dc = (fe & reg::kFeDcCoupled) != 0;
    // AC coupling blocks the mean.
    const AnalogSignal &s = sig_.analog[k];
    c.acOffset = s.shape == Shape::Cal ? s.offset + sig_.calAmplitude / 2 : s.offset;
    // Zero line from the control DAC (a larger word moves the trace down the screen, to higher
    // codes).
    c.zeroLine =
        128.0 + (double(a.dac[3 - k]) - kDacMid) / kDacStepsPerCode + err_.frontEndOffset[k];
    return c;
}

uint8_t AcquisitionModel::convert(const Converter &c, double t, bool odd, uint64_t id) const {
    double v = 0.0;
    if (!c.grounded) {
        if (c.cal) {
            const double ph = t * sig_.calFrequency;
            v = ph - std::floor(ph) < 0.5 ? sig_.calAmplitude : 0.0;
            if (!c.dc) v -= sig_.calAmplitude / 2;
        } else {
            v = inputVolts(c.k, t);
            if (!c.dc) v -= c.acOffset;
        }
    }
    // The input scaled to 25 codes a division with code 0 at the top.
    const double x = c.zeroLine - (c.grounded ? 0.0 : v / c.vdiv * kCodesPerDiv);
    const int e = odd ? 1 : 0;
    const double code = 128.0 + err_.gain[c.k][e] * (x - 128.0) + err_.zero[c.k][e] + noiseAt(id);
    // Far beyond the range the converter sits at the rail the input lies beyond: the clamp comes
    // before the conversion to an integer, which a huge value would overflow.
    if (std::isnan(code)) return 128;
    return uint8_t(std::lround(std::clamp(code, 0.0, 255.0)));
}

uint8_t AcquisitionModel::analogCode(const Acquisition &a, int k, double t, bool odd,
                                     uint64_t id) const {
    return convert(converter(a, k), t, odd, id);
}

uint16_t AcquisitionModel::logicWord(const Acquisition &a, double t) const {
    const double threshold = (4080.0 - double(a.dac[1])) / 16.0 * kThresholdStep;
    if (!(kLogicHigh > threshold)) return 0;
    uint16_t w = sig_.logicWord;
    if (sig_.logicCounter) {
        const double steps = std::floor(t * sig_.logicRate);
        // The counter's low 16 bits; a whole number of steps below 2^53 is exact as an integer.
        if (steps >= 0 && steps < 0x1p53)
            w = uint16_t(int64_t(steps) & 0xFFFF);
        else
            w = std::isfinite(steps) ? uint16_t(std::fmod(steps, 65536.0)) : 0;
    }
    for (const LogicSource &src : sig_.logicSources)
        w = src.drive(t, w);
    return w;
}

double AcquisitionModel::recordTime(int32_t r) const {
    return acq_.t0 + double(acq_.s0 + r) * acq_.dt;
}

// ---- Trigger and status --------------------------------------------------------------------

void AcquisitionModel::update() {
    Acquisition &a = acq_;
    if (!a.armed || a.complete) return;
    const int64_t kNow = int64_t(std::floor((nowSeconds() - a.t0) / a.dt));
    if (!a.triggered && kNow >= a.kScan) {
        int64_t from = std::max(a.kScan, kNow - kMaxScan);
        const Converter trig = converter(a, a.source <= 1 ? a.source : 0);
        auto sampleAt = [&](int64_t k) -> int32_t {
            const double t = a.t0 + double(k) * a.dt;
            if (a.source <= 1) return convert(trig, t, k & 1, noiseId(a.serial, k, a.source, 0));
            const uint16_t w = logicWord(a, t);
            return (w | a.mask) == a.match ? 1 : 0;
        };
        if (a.source <= 2) {
            const int32_t level = a.source <= 1 ? a.level[a.source] : 0;
            // Slope 0 is a rising input: codes falling through the level (code 0 is the top);
            // for the logic word, entering the match; slope 1 the opposite.
            auto beyond = [&](int32_t s) {
                if (a.source == 2) return a.slope ? s == 0 : s == 1;
                return a.slope ? s > level : s <= level;
            };
            // The analog comparator watches the channel's reference converter only (the odd
            // samples): the other converter's zero and gain errors would otherwise make it
            // fire on the even/odd comb.
            const int64_t step = a.source <= 1 ? 2 : 1;
            if (step == 2) from |= 1;
            int32_t prev = sampleAt(from - step);
            for (int64_t k = from; k <= kNow; k += step) {
                const int32_t cur = sampleAt(k);
                if (!beyond(prev) && beyond(cur)) {
                    a.triggered = true;
                    a.kTrig = k;
                    a.s0 = floorEven(k - a.tIdx);
                    a.kEnd = std::max(a.s0 + a.n - 1, k);
                    break;
                }
                prev = cur;
            }
        }
        if (!a.triggered) a.kScan = kNow + 1;
    }
    if (a.triggered && kNow >= a.kEnd) a.complete = true;
}

uint8_t AcquisitionModel::status() {
    if (hwlink::virtualClock()) hwlink::advanceVirtualMs(1);
    if (statusOverride_ >= 0) return uint8_t(statusOverride_);
    update();
    if (acq_.complete) return reg::kAcqComplete;
    if (!acq_.armed) return reg::kAcqIdle;
    return acq_.triggered ? reg::kAcqFilling : reg::kAcqWaiting;
}

// ---- Read-out ------------------------------------------------------------------------------

void AcquisitionModel::startReadout() {
    readPos_ = 0;
    switch (regs_[reg::kMode] & reg::kModeReadoutBits) {
    case reg::kModeRecordReadout:
        readout_ = Readout::Record;
        if (acq_.complete && !acq_.recorded) {
            fillRecord();
            acq_.recorded = true;
        }
        break;
    case reg::kModeDirectReadout:
        readout_ = Readout::Direct;
        ++directSerial_;
        directT0_ = nowSeconds();
        break;
    default:
        readout_ = Readout::None;
        break;
    }
}

void AcquisitionModel::fillRecord() {
    const Acquisition &a = acq_;
    memory_.assign(size_t(a.n) * 4, 0);
    const Converter a1 = converter(a, 0), a2 = converter(a, 1);
    for (int32_t g = 0; g < a.n / 2; ++g) {
        uint8_t *m = &memory_[size_t(g) * 8];
        for (int j = 0; j < 2; ++j) {
            const int64_t k = a.s0 + 2 * g + j;
            const double t = a.t0 + double(k) * a.dt;
            // Odd samples first in each group: byte 0 A1 odd, byte 1 A1 even, 2/3 for A2.
            m[1 - j] = convert(a1, t, j == 1, noiseId(a.serial, k, 0, 0));
            m[3 - j] = convert(a2, t, j == 1, noiseId(a.serial, k, 1, 0));
            const uint16_t w = logicWord(a, a.t0 + double(k + a.lag) * a.dt);
            m[4 + j] = uint8_t(w & 0xFF);
            m[6 + j] = uint8_t(w >> 8);
        }
    }
}

uint8_t AcquisitionModel::readoutByte() {
    switch (readout_) {
    case Readout::Record: {
        if (readPos_ >= memory_.size()) return 0;
        const uint8_t b = memory_[readPos_++];
        if (readPos_ == memory_.size() && !acq_.readOut) {
            acq_.readOut = true;
            recordReadOut();
        }
        return b;
    }
    case Readout::Direct: {
        if (readPos_ % 8 == 0) {
            // What the inputs show right now, in the group layout, at the converter clock.
            Acquisition live;
            live.frontEnd[0] = feCode_[0];
            live.frontEnd[1] = feCode_[1];
            live.dac = dac_;
            live.calInputs = !(regs_[reg::kMode] & reg::kModeProbes);
            const int64_t g = int64_t(readPos_ / 8);
            for (int j = 0; j < 2; ++j) {
                const int64_t k = 2 * g + j;
                const double t = directT0_ + double(k) / kBaseRate;
                const uint32_t id = 0x80000000u | directSerial_;
                directGroup_[1 - j] = analogCode(live, 0, t, j == 1, noiseId(id, k, 0, 1));
                directGroup_[3 - j] = analogCode(live, 1, t, j == 1, noiseId(id, k, 1, 1));
                const uint16_t w = logicWord(live, t);
                directGroup_[4 + j] = uint8_t(w & 0xFF);
                directGroup_[6 + j] = uint8_t(w >> 8);
            }
        }
        return directGroup_[readPos_++ % 8];
    }
    case Readout::None:
        break;
    }
    return 0;
}

void AcquisitionModel::readBlock(uint8_t reg, uint8_t *out, size_t len) {
    if (reg != reg::kReadout || readout_ != Readout::Record) {
        for (size_t i = 0; i < len; ++i)
            out[i] = read(reg);
        return;
    }
    // The record read-out: the memory in order, then zeros once it is all read.
    const size_t left = readPos_ < memory_.size() ? memory_.size() - readPos_ : 0;
    const size_t n = std::min(len, left);
    if (n > 0) {
        std::memcpy(out, memory_.data() + readPos_, n);
        readPos_ += n;
        if (readPos_ == memory_.size()) recordReadOut();
    }
    std::fill(out + n, out + len, uint8_t{0});
}

uint8_t AcquisitionModel::read(uint8_t reg) {
    if (reg == reg::kStatus) return status();
    if (reg == reg::kReadout) return readoutByte();
    return 0;
}

} // namespace hwlink::sim
