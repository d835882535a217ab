// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/decode/sigrok_reader.h"

#include <algorithm>
#include <cmath>
#include <map>

#include <zip.h>

#include <QFileInfo>

#include "core/decode/decoders.h"

namespace vrx::decode {

namespace {

// The largest piece of a chunk read at once, as the field's tools read it.
constexpr zip_uint64_t kPieceBytes = 4 * 1024 * 1024;
// Metadata is a few hundred bytes; anything past this is not a session's.
constexpr zip_uint64_t kMaxMetadata = 1024 * 1024;

using Section = std::map<QString, QString>;

// The "[section]" / "key=value" text of the metadata.
std::map<QString, Section> ParseMetadata(const QString &text) {
    std::map<QString, Section> sections;
    Section *current = nullptr;
    for (const QString &raw : text.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) ||
            line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            current = &sections[line.mid(1, line.size() - 2)];
        } else if (current && line.contains(QLatin1Char('='))) {
            const auto eq = line.indexOf(QLatin1Char('='));
            (*current)[line.left(eq).trimmed()] = line.mid(eq + 1).trimmed();
        }
    }
    return sections;
}

// "200 kHz", "1 MHz", "10000000 Hz", "2.5 MHz": the rate in Hz, or -1 when it is no rate.
double ParseRate(const QString &text) {
    static const std::map<QChar, double> kUnit = {
        {QLatin1Char('k'), 1e3}, {QLatin1Char('m'), 1e6}, {QLatin1Char('g'), 1e9}};
    QString t = text.trimmed().toLower();
    if (t.endsWith(QLatin1String("hz"))) t.chop(2);
    t = t.trimmed();
    double unit = 1;
    if (!t.isEmpty() && kUnit.count(t.back())) {
        unit = kUnit.at(t.back());
        t.chop(1);
    }
    bool ok = false;
    const double v = t.trimmed().toDouble(&ok);
    return ok && v >= 0 && std::isfinite(v) ? v * unit : -1;
}

} // namespace

struct SigrokReader::Impl {
    zip_t *archive = nullptr;
    zip_file_t *chunk = nullptr;
    QString path, capturefile;
    int chunkNumber = 0; // 0: the unchunked capture file, else the number of the chunk open
    bool unchunked = false, done = false;
    double samplerate = 0;
    int probes = 0, unitsize = 1;
    QStringList names;
    std::vector<uint8_t> bytes;

    ~Impl() {
        if (chunk) zip_fclose(chunk);
        if (archive) zip_discard(archive);
    }
    zip_uint64_t piece = kPieceBytes; // bytes read at once from the chunk open
    bool Exists(const QString &name) const {
        zip_stat_t st;
        return zip_stat(archive, name.toUtf8().constData(), 0, &st) == 0;
    }
    // The chunk's size where the archive states it: a small capture is read in one piece
    // without setting aside (and clearing) the whole of a large piece first.
    zip_uint64_t PieceFor(const QString &name) const {
        zip_stat_t st;
        if (zip_stat(archive, name.toUtf8().constData(), 0, &st) != 0 ||
            !(st.valid & ZIP_STAT_SIZE) || st.size >= kPieceBytes)
            return kPieceBytes;
        return std::max<zip_uint64_t>(st.size, 1);
    }
    QString ZipError() const { return QString::fromLocal8Bit(zip_strerror(archive)); }
};

SigrokReader::SigrokReader() : d(std::make_unique<Impl>()) {}
SigrokReader::~SigrokReader() = default;

double SigrokReader::Samplerate() const {
    return d->samplerate;
}

const QStringList &SigrokReader::LineNames() const {
    return d->names;
}

bool SigrokReader::Open(const QString &path, QString *error) {
    auto fail = [&](const QString &why) {
        if (error) *error = path + QStringLiteral(": ") + why;
        return false;
    };
    d = std::make_unique<Impl>();
    d->path = path;
    if (!QFileInfo(path).isFile()) return fail(QStringLiteral("no such file"));
    int code = 0;
    d->archive = zip_open(path.toLocal8Bit().constData(), ZIP_RDONLY, &code);
    if (!d->archive) return fail(QStringLiteral("not a sigrok session file (no zip archive)"));
    zip_stat_t st;
    if (zip_stat(d->archive, "metadata", 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE) ||
        st.size > kMaxMetadata)
        return fail(QStringLiteral("not a sigrok session file (no metadata)"));
    QByteArray meta(static_cast<qsizetype>(st.size), '\0');
    zip_file_t *f = zip_fopen(d->archive, "metadata", 0);
    const bool read = f && zip_fread(f, meta.data(), st.size) == static_cast<zip_int64_t>(st.size);
    if (f) zip_fclose(f);
    if (!read) return fail(QStringLiteral("cannot read its metadata: ") + d->ZipError());

    const auto sections = ParseMetadata(QString::fromUtf8(meta));
    const Section *device = nullptr;
    for (const auto &[name, keys] : sections)
        if (name.startsWith(QLatin1String("device ")) &&
            keys.count(QStringLiteral("capturefile"))) {
            device = &keys;
            break;
        }
    auto value = [&](const char *key) {
        const auto it = device->find(QLatin1String(key));
        return it == device->end() ? QString() : it->second;
    };
    bool ok = false;
    d->probes = device ? value("total probes").toInt(&ok) : 0;
    if (!device || !ok || d->probes <= 0)
        return fail(QStringLiteral("the file holds no logic data"));
    if (d->probes > kLines)
        return fail(QStringLiteral("the file has %1 logic channels; at most %2 are decoded")
                        .arg(d->probes)
                        .arg(kLines));
    d->capturefile = value("capturefile");
    const QString unitsize = value("unitsize");
    d->unitsize = unitsize.isEmpty() ? (d->probes + 7) / 8 : unitsize.toInt(&ok);
    if (!unitsize.isEmpty() && (!ok || d->unitsize < 1 || d->unitsize > 8))
        return fail(QStringLiteral("bad unit size '%1'").arg(unitsize));
    const QString rate = value("samplerate");
    d->samplerate = rate.isEmpty() ? 0 : ParseRate(rate);
    if (d->samplerate < 0) return fail(QStringLiteral("bad sample rate '%1'").arg(rate));
    for (int k = 0; k < d->probes; ++k) {
        const QString name = value(qPrintable(QStringLiteral("probe%1").arg(k + 1)));
        d->names << (name.isEmpty() ? QString::number(k) : name);
    }
    // One unchunked capture file, else its numbered chunks from 1.
    d->unchunked = d->Exists(d->capturefile);
    if (!d->unchunked && !d->Exists(d->capturefile + QStringLiteral("-1")))
        return fail(QStringLiteral("the file holds no logic data"));
    return true;
}

bool SigrokReader::Next(std::vector<uint16_t> &words, QString *error) {
    words.clear();
    if (error) error->clear();
    Impl &s = *d;
    while (!s.done && s.archive) {
        if (!s.chunk) {
            const QString name = s.unchunked
                                     ? (s.chunkNumber == 0 ? s.capturefile : QString())
                                     : s.capturefile + QStringLiteral("-%1").arg(s.chunkNumber + 1);
            if (name.isEmpty() || !s.Exists(name)) {
                s.done = true;
                break;
            }
            ++s.chunkNumber;
            s.piece = s.PieceFor(name);
            s.chunk = zip_fopen(s.archive, name.toUtf8().constData(), 0);
            if (!s.chunk) {
                if (error)
                    *error = s.path + QStringLiteral(": cannot read ") + name +
                             QStringLiteral(": ") + s.ZipError();
                return false;
            }
        }
        const auto unit = static_cast<zip_uint64_t>(s.unitsize);
        s.bytes.resize(std::max(s.piece / unit, zip_uint64_t{1}) * unit);
        const zip_int64_t got = zip_fread(s.chunk, s.bytes.data(), s.bytes.size());
        if (got < 0) {
            if (error)
                *error = s.path + QStringLiteral(": cannot read its logic data: ") +
                         QString::fromLocal8Bit(zip_file_strerror(s.chunk));
            return false;
        }
        if (got == 0) {
            zip_fclose(s.chunk);
            s.chunk = nullptr;
            continue;
        }
        // Bit k of a sample is probe k + 1; the probes beyond the file's count carry nothing.
        const size_t n = static_cast<size_t>(got) / unit;
        const auto mask = static_cast<uint16_t>((1u << s.probes) - 1);
        words.resize(n);
        const uint8_t *p = s.bytes.data();
        for (size_t i = 0; i < n; ++i, p += unit)
            words[i] = static_cast<uint16_t>((p[0] | (unit > 1 ? p[1] << 8 : 0)) & mask);
        return true;
    }
    return false;
}

} // namespace vrx::decode
