// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/decode/decoders.h"

#include <algorithm>
#include <mutex>

#include <libsigrokdecode/libsigrokdecode.h>

#include "core/base/rates.h"

namespace vrx::decode {

namespace {

// Every call into the library takes this lock: it is not re-entrant across threads.
std::mutex &LibraryMutex() {
    static std::mutex m;
    return m;
}

QString Text(const char *s) {
    return s ? QString::fromUtf8(s) : QString();
}

QStringList TextList(const GSList *l) {
    QStringList out;
    for (; l; l = l->next)
        out << Text(static_cast<const char *>(l->data));
    return out;
}

// A GVariant of the types the decoders declare (string, integer, float) as the text a user
// types for it.
QString VariantText(GVariant *v) {
    if (!v) return {};
    if (g_variant_is_of_type(v, G_VARIANT_TYPE_STRING))
        return Text(g_variant_get_string(v, nullptr));
    if (g_variant_is_of_type(v, G_VARIANT_TYPE_INT64))
        return QString::number(static_cast<qlonglong>(g_variant_get_int64(v)));
    if (g_variant_is_of_type(v, G_VARIANT_TYPE_DOUBLE))
        return QString::number(g_variant_get_double(v));
    return {};
}

DecoderInfo Describe(const srd_decoder *dec) {
    DecoderInfo info;
    info.id = Text(dec->id);
    info.name = Text(dec->name);
    info.longname = Text(dec->longname);
    info.desc = Text(dec->desc);
    info.inputs = TextList(dec->inputs);
    info.outputs = TextList(dec->outputs);
    for (int optional = 0; optional < 2; ++optional) {
        for (const GSList *l = optional ? dec->opt_channels : dec->channels; l; l = l->next) {
            const auto *ch = static_cast<const srd_channel *>(l->data);
            info.channels.push_back({Text(ch->id), Text(ch->name), Text(ch->desc), optional == 1});
        }
    }
    for (const GSList *l = dec->options; l; l = l->next) {
        const auto *o = static_cast<const srd_decoder_option *>(l->data);
        OptionInfo opt{Text(o->id), Text(o->desc), VariantText(o->def), {}};
        for (const GSList *v = o->values; v; v = v->next)
            opt.values << VariantText(static_cast<GVariant *>(v->data));
        info.options.push_back(opt);
    }
    for (const GSList *l = dec->annotations; l; l = l->next) {
        const auto *pair = static_cast<const GSList *>(l->data);
        info.classIds << Text(static_cast<const char *>(pair->data));
        info.classDescs << (pair->next ? Text(static_cast<const char *>(pair->next->data))
                                       : QString());
    }
    for (const GSList *l = dec->annotation_rows; l; l = l->next) {
        const auto *r = static_cast<const srd_decoder_annotation_row *>(l->data);
        RowInfo row{Text(r->id), Text(r->desc), {}};
        for (const GSList *c = r->ann_classes; c; c = c->next)
            row.classes.push_back(GPOINTER_TO_INT(c->data));
        info.rows.push_back(row);
    }
    if (info.rows.empty()) {
        for (int c = 0; c < info.classIds.size(); ++c)
            info.rows.push_back({info.classIds[c], info.classDescs[c], {c}});
    }
    return info;
}

struct Library {
    bool loaded = false;
    QString why;
    std::vector<DecoderInfo> decoders;
};

Library &TheLibrary() {
    static Library lib;
    return lib;
}

} // namespace

bool LoadLibrary(QString *why) {
    static std::once_flag once;
    std::call_once(once, [] {
        std::lock_guard lock(LibraryMutex());
        Library &lib = TheLibrary();
        int rc = srd_init(nullptr);
        if (rc != SRD_OK) {
            lib.why =
                QStringLiteral("The decoder library did not start: %1").arg(Text(srd_strerror(rc)));
            return;
        }
        rc = srd_decoder_load_all();
        if (rc != SRD_OK || !srd_decoder_list()) {
            lib.why = QStringLiteral("No protocol decoders are installed");
            return;
        }
        for (const GSList *l = srd_decoder_list(); l; l = l->next)
            lib.decoders.push_back(Describe(static_cast<const srd_decoder *>(l->data)));
        std::sort(lib.decoders.begin(), lib.decoders.end(),
                  [](const DecoderInfo &a, const DecoderInfo &b) { return a.id < b.id; });
        lib.loaded = true;
    });
    if (!TheLibrary().loaded && why) *why = TheLibrary().why;
    return TheLibrary().loaded;
}

const std::vector<DecoderInfo> &Installed() {
    return TheLibrary().decoders;
}

const DecoderInfo *Find(const QString &id) {
    const auto &all = Installed();
    auto it = std::lower_bound(all.begin(), all.end(), id,
                               [](const DecoderInfo &d, const QString &key) { return d.id < key; });
    return it != all.end() && it->id == id ? &*it : nullptr;
}

std::optional<Stack> ParseStack(const QString &, QString *error) {
    if (error) *error = QStringLiteral("Decoder stacks are not read yet");
    return std::nullopt;
}

QString StackText(const Stack &) {
    return {};
}

struct Session::Impl {};

Session::Session() : d(std::make_unique<Impl>()) {}
Session::~Session() = default;

std::unique_ptr<Session> Session::Start(const std::vector<Stack> &, double, Sink, QString *error) {
    if (error) *error = QStringLiteral("Decoding is not available yet");
    return nullptr;
}

bool Session::Feed(const uint16_t *, size_t, QString *error) {
    if (error) *error = QStringLiteral("Decoding is not available yet");
    return false;
}

bool Session::End(QString *error) {
    if (error) *error = QStringLiteral("Decoding is not available yet");
    return false;
}

void Session::Cancel() {}

std::optional<double> RecordRate(int rateIndex, QString *why) {
    if (IsEquivalentTime(rateIndex)) {
        if (why)
            *why = QStringLiteral("Records at equivalent-time rates are not decoded: their samples "
                                  "come from many passes");
        return std::nullopt;
    }
    if (!IsTimedRate(rateIndex)) {
        if (why)
            *why = QStringLiteral(
                "Records on the external clock are not decoded: their sample rate is unknown");
        return std::nullopt;
    }
    return 1.0 / SamplePeriodSeconds(rateIndex);
}

} // namespace vrx::decode
