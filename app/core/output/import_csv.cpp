// SPDX-License-Identifier: GPL-3.0-or-later
//
// A reference trace from a file: one analog column of the program's CSV into a memory channel.
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>

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

// The longest line taken (a row of the program's own file is under a hundred bytes) and the
// largest file (room for long rows of another program's, a memory channel's worth of them).
constexpr qint64 kMaxCsvLine = 65536;
constexpr qint64 kMaxCsvBytes = qint64{256} << 20;

bool ParseDouble(const QByteArray &text, double &v) {
    const QByteArray t = text.trimmed();
    const auto res = std::from_chars(t.constData(), t.constData() + t.size(), v);
    return res.ec == std::errc() && res.ptr == t.constData() + t.size() && std::isfinite(v);
}

} // namespace

bool ImportCsv(const QString &path, QString &error) {
    AppState &s = app();
    auto fail = [&](const QString &why) {
        error = path + QStringLiteral(": ") + why;
        return false;
    };
    // Opened without waiting (a pipe would wait for a writer) and taken only when it is a
    // regular file of a bounded size: a device or a pipe could deliver bytes for ever.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return fail(QString::fromLocal8Bit(std::strerror(errno)));
    QFile file;
    file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    struct stat st;
    if (fstat(fd, &st) != 0) return fail(QString::fromLocal8Bit(std::strerror(errno)));
    if (!S_ISREG(st.st_mode)) return fail(QStringLiteral("not a regular file"));
    if (st.st_size > kMaxCsvBytes)
        return fail(QStringLiteral("larger than %1 MiB").arg(kMaxCsvBytes >> 20));
    int line = 0;
    bool tooLong = false;
    auto nextLine = [&] {
        ++line;
        // (Past the limit by a byte or two, whichever way the device counts its limit.)
        QByteArray l = file.readLine(kMaxCsvLine + 2);
        tooLong = l.size() > kMaxCsvLine;
        return l;
    };
    auto lineTooLong = [&] {
        return fail(QStringLiteral("line %1 is longer than %2 bytes").arg(line).arg(kMaxCsvLine));
    };

    // A1_V goes to M1, A2_V to M2, each at its memory channel's scale and zero level; a
    // memory channel that holds nothing yet has no scale of its own and takes its source's
    // (A1 for M1, A2 for M2), as a stored trace would. Nothing is changed before the whole file
    // has been read.
    struct Target {
        int column;
        size_t channel;
        std::vector<uint8_t> bytes;
        ChannelSettings scale; // the channel's scale, zero level, V/div and probe afterwards
    };
    const QByteArray headerLine = nextLine();
    if (tooLong) return lineTooLong();
    const QList<QByteArray> header = Fields(headerLine);
    std::vector<Target> targets;
    for (const auto &[name, ch] : {std::pair{"A1_V", ChM1}, std::pair{"A2_V", ChM2}}) {
        const auto col = header.indexOf(QByteArray(name));
        if (col < 0) continue;
        Target t{static_cast<int>(col), static_cast<size_t>(ch), {}, s.channels};
        const size_t m = t.channel, src = m - ChM1;
        ChannelSettings &c = t.scale;
        if (!(c.ChanScale[m] > 0)) {
            c.ChanScale[m] = c.ChanScale[src];
            c.ChanPos[m] = c.ChanPos[src];
            c.VdivIndex[m] = c.VdivIndex[src];
            c.ProbeIndex[m] = c.ProbeIndex[src];
        }
        if (!(c.ChanScale[m] > 0)) return fail(QStringLiteral("the memory channels have no scale"));
        targets.push_back(std::move(t));
    }
    if (targets.empty()) return fail(QStringLiteral("no column A1_V or A2_V"));
    size_t samples = 0;
    while (!file.atEnd()) {
        const QByteArray text = nextLine();
        if (tooLong) return lineTooLong();
        if (text.trimmed().isEmpty()) continue;
        if (samples == static_cast<size_t>(kMemLen))
            return fail(QStringLiteral("more samples than a memory channel holds (") +
                        QString::number(kMemLen) + QLatin1Char(')'));
        const QList<QByteArray> f = Fields(text);
        for (Target &t : targets) {
            double volts = 0;
            if (t.column >= f.size() || !ParseDouble(f[t.column], volts))
                return fail(QStringLiteral("line ") + QString::number(line) +
                            QStringLiteral(" has no number in ") +
                            QString::fromLatin1(header[t.column]));
            // The byte of that voltage, kept on the converter's range.
            const int code =
                VoltsCode(volts, t.scale.ChanPos[t.channel], t.scale.ChanScale[t.channel]);
            t.bytes.push_back(static_cast<uint8_t>(std::clamp(code, 0, 255)));
        }
        ++samples;
    }
    if (file.error() != QFileDevice::NoError) return fail(file.errorString());
    if (samples == 0) return fail(QStringLiteral("no samples"));
    for (const Target &t : targets) {
        const size_t m = t.channel;
        ChannelSettings &c = s.channels;
        c.ChanScale[m] = t.scale.ChanScale[m];
        c.ChanPos[m] = t.scale.ChanPos[m];
        c.VdivIndex[m] = t.scale.VdivIndex[m];
        c.ProbeIndex[m] = t.scale.ProbeIndex[m];
        auto &mem = m == ChM1 ? s.work.M1Buf : s.work.M2Buf;
        std::copy(t.bytes.begin(), t.bytes.end(), mem.begin());
        // Past the file's samples the channel reads zero volts.
        std::fill(mem.begin() + static_cast<std::ptrdiff_t>(samples), mem.end(),
                  static_cast<uint8_t>(std::clamp<int>(c.ChanPos[m], 0, 255)));
        s.view.ViewStart[m == ChM1 ? 1 : 2] = 0;
        c.ChanOn[m == ChM1 ? DispM1 : DispM2] = 1;
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
