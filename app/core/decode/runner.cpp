// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/decode/runner.h"

#include <algorithm>
#include <cmath>
#include <map>

#include <QMetaObject>

#include "core/base/state.h"
#include "core/timing/bars.h"
#include "hwlink.h"

namespace vrx::decode {

namespace {

// "12.500 us": a time in the unit that keeps its integer part below 1000.
QString TimeText(double seconds) {
    static const std::pair<double, const char *> units[] = {
        {1, "s"}, {1e-3, "ms"}, {1e-6, "us"}, {1e-9, "ns"}};
    for (const auto &[scale, unit] : units)
        if (std::abs(seconds) >= scale || scale == 1e-9)
            return QStringLiteral("%1 %2").arg(seconds / scale, 0, 'f', 3).arg(QLatin1String(unit));
    return {};
}

QString RowDesc(const QString &decoder, int row) {
    const DecoderInfo *info = Find(decoder);
    if (!info || row < 0 || static_cast<size_t>(row) >= info->rows.size()) return {};
    const RowInfo &r = info->rows[static_cast<size_t>(row)];
    return r.desc.isEmpty() ? r.id : r.desc;
}

QByteArray CsvField(const QString &text) {
    QByteArray f = text.toUtf8();
    if (!f.contains(',') && !f.contains('"') && !f.contains('\n') && !f.contains('\r')) return f;
    f.replace("\"", "\"\"");
    return '"' + f + '"';
}

} // namespace

LogicRecord CopyLogicRecord() {
    const AppState &s = app();
    LogicRecord r;
    r.rateIndex = s.acquisition.RateIndex;
    const int64_t skip = std::clamp<int64_t>(s.view.ViewStart[0], 0, HW_SB_AREA_LEN);
    const int64_t len =
        std::clamp<int64_t>(int64_t{s.acquisition.RecordLen}, 0, HW_SB_AREA_LEN - skip);
    const uint8_t *lo = s.records.SampleBuf.data() + HW_SB_D0_D7 + skip;
    const uint8_t *hi = s.records.SampleBuf.data() + HW_SB_D8_D15 + skip;
    r.words.resize(static_cast<size_t>(len));
    for (size_t i = 0; i < r.words.size(); ++i)
        r.words[i] = static_cast<uint16_t>(hi[i] << 8 | lo[i]);
    return r;
}

std::vector<std::vector<QString>> InstanceNames(const std::vector<Stack> &stacks) {
    std::map<QString, int> count;
    std::vector<std::vector<QString>> names;
    for (const Stack &s : stacks) {
        names.emplace_back();
        for (const Layer &l : s.layers)
            names.back().push_back(QStringLiteral("%1-%2").arg(l.id).arg(++count[l.id]));
    }
    return names;
}

void RunControl::cancel() {
    stop_ = true;
    std::lock_guard l(m_);
    if (active_) active_->Cancel();
}

void RunControl::track(Session *s) {
    std::lock_guard l(m_);
    active_ = s;
    if (s && stop_) s->Cancel();
}

DecodeResult DecodeRecord(const QStringList &texts, const LogicRecord &record, RunControl *control,
                          const std::map<QString, QString> &failed, SessionCache *cache) {
    if (cache) // sessions of stacks no longer set up go
        std::erase_if(*cache, [&](const auto &entry) { return !texts.contains(entry.first); });
    DecodeResult r;
    r.texts = texts;
    r.stacks.resize(static_cast<size_t>(texts.size()));
    if (texts.isEmpty()) return r;
    QString why;
    const std::optional<double> rate = RecordRate(record.rateIndex, &why);
    if (!LoadLibrary(&why) || !rate) {
        for (StackResult &s : r.stacks)
            s.error = why;
        return r;
    }
    r.samplerate = *rate;

    // Every stack that parses gets its names, counted over the set-up as the library counts.
    std::vector<Stack> stacks;
    std::vector<int> parsedIndex(static_cast<size_t>(texts.size()), -1);
    for (qsizetype i = 0; i < texts.size(); ++i) {
        QString error;
        if (const auto f = failed.find(texts[i]); f != failed.end())
            r.stacks[static_cast<size_t>(i)].error = f->second;
        else if (auto st = ParseStack(texts[i], &error)) {
            parsedIndex[static_cast<size_t>(i)] = static_cast<int>(stacks.size());
            stacks.push_back(std::move(*st));
        } else {
            r.stacks[static_cast<size_t>(i)].error = error;
        }
    }
    const auto names = InstanceNames(stacks);

    for (size_t i = 0; i < r.stacks.size(); ++i) {
        const int p = parsedIndex[i];
        if (p < 0) continue;
        if (control && control->stopped()) break;
        const Stack &stack = stacks[static_cast<size_t>(p)];
        StackResult &out = r.stacks[i];
        std::map<std::pair<int, int>, DecodedRow> rows;
        auto sink = [&](int, const Annotation &a) {
            DecodedRow &row = rows[{a.layer, a.row}];
            row.annotations.push_back(a);
        };
        QString error;
        std::unique_ptr<Session> session;
        if (cache)
            if (auto kept = cache->extract(texts[static_cast<qsizetype>(i)]); !kept.empty())
                if (kept.mapped()->Restart(*rate, sink, nullptr))
                    session = std::move(kept.mapped());
        if (!session) session = Session::Start({stack}, *rate, sink, &error);
        bool ok = session != nullptr;
        if (session) {
            if (control) control->track(session.get());
            // The whole record at once (a cancel stops the session's own pieces): every piece
            // a decoder waits for in the middle of a run leaves a little memory in the library.
            ok = session->Feed(record.words.data(), record.words.size(), &error);
            if (ok) ok = session->End(&error);
            if (control) control->track(nullptr);
            // A session that failed is dropped; a cancelled one can start again.
            if (cache && (ok || (control && control->stopped())))
                (*cache)[texts[static_cast<qsizetype>(i)]] = std::move(session);
        }
        if (!ok) out.error = error.isEmpty() ? QStringLiteral("decoding failed") : error;
        for (auto &[key, row] : rows) {
            const auto layer = static_cast<size_t>(key.first);
            row.stack = static_cast<int>(i);
            row.layer = key.first;
            row.row = key.second;
            const QString id = layer < stack.layers.size() ? stack.layers[layer].id : QString();
            const QString instance = layer < names[static_cast<size_t>(p)].size()
                                         ? names[static_cast<size_t>(p)][layer]
                                         : id;
            row.name = instance + QStringLiteral(": ") + RowDesc(id, key.second);
            std::stable_sort(
                row.annotations.begin(), row.annotations.end(),
                [](const Annotation &a, const Annotation &b) { return a.start < b.start; });
            out.rows.push_back(std::move(row));
        }
    }
    return r;
}

Runner::Runner() : context_(std::make_unique<QObject>()) {
    worker_ = std::thread([this] { work(); });
    composed_ = Subscribe(Event::ScreenComposed, [this] { Refresh(); });
    applied_ = Subscribe(Event::SettingsApplied, [this] { Refresh(); });
}

Runner::~Runner() {
    {
        std::lock_guard l(m_);
        quit_ = true;
        control_.cancel();
    }
    cv_.notify_one();
    worker_.join();
}

void Runner::SetStacks(const QStringList &texts) {
    app().decode.Stacks = texts;
    failed_.clear(); // an edit tries every stack again
    if (last_)
        Submit(*last_);
    else
        Refresh();
}

void Runner::Refresh() {
    const QStringList &texts = app().decode.Stacks;
    // No decoders: nothing to copy while none were set up before either.
    if (texts.isEmpty() && lastTexts_.isEmpty() && serial_ != 0) return;
    LogicRecord record = CopyLogicRecord();
    if (last_ && *last_ == record && texts == lastTexts_) return;
    Submit(std::move(record));
}

void Runner::Submit(LogicRecord record) {
    last_ = std::make_shared<const LogicRecord>(std::move(record));
    const bool newSetup = lastTexts_ != app().decode.Stacks;
    if (newSetup) failed_.clear();
    lastTexts_ = app().decode.Stacks;
    const uint64_t serial = ++serial_;
    if (lastTexts_.isEmpty()) {
        {
            std::lock_guard l(m_);
            if (pending_) ++superseded_;
            pending_.reset();
            control_.cancel();
        }
        DecodeResult empty;
        empty.serial = serial;
        deliver(std::move(empty));
        return;
    }
    {
        std::lock_guard l(m_);
        if (pending_) ++superseded_;
        pending_ = Job{serial, lastTexts_, failed_, last_};
        // A run in progress stops for the newer record, unless the run before it was stopped
        // too: records coming faster than the decoders finish still show every other one.
        // A new set-up always stops it.
        if (newSetup || !lastCancelled_) control_.cancel();
    }
    cv_.notify_one();
}

void Runner::work() {
    for (;;) {
        Job job;
        {
            std::unique_lock l(m_);
            cv_.wait(l, [this] { return quit_ || pending_.has_value(); });
            if (quit_) return;
            job = std::move(*pending_);
            pending_.reset();
            control_.reset();
        }
        auto r = std::make_shared<DecodeResult>(
            DecodeRecord(job.texts, *job.record, &control_, job.failed, &sessions_));
        r->serial = job.serial;
        lastCancelled_ = control_.stopped();
        if (control_.stopped()) {
            ++superseded_;
            continue;
        }
        QMetaObject::invokeMethod(
            context_.get(), [this, r] { deliver(std::move(*r)); }, Qt::QueuedConnection);
    }
}

void Runner::deliver(DecodeResult r) {
    // A result the set-up or a newer record outdated while it was queued is dropped, unless
    // nothing newer can come for a while: the newest finished run always shows.
    if (r.serial < delivered_) return;
    delivered_ = r.serial;
    result_ = std::move(r);
    // Errors of the decoders themselves; a record the library cannot decode at all (its rate)
    // is no failure of theirs.
    if (result_.samplerate > 0)
        for (size_t i = 0; i < result_.stacks.size(); ++i)
            if (!result_.stacks[i].error.isEmpty() && result_.texts == lastTexts_)
                failed_.emplace(result_.texts[static_cast<qsizetype>(i)], result_.stacks[i].error);
    Publish(Event::DecodesReady);
}

std::vector<AnnotationBox> RowBoxes(const DecodedRow &row, int64_t first, double samplesPerPixel,
                                    int width) {
    std::vector<AnnotationBox> boxes;
    if (!(samplesPerPixel > 0) || width <= 0) return boxes;
    // Column c shows the samples first + c x spp .. first + (c + 1) x spp - 1.
    auto column = [&](double sample) {
        return std::floor((sample - static_cast<double>(first)) / samplesPerPixel);
    };
    for (const Annotation &a : row.annotations) {
        const double x0 = column(static_cast<double>(a.start));
        // The end is the first sample after the annotation: its last sample's columns end
        // where the end's begin. A point has one column.
        const double end = static_cast<double>(a.end);
        const double x1 = std::max({x0, column(end - 1), column(end) - 1});
        if (x1 < 0 || x0 >= width) continue;
        boxes.push_back({static_cast<int>(std::max(x0, -1.0)),
                         static_cast<int>(std::min<double>(x1, width)), &a});
    }
    return boxes;
}

QString FitText(const QStringList &texts, int width,
                const std::function<int(const QString &)> &advance) {
    for (const QString &t : texts)
        if (advance(t) <= width) return t;
    return {};
}

QString FitText(const QStringList &texts, int width, const QFontMetrics &metrics) {
    return FitText(texts, width, [&](const QString &t) { return metrics.horizontalAdvance(t); });
}

std::vector<TableLine> TableLines(const DecodeResult &r, const QString &filter) {
    std::vector<TableLine> lines;
    for (const StackResult &s : r.stacks)
        for (const DecodedRow &row : s.rows) {
            const qsizetype colon = row.name.indexOf(QStringLiteral(": "));
            const QString decoder = row.name.left(colon);
            const QString rowName = colon < 0 ? QString() : row.name.mid(colon + 2);
            for (const Annotation &a : row.annotations) {
                const QString text = a.texts.isEmpty() ? QString() : a.texts.front();
                if (!filter.isEmpty() && !decoder.contains(filter, Qt::CaseInsensitive) &&
                    !rowName.contains(filter, Qt::CaseInsensitive) &&
                    !text.contains(filter, Qt::CaseInsensitive))
                    continue;
                const QString time = r.samplerate > 0
                                         ? TimeText(static_cast<double>(a.start) / r.samplerate)
                                         : QString();
                lines.push_back({a.start, time, decoder, rowName, text});
            }
        }
    std::stable_sort(lines.begin(), lines.end(),
                     [](const TableLine &a, const TableLine &b) { return a.sample < b.sample; });
    return lines;
}

QByteArray TableCsv(const std::vector<TableLine> &lines) {
    QByteArray out = "Time,Sample,Decoder,Row,Text\r\n";
    for (const TableLine &l : lines) {
        out += CsvField(l.time) + ',' + QByteArray::number(static_cast<qulonglong>(l.sample)) +
               ',' + CsvField(l.decoder) + ',' + CsvField(l.row) + ',' + CsvField(l.text) + "\r\n";
    }
    return out;
}

void MoveV1To(uint64_t sample) {
    BarsLogic &b = bars();
    const auto pos = static_cast<int32_t>(
        std::min<uint64_t>(sample, static_cast<uint64_t>(std::max(b.ScrollVbar[0].max(), 0))));
    b.ScrollVbar[0].setValue(pos);
    b.Valign(0);
}

} // namespace vrx::decode
