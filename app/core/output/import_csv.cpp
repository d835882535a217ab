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
#include "core/output/export.h"
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

bool ImportCsv(const QString &path, int source, int target, QString &error) {
    if ((source != ChA1 && source != ChA2) || (target != ChM1 && target != ChM2)) {
        error = QStringLiteral("no such channel");
        return false;
    }
    AppState &s = app();
    const auto t = static_cast<size_t>(target);
    const double mvPerCode = s.channels.ChanScale[t];
    if (!(mvPerCode > 0)) {
        error = QStringLiteral("the memory channel has no scale");
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read ") + path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    const QByteArray column = source == ChA1 ? "A1_V" : "A2_V";
    const int col = static_cast<int>(Fields(file.readLine()).indexOf(column));
    if (col < 0) {
        error = path + QStringLiteral(": no column ") + QString::fromLatin1(column);
        return false;
    }
    const int16_t zero = s.channels.ChanPos[t];
    std::vector<uint8_t> bytes;
    bytes.reserve(kMemLen);
    for (int line = 2; !file.atEnd(); ++line) {
        const QByteArray text = file.readLine();
        if (text.trimmed().isEmpty()) continue;
        const QList<QByteArray> f = Fields(text);
        double volts = 0;
        if (col >= f.size() || !ParseDouble(f[col], volts)) {
            error = path + QStringLiteral(": line ") + QString::number(line) +
                    QStringLiteral(" has no number in ") + QString::fromLatin1(column);
            return false;
        }
        if (bytes.size() == static_cast<size_t>(kMemLen)) {
            error = path + QStringLiteral(": more samples than a memory channel holds (") +
                    QString::number(kMemLen) + QLatin1Char(')');
            return false;
        }
        // The byte of that voltage at the memory channel's scale and zero level, kept on the
        // converter's range.
        const int code = zero - RoundHalfEven(volts * 1000.0 / mvPerCode);
        bytes.push_back(static_cast<uint8_t>(std::clamp(code, 0, 255)));
    }
    if (bytes.empty()) {
        error = path + QStringLiteral(": no samples");
        return false;
    }
    auto &mem = target == ChM1 ? s.work.M1Buf : s.work.M2Buf;
    std::copy(bytes.begin(), bytes.end(), mem.begin());
    // Past the file's samples the channel reads zero volts.
    std::fill(mem.begin() + static_cast<std::ptrdiff_t>(bytes.size()), mem.end(),
              static_cast<uint8_t>(std::clamp<int>(zero, 0, 255)));
    s.view.ViewStart[target == ChM1 ? 1 : 2] = 0;
    s.channels.ChanOn[target == ChM1 ? DispM1 : DispM2] = 1;
    ComposeScreen(1, 1);
    return true;
}

} // namespace vrx
