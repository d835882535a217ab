// SPDX-License-Identifier: GPL-3.0-or-later
// A .Vrx data file with its companion settings file. The input is the companion up to its first
// NUL and the data file after it; an input that starts with a NUL has no companion (the data
// file is read at the current record length). A load succeeds exactly when the companion reads
// (or is missing) and the data file holds the four blocks of its record length; then the blocks
// chosen under the load options are the file's, and a failed load shows one message naming the
// file and changes neither the samples nor the settings.
#include <algorithm>
#include <cstring>

#include "core/settings/data_file.h"
#include "core/settings/settings_file.h"
#include "fuzz/fuzz.h"
#include "fuzz/program.h"

using namespace vrx;
using vrx::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static fuzz::Program program;
    program.Restore();
    const auto *bytes = reinterpret_cast<const char *>(data);
    const size_t nul = std::find(data, data + size, uint8_t{0}) - data;
    const bool hasCompanion = nul > 0 || size == 0;
    const QByteArray companion(bytes, static_cast<qsizetype>(std::min(nul, size)));
    const size_t from = std::min(nul + 1, size);
    const QByteArray record(bytes + from, static_cast<qsizetype>(size - from));
    program.Write("run.ini", companion, hasCompanion);
    const QString path = program.Write("run.Vrx", record);

    AppState &s = app();
    SettingsSnapshot settings;
    const bool companionReads = !hasCompanion || (ParseSettings(companion, settings).ok &&
                                                  settings.Model == s.startup.Model);
    const int32_t len =
        hasCompanion ? DepthRecordLen(settings.acquisition.DepthIndex) : s.acquisition.RecordLen;
    // Every input starts from the start-up's state (Program::Restore puts it back after a load
    // that was taken, and a refused one must leave it): its samples and settings are the same
    // each time, taken once.
    static const std::vector<uint8_t> samplesBefore(s.records.SampleBuf.begin(),
                                                    s.records.SampleBuf.end());
    static const QByteArray settingsBefore = SettingsText(SettingsSnapshot::FromApp());
    const auto options = s.display.LoadDataOpt;

    const bool loaded = LoadDataFile(path);
    program.changed = loaded;
    Require(loaded == (companionReads && len > 0 && record.size() == qsizetype{4} * len),
            "a data file loads exactly when its companion reads and it holds four whole blocks");
    if (!loaded) {
        Require(program.boxes.boxes.size() == 1, "a failed load shows one message");
        Require(program.boxes.boxes[0].text.contains(QStringLiteral("run.")) ||
                    program.boxes.boxes[0].text == kModelMismatchText,
                "the message names the file");
        Require(std::equal(samplesBefore.begin(), samplesBefore.end(), s.records.SampleBuf.begin()),
                "a failed load leaves the samples");
        Require(SettingsText(SettingsSnapshot::FromApp()) == settingsBefore,
                "a failed load leaves the settings");
        return 0;
    }
    Require(s.acquisition.RecordLen == len, "the record length is the companion's");
    const auto &chosen = hasCompanion ? settings.display.LoadDataOpt : options;
    for (int k = 0; k < 4; ++k) {
        const uint8_t *block = s.records.SampleBuf.data() + k * HW_SB_AREA_LEN;
        const bool taken = chosen[static_cast<size_t>(std::min(k, 2))] != 0;
        const uint8_t *expected =
            taken ? reinterpret_cast<const uint8_t *>(record.constData()) + k * len
                  : samplesBefore.data() + k * HW_SB_AREA_LEN;
        Require(std::memcmp(block, expected, static_cast<size_t>(len)) == 0,
                "each block chosen is the file's, each other one stays");
    }
    return 0;
}
