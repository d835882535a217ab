/* SPDX-License-Identifier: GPL-3.0-or-later */
/*
 * hwlink: the VRX-73604 instrument library.
 *
 * Records. Every piece of instrument state lives in the caller's records, handed over by the
 * address of element 0 on every call: PortState (HW_PORTSTATE_LEN Longs), DevConfig
 * (HW_DEVCONFIG_LEN Bytes), ConfigBits (HW_CONFIGBITS_LEN Bytes, the FPGA bitstream) and
 * SampleBuf (HW_SAMPLEBUF_LEN Bytes, the capture memory: four channel areas of
 * HW_SB_AREA_LEN bytes and the raw read-out area). The library keeps only the open device,
 * what it last saw of a parallel register bus, and the two converter gain factors.
 *
 * Pointers and areas. Every export checks its pointers: a null record makes a device export
 * return its failure value (0) and a drawing or data export do nothing, with nothing read or
 * written. Each pointer argument below says how much is read or written through it; no export
 * reads or writes outside that: a sample argument is one channel area (HW_SB_AREA_LEN bytes
 * from the pointer), a trace work area is HW_WORKAREA_LEN bytes. Indexes, lengths and widths
 * that reach past an area are cut at its end (what is cut is described with each export);
 * sums of the caller's numbers are formed wide enough not to overflow.
 *
 * Link. DevConfig[HW_DC_Link] is the link FindPort found: 0 none (demo mode), 1 EPP, 2 BPP,
 * 4 USB. With no link the device exports send nothing and report success (GetTrigStat
 * synthesises a demo record), except FindHardware and PowerOff, which return 0.
 *
 * A lost instrument. A link is lost when a USB bridge request or bulk transfer fails (a short
 * transfer is a failure) or, on a parallel port, when the data lines float: an unplugged or
 * switched-off instrument leaves them to the port's pull-ups, every read gives 0xFF and every
 * write goes nowhere without an error. So on a parallel port a status byte of 0xFF, and a
 * block of bytes whose last eight (or fewer, all of a shorter block) are 0xFF, are confirmed
 * by a read-back: register 29 is written 4 (the serial data line alone: no clock, load or
 * select moves, so nothing in the instrument changes) and read back; a live instrument
 * echoes the low four bits inverted (0xB), floating lines give 0xF. A live instrument that
 * really sends 0xFF passes and its bytes stand. On a lost link
 *     GetTrigStat returns HW_STAT_LINK_LOST (0), on every poll while the link stays lost;
 *     Capture, ForceTrigger, OutAdBuck12, inDaBuck8 and PowerOff return 0;
 * and no byte read from it reaches SampleBuf's channel areas, nor ViewStart: the last good
 * record stays where it was. On a parallel port a write cannot fail, so Capture, ForceTrigger
 * and OutAdBuck12 return 0 from the first read-back that found the lines floating until one
 * finds the instrument again or FindPort runs; PowerOff makes its own read-back first. An
 * instrument that comes back is found again by FindPort, then configured by FindHardware.
 *
 * Never. No export allocates memory that outlives the call, raises an error, blocks on
 * anything but the instrument's own timing (delays are busy-waits on the millisecond tick),
 * or prints anything (the simulated instrument, selected by HWLINK_SIM, names unusable
 * HWLINK_SIM_* items on stderr).
 *
 * All calls come from one thread; the library is not re-entrant.
 */
#ifndef HWLINK_H
#define HWLINK_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32) && !defined(_WIN64)
#define HWLINK_CALL __stdcall
#else
#define HWLINK_CALL
#endif

#if defined(_WIN32)
#ifdef HWLINK_BUILDING
#define HWLINK_API __declspec(dllexport)
#else
#define HWLINK_API __declspec(dllimport)
#endif
#else
#define HWLINK_API __attribute__((visibility("default")))
#endif

/* ---- Record sizes ---------------------------------------------------------------------- */

enum {
    HW_PORTSTATE_LEN = 23,      /* Longs in PortState (at least) */
    HW_DEVCONFIG_LEN = 231,     /* Bytes in DevConfig (at least) */
    HW_CONFIGBITS_LEN = 12051,  /* Bytes in ConfigBits */
    HW_SAMPLEBUF_LEN = 1048576, /* Bytes in SampleBuf */
    HW_WORKAREA_LEN = 14400     /* trace work area: 2400 bytes for each of the six trace kinds */
};

/* SampleBuf areas: one byte per sample, 131072 samples each. */
enum {
    HW_SB_A1 = 0x00000,
    HW_SB_A2 = 0x20000,
    HW_SB_D0_D7 = 0x40000,
    HW_SB_D8_D15 = 0x60000,
    HW_SB_RAW = 0x80000, /* raw read-out area, 4 bytes per sample */
    HW_SB_AREA_LEN = 0x20000
};

/* ---- PortState indexes (Longs) ---------------------------------------------------------- */

enum {
    HW_PS_LptData = 0,    /* parallel-port base address */
    HW_PS_LptStatus = 1,  /* base + 1 */
    HW_PS_LptControl = 2, /* base + 2 */
    HW_PS_AddrSel = 3,    /* register-address selector: base + 3, or 0 on USB */
    HW_PS_DataSel = 4,    /* register-data selector: base + 4, or 1 on USB */
    HW_PS_SettleMs = 5,   /* settling time still owed before the next acquisition */
    HW_PS_EtsPasses = 6,  /* equivalent-time passes still to run */
    HW_PS_EtsPos = 7,     /* equivalent-time scan position */
    HW_PS_LogicMatch = 8, /* logic trigger word: pattern OR mask */
    HW_PS_LogicMask = 9,  /* logic trigger don't-care mask (1 = don't care) */
    HW_PS_DacPosA1 = 10,  /* A1 position last sent to the offset DAC */
    HW_PS_DacPosA2 = 11,  /* A2 position last sent */
    HW_PS_DacTrig = 12,   /* trigger comparator level last sent */
    HW_PS_OffsetTrimA1 = 13,
    HW_PS_OffsetTrimA2 = 14,
    HW_PS_ZeroA1 = 15, /* correction added to even-indexed A1 samples */
    HW_PS_ZeroA2 = 16,
    HW_PS_PktLastKind = 21, /* last byte queued in the USB packet: 0 address, 1 data */
    HW_PS_PktLen = 22       /* bytes queued in the USB packet */
};

/* ---- DevConfig indexes (Bytes) ---------------------------------------------------------- */

enum {
    HW_DC_Packet = 0, /* 0..127: USB register-write packet under construction */
    HW_DC_Link = 128, /* 0 none (demo), 1 EPP, 2 BPP, 4 USB */
    HW_DC_Configured = 129,
    HW_DC_CalMode = 130,
    HW_DC_UsbSpeed = 131, /* 1 USB 1.1, 2 USB 2.0 */
    HW_DC_ModelCode = 132,
    HW_DC_Variant = 133,
    HW_DC_EtsOn = 134,
    HW_DC_ClockDiv = 135,
    HW_DC_TrigCtl = 136,
    HW_DC_DepthCode = 137,
    HW_DC_EtsFactor = 138,
    HW_DC_EtsFactorLast = 139,
    HW_DC_SmoothLimit = 140,
    HW_DC_DemoStep = 142,
    HW_DC_GainCode = 143,    /* 143 A1, 144 A2 */
    HW_DC_GainSelBit = 145,  /* 145 A1, 146 A2 */
    HW_DC_GainClkBit = 147,  /* 147 A1, 148 A2 */
    HW_DC_EtsSlotSeen = 151, /* 151..230, one counter per equivalent-time slot */
    HW_DC_EtsSlots = 80
};

/* Link codes in DevConfig[HW_DC_Link] and results of FindPort. */
enum { HW_LINK_NONE = 0, HW_LINK_EPP = 1, HW_LINK_BPP = 2, HW_LINK_USB = 4 };

/* GetTrigStat results. */
enum {
    HW_STAT_LINK_LOST = 0, /* the link is lost (or a pointer is null): nothing was read */
    HW_STAT_IDLE = 2,
    HW_STAT_WAIT_TRIGGER = 3,
    HW_STAT_COMPLETE = 6,
    HW_STAT_FILLING = 8
};

/* TestAd / TestFreq result record: 13 measurement entries, then the crossing counter's two. */
enum {
    HW_MEAS_RESULTS = 13,
    HW_MEAS_PERIODS = 13, /* TestFreq: full periods found */
    HW_MEAS_SPAN = 14,    /* TestFreq: samples from first to last counted crossing */
    HW_MEAS_RECORD_LEN = 15
};

/* ---- Raster surface: stands where a device context is passed ----------------------------- */

/* Drawing writes only pixels (x, y) with 0 <= x < width and 0 <= y < height, at
 * pixels[y * stride + x]; everything outside is clipped. A surface with null pixels, a size
 * below 1 or a stride below the width is not drawn on. */
typedef struct hw_surface {
    uint32_t *pixels;      /* 0xFFRRGGBB words, as a QImage::Format_RGB32 holds them */
    int32_t width, height; /* in pixels */
    int32_t stride;        /* pixels from one row to the next */
    uint32_t pen;          /* current pen colour, 0x00BBGGRR, used by line drawing */
    int32_t x, y;          /* current position (MoveToEx / LineTo) */
} hw_surface;

/* ---- Instrument link and configuration --------------------------------------------------- */

/* Looks for the instrument: the USB bridge first, then (FullSearch 1 only) the parallel ports
 * at 378H, 278H and 3BCH (3BCH never as EPP). Closes a device a former call opened, opens the
 * one it finds and keeps it until PowerOff or the next FindPort, and leaves the instrument
 * reset, waiting for its configuration.
 *   PortState  written: [0..4] port numbers and the address / data selectors.
 *   DevConfig  written: [HW_DC_Link]; on USB also [HW_DC_UsbSpeed] and [HW_DC_Variant].
 * Returns 4 USB, 1 port 378H, 2 port 278H, 3 port 3BCH, 0 nothing found (Link 0). */
HWLINK_API uint8_t HWLINK_CALL FindPort(int32_t *PortState, uint8_t *DevConfig, uint8_t FullSearch);

/* Resets the fields of PortState and DevConfig the acquisition owns and the gain factors, then
 * configures the FPGA with the bitstream in ConfigBits: reset, wait (at most 500 polls of
 * 1 ms) for the ready bit, the serial stream through register 28, the "done" bit. A bitstream
 * that is not whole (no sync word after the sync byte, a body length of 0, a body and CRC-32
 * that do not fit before byte 12041 or do not match, as in a file that ended early and left
 * the loader's zeros) is not sent at all.
 *   Unused     ignored (0).
 *   PortState  written: [5], [6], [10..16], [21], [22].
 *   DevConfig  read: [HW_DC_Link]; written: [129], [134], [141], [143..148].
 *   ConfigBits read: bytes 0..12041.
 * Returns 1 configured (also in DevConfig[HW_DC_Configured]); 0 no link, a refused
 * bitstream, no ready or no "done" bit, a lost link, or a null pointer. */
HWLINK_API uint8_t HWLINK_CALL FindHardware(uint8_t Unused, int32_t *PortState, uint8_t *DevConfig,
                                            uint8_t *ConfigBits);

/* Switches the instrument's front end off (configuration port low, control register 80,
 * register 31 cleared) and, on USB, closes the device. On a parallel port the register-29
 * read-back comes first, to tell whether anything takes the block.
 *   PortState, DevConfig  read (the link and its ports).
 * Returns on USB 1 when the block was sent and the device closed; on a parallel port the Link
 * (1 or 2) when the instrument answered the read-back; 0 with no link, a lost link or a null
 * pointer. */
HWLINK_API uint8_t HWLINK_CALL PowerOff(int32_t *PortState, uint8_t *DevConfig);

/* ---- Acquisition ------------------------------------------------------------------------- */

/* Programs every setting and arms one acquisition: the rate's timebase and the depth, the
 * front ends whose code changed (each first calibrated with its input grounded: some 0.3 s
 * per channel), the control DAC when a position or the threshold changed, the
 * settling time owed, the trigger level or word, and the arming sequence that starts the
 * record. Every step runs even after one failed; settings are kept as on a live link.
 *   PortState  read and written: settling, equivalent-time series, logic word, DAC values,
 *              trims and zero corrections, the USB packet count.
 *   DevConfig  read and written: [0..127] the USB packet, [134..144], the slot counters
 *              [151..]; [145..148] read.
 *   LastSample ignored.          DepthIndex  0 2K, 1 8K, 2 128K (other: depth kept).
 *   Unused     ignored.          RateIndex   0..34 (other: timebase fields kept).
 *   TrigChannel 0 A1, 1 A2, 2 logic word.
 *   TrigPos    trigger position in samples; negative: the record starts that far after the
 *              trigger. Any value of the 32 bits is armed without overflow.
 *   TrigSlope  3 Bytes read (per source); TrigLevel 6 Bytes read (A1, A2 levels; logic
 *              pattern and mask, D0-D7 then D8-D15); TrigDac the threshold DAC level.
 *   Coupling, VdivIndex  2 Bytes each, read (A1, A2); ChanPos 2 Integers, read.
 * Returns 1 armed (or no link); 0 a lost link or a null pointer. Never touches SampleBuf. */
HWLINK_API uint8_t HWLINK_CALL Capture(int32_t *PortState, uint8_t *DevConfig, int32_t LastSample,
                                       uint8_t DepthIndex, uint8_t Unused, uint8_t RateIndex,
                                       int16_t TrigChannel, int32_t TrigPos, uint8_t *TrigSlope,
                                       uint8_t *TrigLevel, uint8_t TrigDac, uint8_t *Coupling,
                                       uint8_t *VdivIndex, int16_t *ChanPos);

/* Reads the acquisition status; once the record is complete, reads it into SampleBuf,
 * corrects the converters, smooths noise and aligns the display start on the trigger. At the
 * equivalent-time rates each record is woven into the finer one and the instrument re-armed
 * until the series is complete. With no link a demo record is synthesised.
 *   SampleBuf  written only when a record was read (results 6 and 8): the A1 and A2 areas
 *              (equivalent time: also the D0-D7 and D8-D15 areas as scratch), the logic areas
 *              (real time), the raw area (the bytes as read).
 *   LastSample the record's last index (equivalent time; cut at the area).
 *   DepthIndex, RateIndex, TrigChannel, TrigPos, ZoomIndex  as for Capture; ZoomIndex 0..4
 *              sets the sub-sample resolution of the alignment.
 *   VdivIndex  2 Bytes read (demo scaling). TrigSlope 3, TrigLevel 6 Bytes read.
 *   PortState, DevConfig  read and written (equivalent-time state, the USB packet).
 *   ViewStart  4 Longs: [0] written (samples skipped before the display), [3] written (the
 *              sub-sample phase), on result 6 only.
 * Returns HW_STAT_IDLE (2), HW_STAT_WAIT_TRIGGER (3), HW_STAT_FILLING (8: filling, or another
 * equivalent-time pass armed: keep polling), HW_STAT_COMPLETE (6: a record in SampleBuf), or
 * HW_STAT_LINK_LOST (0: the link is lost or a pointer is null; SampleBuf and ViewStart left as
 * they were, except the raw area, which may hold part of a failed read). */
HWLINK_API uint8_t HWLINK_CALL GetTrigStat(uint8_t *SampleBuf, int32_t LastSample,
                                           uint8_t DepthIndex, uint8_t *VdivIndex,
                                           int32_t *PortState, uint8_t *DevConfig,
                                           uint8_t RateIndex, int16_t TrigChannel,
                                           uint8_t *TrigSlope, uint8_t *TrigLevel, int32_t TrigPos,
                                           uint8_t ZoomIndex, int32_t *ViewStart);

/* Forces a trigger on the armed acquisition (the slope bit flipped and restored twice).
 *   PortState, DevConfig  read.
 * Returns 1 sent (or no link); 0 a lost link or a null pointer. */
HWLINK_API uint8_t HWLINK_CALL ForceTrigger(int32_t *PortState, uint8_t *DevConfig);

/* Prepares the direct read-out of the converters' live values, collected with inDaBuck8.
 *   PortState, DevConfig  element k of the caller's choice, each taken as a record start;
 *              read, and PortState[21], [22] written (the USB packet emptied).
 *   Unused1, Unused2  ignored (may be null).
 * Returns 1 sent (or no link); 0 a lost link or a null pointer. */
HWLINK_API uint8_t HWLINK_CALL OutAdBuck12(int32_t *PortState, uint8_t *DevConfig, void *Unused1,
                                           int32_t Unused2);

/* Reads Count data bytes from the register last addressed (after OutAdBuck12: the direct
 * read-out, 8-byte groups as a record holds them) into Buffer.
 *   PortState, DevConfig  as for OutAdBuck12, read.
 *   Buffer     Count Bytes written (zeros with no link; on a lost link what was read).
 * Returns 1 read (or no link); 0 a lost link, Count below 1 or a null pointer. */
HWLINK_API uint8_t HWLINK_CALL inDaBuck8(int32_t *PortState, uint8_t *DevConfig, uint8_t *Buffer,
                                         int32_t Count);

/* ---- Data files -------------------------------------------------------------------------- */

/* Mode 0 writes, mode 1 reads four blocks of Length bytes, the k-th at Buffer + k * Stride,
 * back to back as one file with no header.
 *   Buffer     3 * Stride + Length bytes, at most HW_SAMPLEBUF_LEN (else refused): read
 *              (mode 0) or written (mode 1, only once the whole file has been read).
 *   FileName   the file (a C string). A save writes a temporary file beside it and renames it
 *              over the old one only once complete, with the old file's permissions: a save
 *              that fails leaves the previous file whole. A symbolic link is followed; a name
 *              that is not a regular file (a device, a pipe) is not written.
 * Returns nonzero on success; 0 on failure (another mode, a short or unreadable file, a
 * failed write, a null pointer), with the buffer left as it was. */
HWLINK_API int32_t HWLINK_CALL freadwrite(uint8_t Mode, uint8_t *Buffer, int32_t Stride,
                                          int32_t Length, const char *FileName);

/* ---- Drawing ----------------------------------------------------------------------------- */
/* Colours are 0x00BBGGRR; dots take the colour argument, joining lines the surface's pen. An
 * analog sample v is drawn at row v (0 is the top). None of these touch the instrument. */

/* The graticule's dots: nine dotted rows y = 28 .. 228, dotted columns every 50 pixels
 * inside Width (at most the surface width is drawn). */
HWLINK_API void HWLINK_CALL Grid(hw_surface *hdc, uint32_t Color, int32_t Width);

/* One analog trace of kind Kind (0 A1, 1 A2, 2 M1, 3 M2, 4 function, 5 FFT display) at zoom
 * ZoomIndex (0..4 expanding, 5 one-to-one, 6..12 compressing; above 12 nothing is drawn).
 *   Src        one sample area (HW_SB_AREA_LEN bytes) read, from sample max(start + Scroll, 0)
 *              with start ViewStart[0] (kinds 0, 1, 5), ViewStart[1] (2), ViewStart[2] (3)
 *              or Lines (4). Columns that would need samples past the area are not drawn
 *              (compressing: a column the area's end cuts shows the samples it has).
 *   Work       the trace work area (HW_WORKAREA_LEN bytes): the kind's 2400-byte slot is
 *              written with the screen copy, the row shown in each column from column 0
 *              (compressing: the column's minimum); compressing also writes the maxima into
 *              the next kind's slot (kind 5: into scratch of its own).
 *   ViewStart  4 Longs read ([3]: the sub-sample phase of the expanded trace).
 *   Lines      nonzero: join the dots. Width  columns, at most 2399 drawn. */
HWLINK_API void HWLINK_CALL Drawzoom(int32_t Kind, hw_surface *hdc, uint8_t *Src, uint8_t *Work,
                                     uint8_t ZoomIndex, int32_t *ViewStart, int32_t Scroll,
                                     uint32_t Color, int32_t Lines, int32_t Width, int32_t Unused);

/* The whole record as the overview strip: 507 columns from x = 101, each the range of
 * record length / 512 samples in quarter codes (rows 0..63).
 *   Samples    one sample area read from ViewStart[0]; a column the area's end cuts shows
 *              the samples it has, columns wholly past it are not drawn.
 *   DepthIndex 0..2 (other: nothing).  ViewStart  [0] read. */
HWLINK_API void HWLINK_CALL Drawupzoom(hw_surface *hdc, uint8_t *Samples, uint32_t Color,
                                       uint8_t DepthIndex, int32_t *ViewStart);

/* The function trace from the screen copies of two traces: 0 sum, 1 difference, 2 product,
 * 3 quotient (Op; other: nothing), clamped to rows 0..255.
 *   Kinds      2 Bytes read, each 0..5 (other: nothing). Work  the work area, read.
 *   Pos        6 Integers read (positions per kind; [4] the function trace's).
 *   Scale      6 Doubles read (volts per code per kind; [4] the function's divisor).
 *   Lines      nonzero: join the dots. Width  columns, at most 2399 drawn. */
HWLINK_API void HWLINK_CALL DrawFu(uint8_t *Kinds, int32_t Op, hw_surface *hdc, uint8_t *Work,
                                   int16_t *Pos, double *Scale, uint32_t Color, int32_t Lines,
                                   int32_t Width);

/* The XY figure of 512 points from the screen copies of two traces.
 *   Kinds  2 Bytes read (x, y), each 0..5. Work  the work area, read. Pos  6 Integers read. */
HWLINK_API void HWLINK_CALL DrawXY(hw_surface *hdc, uint8_t *Kinds, uint8_t *Work, int16_t *Pos,
                                   uint32_t Color);

/* One logic lane: bit Bit (0..7) of the logic bytes, lane Lane of Height rows (0..255), high
 * at a quarter of the lane, low at three quarters, at zoom ZoomIndex (0..15).
 *   Data       the logic bytes of the record from its first displayed sample: the first
 *              min(Len, HW_SB_AREA_LEN) are read; samples before the first or at that count
 *              and beyond read as low.
 *   Work       written (expanding and one-to-one): one byte per column, min(Width,
 *              HW_WORKAREA_LEN) of them.
 *   First      the lane's first sample (the scroll position). Width  columns, at most
 *              HW_WORKAREA_LEN drawn. */
HWLINK_API void HWLINK_CALL DrawLa(hw_surface *hdc, int32_t Lane, uint8_t *Data, uint8_t *Work,
                                   int32_t First, int32_t Bit, uint8_t ZoomIndex, int32_t Len,
                                   int32_t Height, uint32_t Color, int32_t Width);

/* ---- Data helpers and measurements -------------------------------------------------------- */

/* The logic word at sample Index of the logic areas Lo (D0-D7) and Hi (D8-D15), each read at
 * Index only. Bits: 16 Bytes written (0 or 1, D0 first); Pair: 2 Bytes written (Lo, Hi). An
 * Index outside 0 .. HW_SB_AREA_LEN - 1 gives all zeros. */
HWLINK_API void HWLINK_CALL GetVbarData(uint8_t *Lo, uint8_t *Hi, int32_t Index, uint8_t *Bits,
                                        uint8_t *Pair);

/* Moves from bar Bar (0..3; other: nothing) to the next position where the logic word equals
 * Word[0] with the don't-care bits Word[1] (Longs, read), forwards (Dir 0) or backwards,
 * over positions 0 .. Count of the record that starts at ViewStart[0] in the logic areas Lo
 * and Hi (read), wrapping at both ends; the record is cut at the areas' end, and one that
 * starts outside them has no positions. The bar first leaves the run it stands on.
 *   BarPos     4 Longs: [Bar] read, [3] written (the position found, else BarPos[Bar]). */
HWLINK_API void HWLINK_CALL SearchVdata(uint8_t *Lo, uint8_t *Hi, int32_t *Word, uint8_t Bar,
                                        uint8_t Dir, int32_t *ViewStart, int32_t *BarPos,
                                        int32_t Count);

/* Counts crossings of Level with a hysteresis of 2 codes either way over End samples of a
 * channel area from Start (cut at the area's end; a Start outside it counts nothing).
 *   Samples    one channel area, read.
 *   Result     HW_MEAS_RECORD_LEN Longs: [HW_MEAS_PERIODS] written (crossings - 1, full
 *              periods), [HW_MEAS_SPAN] written (samples from the first to the last counted
 *              crossing, less one; 0 when that is negative).
 * Returns the span before that clamp (-1 with fewer than two crossings or a null pointer). */
HWLINK_API int32_t HWLINK_CALL TestFreq(uint8_t *Samples, int32_t Start, int32_t Level,
                                        int32_t *Result, int32_t End);

/* The measurement engine: amplitudes of Length samples of a channel area from Start (cut at
 * the area's end), and the widths, period, rise and fall of its first complete pulses against
 * the trigger level (a byte at or below Level is high).
 *   Data       one channel area, read.   Offset  the zero-level code (low 16 bits, signed).
 *   Level      the trigger-level code (low 8 bits).
 *   Results    HW_MEAS_RESULTS Longs written; left as they were when there is nothing to
 *              measure (Length below 1, Start outside the area, a null pointer). */
HWLINK_API void HWLINK_CALL TestAd(uint8_t *Data, int32_t Start, int32_t Offset, int32_t Level,
                                   int32_t *Results, int32_t Length);

#ifdef __cplusplus
}
#endif

#endif /* HWLINK_H */
