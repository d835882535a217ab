// SPDX-License-Identifier: GPL-3.0-or-later
#include <Python.h> // first: the interpreter wants to set up the C library before any other

#include "core/decode/decoders.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdlib>
#include <map>
#include <mutex>
#include <unordered_map>

#include <libsigrokdecode/libsigrokdecode.h>

#include <QDir>
#include <QFileInfo>

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
        OptionInfo opt{Text(o->id), Text(o->desc), VariantText(o->def), {}, QStringLiteral("text")};
        if (o->def && g_variant_is_of_type(o->def, G_VARIANT_TYPE_INT64))
            opt.type = QStringLiteral("int");
        if (o->def && g_variant_is_of_type(o->def, G_VARIANT_TYPE_DOUBLE))
            opt.type = QStringLiteral("float");
        for (const GSList *v = o->values; v; v = v->next)
            opt.values << VariantText(static_cast<GVariant *>(v->data));
        info.options.push_back(opt);
    }
    for (const GSList *l = dec->annotations; l; l = l->next) {
        // Each class is a pair of strings: its id and its description.
        const auto *pair = static_cast<char *const *>(l->data);
        info.classIds << Text(pair[0]);
        info.classDescs << Text(pair[1]);
    }
    for (const GSList *l = dec->annotation_rows; l; l = l->next) {
        const auto *r = static_cast<const srd_decoder_annotation_row *>(l->data);
        RowInfo row{Text(r->id), Text(r->desc), {}};
        // (A row naming a class the decoder does not have keeps only the ones it has.)
        for (const GSList *c = r->ann_classes; c; c = c->next)
            if (GPOINTER_TO_INT(c->data) < info.classIds.size())
                row.classes.push_back(GPOINTER_TO_INT(c->data));
        info.rows.push_back(row);
    }
    if (info.rows.empty()) {
        for (int c = 0; c < info.classIds.size(); ++c)
            info.rows.push_back({info.classIds[c], info.classDescs[c], {c}});
    }
    return info;
}

// The library reports its errors (a decoder's exception with its traceback, a refused option)
// through its log. While a call into it runs (under the lock) the first error goes to the
// caller's text; everything else is dropped.
std::atomic<QString *> capturedError{nullptr};

int OnLibraryLog(void *, int level, const char *format, va_list args) {
    QString *error = capturedError;
    if (level > SRD_LOG_ERR || !error || !error->isEmpty()) return SRD_OK;
    char *text = g_strdup_vprintf(format, args);
    // The first line only: a traceback follows as a message of its own.
    QString line = QString::fromUtf8(text).section(QLatin1Char('\n'), 0, 0).trimmed();
    g_free(text);
    line.replace(QStringLiteral(": : "), QStringLiteral(": "));
    *error = line;
    return SRD_OK;
}

// Holds the lock for one call into the library and collects the error it reports.
class LibraryCall {
  public:
    LibraryCall() : lock_(LibraryMutex()) { capturedError = &error; }
    ~LibraryCall() { capturedError = nullptr; }
    LibraryCall(const LibraryCall &) = delete;
    LibraryCall &operator=(const LibraryCall &) = delete;
    // The library's own text, else `fallback` with the error code's.
    QString Error(const QString &fallback, int rc = SRD_OK) const {
        if (!error.isEmpty()) return error;
        return rc == SRD_OK ? fallback : fallback + QStringLiteral(": ") + Text(srd_strerror(rc));
    }
    QString error;

  private:
    std::lock_guard<std::mutex> lock_;
};

// Decoders are loaded when first asked for: a command line run that decodes UART loads only
// that one, the list of all of them loads them all. What is loaded stays, so a description
// never moves; its own lock lets a sink of a running session (which holds the library's lock)
// look decoders up.
struct Library {
    bool loaded = false;
    QString why;
    std::mutex catalogueMutex;
    std::map<QString, DecoderInfo> byId; // guarded by catalogueMutex
    std::atomic<bool> all{false};
    std::vector<DecoderInfo> sorted; // written once, before `all` is set
};

Library &TheLibrary() {
    static Library lib;
    return lib;
}

const DecoderInfo *Catalogued(const QString &id) {
    Library &lib = TheLibrary();
    const std::lock_guard lock(lib.catalogueMutex);
    const auto it = lib.byId.find(id);
    return it == lib.byId.end() ? nullptr : &it->second;
}

// Adds a loaded decoder (the library's lock held).
const DecoderInfo *Catalogue(const srd_decoder *dec) {
    Library &lib = TheLibrary();
    DecoderInfo info = Describe(dec);
    const std::lock_guard lock(lib.catalogueMutex);
    return &lib.byId.try_emplace(info.id, std::move(info)).first->second;
}

// A decoder id is a Python module's name: letters, digits and underscores.
bool PlausibleId(const QString &id) {
    return !id.isEmpty() && std::all_of(id.begin(), id.end(), [](QChar c) {
        return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
               (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || c.isDigit() ||
               c == QLatin1Char('_');
    });
}

// The library's `has_channel` hands its decoders True or False without taking a reference for
// them, so every call lowers the count of that object by one; a decoder that asks for each
// record (uart asks twice) brings it to zero within a few hundred records and the interpreter
// aborts ("bool_dealloc"). The method is replaced by one that calls it and takes the missing
// reference. Should a later library take the reference itself, the one taken here only keeps
// True or False alive a little longer, which they are anyway.
PyObject *libraryHasChannel = nullptr;

PyObject *HasChannel(PyObject *, PyObject *args) {
    PyObject *r = PyObject_Call(libraryHasChannel, args, nullptr);
    if (r == Py_True || r == Py_False) Py_INCREF(r);
    return r;
}

PyMethodDef hasChannelDef = {"has_channel", HasChannel, METH_VARARGS,
                             "Report whether a channel was supplied"};

bool MendHasChannel() {
    const PyGILState_STATE gil = PyGILState_Ensure();
    bool ok = false;
    if (PyObject *module = PyImport_ImportModule("sigrokdecode")) {
        if (PyObject *type = PyObject_GetAttrString(module, "Decoder")) {
            libraryHasChannel = PyObject_GetAttrString(type, "has_channel");
            PyObject *fn = libraryHasChannel ? PyCFunction_New(&hasChannelDef, nullptr) : nullptr;
            // An instance method binds the decoder as the first argument, as the library's own.
            PyObject *method = fn ? PyInstanceMethod_New(fn) : nullptr;
            ok = method && PyObject_SetAttrString(type, "has_channel", method) == 0;
            Py_XDECREF(method);
            Py_XDECREF(fn);
            Py_DECREF(type);
        }
        Py_DECREF(module);
    }
    if (!ok) PyErr_Clear();
    PyGILState_Release(gil);
    return ok;
}

} // namespace

bool LoadLibrary(QString *why) {
    static std::once_flag once;
    std::call_once(once, [] {
        const LibraryCall call;
        Library &lib = TheLibrary();
        srd_log_callback_set(OnLibraryLog, nullptr);
        srd_log_loglevel_set(SRD_LOG_ERR);
        const int rc = srd_init(nullptr);
        if (rc != SRD_OK) {
            lib.why =
                QStringLiteral("the decoder library did not start: %1").arg(Text(srd_strerror(rc)));
            return;
        }
        // The decoders are folders with a pd.py in the library's search path.
        bool found = false;
        for (const GSList *l = srd_searchpaths_get(); l && !found; l = l->next) {
            const QDir dir(Text(static_cast<const char *>(l->data)));
            for (const QString &sub : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
                if (QFileInfo::exists(dir.filePath(sub + QStringLiteral("/pd.py")))) {
                    found = true;
                    break;
                }
        }
        if (!found) {
            lib.why = QStringLiteral("no protocol decoders are installed");
            return;
        }
        if (!MendHasChannel()) {
            lib.why = QStringLiteral("the decoder library's Decoder type is not as expected");
            return;
        }
        lib.loaded = true;
    });
    if (!TheLibrary().loaded && why) *why = TheLibrary().why;
    return TheLibrary().loaded;
}

const std::vector<DecoderInfo> &Installed() {
    Library &lib = TheLibrary();
    if (lib.all || !LoadLibrary()) return lib.sorted;
    const LibraryCall call;
    if (lib.all) return lib.sorted;
    srd_decoder_load_all();
    for (const GSList *l = srd_decoder_list(); l; l = l->next)
        Catalogue(static_cast<const srd_decoder *>(l->data));
    {
        const std::lock_guard lock(lib.catalogueMutex);
        for (const auto &entry : lib.byId)
            lib.sorted.push_back(entry.second);
    }
    lib.all = true;
    return lib.sorted;
}

const DecoderInfo *Find(const QString &id) {
    if (const DecoderInfo *known = Catalogued(id)) return known;
    if (TheLibrary().all || !PlausibleId(id) || !LoadLibrary()) return nullptr;
    const LibraryCall call;
    if (const DecoderInfo *known = Catalogued(id)) return known;
    if (srd_decoder_load(id.toUtf8().constData()) != SRD_OK) return nullptr;
    const srd_decoder *dec = srd_decoder_get_by_id(id.toUtf8().constData());
    return dec ? Catalogue(dec) : nullptr;
}

namespace {

// The line a channel option names: D0..D15, 0..15, or a name of `lineNames` (index = line).
int LineOf(const QString &text, const QStringList &lineNames) {
    const int named = static_cast<int>(lineNames.indexOf(text));
    if (named >= 0 && named < kLines) return named;
    // A recording with names has only those lines.
    const int lines =
        lineNames.isEmpty() ? kLines : std::min<int>(kLines, static_cast<int>(lineNames.size()));
    QString digits = text;
    if (digits.size() > 1 && (digits[0] == QLatin1Char('D') || digits[0] == QLatin1Char('d')))
        digits = digits.mid(1);
    bool ok = false;
    const int line = digits.toInt(&ok);
    // "D" alone or a sign are not lines; the digits are plain decimal.
    if (!ok || digits.isEmpty() || !digits[0].isDigit()) return -1;
    return line >= 0 && line < lines ? line : -1;
}

const OptionInfo *OptionOf(const DecoderInfo &dec, const QString &id) {
    for (const OptionInfo &o : dec.options)
        if (o.id == id) return &o;
    return nullptr;
}

bool HasChannel(const DecoderInfo &dec, const QString &id) {
    return std::any_of(dec.channels.begin(), dec.channels.end(),
                       [&](const ChannelInfo &c) { return c.id == id; });
}

// The type an option's value takes is that of its default: a whole number, a number or text.
enum class ValueType { Text, Integer, Real };

struct TypedValue {
    ValueType type = ValueType::Text;
    qlonglong integer = 0;
    double real = 0;
};

// The value as the decoder declares it, read as the command line's users know it (numbers in
// C notation: 0x10, 1e6); false when the text is not of that type.
bool TypeValue(const DecoderInfo &dec, const QString &id, const QString &text, TypedValue &out) {
    const OptionInfo *o = OptionOf(dec, id);
    out = {};
    if (!o) return false;
    const QByteArray bytes = text.toUtf8();
    char *end = nullptr;
    errno = 0;
    if (o->type == QLatin1String("int")) {
        out.type = ValueType::Integer;
        out.integer = std::strtoll(bytes.constData(), &end, 0);
    } else if (o->type == QLatin1String("float")) {
        out.type = ValueType::Real;
        out.real = std::strtod(bytes.constData(), &end);
    } else {
        return true;
    }
    return !bytes.isEmpty() && end && *end == '\0' && errno == 0;
}

} // namespace

std::optional<Stack> ParseStack(const QString &spec, QString *error) {
    return ParseStack(spec, error, {});
}

std::optional<Stack> ParseStack(const QString &spec, QString *error, const QStringList &lineNames) {
    auto fail = [&](const QString &message) -> std::optional<Stack> {
        if (error) *error = message;
        return std::nullopt;
    };
    QString why;
    if (!LoadLibrary(&why)) return fail(why);
    if (spec.trimmed().isEmpty()) return fail(QStringLiteral("no decoder given"));
    Stack stack;
    const DecoderInfo *below = nullptr;
    for (const QString &part : spec.split(QLatin1Char(','))) {
        const QStringList items = part.split(QLatin1Char(':'));
        const DecoderInfo *dec = Find(items[0]);
        if (!dec) return fail(QStringLiteral("unknown decoder '%1'").arg(items[0]));
        // The first decoder reads the lines, each next one what the one before it outputs.
        if (!below && !dec->inputs.contains(QLatin1String("logic")))
            return fail(QStringLiteral("%1 does not read logic lines (it stacks on %2)")
                            .arg(dec->id, dec->inputs.join(QLatin1Char('/'))));
        if (below && !std::any_of(dec->inputs.begin(), dec->inputs.end(),
                                  [&](const QString &in) { return below->outputs.contains(in); }))
            return fail(QStringLiteral("%1 does not stack on %2 (it reads %3)")
                            .arg(dec->id, below->id, dec->inputs.join(QLatin1Char('/'))));
        Layer layer{dec->id, {}};
        for (qsizetype i = 1; i < items.size(); ++i) {
            const qsizetype eq = items[i].indexOf(QLatin1Char('='));
            const QString key = items[i].left(eq),
                          value = eq < 0 ? QString() : items[i].mid(eq + 1);
            const OptionInfo *opt = OptionOf(*dec, key);
            const bool channel = !below && HasChannel(*dec, key);
            if (!opt && !channel)
                return fail(QStringLiteral("%1 has no option or channel '%2'").arg(dec->id, key));
            if (eq < 0 || value.isEmpty())
                return fail(QStringLiteral("%1: '%2' needs a value").arg(dec->id, key));
            const bool twice = channel ? stack.channels.count(key) > 0
                                       : std::any_of(layer.options.begin(), layer.options.end(),
                                                     [&](const auto &o) { return o.first == key; });
            if (twice) return fail(QStringLiteral("%1: '%2' is given twice").arg(dec->id, key));
            if (channel) {
                const int line = LineOf(value, lineNames);
                if (line < 0)
                    return fail(
                        QStringLiteral("%1: channel '%2' names no line of the recording: %3")
                            .arg(dec->id, key, value));
                stack.channels[key] = line;
                continue;
            }
            TypedValue typed;
            if (!TypeValue(*dec, key, value, typed))
                return fail(QStringLiteral("%1: option '%2' takes %3, not '%4'")
                                .arg(dec->id, key,
                                     opt->type == QLatin1String("int")
                                         ? QStringLiteral("a whole number")
                                         : QStringLiteral("a number"),
                                     value));
            if (!opt->values.isEmpty() && !opt->values.contains(value)) {
                // A listed number may be written otherwise (0x10 for 16).
                const bool listed =
                    std::any_of(opt->values.begin(), opt->values.end(), [&](const QString &v) {
                        TypedValue other;
                        return typed.type != ValueType::Text && TypeValue(*dec, key, v, other) &&
                               other.integer == typed.integer && other.real == typed.real;
                    });
                if (!listed)
                    return fail(QStringLiteral("%1: option '%2' takes %3, not '%4'")
                                    .arg(dec->id, key, opt->values.join(QLatin1Char('|')), value));
            }
            layer.options.emplace_back(key, value);
        }
        stack.layers.push_back(layer);
        below = dec;
    }
    return stack;
}

QString StackText(const Stack &s) {
    QStringList parts;
    for (size_t i = 0; i < s.layers.size(); ++i) {
        QStringList items{s.layers[i].id};
        for (const auto &[id, value] : s.layers[i].options)
            items << id + QLatin1Char('=') + value;
        if (i == 0)
            for (const auto &[id, line] : s.channels)
                items << id + QStringLiteral("=D") + QString::number(line);
        parts << items.join(QLatin1Char(':'));
    }
    return parts.join(QLatin1Char(','));
}

// ---- Session -----------------------------------------------------------------------------

namespace {

// The largest piece of the stream handed to the library at once: a cancel is seen between
// pieces, so this bounds how long a cancelled Feed keeps decoding. A whole record of the
// largest sample memory goes in one piece: each time a decoder runs out of samples in the
// middle of a run and waits for the next piece, the library keeps a little memory (about
// 130 bytes) until the process ends, which grew the program by megabytes an hour at 128K.
constexpr size_t kFeedPiece = 131072;

void FreeVariant(gpointer v) {
    g_variant_unref(static_cast<GVariant *>(v));
}

GHashTable *NewVariantTable() {
    return g_hash_table_new_full(g_str_hash, g_str_equal, g_free, FreeVariant);
}

void Insert(GHashTable *t, const QString &key, GVariant *v) {
    g_hash_table_insert(t, g_strdup(key.toUtf8().constData()), g_variant_ref_sink(v));
}

} // namespace

struct Session::Impl {
    srd_session *sess = nullptr;
    Sink sink;
    // Where each decoder instance stands: stack, layer; and the row of each of its classes.
    struct Place {
        int stack = 0, layer = 0;
        std::vector<int> rowOfClass;
    };
    std::unordered_map<const srd_decoder_inst *, Place> places;
    std::vector<std::vector<QString>> instanceIds;
    uint64_t next = 0;
    bool running = false; // the decoders' threads wait for samples
    std::atomic<bool> cancelled{false};
    QString failure; // the first error; every later call repeats it
    // A stacked decoder that raised: the library reports it and the stack below decodes on, so
    // the run goes on to the end as well and then fails with it.
    QString raised;

    // Hands the sample rate to the decoders and starts them; the error text, empty on success.
    QString Begin(double samplerate, const LibraryCall &call);

    static void OnAnnotation(srd_proto_data *pdata, void *self) {
        auto *d = static_cast<Impl *>(self);
        const auto it = d->places.find(pdata->pdo->di);
        if (it == d->places.end() || !d->sink) return;
        const auto *pda = static_cast<const srd_proto_data_annotation *>(pdata->data);
        Annotation a;
        a.start = pdata->start_sample;
        a.end = pdata->end_sample;
        a.layer = it->second.layer;
        a.cls = pda->ann_class;
        const auto &rows = it->second.rowOfClass;
        a.row = a.cls >= 0 && static_cast<size_t>(a.cls) < rows.size()
                    ? rows[static_cast<size_t>(a.cls)]
                    : 0;
        for (char **t = pda->ann_text; t && *t; ++t)
            a.texts << QString::fromUtf8(*t);
        d->sink(it->second.stack, a);
    }
};

Session::Session() : d(std::make_unique<Impl>()) {}

Session::~Session() {
    if (!d->sess) return;
    const LibraryCall call;
    d->sink = nullptr;
    if (d->running) srd_session_terminate_reset(d->sess); // a cancelled run's threads
    srd_session_destroy(d->sess);
}

std::unique_ptr<Session> Session::Start(const std::vector<Stack> &stacks, double samplerate,
                                        Sink sink, QString *error) {
    auto fail = [&](const QString &message) -> std::unique_ptr<Session> {
        if (error) *error = message;
        return nullptr;
    };
    QString why;
    if (!LoadLibrary(&why)) return fail(why);
    if (stacks.empty()) return fail(QStringLiteral("no decoder given"));
    // Check the set-up before the library sees it: its own messages name no stack.
    for (const Stack &s : stacks) {
        if (s.layers.empty()) return fail(QStringLiteral("no decoder given"));
        QString text;
        if (!ParseStack(StackText(s), &text)) return fail(text);
        const DecoderInfo &first = *Find(s.layers[0].id);
        // With no channel given, the decoder's channels read D0, D1, ... in their order, as on
        // the field's command line; once one is given, every required one must be.
        if (s.channels.empty()) continue;
        for (const ChannelInfo &c : first.channels)
            if (!c.optional && !s.channels.count(c.id))
                return fail(QStringLiteral("%1: the channel '%2' is not assigned a line")
                                .arg(first.id, c.id));
    }

    std::unique_ptr<Session> session(new Session);
    Impl &d = *session->d;
    d.sink = std::move(sink);
    const LibraryCall call;
    if (int rc = srd_session_new(&d.sess); rc != SRD_OK)
        return fail(call.Error(QStringLiteral("cannot start a decoding session"), rc));
    for (size_t si = 0; si < stacks.size(); ++si) {
        const Stack &s = stacks[si];
        srd_decoder_inst *below = nullptr;
        d.instanceIds.emplace_back();
        for (size_t li = 0; li < s.layers.size(); ++li) {
            const Layer &layer = s.layers[li];
            const DecoderInfo &info = *Find(layer.id);
            GHashTable *options = NewVariantTable();
            for (const auto &[id, value] : layer.options) {
                TypedValue t;
                TypeValue(info, id, value, t);
                Insert(options, id,
                       t.type == ValueType::Integer ? g_variant_new_int64(t.integer)
                       : t.type == ValueType::Real
                           ? g_variant_new_double(t.real)
                           : g_variant_new_string(value.toUtf8().constData()));
            }
            srd_decoder_inst *di = srd_inst_new(d.sess, layer.id.toUtf8().constData(), options);
            g_hash_table_destroy(options);
            if (!di)
                return fail(call.Error(QStringLiteral("%1 refused its options").arg(layer.id)));
            Impl::Place place{static_cast<int>(si), static_cast<int>(li), {}};
            place.rowOfClass.assign(static_cast<size_t>(info.classIds.size()), 0);
            for (size_t r = info.rows.size(); r-- > 0;)
                for (int c : info.rows[r].classes)
                    if (c >= 0 && c < info.classIds.size())
                        place.rowOfClass[static_cast<size_t>(c)] = static_cast<int>(r);
            d.places[di] = std::move(place);
            d.instanceIds.back().push_back(Text(di->inst_id));
            if (below && srd_inst_stack(d.sess, below, di) != SRD_OK)
                return fail(call.Error(QStringLiteral("%1 does not stack on %2")
                                           .arg(layer.id, Text(below->decoder->id))));
            if (!below && !s.channels.empty()) {
                GHashTable *channels = NewVariantTable();
                for (const auto &[id, line] : s.channels)
                    Insert(channels, id, g_variant_new_int32(line));
                const int rc = srd_inst_channel_set_all(di, channels);
                g_hash_table_destroy(channels);
                if (rc != SRD_OK)
                    return fail(
                        call.Error(QStringLiteral("%1 refused its channels").arg(layer.id), rc));
            }
            below = di;
        }
    }
    if (int rc = srd_pd_output_callback_add(d.sess, SRD_OUTPUT_ANN, Impl::OnAnnotation, &d);
        rc != SRD_OK)
        return fail(call.Error(QStringLiteral("cannot collect annotations"), rc));
    if (QString e = d.Begin(samplerate, call); !e.isEmpty()) return fail(e);
    return session;
}

QString Session::Impl::Begin(double samplerate, const LibraryCall &call) {
    if (samplerate > 0) {
        const auto rate = static_cast<uint64_t>(std::llround(samplerate));
        if (int rc =
                srd_session_metadata_set(sess, SRD_CONF_SAMPLERATE, g_variant_new_uint64(rate));
            rc != SRD_OK)
            return call.Error(QStringLiteral("the decoders refused the sample rate"), rc);
    }
    if (int rc = srd_session_start(sess); rc != SRD_OK)
        return call.Error(QStringLiteral("the decoders did not start"), rc);
    running = true;
    return {};
}

bool Session::Restart(double samplerate, Sink sink, QString *error) {
    // A decoder that failed may have left its own state anywhere: only a finished or a
    // cancelled run is taken up again.
    if (!d->failure.isEmpty() && d->failure != QStringLiteral("cancelled")) {
        if (error) *error = d->failure;
        return false;
    }
    const LibraryCall call;
    d->sink = nullptr; // the last run's sink may refer to what is gone
    if (d->running && srd_session_terminate_reset(d->sess) != SRD_OK) {
        d->failure = call.Error(QStringLiteral("the decoder stopped"));
        if (error) *error = d->failure;
        return false;
    }
    d->running = false;
    d->sink = std::move(sink);
    d->next = 0;
    d->cancelled = false;
    d->failure.clear();
    d->failure = d->Begin(samplerate, call);
    if (!d->failure.isEmpty() && error) *error = d->failure;
    return d->failure.isEmpty();
}

bool Session::Feed(const uint16_t *words, size_t count, QString *error) {
    static_assert(std::endian::native == std::endian::little,
                  "the library reads little-endian words");
    auto fail = [&](const QString &message) {
        if (d->failure.isEmpty()) d->failure = message;
        if (error) *error = d->failure;
        return false;
    };
    if (!d->failure.isEmpty()) return fail(d->failure);
    for (size_t done = 0; done < count;) {
        if (d->cancelled) return fail(QStringLiteral("cancelled"));
        const size_t n = std::min(kFeedPiece, count - done);
        const LibraryCall call;
        const int rc = srd_session_send(d->sess, d->next, d->next + n,
                                        reinterpret_cast<const uint8_t *>(words + done),
                                        n * sizeof(uint16_t), sizeof(uint16_t));
        if (rc != SRD_OK) {
            // A decoder that raised reports it from its own thread as that thread ends: join
            // the threads so that the report is in before it is read.
            srd_session_terminate_reset(d->sess);
            d->running = false;
            return fail(call.Error(QStringLiteral("the decoder stopped"), rc));
        }
        if (d->raised.isEmpty()) d->raised = call.error;
        d->next += n;
        done += n;
    }
    return true;
}

bool Session::End(QString *error) {
    if (d->failure.isEmpty() && d->cancelled) d->failure = QStringLiteral("cancelled");
    if (d->failure.isEmpty()) {
        // The decoders have seen every sample; their threads end here.
        const LibraryCall call;
        const int rc = srd_session_terminate_reset(d->sess);
        d->running = false;
        if (rc != SRD_OK) d->failure = call.Error(QStringLiteral("the decoder stopped"), rc);
        if (d->failure.isEmpty()) d->failure = d->raised.isEmpty() ? call.error : d->raised;
    }
    if (!d->failure.isEmpty() && error) *error = d->failure;
    return d->failure.isEmpty();
}

void Session::Cancel() {
    d->cancelled = true;
}

QString Session::InstanceId(int stack, int layer) const {
    if (stack < 0 || static_cast<size_t>(stack) >= d->instanceIds.size()) return {};
    const auto &ids = d->instanceIds[static_cast<size_t>(stack)];
    return layer >= 0 && static_cast<size_t>(layer) < ids.size() ? ids[static_cast<size_t>(layer)]
                                                                 : QString();
}

std::optional<double> RecordRate(int rateIndex, QString *why) {
    if (IsEquivalentTime(rateIndex)) {
        if (why)
            *why = QStringLiteral("records at equivalent-time rates are not decoded: their samples "
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
