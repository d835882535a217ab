// SPDX-License-Identifier: GPL-3.0-or-later
//
// The instrument and display state of the program.
//
// All state lives in one record, `AppState`, of which the program has exactly one instance for
// its whole run, reached with `app()`. It is made of named parts; each part's member
// initialisers are its only defaults, so resetting a part is assigning it a fresh one
// (`s.trigger = {}`). Windows hold no data of their own beyond their controls: they read and
// write these fields, and the instrument library receives the records and the per-channel
// arrays by the address of element 0, e.g. `app().records.PortState.data()`.
//
// Widths follow the instrument's conventions: Byte = uint8_t, Integer = int16_t, Long = int32_t,
// Double = double; a Boolean flag is an int16_t with 0 = false and -1 = true. Colours are Longs
// in the order 0x00BBGGRR (red in the low byte). Per-channel arrays are indexed 0 A1, 1 A2,
// 2 M1, 3 M2, 4 F1 and hold 9 entries.
#pragma once

#include <array>
#include <cstdint>

#include <QString>
#include <QStringList>

#include "core/base/colors.h"
#include "core/base/rates.h"
#include "hwlink.h"

namespace vrx {

constexpr int kChannels = 9;     // per-channel arrays: 0 A1, 1 A2, 2 M1, 3 M2, 4 F1, spare
constexpr int kColors = 30;      // entries of the colour table
constexpr int kUserColors = 8;   // user-defined colours of the colour dialog
constexpr int kDisplayItems = 8; // ChanOn: A1, A2, M1, M2, F1, F2, logic D0-D15, grid
constexpr int kLanes = 16;       // logic inputs D0..D15
constexpr int kMemLen = 131072;  // one memory channel (M1, M2), two halves of 65536
constexpr int kLogicWorkLen = 16384;
constexpr int kMeasOutLen = 32; // MeasOut: 13 results, counter words 13..18, spare
constexpr int kNameLength = 32; // the longest lane, bus or mnemonic name its box takes
constexpr int kWordLength = 16; // a trigger word or mnemonic pattern: a character a channel
constexpr int kDefaultScreenSamples = 600;
constexpr int32_t kDefaultScrollPos = 300;

// Channel numbers of the per-channel arrays.
enum Channel : int16_t { ChA1 = 0, ChA2 = 1, ChM1 = 2, ChM2 = 3, ChF1 = 4 };

// Display items of ChanOn.
enum DisplayItem : int {
    DispA1 = 0,
    DispA2 = 1,
    DispM1 = 2,
    DispM2 = 3,
    DispF1 = 4,
    DispF2 = 5,
    DispLogic = 6,
    DispGrid = 7
};

// Trigger sources of `TrigChannel`.
enum TriggerSource : int16_t { TrigA1 = 0, TrigA2 = 1, TrigLogic = 2 };

// The library's records: what the instrument library reads and writes on every call.
struct Records {
    std::array<int32_t, HW_PORTSTATE_LEN> PortState{};
    std::array<uint8_t, HW_DEVCONFIG_LEN> DevConfig = DefaultDevConfig();
    std::array<uint8_t, HW_CONFIGBITS_LEN> ConfigBits{};
    std::array<uint8_t, HW_SAMPLEBUF_LEN> SampleBuf{}; // A1, A2, D0-D7, D8-D15, raw area

    // The model the program is built for until the bring-up reads the instrument's own.
    static std::array<uint8_t, HW_DEVCONFIG_LEN> DefaultDevConfig();
};

// Input channels: front-end settings, display switches and the scales derived from them.
struct ChannelSettings {
    std::array<uint8_t, kChannels> Coupling{};                // 0 DC, 1 AC, 2 GND
    std::array<uint8_t, kChannels> ProbeIndex{1, 1, 1, 1, 1}; // 0 1:1 .. 3 1000:1
    std::array<uint8_t, kChannels> VdivIndex{4, 5, 4, 5, 5};  // 0 5mv .. 8 2v (at 1:1)
    std::array<int16_t, kChannels> ChanPos{178, 203, 128, 128, 128, 128, 128, 128, 128};
    std::array<int16_t, kDisplayItems> ChanOn{1, 1, 0, 0, 0, 0, 1, 1}; // display switches
    std::array<QString, 5> ChanName{"A1", "A2", "M1", "M2", "F1"};
    int16_t SelChannel = ChA1; // channel the channel controls act on
    // Derived by the front panel: mV per code of each V/div entry at the selected channel's
    // probe, mV per code of each channel, and the V/div text printed on the picture.
    std::array<double, kChannels> VdivScale{};
    std::array<double, kChannels> ChanScale{};
    std::array<QString, kChannels> VdivText;
};

// Timebase and memory.
struct AcquisitionSettings {
    uint8_t RateIndex = kDefaultRate;
    uint8_t DepthIndex = 0; // 0 2K, 1 8K, 2 128K
    int32_t RecordLen = 2048;
    int32_t LastSample = 2047;
    uint8_t CaptureMode = 2; // 0 Once, 1 Normal, 2 Auto.
    uint8_t ZoomIndex = 5;   // 0 x50 .. 5 x1 .. 15 /2000
    // Derived by the rate list: ns, us or ms and MSa/s, KSa/s or Sa/s by rate group.
    double SamplePeriod = kRates[kDefaultRate].period;
    double SampleRate = kRates[kDefaultRate].rate;
};

struct TriggerSettings {
    int16_t TrigChannel = TrigA1;
    std::array<uint8_t, 3> TrigSlope{0, 1, 0};
    // [0] A1 level, [1] A2 level, [2] D0-D7 pattern, [3] D0-D7 mask, [4] D8-D15 pattern,
    // [5] D8-D15 mask; 10 allocated.
    std::array<uint8_t, 10> TrigLevel{128, 153};
    uint8_t TrigDac = 98;
    int32_t TrigShown = 0; // trigger position as displayed (delay blocks times 512)
    uint8_t TrigStep = 0;  // trigger-bar step while delayed: 0 x1, 1 x10, 2 x50, 3 x100
};

// Where the screen and the bars stand in the record.
struct ViewSettings {
    int32_t ScrollPos = kDefaultScrollPos; // record position of the screen's left edge
    // V1, V2, trigger; [3] is the result slot of SearchVdata.
    std::array<int32_t, 4> BarPos{450, kDefaultScrollPos + 450, kDefaultScrollPos + 300, 0};
    std::array<int16_t, 2> HbarPos{28, 228};
    std::array<int32_t, 4> ViewStart{};
    // [0] bar kept in place by a zoom (0 V1, 1 V2, 2 trigger, 3 screen centre); [1] zoom-align
    // mode (4: the bar last moved).
    std::array<int16_t, 2> ActiveBar{3, 4};
    // [0] samples per pixel, [1] before the last zoom change.
    std::array<double, 2> TimeZoom{1.0, 1.0};
};

struct LogicTables {
    std::array<QString, 4> TriggerWords{"xxxxxxxx11111111", "0000000011111111", "xxxx111100001111",
                                        "11110000xxxx1111"};
    int16_t SelWord = 0; // selected trigger word
    std::array<QString, 19> LogicLaneName = DefaultLaneNames();
    std::array<QString, 3> BusGroupName{"D15-D12", "D11-D8", "D7-D0"};
    std::array<QString, 16> MnemonicPattern = DefaultMnemonicPatterns();
    std::array<QString, 16> MnemonicName{"Read", "Write", "memRead", "memWrite", "Reset"};
    std::array<QString, 12> MeasName{"V_Max.", "V_Min.", "V_Avg.", "V_p-p.", "V_RMS",  "CycRMS",
                                     "Rise",   "Fall",   "+Width", "-Width", "Period", "Freq."};
    std::array<uint8_t, 19> Sequence{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    int16_t ScrollChValue = 0; // first logic row shown
    // The state listing: bus arrangement (0..3; 2 splits D15-D12, D11-D8, D7-D0 as the bus
    // names above), the format of each bus (0 "Binary", 1 "Hex+Asc", 2 "Dec+Asc") and which
    // entries of the mnemonic table decode (the check box value: 1 checked).
    int16_t BusArrange = 2;
    std::array<int16_t, 3> BusFormat{};
    std::array<int16_t, 16> MnemonicOn{};
    // The logic data search: [0] the match word, [1] the don't-care mask (an empty pattern is
    // sixteen "x").
    std::array<int32_t, 2> SearchWord{0, 0xFFFF};

    static std::array<QString, 19> DefaultLaneNames();
    static std::array<QString, 16> DefaultMnemonicPatterns();
};

struct ColorTable {
    std::array<int32_t, kColors> Colors = DefaultColors();
    std::array<int32_t, kUserColors> Colors2{
        Rgb(255, 128, 128), Rgb(255, 192, 128), Rgb(255, 255, 128), Rgb(128, 255, 128),
        Rgb(128, 255, 255), Rgb(255, 128, 255), Rgb(192, 192, 192), Rgb(255, 255, 255)};

    static std::array<int32_t, kColors> DefaultColors();
    int32_t operator[](int entry) const { return Colors[static_cast<size_t>(entry)]; }
};

// The protocol decoders of the logic inputs: one stack a text, in the command line's grammar
// ("uart:baudrate=115200:rx=D0,..."). The settings file keeps them in its companion file.
struct DecodeSettings {
    QStringList Stacks;
};

// Menu switches and the settings of the display and of the tool windows.
struct DisplaySettings {
    int16_t Persist = 0;     // -1: records accumulate on the picture
    uint8_t DotsConnect = 1; // join the dots of a trace
    int16_t Dispunit = 1;    // readouts: 0 time, 1 samples
    int16_t ZoomView = 0;    // overview strip shows the traces
    int16_t HbarOn = 0;      // H1, H2 shown (flag)
    int16_t StatusBarOn = -1;
    int16_t LogicHeightIndex = 0;
    uint8_t LogicHeight = 20; // pixels per logic lane: 20 + 4 x LogicHeightIndex
    int16_t CatchEnabled = 0; // "Enable Software catch" checked (flag)
    int16_t CatchRateLimit = 27;
    std::array<uint8_t, 2> FuSource{};
    uint8_t FuOp = 0; // 0 sum, 1 difference, 2 product, 3 quotient
    uint8_t FftOn = 0;
    int16_t XYOn = 0;                            // "&XY Plot" checked (flag)
    std::array<uint8_t, 2> XYSource{ChA1, ChA2}; // channels on the X and the Y axis
    int16_t MeasureOn = 0;
    int16_t StateOn = 0;
    int16_t DecodersOn = 0;    // "&Decoders" window open (flag)
    int16_t AnnotationsOn = 0; // the annotation table open (flag)
    int16_t QualifyOn = 0;     // trigger word dialog open (flag)
    std::array<int16_t, 2> CountOn{};
    int16_t CountPpm = 5;
    int16_t AutoLoad = 0; // the default settings file is loaded at start-up (flag)
    int16_t ChHeight = 1; // only carried through the settings file
    // "Load Data &Option": the blocks a data file load reads (A1, A2, D0-D15; flags).
    std::array<int16_t, 3> LoadDataOpt{-1, -1, -1};
    // The colour dialog's display check boxes; the rate list takes the logic display from [6].
    std::array<int16_t, kDisplayItems> DisplayCheck{1, 1, 0, 0, 0, 0, 1, 1};
};

// The FFT window: its settings (the settings file keeps them under these names), its mode and
// where its screen and bars stand. Spectrum positions p = 0 .. RecordLen - 1 stand for the
// frequencies p x SampleRate / RecordLen / 2.
struct FftSettings {
    uint8_t FFtSource = 0; // 0 A1, 1 A2, 2 M1, 3 M2
    uint8_t FFtDBdiv = 1;  // 0 5, 1 10, 2 20, 3 50 dB per division
    uint8_t FFtGain = 2;   // 0 Magnitude, 1 Logarithm, 2 Powerspectrum
    uint8_t FFtWin = 1;    // 0 Triangular, 1 Hanning, 2 Hamming, 3 Blackman, 4 Rectangular,
                           // 5 Welch, 6 Parzen
    uint8_t FFtPoint = 3;  // 256 << FFtPoint points: 2048
    uint8_t FFtZoom = 0;   // 0 x1, 1 /2, 2 /5 .. 7 /200 spectrum positions per pixel
    // [0] row of the 0 dBmV level minus 28 (200: on the bottom grid line); [1] its copy for the
    // grid.
    std::array<uint8_t, 2> FFtoffset{200, 200};
    std::array<int32_t, 2> FFtVpos{100, 300}; // V1, V2 spectrum positions
    uint8_t FFtMode = 0;                      // 0 Normal, 1 Sweep(peak record)
    std::array<int16_t, 2> FFtHpos{78, 178};  // H1, H2 rows
    double DbPerPixel = 10.0 / 25;
    double ZoomFactor = 1; // spectrum positions per pixel
    int32_t ScreenPos = 0; // first spectrum position shown
    int32_t ScreenMax = 1; // largest screen position
    // What the peak record was taken at: another depth or rate is another frequency scale.
    std::array<int16_t, 2> SweepScale{-1, -1};
};

// Geometry of the timing view's pictures: follows the window, not the settings.
// The measure box's choices (dialog "Measure Item"): the items shown for A1 and for A2 and the
// stretch of the record they are measured over.
struct MeasureSettings {
    // 1: item i (0 "V_Max." .. 11 "Freq.") is shown; entry 12 is not used.
    std::array<int16_t, 13> TestA1{0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1};
    std::array<int16_t, 13> TestA2{0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1};
    int16_t TestLenMode = 0; // 0 "Screen", 1 "Full memory"
    int16_t TestRise = 0;    // rise and fall between 0 "10%-90%" or 1 "20%-80%" of the span
};

struct ScreenGeometry {
    int16_t ScreenSamples = kDefaultScreenSamples; // trace width in pixels
    std::array<int16_t, 2> ScreenWidth{kDefaultScreenSamples,
                                       kDefaultScreenSamples}; // scope, logic
    int32_t ScrollMax = 0;
    int32_t OverviewWidth = 3;
    int16_t KeyTarget = 20; // tab index of the control that keyboard steps act on
};

struct RunState {
    int16_t Running = 0;
    uint8_t TrigStat = 0;
    int32_t TrigCount = 0;
    int32_t CatchCount = 0;
    uint8_t ParamChanged = 0;
    int32_t NextTick = 0;
    uint8_t HwFound = 0;
    int16_t DrawPic = 0; // trace picture being drawn into (the catch alternates them)
    std::array<int16_t, 4> CounterState{};
    std::array<int32_t, kMeasOutLen> MeasOut{};
    int32_t TestStart = 0;
    int32_t TestLen = 0;
};

// Work areas of the drawing exports and the memory channels.
struct WorkAreas {
    std::array<uint8_t, HW_WORKAREA_LEN> TraceWork{};
    std::array<uint8_t, kLogicWorkLen> LogicWork{};
    std::array<uint8_t, kMemLen> M1Buf{}; // a trace never reads past its area
    std::array<uint8_t, kMemLen> M2Buf{};
    int32_t LogicColor = 0; // colour of the lane being drawn
    // The FFT window's display bytes (one for each spectrum position from 0) and, from 0x20000, the
    // sweep's peak record; the point scratch of its renderer.
    std::array<uint8_t, 0x40000> FftBuf{};
    std::array<uint8_t, HW_WORKAREA_LEN> FftWork{};
};

// The data output: set to 1 while an export runs, cleared by "Abort".
struct OutputState {
    int16_t ExportRunning = 0;
};

struct StartupInfo {
    QString Model = QStringLiteral("Vrx73604v4");
    QString AppDir;       // program directory: the working directory
    QString BitstreamDir; // where the bitstream is read from; empty: AppDir
    QString IniPath;
    uint8_t FullSearch = 0;
    QString SysText;
    QString LinkText;
    QString MainCaption; // caption of the main window: the model name the bring-up found
    QString SetFile;     // the file last chosen in a save dialog; the default file at exit
    QString DataIniFile; // companion settings file of the data file last saved or loaded
};

// The pointer and the keys on the timing view's pictures: what a drag moves, where it started
// and the pointer shape.
struct PointerState {
    // A left drag on picScope or Picture1: 0, 1, 2 V1, V2, trigger bar; 3 the screen (at rest);
    // 4 the trigger level; 5, 6, 9 the position of A1, A2, F1 (5 + channel); 11, 12 H1, H2;
    // 33 a logic row moved with the right button.
    int16_t DragMode = 3;
    int16_t OverviewDrag = 3; // a drag on the overview strip: 0..2 the bars, 3 the zoom window
    // Pointer x at the start of a screen drag, or the pointer's offset within the zoom-window
    // mark on the overview strip; 0 at rest.
    float DragStartX = 0;
    int16_t MousePointer = 0; // shape over picScope: 0 default, 7 north-south sizing
    int16_t PickedRow = 16;   // logic channel picked up by the right button; 16 none
};

// A probe calibration in progress: the channel and every value it replaced, put back when it
// ends.
struct ProbeCalState {
    int16_t Channel = -1; // 0 A1, 1 A2; -1 no calibration
    uint8_t ProbeIndex = 0, Coupling = 0, VdivIndex = 0, TrigSlope = 0, TrigLevel = 0;
    int16_t ChanPos = 0, ChanOn = 0;
    int16_t SelChannel = 0, TrigChannel = 0;
    uint8_t CaptureMode = 0, RateIndex = 0, DepthIndex = 0, ZoomIndex = 0;
    std::array<int32_t, 3> BarPos{};
    int32_t ScrollPos = 0;
};

struct AppState {
    Records records;
    ChannelSettings channels;
    AcquisitionSettings acquisition;
    TriggerSettings trigger;
    ViewSettings view;
    LogicTables logic;
    ColorTable colors;
    DisplaySettings display;
    DecodeSettings decode;
    MeasureSettings measure;
    FftSettings fft;
    ScreenGeometry screen;
    RunState run;
    WorkAreas work;
    OutputState output;
    StartupInfo startup;
    PointerState pointer;
    ProbeCalState probeCal;
};

// The one instance of the program's state.
AppState &app();

// Every setting back to its default: the parts the settings file and the default command
// cover (channels, acquisition, trigger, view, logic tables, colours, display, measurements,
// FFT). The records, the run state, the pictures' geometry and the work areas are left as they
// are.
void InitDefaults();

// The colour of channel t (0 A1 .. 4 F1).
int32_t ChannelColor(int t);
// Replaces every entry of the colour table by its complement ("Inverse").
void InvertColors();

} // namespace vrx
