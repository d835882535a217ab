// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/output/export.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include <QBuffer>
#include <QFileInfo>

#include "core/base/rates.h"
#include "core/base/state.h"
#include "core/output/export_text.h"
#include "core/settings/file_write.h"

namespace vrx {

ExportFormat FormatOfName(const QString &name) {
    const QString n = name.toLower();
    if (n == QLatin1String("csv")) return ExportFormat::Csv;
    if (n == QLatin1String("vcd")) return ExportFormat::Vcd;
    if (n == QLatin1String("sr")) return ExportFormat::Sigrok;
    return ExportFormat::Unknown;
}

ExportFormat FormatOfPath(const QString &path) {
    return FormatOfName(QFileInfo(path).suffix());
}

RecordData CurrentRecord() {
    const AppState &s = app();
    const uint8_t *buf = s.records.SampleBuf.data();
    RecordData r;
    r.a1 = buf + HW_SB_A1;
    r.a2 = buf + HW_SB_A2;
    r.lo = buf + HW_SB_D0_D7;
    r.hi = buf + HW_SB_D8_D15;
    r.length = std::clamp<int32_t>(s.acquisition.RecordLen, 1, HW_SB_AREA_LEN);
    r.periodSeconds = SamplePeriodSeconds(s.acquisition.RateIndex);
    for (size_t c = 0; c < 2; ++c) {
        r.zero[c] = s.channels.ChanPos[c];
        r.mvPerCode[c] = s.channels.ChanScale[c];
    }
    return r;
}

void AppendNumber(std::string &out, double v) {
    // Seven significant digits: a code of the finest scale stays apart from its neighbours.
    char tmp[32];
    const auto res = std::to_chars(tmp, tmp + sizeof tmp, v, std::chars_format::general, 7);
    out.append(tmp, res.ptr);
}

TimeStep TimeStepOf(double periodSeconds) {
    TimeStep t;
    if (!(periodSeconds > 0)) return t;
    // Every period of the rate table is a whole number of femtoseconds.
    t.count = std::llround(periodSeconds * 1e15);
    t.exponent = -15;
    while (t.count > 0 && t.count % 10 == 0) {
        t.count /= 10;
        ++t.exponent;
    }
    return t;
}

void AppendScaled(std::string &out, int64_t n, int exponent) {
    char digits[32];
    const auto res = std::to_chars(digits, digits + sizeof digits, n);
    std::string d(digits, res.ptr);
    if (exponent >= 0) {
        out += d;
        out.append(static_cast<size_t>(exponent), '0');
        return;
    }
    const auto decimals = static_cast<size_t>(-exponent);
    if (d.size() <= decimals) d.insert(0, decimals + 1 - d.size(), '0');
    d.insert(d.size() - decimals, 1, '.');
    while (d.back() == '0')
        d.pop_back();
    if (d.back() == '.') d.pop_back();
    out += d;
}

bool ChunkWriter::put() {
    if (ok_ &&
        out_.write(buf.data(), static_cast<qint64>(buf.size())) != static_cast<qint64>(buf.size()))
        ok_ = false;
    buf.clear();
    return ok_;
}

namespace {

QString WriteError(const QString &path, const QString &reason) {
    return QStringLiteral("cannot write ") + path + QStringLiteral(": ") + reason;
}

} // namespace

bool ExportRecord(const RecordData &r, const QString &path, ExportFormat format, QString &error) {
    if (format == ExportFormat::Unknown) {
        error = QStringLiteral("unknown file type: ") + path;
        return false;
    }
    if (r.length < 1 || !r.a1 || !r.a2 || !r.lo || !r.hi) {
        error = QStringLiteral("no record to write");
        return false;
    }
    QByteArray bytes;
    bool made = false;
    QString reason = QStringLiteral("out of memory");
    if (format == ExportFormat::Sigrok) {
        made = WriteSigrok(r, bytes, reason);
    } else {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        made = format == ExportFormat::Csv ? WriteCsv(r, buffer) : WriteVcd(r, buffer);
    }
    if (!made || !WriteFileAtomically(path, bytes, reason)) {
        error = WriteError(path, reason);
        return false;
    }
    return true;
}

} // namespace vrx
