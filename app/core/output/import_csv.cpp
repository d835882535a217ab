// SPDX-License-Identifier: GPL-3.0-or-later
//
// A reference trace from a file: one analog column of the program's CSV into a memory channel.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

#include <QFile>

#include "core/base/format.h"
#include "core/base/state.h"
#include "core/base/ui.h"
#include "core/output/export.h"
#include "core/startup/startup.h"
#include "core/timing/compose.h"

namespace vrx {

namespace {

QList<QByteArray> Fields(const QByteArray &line) {
    QByteArray l = line;
    while (l.endsWith('\n') || l.endsWith('\r'))
        l.chop(1);
    return l.split(',');
}

bool ParseDouble(const QByteArray &text, double &v) {
    const QByteArray t = text.trimmed();
    const auto res = std::from_chars(t.constData(), t.constData() + t.size(), v);
    return res.ec == std::errc() && res.ptr == t.constData() + t.size() && std::isfinite(v);
}

} // namespace

bool ImportCsv(const QString &path, QString &error) {
    AppState &s = app();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read ") + path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    // A1_V goes to M1, A2_V to M2, each at its memory channel's scale and zero level.
    struct Target {
        int column;
        Channel channel;
        std::vector<uint8_t> bytes;
    };
    const QList<QByteArray> header = Fields(file.readLine());
    std::vector<Target> targets;
    for (const auto &[name, ch] : {std::pair{"A1_V", ChM1}, std::pair{"A2_V", ChM2}}) {
        const auto col = header.indexOf(QByteArray(name));
        if (col >= 0) targets.push_back({static_cast<int>(col), ch, {}});
    }
    if (targets.empty()) {
        error = path + QStringLiteral(": no column A1_V or A2_V");
        return false;
    }
    // A memory channel that holds nothing yet has no scale of its own: it takes its source's
    // (A1 for M1, A2 for M2), as a stored trace would.
    ChannelSettings &ch = s.channels;
    for (const Target &t : targets) {
        const auto m = static_cast<size_t>(t.channel), src = m - ChM1;
        if (!(ch.ChanScale[m] > 0)) {
            ch.ChanScale[m] = ch.ChanScale[src];
            ch.ChanPos[m] = ch.ChanPos[src];
            ch.VdivIndex[m] = ch.VdivIndex[src];
            ch.ProbeIndex[m] = ch.ProbeIndex[src];
        }
        if (!(ch.ChanScale[m] > 0)) {
            error = QStringLiteral("the memory channels have no scale");
            return false;
        }
    }
    size_t samples = 0;
    for (int line = 2; !file.atEnd(); ++line) {
        const QByteArray text = file.readLine();
        if (text.trimmed().isEmpty()) continue;
        if (samples == static_cast<size_t>(kMemLen)) {
            error = path + QStringLiteral(": more samples than a memory channel holds (") +
                    QString::number(kMemLen) + QLatin1Char(')');
            return false;
        }
        const QList<QByteArray> f = Fields(text);
        for (Target &t : targets) {
            double volts = 0;
            if (t.column >= f.size() || !ParseDouble(f[t.column], volts)) {
                error = path + QStringLiteral(": line ") + QString::number(line) +
                        QStringLiteral(" has no number in ") +
                        QString::fromLatin1(header[t.column]);
                return false;
            }
            const auto c = static_cast<size_t>(t.channel);
            // The byte of that voltage, kept on the converter's range.
            const int code =
                s.channels.ChanPos[c] - RoundHalfEven(volts * 1000.0 / s.channels.ChanScale[c]);
            t.bytes.push_back(static_cast<uint8_t>(std::clamp(code, 0, 255)));
        }
        ++samples;
    }
    if (samples == 0) {
        error = path + QStringLiteral(": no samples");
        return false;
    }
    for (const Target &t : targets) {
        const auto c = static_cast<size_t>(t.channel);
        auto &mem = t.channel == ChM1 ? s.work.M1Buf : s.work.M2Buf;
        std::copy(t.bytes.begin(), t.bytes.end(), mem.begin());
        // Past the file's samples the channel reads zero volts.
        std::fill(mem.begin() + static_cast<std::ptrdiff_t>(samples), mem.end(),
                  static_cast<uint8_t>(std::clamp<int>(s.channels.ChanPos[c], 0, 255)));
        s.view.ViewStart[t.channel == ChM1 ? 1 : 2] = 0;
        s.channels.ChanOn[t.channel == ChM1 ? DispM1 : DispM2] = 1;
    }
    ComposeScreen(1, 1);
    return true;
}

namespace {

const QString kExportFilter = QStringLiteral("CSV (*.csv);;VCD (*.vcd);;sigrok session (*.sr)");

void Report(const QString &text) {
    ui().MessageBox(text, kAppTitle, MsgButtons::Ok);
}

} // namespace

void mnuExport_Click() {
    const QString path = ui().SaveFileName(QStringLiteral("Export"), kExportFilter, {});
    if (path.isEmpty()) return;
    QString error;
    if (!ExportRecord(CurrentRecord(), path, FormatOfPath(path), error)) Report(error);
}

void mnuImportCsv_Click() {
    const QString path =
        ui().OpenFileName(QStringLiteral("Import CSV"), QStringLiteral("CSV (*.csv)"), {});
    if (path.isEmpty()) return;
    QString error;
    if (!ImportCsv(path, error)) Report(error);
}

} // namespace vrx
