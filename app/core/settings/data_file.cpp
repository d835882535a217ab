// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/data_file.h"

#include <algorithm>
#include <array>
#include <cstring>

#include <QFile>
#include <QFileInfo>

#include "core/base/format.h"
#include "core/base/state.h"
#include "core/base/ui.h"
#include "core/settings/apply.h"
#include "core/settings/file_write.h"
#include "core/settings/settings_file.h"
#include "core/timing/compose.h"

namespace vrx {

namespace {

constexpr int kBlocks = 4;

bool Fail(const QString &text) {
    ui().MessageBox(text, kAppTitle, MsgButtons::Ok);
    return false;
}

QString Name(const QString &path) {
    return QFileInfo(path).fileName();
}

} // namespace

int32_t DepthRecordLen(int depthIndex) {
    static constexpr std::array<int32_t, 3> lengths = {2048, 8192, 131072};
    return depthIndex >= 0 && depthIndex < 3 ? lengths[static_cast<size_t>(depthIndex)] : 0;
}

QString CompanionName(const QString &dataFile) {
    const QFileInfo info(dataFile);
    if (info.fileName().isEmpty() || info.isDir()) return {};
    const QString suffix = info.suffix();
    if (suffix.compare(QLatin1String("ini"), Qt::CaseInsensitive) == 0) return {};
    if (suffix.isEmpty())
        return dataFile + (dataFile.endsWith(QLatin1Char('.')) ? QStringLiteral("ini")
                                                               : QStringLiteral(".ini"));
    return dataFile.left(dataFile.size() - suffix.size()) + QStringLiteral("ini");
}

bool SaveDataFile(const QString &FileName) {
    AppState &s = app();
    const QString companion = CompanionName(FileName);
    if (companion.isEmpty())
        return Fail(QStringLiteral("%1 cannot be a data file: its settings would be written over "
                                   "it. Choose a name ending in .Vrx.")
                        .arg(Name(FileName)));
    // The settings go beside the data: a pipe or a device has no place for them.
    if (!WritesRegularFile(FileName))
        return Fail(QStringLiteral("The data file %1 was not saved: it is a pipe or a device, and "
                                   "a data file needs its settings file beside it.")
                        .arg(Name(FileName)));
    s.startup.DataIniFile = companion;
    if (!Saveset(companion)) return false;
    const int32_t len = s.acquisition.RecordLen;
    QByteArray data;
    data.reserve(kBlocks * len);
    for (int k = 0; k < kBlocks; ++k)
        data.append(reinterpret_cast<const char *>(s.records.SampleBuf.data()) + k * HW_SB_AREA_LEN,
                    len);
    QString error;
    if (!WriteFileAtomically(FileName, data, error))
        return Fail(
            QStringLiteral("The data file %1 was not saved: %2").arg(Name(FileName), error));
    return true;
}

bool LoadDataFile(const QString &FileName) {
    AppState &s = app();
    const QString companion = CompanionName(FileName);
    if (companion.isEmpty())
        return Fail(QStringLiteral("%1 is not a data file.").arg(Name(FileName)));
    // The companion is read into a copy: nothing changes unless the data file fits it.
    SettingsSnapshot settings = SettingsSnapshot::FromApp();
    const LoadResult companionRead = ReadSettingsFile(companion, settings);
    if (companionRead == LoadResult::Refused) return false;
    const int32_t len = companionRead == LoadResult::Loaded
                            ? DepthRecordLen(settings.acquisition.DepthIndex)
                            : s.acquisition.RecordLen;

    QFile file(FileName);
    if (!QFileInfo(FileName).isFile() || !file.open(QIODevice::ReadOnly))
        return Fail(QStringLiteral("The data file %1 cannot be read.").arg(Name(FileName)));
    const qint64 expected = qint64{kBlocks} * len;
    if (file.size() != expected)
        return Fail(QStringLiteral("The data file %1 holds %2 bytes; a record of %3 samples needs "
                                   "%4. Nothing was loaded.")
                        .arg(Name(FileName))
                        .arg(file.size())
                        .arg(len)
                        .arg(expected));
    const QByteArray data = file.read(expected);
    if (data.size() != expected)
        return Fail(QStringLiteral("The data file %1 cannot be read.").arg(Name(FileName)));

    s.startup.DataIniFile = companion;
    if (companionRead == LoadResult::Loaded) {
        settings.ApplyToApp();
        ApplySettings();
    }
    // Blocks: A1, A2 by their own option; both logic blocks by the D0-D15 option.
    for (int k = 0; k < kBlocks; ++k) {
        if (s.display.LoadDataOpt[static_cast<size_t>(std::min(k, 2))] == 0) continue;
        std::memcpy(s.records.SampleBuf.data() + k * HW_SB_AREA_LEN, data.constData() + k * len,
                    static_cast<size_t>(len));
    }
    ComposeScreen(1, 1);
    return true;
}

QByteArray ChannelText(int16_t Ch) {
    const AppState &s = app();
    QByteArray out;
    if (Ch != ChA1 && Ch != ChA2) return out;
    const auto c = static_cast<size_t>(Ch);
    const uint8_t *block = s.records.SampleBuf.data() + c * HW_SB_AREA_LEN;
    const int32_t len = s.acquisition.RecordLen;
    // From the first sample on screen to the end of the record, never past it.
    for (int32_t n = std::max(0, s.view.ViewStart[0]); n < len; ++n) {
        const int v = s.channels.ChanPos[c] - block[n];
        QString t = CalStr(v * s.channels.ChanScale[c]);
        // A bare decimal point before a two-letter unit becomes a blank.
        if (t.size() >= 3 && t[t.size() - 3] == QLatin1Char('.'))
            t[t.size() - 3] = QLatin1Char(' ');
        out += t.toUtf8() + "\r\n";
    }
    return out;
}

bool SaveChannelText(const QString &FileName, int16_t Ch) {
    QString error;
    if (!WriteFileAtomically(FileName, ChannelText(Ch), error))
        return Fail(
            QStringLiteral("The text file %1 was not saved: %2").arg(Name(FileName), error));
    return true;
}

} // namespace vrx
