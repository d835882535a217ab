// SPDX-License-Identifier: GPL-3.0-or-later
// The acquisition side of the simulated instrument: everything the configured FPGA does behind
// the register bus (run control, front-end shift registers and control DAC on the serial port,
// timebase, trigger, sample memory, status and read-out). The simulated instrument hands it
// every register access once the FPGA reports "done".
//
// Input signals: HWLINK_SIM_SIGNALS
// ---------------------------------
// What the simulated probes are connected to, read when the simulated instrument is made and
// again whenever a simulated device is opened while the variable is set and not empty (the
// items apply to the defaults). A list of items separated by ';', each
// NAME=field,field,... (spaces are ignored; a missing field keeps its default; an item that does
// not parse is skipped with a warning on stderr):
//
//   A1=shape,frequency,amplitude,offset   analog input A1 (Hz, volts peak, volts)
//   A2=shape,frequency,amplitude,offset   analog input A2
//        shape: sine | square | triangle | saw | dc | cal | none
//        (cal: the instrument's calibration square wave below; none: input left open, 0 V)
//   D=count,rate        D0..D15 carry a 16-bit binary counter advancing `rate` times a second
//   D=word,value        D0..D15 held at a fixed word (decimal, or hex with 0x)
//   Dn=uart,baud,text   line n (0..15) carries an 8N1 serial stream, least significant bit
//                       first, idle high: `text` over and over, one idle bit between bytes
//                       and ten bit times of idle between repetitions.
//                       The text is sent as written (case and spaces kept); any printable
//                       ASCII character except ';' and ','.
//   Dc:Dd=i2c,hz,addr,hex   an I2C controller with its clock on Dc and data on Dd: start,
//                       a write to the 7-bit address `addr` (decimal or 0x..) of the bytes
//                       `hex` (two hex digits a byte), the target's acknowledge (data held low
//                       in the ninth clock) after every byte, stop; ten bit times of idle
//                       (both lines high) between transfers.
//   Dk:Do:Ds=spi,hz,hex  an SPI controller in mode 0 with its clock on Dk, data out on Do and
//                       chip select on Ds: select low for each transfer of all the bytes of
//                       `hex`, most significant bit first; ten bit times between transfers.
//                       The serial lines are a function of time like every other input, so
//                       consecutive records show the stream going on at any sample rate. They
//                       take their lines from D=...; the other lines keep that source. A line
//                       may carry one serial source only; rates are 0 < hz <= 1e9.
//   CAL=frequency,amplitude   calibration square wave, 0 V to `amplitude` volts as the input
//                             sees it through a 10:1 probe
//   NOISE=codes         input noise (standard deviation, in converter codes)
//   SEED=n              seed of the noise and trigger-phase generator
//
// Defaults:
//   A1=square,1000000,0.25,0;A2=sine,500000,0.35,0;D=count,1000000;CAL=1000,0.2;NOISE=0.3;SEED=1
// At the program's default settings (100MSa/S, x1, A1 100mV/div, A2 200mV/div, trigger on A1
// at mid-level) that shows six periods of a 1 MHz square of 5 divisions on A1, three periods of
// a 500 kHz sine of 3.5 divisions on A2 and a counter on the logic lanes whose D0 toggles every
// microsecond. For the slow rates, give slower signals (e.g. A1=square,10,0.25,0). Logic inputs
// swing 0 to 3.3 V and read 1 above the threshold the control DAC sets.
//
// While a probe calibration runs (mode bit 2 clear) both analog inputs see the calibration
// square wave, as if the probe tip were on the calibration output.
//
// The two converters of each channel have their own gain and zero errors (ConverterErrors), so
// that an uncalibrated record shows an even/odd comb and self-calibration has work to do.
// Timing follows the library's clock (real by default, virtual in tests); on the virtual clock
// every status request lets one millisecond pass, as a bus request would.
#pragma once
#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace hwlink::sim {

enum class Shape { None, Sine, Square, Triangle, Saw, Dc, Cal };

struct AnalogSignal {
    Shape shape = Shape::None;
    double frequency = 1000.0; // Hz
    double amplitude = 0.0;    // volts peak
    double offset = 0.0;       // volts
};

// A serial bus driven onto logic lines: what it sends over and over, and at what rate.
struct LogicSource {
    enum class Kind { Uart, I2c, Spi };
    Kind kind = Kind::Uart;
    // Uart: {line}; I2c: {clock, data}; Spi: {clock, data out, select}.
    std::vector<int> lines;
    double rate = 9600.0; // baud, or clock frequency in Hz
    // The bytes of one transfer as they go on the wire (I2C: the address byte first).
    std::vector<uint8_t> bytes;
    // `word` with this source's lines set to their levels at instant t (seconds).
    uint16_t drive(double t, uint16_t word) const;
};

struct SignalConfig {
    AnalogSignal analog[2];
    std::vector<LogicSource> logicSources; // over the word below, on their own lines
    bool logicCounter = true;
    double logicRate = 1e6; // counter steps per second
    uint16_t logicWord = 0; // fixed word when not counting
    double calFrequency = 1000.0;
    double calAmplitude = 0.2;
    double noise = 0.3; // codes, standard deviation
    uint32_t seed = 1;
};

SignalConfig defaultSignals();
// Applies the items of a HWLINK_SIM_SIGNALS text to `cfg`; false if any item was skipped (and
// added to `rejected`).
bool parseSignals(const std::string &text, SignalConfig &cfg,
                  std::vector<std::string> *rejected = nullptr);
// The defaults with HWLINK_SIM_SIGNALS applied; each item that cannot be used is named in one
// line on stderr.
SignalConfig signalsFromEnv();

// Converter errors: [channel][0 even-sample converter, 1 odd-sample converter], plus the
// front end's own offset (codes) that the offset trim has to take out.
struct ConverterErrors {
    double gain[2][2] = {{0.94, 1.01}, {1.06, 0.99}};
    double zero[2][2] = {{5.0, -2.0}, {-4.0, 3.0}};
    double frontEndOffset[2] = {6.5, -5.5};
};

class AcquisitionModel {
  public:
    AcquisitionModel();
    // The FPGA was (re)configured: nothing is programmed. The inputs stay as they are.
    void reset();
    // A data byte written to / read from register `reg` (the last address selected).
    void write(uint8_t reg, uint8_t value);
    uint8_t read(uint8_t reg);
    // `len` reads of register `reg` at once, the bytes `len` calls of read(reg) would return.
    void readBlock(uint8_t reg, uint8_t *out, size_t len);

    // The outside world: input signals and converter errors.
    void setSignals(const SignalConfig &s);
    const SignalConfig &signals() const { return sig_; }
    void setErrors(const ConverterErrors &e) { err_ = e; }
    const ConverterErrors &errors() const { return err_; }

    // What the instrument has latched, for tests and diagnostics.
    uint8_t frontEndCode(int k) const { return feCode_[k]; }
    const std::array<uint16_t, 4> &dacWords() const { return dac_; }
    // Status register 61 as the instrument would answer now (updates the acquisition).
    uint8_t status();
    // Tests: answer this status byte instead of the real one (-1: off).
    void overrideStatus(int value) { statusOverride_ = value; }
    // The instant (seconds, on the model's time base) of record sample `r` of the last
    // acquisition, and the input voltage at any instant: tests compare records with them.
    double recordTime(int32_t r) const;
    double inputVolts(int k, double t) const;
    int32_t recordLength() const { return acq_.n; }
    int64_t triggerIndex() const { return acq_.kTrig - acq_.s0; }

  private:
    struct Acquisition {
        bool armed = false, triggered = false, complete = false, recorded = false;
        bool readOut = false;     // read out whole once: a second reading is the same record
        double t0 = 0, dt = 4e-9; // seconds since the model's epoch, sample period
        int32_t n = 2048;
        int lag = 10;
        int64_t prefill = 0, tIdx = 0, kScan = 0, kTrig = 0, s0 = 0, kEnd = 0;
        uint32_t serial = 0;
        uint8_t source = 0;
        bool slope = false;
        uint8_t level[2] = {128, 128};
        uint16_t match = 0, mask = 0;
        bool calInputs = false;
        uint8_t frontEnd[2] = {0, 0};
        std::array<uint16_t, 4> dac{};
    };

    void serialPort(uint8_t value);
    void triggerControl(uint8_t value);
    void arm();
    void update();
    bool crossed(int64_t k) const;
    void startReadout();
    void fillRecord();
    uint8_t readoutByte();

    double nowSeconds() const;
    double sampleRate(uint8_t clockDiv, bool halfRate) const;
    // What turns channel k's input into converter codes during an acquisition: its front end,
    // coupling and zero line, worked out once for a whole record.
    struct Converter {
        int k = 0;
        bool grounded = false, cal = false, dc = false;
        double vdiv = 0, zeroLine = 0, acOffset = 0;
    };
    Converter converter(const Acquisition &a, int k) const;
    // Converter code at instant t; `odd` picks the converter, `id` the noise draw.
    uint8_t convert(const Converter &c, double t, bool odd, uint64_t id) const;
    // The same for channel k of acquisition a.
    uint8_t analogCode(const Acquisition &a, int k, double t, bool odd, uint64_t id) const;
    uint16_t logicWord(const Acquisition &a, double t) const;
    double noiseAt(uint64_t id) const;

    SignalConfig sig_;
    ConverterErrors err_;
    std::vector<double> gauss_;
    std::mt19937 rng_;

    uint8_t regs_[256] = {};
    uint16_t shift58_ = 0, shift59_ = 0, shift62_ = 0;
    uint16_t preCount_ = 0, delayCount_ = 0;
    uint8_t serial29_ = 0;
    uint8_t feShift_[2] = {0, 0};
    uint8_t feCode_[2] = {0, 0};
    uint64_t dacShift_ = 0;
    std::array<uint16_t, 4> dac_{};
    int64_t epochUs_ = 0;
    int statusOverride_ = -1;

    Acquisition acq_;
    std::vector<uint8_t> memory_; // the sample memory in read-out group order
    enum class Readout { None, Record, Direct } readout_ = Readout::None;
    size_t readPos_ = 0;
    uint32_t directSerial_ = 0;
    double directT0_ = 0;
    uint8_t directGroup_[8] = {};
};

} // namespace hwlink::sim
