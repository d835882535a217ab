// SPDX-License-Identifier: GPL-3.0-or-later
//
// The sigrok session (.sr, format version 2): a zip archive with "version", "metadata" (the
// device's sixteen logic probes D0..D15, the two analog channels A1, A2 and the sample rate),
// "logic-1-1" (one little-endian 16-bit word a sample, D0 in bit 0) and one "analog-1-N-1"
// per analog channel (32-bit little-endian floats in volts, N its channel number after the
// logic probes).
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

#include <zip.h>

#include <QByteArray>

#include "core/output/export.h"

namespace vrx {

namespace {

std::string Metadata(const RecordData &r) {
    std::string m = "[global]\nsigrok version=0.5.2\n\n[device 1]\ncapturefile=logic-1\n"
                    "total probes=16\ntotal analog=2\n";
    // The rate in Hz; the external clock has none.
    if (r.periodSeconds > 0)
        m += "samplerate=" + std::to_string(std::llround(1.0 / r.periodSeconds)) + " Hz\n";
    for (int d = 0; d < 16; ++d)
        m += "probe" + std::to_string(d + 1) + "=D" + std::to_string(d) + '\n';
    for (int c = 0; c < 2; ++c)
        m += "analog" + std::to_string(17 + c) + "=A" + std::to_string(c + 1) + '\n';
    m += "unitsize=2\n";
    return m;
}

// Adds `bytes` under `name`; libzip copies nothing, so the data must live until zip_close.
bool Add(zip_t *z, const char *name, const void *bytes, size_t size) {
    zip_source_t *src = zip_source_buffer(z, bytes, size, 0);
    if (!src) return false;
    if (zip_file_add(z, name, src, ZIP_FL_ENC_UTF_8) < 0) {
        zip_source_free(src);
        return false;
    }
    return true;
}

} // namespace

bool WriteSigrok(const RecordData &r, QByteArray &out, QString &error) {
    static_assert(std::endian::native == std::endian::little,
                  "the session's words are little-endian");
    const auto n = static_cast<size_t>(r.length);
    const std::string version = "2", metadata = Metadata(r);
    std::vector<uint16_t> logic(n);
    std::vector<float> analog[2] = {std::vector<float>(n), std::vector<float>(n)};
    const uint8_t *bytes[2] = {r.a1, r.a2};
    for (size_t i = 0; i < n; ++i) {
        logic[i] = r.Word(static_cast<int32_t>(i));
        for (int c = 0; c < 2; ++c)
            analog[c][i] = static_cast<float>(r.Volts(c, bytes[c][i]));
    }

    // The archive is made in memory; the caller writes it as any other file.
    zip_error_t ze;
    zip_error_init(&ze);
    auto fail = [&](const char *reason) {
        error = QString::fromLocal8Bit(reason);
        zip_error_fini(&ze);
        return false;
    };
    zip_source_t *archive = zip_source_buffer_create(nullptr, 0, 0, &ze);
    if (!archive) return fail(zip_error_strerror(&ze));
    // Kept past zip_close, which writes the archive into it.
    zip_source_keep(archive);
    zip_t *z = zip_open_from_source(archive, ZIP_TRUNCATE, &ze);
    if (!z) {
        // Not taken by an archive: drop both references, ours and the kept one.
        zip_source_free(archive);
        zip_source_free(archive);
        return fail(zip_error_strerror(&ze));
    }
    const bool added = Add(z, "version", version.data(), version.size()) &&
                       Add(z, "metadata", metadata.data(), metadata.size()) &&
                       Add(z, "logic-1-1", logic.data(), n * sizeof(uint16_t)) &&
                       Add(z, "analog-1-17-1", analog[0].data(), n * sizeof(float)) &&
                       Add(z, "analog-1-18-1", analog[1].data(), n * sizeof(float));
    // Fast compression: the samples repeat a lot, and the export should not keep a capture
    // run waiting.
    for (zip_int64_t i = 0; added && i < zip_get_num_entries(z, 0); ++i)
        zip_set_file_compression(z, static_cast<zip_uint64_t>(i), ZIP_CM_DEFLATE, 1);
    if (!added || zip_close(z) != 0) {
        const QString reason = QString::fromLocal8Bit(zip_strerror(z));
        zip_discard(z);
        zip_source_free(archive);
        error = reason;
        zip_error_fini(&ze);
        return false;
    }
    bool read = zip_source_open(archive) == 0;
    if (read) {
        zip_source_seek(archive, 0, SEEK_END);
        const zip_int64_t size = zip_source_tell(archive);
        zip_source_seek(archive, 0, SEEK_SET);
        out.resize(static_cast<qsizetype>(std::max<zip_int64_t>(size, 0)));
        read = size >= 0 &&
               zip_source_read(archive, out.data(), static_cast<zip_uint64_t>(size)) == size;
        zip_source_close(archive);
    }
    if (!read) error = QString::fromLocal8Bit(zip_error_strerror(zip_source_error(archive)));
    zip_source_free(archive);
    zip_error_fini(&ze);
    return read;
}

} // namespace vrx
