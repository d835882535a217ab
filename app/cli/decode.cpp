// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/decode.h"

#include <algorithm>
#include <cstdio>

namespace vrx::cli {

namespace {

// Names compare as the field's command line compares them: letters and digits only, any case
// ("rx-data" names "rx_data").
QString Canonical(const QString &s) {
    QString out;
    for (const QChar c : s.toLower())
        if ((c >= QLatin1Char('a') && c <= QLatin1Char('z')) || c.isDigit()) out += c;
    return out;
}

} // namespace

bool DecodePrinter::Setup(const QStringList &stacks, const QStringList &annotations,
                          const QStringList &lineNames, QString &error) {
    QString why;
    if (!decode::LoadLibrary(&why)) {
        error = why;
        return false;
    }
    stacks_.clear();
    shown_.clear();
    for (const QString &spec : stacks) {
        auto s = decode::ParseStack(spec, &why, lineNames);
        if (!s) {
            error = QStringLiteral("-P ") + spec + QStringLiteral(": ") + why;
            return false;
        }
        stacks_.push_back(*s);
        if (annotations.isEmpty())
            for (const decode::Layer &l : s->layers)
                shown_[l.id] = {-1};
    }
    // The list ends at its first empty item, as on the field's command line.
    for (const QString &item : annotations.join(QLatin1Char(',')).split(QLatin1Char(','))) {
        if (item.isEmpty()) break;
        const QStringList keyValue = item.split(QLatin1Char('='));
        const decode::DecoderInfo *dec = decode::Find(keyValue[0]);
        if (!dec) {
            error = QStringLiteral("-A: unknown decoder '%1'").arg(keyValue[0]);
            return false;
        }
        if (dec->classIds.isEmpty()) {
            error = QStringLiteral("-A: %1 has no annotations").arg(dec->id);
            return false;
        }
        const QString names = keyValue.size() == 2 ? keyValue[1] : QString();
        if (names.isEmpty()) {
            shown_[dec->id] = {-1};
            continue;
        }
        std::vector<int> &shown = shown_[dec->id];
        for (const QString &name : names.split(QLatin1Char(':'))) {
            if (name.isEmpty()) break;
            // A class by its name first, else a row with all its classes.
            const auto cls =
                std::find_if(dec->classIds.begin(), dec->classIds.end(),
                             [&](const QString &c) { return Canonical(c) == Canonical(name); });
            if (cls != dec->classIds.end()) {
                shown.push_back(static_cast<int>(cls - dec->classIds.begin()));
                continue;
            }
            const auto row =
                std::find_if(dec->rows.begin(), dec->rows.end(), [&](const decode::RowInfo &r) {
                    return Canonical(r.id) == Canonical(name);
                });
            if (row == dec->rows.end()) {
                error =
                    QStringLiteral("-A: %1 has no annotation row or class '%2'").arg(dec->id, name);
                return false;
            }
            shown.insert(shown.end(), row->classes.begin(), row->classes.end());
        }
    }
    return true;
}

bool DecodePrinter::Decode(double samplerate, const Source &next, QString &error) const {
    // The lines of each stack wait until every stack has seen the piece: stacks take turns at
    // each piece, and their lines come out in that order.
    std::vector<std::vector<QByteArray>> pending(stacks_.size());
    std::vector<std::vector<QByteArray>> prefix(stacks_.size());
    std::vector<std::vector<const std::vector<int> *>> shown(stacks_.size());
    const bool direct = stacks_.size() == 1;
    auto sink = [&](int stack, const decode::Annotation &a) {
        const auto st = static_cast<size_t>(stack), layer = static_cast<size_t>(a.layer);
        const std::vector<int> *classes = shown[st][layer];
        if (!classes || a.texts.isEmpty()) return;
        if (std::find(classes->begin(), classes->end(), -1) == classes->end() &&
            std::find(classes->begin(), classes->end(), a.cls) == classes->end())
            return;
        QByteArray line = prefix[st][layer] + a.texts.first().toUtf8() + '\n';
        if (direct)
            std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
        else
            pending[st].push_back(std::move(line));
    };
    // Records after the first take up the session of the one before (see Session::Restart).
    if (!session_ || !session_->Restart(samplerate, sink, nullptr))
        session_ = decode::Session::Start(stacks_, samplerate, sink, &error);
    decode::Session *session = session_.get();
    if (!session) return false;
    for (size_t s = 0; s < stacks_.size(); ++s)
        for (size_t l = 0; l < stacks_[s].layers.size(); ++l) {
            prefix[s].push_back(
                session->InstanceId(static_cast<int>(s), static_cast<int>(l)).toUtf8() + ": ");
            const auto it = shown_.find(stacks_[s].layers[l].id);
            shown[s].push_back(it == shown_.end() ? nullptr : &it->second);
        }
    auto flush = [&] {
        for (auto &lines : pending) {
            for (const QByteArray &line : lines)
                std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
            lines.clear();
        }
    };
    std::vector<uint16_t> words;
    bool ok = true;
    while (ok && next(words, error)) {
        ok = session->Feed(words.data(), words.size(), &error);
        flush();
    }
    if (ok && !error.isEmpty()) return false; // the source failed
    ok = ok && session->End(&error);
    flush();
    return ok;
}

} // namespace vrx::cli
