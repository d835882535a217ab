// SPDX-License-Identifier: GPL-3.0-or-later
// The demo record as the program shows it, and the entries of a zip archive, for the export
// and decoding tests.
#pragma once

#include <list>
#include <string>
#include <utility>
#include <vector>

#include <zip.h>

#include <QFile>

#include "core/acquisition/loop.h"
#include "core/fixture.h"
#include "core/output/export.h"

namespace vrx::test {

inline RecordData TakeDemoRecord() {
    app().records.DevConfig.fill(0); // demo mode
    ResetState();
    ApplyTimingSettings();
    for (int i = 0; i < 20 && app().run.TrigStat != HW_STAT_COMPLETE; ++i)
        Getstat();
    EXPECT_EQ(app().run.TrigStat, HW_STAT_COMPLETE);
    return CurrentRecord();
}

// One entry of a zip archive; empty when it is not there.
inline std::string ZipEntry(const QString &archive, const char *name) {
    std::string data;
    int code = 0;
    zip_t *z = zip_open(QFile::encodeName(archive).constData(), ZIP_RDONLY, &code);
    zip_stat_t st;
    zip_file_t *f = z && zip_stat(z, name, 0, &st) == 0 ? zip_fopen(z, name, 0) : nullptr;
    if (f) {
        data.resize(st.size);
        zip_fread(f, data.data(), st.size);
        zip_fclose(f);
    }
    if (z) zip_close(z);
    return data;
}

// A zip archive of `entries` (name, bytes), such as a session file of another analyser.
inline bool WriteZip(const QString &archive,
                     const std::vector<std::pair<std::string, std::string>> &entries) {
    int code = 0;
    zip_t *z = zip_open(QFile::encodeName(archive).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!z) return false;
    for (const auto &[name, data] : entries) {
        // libzip reads the bytes at close; `entries` outlives it.
        zip_source_t *src = zip_source_buffer(z, data.data(), data.size(), 0);
        if (!src || zip_file_add(z, name.c_str(), src, 0) < 0) {
            zip_discard(z);
            return false;
        }
    }
    return zip_close(z) == 0;
}

} // namespace vrx::test
