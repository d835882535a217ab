/* SPDX-License-Identifier: GPL-3.0-or-later */
/*
 * hwlink: the VRX-73604 instrument library.
 *
 * Every piece of instrument state lives in the caller's records, which are handed over by
 * the address of element 0 on every call: PortState (Longs), DevConfig (Bytes), ConfigBits
 * (the FPGA bitstream) and SampleBuf (the capture memory). The library keeps only the open
 * device and the two converter gain factors of its own. No export allocates memory that
 * outlives the call, raises an error or prints anything; failures come back as results.
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
    HW_PS_LptData = 0,      /* parallel-port base address */
    HW_PS_LptStatus = 1,    /* base + 1 */
    HW_PS_LptControl = 2,   /* base + 2 */
    HW_PS_AddrSel = 3,      /* register-address selector: base + 3, or 0 on USB */
    HW_PS_DataSel = 4,      /* register-data selector: base + 4, or 1 on USB */
    HW_PS_SettleMs = 5,     /* settling time still owed before the next acquisition */
    HW_PS_EtsPasses = 6,    /* equivalent-time passes still to run */
    HW_PS_EtsPos = 7,       /* equivalent-time scan position */
    HW_PS_LogicMatch = 8,   /* logic trigger word: pattern OR mask */
    HW_PS_LogicMask = 9,    /* logic trigger don't-care mask (1 = don't care) */
    HW_PS_DacPosA1 = 10,    /* A1 position last sent to the offset DAC */
    HW_PS_DacPosA2 = 11,    /* A2 position last sent */
    HW_PS_DacTrig = 12,     /* trigger comparator level last sent */
    HW_PS_OffsetTrimA1 = 13,
    HW_PS_OffsetTrimA2 = 14,
    HW_PS_ZeroA1 = 15,      /* correction added to even-indexed A1 samples */
    HW_PS_ZeroA2 = 16,
    HW_PS_PktLastKind = 21, /* last byte queued in the USB packet: 0 address, 1 data */
    HW_PS_PktLen = 22       /* bytes queued in the USB packet */
};

/* ---- DevConfig indexes (Bytes) ---------------------------------------------------------- */

enum {
    HW_DC_Packet = 0,   /* 0..127: USB register-write packet under construction */
    HW_DC_Link = 128,   /* 0 none (demo), 1 EPP, 2 BPP, 4 USB */
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
enum {
    HW_LINK_NONE = 0,
    HW_LINK_EPP = 1,
    HW_LINK_BPP = 2,
    HW_LINK_USB = 4
};

/* GetTrigStat results. */
enum {
    HW_STAT_LINK_LOST = 0,
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

typedef struct hw_surface {
    uint32_t *pixels;      /* 0xFFRRGGBB words, as a QImage::Format_RGB32 holds them */
    int32_t width, height; /* in pixels */
    int32_t stride;        /* pixels from one row to the next */
    uint32_t pen;          /* current pen colour, 0x00BBGGRR, used by line drawing */
    int32_t x, y;          /* current position (MoveToEx / LineTo) */
} hw_surface;

/* ---- Instrument link and configuration --------------------------------------------------- */

HWLINK_API uint8_t HWLINK_CALL FindPort(int32_t *PortState, uint8_t *DevConfig, uint8_t FullSearch);
HWLINK_API uint8_t HWLINK_CALL FindHardware(uint8_t Unused, int32_t *PortState, uint8_t *DevConfig,
                                            uint8_t *ConfigBits);
HWLINK_API uint8_t HWLINK_CALL PowerOff(int32_t *PortState, uint8_t *DevConfig);

/* ---- Acquisition ------------------------------------------------------------------------- */

HWLINK_API uint8_t HWLINK_CALL Capture(int32_t *PortState, uint8_t *DevConfig, int32_t LastSample,
                                       uint8_t DepthIndex, uint8_t Unused, uint8_t RateIndex,
                                       int16_t TrigChannel, int32_t TrigPos, uint8_t *TrigSlope,
                                       uint8_t *TrigLevel, uint8_t TrigDac, uint8_t *Coupling,
                                       uint8_t *VdivIndex, int16_t *ChanPos);
HWLINK_API uint8_t HWLINK_CALL GetTrigStat(uint8_t *SampleBuf, int32_t LastSample,
                                           uint8_t DepthIndex, uint8_t *VdivIndex,
                                           int32_t *PortState, uint8_t *DevConfig,
                                           uint8_t RateIndex, int16_t TrigChannel,
                                           uint8_t *TrigSlope, uint8_t *TrigLevel, int32_t TrigPos,
                                           uint8_t ZoomIndex, int32_t *ViewStart);
HWLINK_API uint8_t HWLINK_CALL ForceTrigger(int32_t *PortState, uint8_t *DevConfig);
HWLINK_API uint8_t HWLINK_CALL OutAdBuck12(int32_t *PortState, uint8_t *DevConfig, void *Unused1,
                                           int32_t Unused2);
HWLINK_API uint8_t HWLINK_CALL inDaBuck8(int32_t *PortState, uint8_t *DevConfig, uint8_t *Buffer,
                                         int32_t Count);

/* ---- Data files -------------------------------------------------------------------------- */

/* Mode 0 writes, mode 1 reads four blocks of Length bytes, the k-th at Buffer + k * Stride, as
 * one file. Nonzero on success; on failure the buffer is left as it was. */
HWLINK_API int32_t HWLINK_CALL freadwrite(uint8_t Mode, uint8_t *Buffer, int32_t Stride,
                                          int32_t Length, const char *FileName);

/* ---- Drawing ----------------------------------------------------------------------------- */

HWLINK_API void HWLINK_CALL Grid(hw_surface *hdc, uint32_t Color, int32_t Width);
HWLINK_API void HWLINK_CALL Drawzoom(int32_t Kind, hw_surface *hdc, uint8_t *Src, uint8_t *Work,
                                     uint8_t ZoomIndex, int32_t *ViewStart, int32_t Scroll,
                                     uint32_t Color, int32_t Lines, int32_t Width, int32_t Unused);
HWLINK_API void HWLINK_CALL Drawupzoom(hw_surface *hdc, uint8_t *Samples, uint32_t Color,
                                       uint8_t DepthIndex, int32_t *ViewStart);
HWLINK_API void HWLINK_CALL DrawFu(uint8_t *Kinds, int32_t Op, hw_surface *hdc, uint8_t *Work,
                                   int16_t *Pos, double *Scale, uint32_t Color, int32_t Lines,
                                   int32_t Width);
HWLINK_API void HWLINK_CALL DrawXY(hw_surface *hdc, uint8_t *Kinds, uint8_t *Work, int16_t *Pos,
                                   uint32_t Color);
HWLINK_API void HWLINK_CALL DrawLa(hw_surface *hdc, int32_t Lane, uint8_t *Data, uint8_t *Work,
                                   int32_t First, int32_t Bit, uint8_t ZoomIndex, int32_t Len,
                                   int32_t Height, uint32_t Color, int32_t Width);

/* ---- Data helpers and measurements -------------------------------------------------------- */

HWLINK_API void HWLINK_CALL GetVbarData(uint8_t *Lo, uint8_t *Hi, int32_t Index, uint8_t *Bits,
                                        uint8_t *Pair);
HWLINK_API void HWLINK_CALL SearchVdata(uint8_t *Lo, uint8_t *Hi, int32_t *Word, uint8_t Bar,
                                        uint8_t Dir, int32_t *ViewStart, int32_t *BarPos,
                                        int32_t Count);
HWLINK_API int32_t HWLINK_CALL TestFreq(uint8_t *Samples, int32_t Start, int32_t Level,
                                        int32_t *Result, int32_t End);
HWLINK_API void HWLINK_CALL TestAd(uint8_t *Data, int32_t Start, int32_t Offset, int32_t Level,
                                   int32_t *Results, int32_t Length);

#ifdef __cplusplus
}
#endif

#endif /* HWLINK_H */
