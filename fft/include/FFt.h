/* SPDX-License-Identifier: GPL-3.0-or-later */
/*
 * FFt: the spectrum of a stretch of 8-bit samples as a row of display bytes, for the
 * VRX-73604's FFT window. One export, FFT0, on FFTW3. The program loads this library at run
 * time, at the first use of its FFT window.
 *
 * Spectrum positions. The record of RecordLen samples (2048, 8192 or 131072 by DepthIndex)
 * gives RecordLen spectrum positions; position p stands for the frequency p x R / RecordLen / 2
 * (R the sample rate), so the positions run from 0 up to just below half the sample rate.
 * FftBuf[p] is the display byte of position p: a pixel row of a 256-row picture, 0 at the top,
 * so a smaller byte is a stronger component.
 *
 * The transform. N = 256 << PointIndex points (cut to RecordLen) are taken from
 * Samples[Start ..]; Start is moved back so that they end inside the record. Their mean is
 * removed first: the vertical position shifts every sample code by the same amount and FFT0 is
 * not told the position, so position 0 would show the position, not the signal. The stretch is
 * multiplied by the window w(n) and transformed with a real-to-complex DFT of N points, giving
 * bins k = 0 .. N/2 at the frequencies k x R / N, i.e. at positions k x S with
 * S = 2 x RecordLen / N positions per bin (S >= 2). Positions between two bins are interpolated
 * linearly between the two bins' display rows, so a tone on a bin peaks at its own position.
 *
 * Windows, for n = 0 .. N-1 with u = (n - N/2) / (N/2) (-1 at the start, 0 in the middle):
 *   0 Triangular   1 - |u|
 *   1 Hanning      0.5 - 0.5 cos(2 pi n / N)
 *   2 Hamming      0.54 - 0.46 cos(2 pi n / N)
 *   3 Blackman     0.42 - 0.5 cos(2 pi n / N) + 0.08 cos(4 pi n / N)
 *   4 Rectangular  1
 *   5 Welch        1 - u^2
 *   6 Parzen       1 - 6 u^2 + 6 |u|^3 for |u| <= 1/2, else 2 (1 - |u|)^3
 * (the periodic forms, as spectral analysis uses them).
 *
 * Amplitude. A_k = 2 |X_k| / sum(w) sample codes (|X_k| / sum(w) at k = 0 and k = N/2): the
 * peak amplitude in codes of a sine that lies on bin k, whatever the window.
 *
 * Display bytes by GainType (rows rounded half up and kept within 0 .. 255):
 *   0 Magnitude      row = 228 - A            (one row per code; 228 is the bottom grid line)
 *   1 Logarithm      row = 253 - 50 log10(200 A)
 *                    (50 rows, two divisions, per decade; 1/200 code at row 253)
 *   2 Powerspectrum  row = DbOffset[0] + 28 - D x 25 / DbDiv
 *                    with D = 20 log10(A x mV / sqrt 2), the component's RMS level in dBmV,
 *                    mV = VdivIndex's 5, 10, 20, 50, 100, 200, 500, 1000, 2000 mV per
 *                    division x ProbeIndex's 1, 10, 100, 1000 / 25 codes per division, and
 *                    DbDiv = DbDivIndex's 5, 10, 20, 50 dB per division (25 rows). The 0 dBmV
 *                    level lies on row DbOffset[0] + 28.
 * Magnitude and Logarithm are in codes: the program turns rows into volts with the channel's
 * millivolts per code; ProbeIndex, VdivIndex, DbDivIndex and DbOffset act on Powerspectrum only.
 * An amplitude of 0 counts as 1e-9 codes (the bottom of the picture).
 *
 * Sweep (Mode 1): the bytes at FftBuf + FFT_PEAK_OFFSET (two peak records of 65536 bytes, one
 * per position) keep, per position, the smallest row (the strongest level) seen since they were
 * last filled with FFT_PEAK_EMPTY; FftBuf[p] then shows the peak record, not the last spectrum.
 * Mode 0 leaves the peak records alone.
 *
 * FFT0 writes the RecordLen display bytes from FftBuf[0] and FFT_PEAK_EMPTY over the rest of
 * the display area (up to FFT_DISPLAY_LEN), so that a picture drawn past the last position
 * stays empty; in sweep mode it updates the first RecordLen peak entries. It reads only
 * Samples[0 .. RecordLen - 1] and DbOffset[0]. Result: the number of positions written, or 0
 * when a pointer is null or an index is out of its range (then nothing is written).
 *
 * Plans are made once per size and kept; the planner is serialised, and each size's buffers
 * are allocated once. FFT0 may be called from several threads; calls of one size take turns.
 * It prints nothing and lets no exception out.
 */
#ifndef FFT_H
#define FFT_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32) && !defined(_WIN64)
#define FFT_CALL __stdcall
#else
#define FFT_CALL
#endif
#define FFT_API __attribute__((visibility("default")))

enum {
    FFT_BUF_LEN = 0x40000,     /* bytes of FftBuf */
    FFT_DISPLAY_LEN = 0x20000, /* display bytes from FftBuf[0] */
    FFT_PEAK_OFFSET = 0x20000, /* the two peak records: 2 x 65536 bytes */
    FFT_PEAK_EMPTY = 255,      /* an empty peak entry (and the bottom row) */
    FFT_MIN_POINTS = 256,      /* PointIndex 0 */
    FFT_MAX_POINT_INDEX = 8,   /* 65536 points */
    FFT_WINDOW_COUNT = 7,      /* WindowIndex 0 .. 6 */
    FFT_GAIN_COUNT = 3,        /* GainType 0 .. 2 */
    FFT_DBDIV_COUNT = 4,       /* DbDivIndex 0 .. 3 */
    FFT_PROBE_COUNT = 4,       /* ProbeIndex 0 .. 3 */
    FFT_VDIV_COUNT = 9         /* VdivIndex 0 .. 8 */
};

typedef int32_t(FFT_CALL *FFT0_fn)(const uint8_t *Samples, uint8_t *FftBuf, int32_t Start,
                                   uint8_t DepthIndex, uint8_t ProbeIndex, uint8_t VdivIndex,
                                   uint8_t Mode, uint8_t PointIndex, uint8_t WindowIndex,
                                   uint8_t DbDivIndex, uint8_t GainType, const uint8_t *DbOffset);

FFT_API int32_t FFT_CALL FFT0(const uint8_t *Samples, uint8_t *FftBuf, int32_t Start,
                              uint8_t DepthIndex, uint8_t ProbeIndex, uint8_t VdivIndex,
                              uint8_t Mode, uint8_t PointIndex, uint8_t WindowIndex,
                              uint8_t DbDivIndex, uint8_t GainType, const uint8_t *DbOffset);

#ifdef __cplusplus
}
#endif

#endif /* FFT_H */
