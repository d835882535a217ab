// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/settings_file.h"

#include <limits>
#include <vector>

#include <QFile>
#include <QFileInfo>

#include "core/analysis/fft.h"
#include "core/base/ui.h"
#include "core/settings/file_write.h"
#include "core/timing/bars.h"

namespace vrx {

namespace {

const QByteArray kCrLf = QByteArrayLiteral("\r\n");
// A record is a few hundred bytes at most: its longest text takes three bytes a character.
constexpr qsizetype kMaxLine = 4096;
constexpr qint64 kMaxFile = 64 * 1024; // the file is about 4 KB; later bytes are never read
constexpr int kModelLength = 64;
constexpr int32_t kColorMax = 0xFFFFFF; // 0x00BBGGRR

enum class Kind { Str, Bool, U8, I16, I32 };

// One value of a record, bound to its place in a snapshot, with the range the program accepts
// (a list index outside its list would index past a table) or, for a text, the most characters
// its box takes.
struct Field {
    Kind kind;
    void *ptr;
    int64_t lo = 0, hi = 0;
};

Field Str(QString &v, int maxLength) {
    return {Kind::Str, &v, 0, maxLength};
}
Field Flag(int16_t &v) {
    return {Kind::Bool, &v};
}
Field Num(uint8_t &v, int64_t lo = 0, int64_t hi = 255) {
    return {Kind::U8, &v, lo, hi};
}
Field Num(int16_t &v, int64_t lo = std::numeric_limits<int16_t>::min(),
          int64_t hi = std::numeric_limits<int16_t>::max()) {
    return {Kind::I16, &v, lo, hi};
}
Field Num(int32_t &v, int64_t lo = std::numeric_limits<int32_t>::min(),
          int64_t hi = std::numeric_limits<int32_t>::max()) {
    return {Kind::I32, &v, lo, hi};
}

struct Record {
    QString key; // empty with `keyed`: a blank line
    bool keyed = true;
    std::vector<Field> fields;
};

// The first `n` entries of an array as values of one record.
template <typename A, typename... R> std::vector<Field> Each(A &arr, size_t n, R... range) {
    std::vector<Field> f;
    for (size_t i = 0; i < n; ++i)
        f.push_back(Num(arr[i], range...));
    return f;
}

// The records of the file in their order, bound to `s`. `reserve` receives the filler lines.
std::vector<Record> Layout(SettingsSnapshot &s, int16_t &reserve) {
    std::vector<Record> r;
    r.reserve(192); // the file's records and blank lines
    auto rec = [&r](const QString &key, std::vector<Field> f) {
        r.push_back({key, true, std::move(f)});
    };
    auto blank = [&r] { r.push_back({}); };
    auto numbered = [&rec](const char *key, int i, Field f) {
        rec(QString::fromLatin1(key) + QString::number(i), {f});
    };
    ChannelSettings &ch = s.channels;
    AcquisitionSettings &acq = s.acquisition;
    TriggerSettings &tr = s.trigger;
    ViewSettings &v = s.view;
    LogicTables &lg = s.logic;
    DisplaySettings &d = s.display;
    FftSettings &fft = s.fft;

    rec("Model", {Str(s.Model, kModelLength)});
    rec("AutoLoadsetting", {Flag(d.AutoLoad)});
    blank();
    rec("Tab0", {Num(ch.SelChannel, 0, 4)});
    rec("Cp_val", Each(ch.Coupling, 4, 0, 2));
    rec("P_attn", Each(ch.ProbeIndex, 4, 0, 3));
    rec("S_val", Each(ch.VdivIndex, 4, 0, 8));
    rec("VOffset", Each(ch.ChanPos, 5, 0, 255));
    blank();
    rec("TrigCh", {Num(tr.TrigChannel, 0, 2)});
    rec("TrigSlop", Each(tr.TrigSlope, 3, 0, 1));
    rec("Triglevel", Each(tr.TrigLevel, 6));
    rec("V_tshd", {Num(tr.TrigDac)});
    blank();
    rec("Capture", {Num(acq.CaptureMode, 0, 2)});
    rec("Depth", {Num(acq.DepthIndex, 0, 2)});
    rec("Zoom", {Num(acq.ZoomIndex, 0, 15)});
    rec("Rate", {Num(acq.RateIndex, 0, kRateCount - 1)});
    rec("ABuflen", {Num(acq.LastSample, 0, HW_SB_AREA_LEN - 1)});
    rec("Adjaddr", Each(v.ViewStart, 4, -HW_SB_AREA_LEN, HW_SB_AREA_LEN));
    rec("Vpos", {Num(v.BarPos[0], 0, kScrollLimit), Num(v.BarPos[1], 0, kScrollLimit),
                 Num(v.BarPos[2], kLongestDelay, kScrollLimit)});
    rec("Scrpos", {Num(v.ScrollPos, 0, kScrollLimit)});
    rec("Hpos", Each(v.HbarPos, 2, 0, 255));
    blank();
    for (int i = 0; i < kColors; ++i)
        numbered("Scolor", i, Num(s.colors.Colors[static_cast<size_t>(i)], 0, kColorMax));
    blank();
    for (int i = 0; i < kUserColors; ++i)
        numbered("UserColor", i, Num(s.colors.Colors2[static_cast<size_t>(i)], 0, kColorMax));
    blank();
    rec("Trans", Each(ch.ChanOn, kDisplayItems, 0, 1));
    rec("mnuZoomview", {Flag(d.ZoomView)});
    rec("Statusbar", {Flag(d.StatusBarOn)});
    for (int i = 0; i < kLanes; ++i)
        numbered("Ch_D", i, Str(lg.LogicLaneName[static_cast<size_t>(i)], kNameLength));
    for (int i = 0; i < kLanes; ++i)
        numbered("Sequence", i, Num(lg.Sequence[static_cast<size_t>(i)], 0, kLanes - 1));
    blank();
    rec("OpQualify", {Num(lg.SelWord, 0, 3)});
    for (int i = 0; i < 4; ++i)
        numbered("Qualify", i, Str(lg.TriggerWords[static_cast<size_t>(i)], kWordLength));
    rec("FFtSource", {Num(fft.FFtSource, 0, 3)});
    rec("FFtDBdiv", {Num(fft.FFtDBdiv, 0, 3)});
    rec("FFtGain", {Num(fft.FFtGain, 0, 2)});
    rec("FFtWin", {Num(fft.FFtWin, 0, 6)});
    rec("FFtPoint", {Num(fft.FFtPoint, 0, 8)});
    rec("FFtZoom", {Num(fft.FFtZoom, 0, 7)});
    rec("FFtoffset", {Num(fft.FFtoffset[0], 0, kFftOffsetMax)});
    rec("FFtVpos", Each(fft.FFtVpos, 2, 0, HW_SB_AREA_LEN - 1));
    blank();
    rec("TestA1", Each(s.measure.TestA1, 12, 0, 1));
    rec("TestA2", Each(s.measure.TestA2, 12, 0, 1));
    blank();
    rec("Operator", {Num(d.FuOp, 0, 3)});
    rec("Source", Each(d.FuSource, 2, 0, 3));
    rec("ChHeight", {Num(d.ChHeight)});
    rec("Dispunit", {Num(d.Dispunit, 0, 1)});
    blank();
    rec("cmb_Arrange", {Num(lg.BusArrange, 0, 3)});
    rec("cmb_State(2)", Each(lg.BusFormat, 3, 0, 2));
    for (int i = 0; i < 3; ++i)
        rec(QStringLiteral("txt_Bus(%1)").arg(i),
            {Str(lg.BusGroupName[static_cast<size_t>(i)], kNameLength)});
    blank();
    rec("chk_Code", Each(lg.MnemonicOn, 16, 0, 1));
    rec("txt_Code", {});
    for (QString &p : lg.MnemonicPattern)
        r.push_back({{}, false, {Str(p, kWordLength)}});
    blank();
    rec("txt_Mnem", {});
    for (QString &m : lg.MnemonicName)
        r.push_back({{}, false, {Str(m, kNameLength)}});
    blank();
    rec("mnuCount", {Flag(d.CountOn[0]), Flag(d.CountOn[1])});
    rec("mnuCountRes", {Num(s.CountRes, 0, 2)});
    rec("mnuCountppm", {Num(d.CountPpm, 0, 10)});
    rec("mnuState", {Flag(d.StateOn)});
    rec("mnuMeasure", {Flag(d.MeasureOn)});
    rec("mnuRate27", {Num(d.CatchRateLimit, 25, 27)});
    rec("mnuCatch50", {Flag(d.CatchEnabled)});
    for (int i = 0; i < 10; ++i)
        rec("Reserve", {Num(reserve)});
    return r;
}

// A text as the file holds it: in quotes, so it cannot hold a quote or a line break.
QByteArray Quoted(const QString &text) {
    QString t = text;
    for (QChar &c : t) {
        if (c == QLatin1Char('"'))
            c = QLatin1Char('\'');
        else if (c.unicode() < 0x20)
            c = QLatin1Char(' ');
    }
    return '"' + t.toUtf8() + '"';
}

QByteArray ValueText(const Field &f) {
    switch (f.kind) {
    case Kind::Str: // never more than the reader takes back
        return Quoted(LeftOf(*static_cast<QString *>(f.ptr), f.hi));
    case Kind::Bool:
        return *static_cast<int16_t *>(f.ptr) != 0 ? QByteArrayLiteral("#TRUE#")
                                                   : QByteArrayLiteral("#FALSE#");
    case Kind::U8:
        return QByteArray::number(*static_cast<uint8_t *>(f.ptr));
    case Kind::I16:
        return QByteArray::number(*static_cast<int16_t *>(f.ptr));
    case Kind::I32:
        return QByteArray::number(*static_cast<int32_t *>(f.ptr));
    }
    return {};
}

struct Token {
    bool quoted = false;
    QByteArray text;
};

// The comma-separated items of a line; false with the reason for a line that is not one.
bool SplitLine(const QByteArray &line, std::vector<Token> &out, QString &why) {
    out.clear();
    for (char c : line)
        if (static_cast<unsigned char>(c) < 0x20) {
            why = QStringLiteral("the line holds control characters");
            return false;
        }
    if (line.isEmpty()) return true;
    qsizetype pos = 0;
    for (;;) {
        Token t;
        qsizetype end;
        if (line[pos] == '"') {
            const qsizetype close = line.indexOf('"', pos + 1);
            if (close < 0) {
                why = QStringLiteral("a text has no closing quote");
                return false;
            }
            t.quoted = true;
            t.text = line.mid(pos + 1, close - pos - 1);
            end = close + 1;
        } else {
            end = line.indexOf(',', pos);
            if (end < 0) end = line.size();
            t.text = line.mid(pos, end - pos);
            if (t.text.contains('"')) {
                why = QStringLiteral("a quote stands inside a value");
                return false;
            }
        }
        out.push_back(t);
        if (end == line.size()) return true;
        if (line[end] != ',') {
            why = QStringLiteral("a text is followed by something other than a comma");
            return false;
        }
        pos = end + 1;
        if (pos == line.size()) {
            out.push_back({});
            return true;
        }
    }
}

bool ReadValue(const Token &t, const Field &f, int n, QString &why) {
    const QString which = QStringLiteral("value %1").arg(n);
    if (f.kind == Kind::Str) {
        if (!t.quoted) {
            why = which + QStringLiteral(" must be a text in quotes");
            return false;
        }
        const QString text = QString::fromUtf8(t.text);
        if (text.size() > f.hi) {
            why = which + QStringLiteral(" is longer than %1 characters").arg(f.hi);
            return false;
        }
        *static_cast<QString *>(f.ptr) = text;
        return true;
    }
    if (t.quoted) {
        why = which + QStringLiteral(" must not be in quotes");
        return false;
    }
    if (f.kind == Kind::Bool) {
        if (t.text != "#TRUE#" && t.text != "#FALSE#") {
            why = which + QStringLiteral(" must be #TRUE# or #FALSE#");
            return false;
        }
        *static_cast<int16_t *>(f.ptr) = t.text == "#TRUE#" ? -1 : 0;
        return true;
    }
    const QByteArray digits = t.text.startsWith('-') ? t.text.mid(1) : t.text;
    bool ok = !digits.isEmpty() && digits.size() <= 11;
    for (char c : digits)
        ok = ok && c >= '0' && c <= '9';
    const qlonglong x = ok ? t.text.toLongLong(&ok) : 0;
    if (!ok) {
        why = which + QStringLiteral(" must be a whole number");
        return false;
    }
    if (x < f.lo || x > f.hi) {
        why = which + QStringLiteral(" is out of range (%1 to %2)").arg(f.lo).arg(f.hi);
        return false;
    }
    if (f.kind == Kind::U8)
        *static_cast<uint8_t *>(f.ptr) = static_cast<uint8_t>(x);
    else if (f.kind == Kind::I16)
        *static_cast<int16_t *>(f.ptr) = static_cast<int16_t>(x);
    else
        *static_cast<int32_t *>(f.ptr) = static_cast<int32_t>(x);
    return true;
}

bool ReadRecord(const QByteArray &line, const Record &r, QString &why) {
    std::vector<Token> tokens;
    if (!SplitLine(line, tokens, why)) return false;
    const size_t expected = (r.keyed && !r.key.isEmpty() ? 1 : 0) + r.fields.size();
    if (tokens.size() != expected) {
        why = expected == 0
                  ? QStringLiteral("the line must be empty")
                  : QStringLiteral("%1 items expected, %2 found").arg(expected).arg(tokens.size());
        return false;
    }
    size_t k = 0;
    if (expected > r.fields.size()) {
        if (!tokens[0].quoted) {
            why = QStringLiteral("the key must be a text in quotes");
            return false;
        }
        k = 1;
    }
    for (size_t i = 0; i < r.fields.size(); ++i)
        if (!ReadValue(tokens[k + i], r.fields[i], static_cast<int>(i + 1), why)) return false;
    return true;
}

void Report(const QString &text) {
    ui().MessageBox(text, kAppTitle, MsgButtons::Ok);
}

// Reads the file into `s` (see Loadset); `explicitLoad` 0 stops after record 2 when the file
// does not ask for the start-up load.
LoadResult ReadInto(const QString &fileName, SettingsSnapshot &s, int16_t explicitLoad) {
    const QFileInfo info(fileName);
    if (!info.exists()) return LoadResult::Missing;
    QFile file(fileName);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        Report(QStringLiteral("Settings file %1 cannot be read.").arg(info.fileName()));
        return LoadResult::Refused;
    }
    const QByteArray text = file.read(kMaxFile);
    const auto fail = [&](const ParseResult &r) {
        Report(QStringLiteral("Settings file %1, line %2: %3. Nothing was loaded.")
                   .arg(info.fileName())
                   .arg(r.line)
                   .arg(r.error));
        return LoadResult::Refused;
    };
    ParseResult r = ParseSettings(text, s, 1);
    if (!r.ok) return fail(r);
    if (s.Model != app().startup.Model) {
        ui().MessageBox(kModelMismatchText, kAppTitle, MsgButtons::Ok);
        return LoadResult::Refused;
    }
    if (explicitLoad == 0) {
        r = ParseSettings(text, s, 2);
        if (!r.ok) return fail(r);
        if (info.fileName() != DefaultSettingsName() || s.display.AutoLoad == 0)
            return LoadResult::Skipped;
    }
    r = ParseSettings(text, s);
    if (!r.ok) return fail(r);
    s.decode.Stacks = ReadDecodersFile(DecodersFileName(fileName));
    return LoadResult::Loaded;
}

} // namespace

SettingsSnapshot SettingsSnapshot::FromApp() {
    const AppState &a = app();
    SettingsSnapshot s;
    s.Model = a.startup.Model;
    s.channels = a.channels;
    s.acquisition = a.acquisition;
    s.trigger = a.trigger;
    s.view = a.view;
    s.logic = a.logic;
    s.colors = a.colors;
    s.display = a.display;
    s.measure = a.measure;
    s.fft = a.fft;
    s.decode = a.decode;
    s.CountRes = a.run.CounterState[0];
    return s;
}

void SettingsSnapshot::ApplyToApp() const {
    AppState &a = app();
    a.channels = channels;
    a.acquisition = acquisition;
    a.trigger = trigger;
    a.view = view;
    a.logic = logic;
    a.colors = colors;
    a.display = display;
    a.measure = measure;
    a.fft = fft;
    a.decode = decode;
    a.run.CounterState[0] = CountRes;
}

QByteArray SettingsText(const SettingsSnapshot &snapshot) {
    SettingsSnapshot s = snapshot;
    int16_t reserve = 0;
    QByteArray out;
    out.reserve(8 * 1024);
    for (const Record &r : Layout(s, reserve)) {
        bool first = true;
        const auto item = [&](const QByteArray &text) {
            if (!first) out += ',';
            out += text;
            first = false;
        };
        if (r.keyed && !r.key.isEmpty()) item(Quoted(r.key));
        for (const Field &f : r.fields)
            item(ValueText(f));
        out += kCrLf;
    }
    return out;
}

ParseResult ParseSettings(const QByteArray &text, SettingsSnapshot &s, int upto) {
    int16_t reserve = 0;
    const std::vector<Record> layout = Layout(s, reserve);
    const int n = upto > 0 ? std::min<int>(upto, static_cast<int>(layout.size()))
                           : static_cast<int>(layout.size());
    ParseResult res;
    qsizetype pos = 0;
    for (int i = 0; i < n; ++i) {
        res.line = i + 1;
        const qsizetype end = text.indexOf(kCrLf, pos);
        if (end < 0 && pos >= text.size()) {
            res.error = QStringLiteral("the file ends before this line");
            return res;
        }
        if ((end < 0 ? text.size() : end) - pos > kMaxLine) {
            res.error = QStringLiteral("the line is too long");
            return res;
        }
        if (end < 0) {
            res.error = QStringLiteral("the line does not end with CR LF");
            return res;
        }
        if (!ReadRecord(text.mid(pos, end - pos), layout[static_cast<size_t>(i)], res.error))
            return res;
        pos = end + 2;
        res.records = i + 1;
    }
    res.ok = true;
    res.line = 0;
    return res;
}

QString DefaultSettingsName() {
    return app().startup.Model + QStringLiteral(".ini");
}

QString DecodersFileName(const QString &settingsFile) {
    return settingsFile + QStringLiteral(".decoders");
}

QByteArray DecodersText(const QStringList &stacks) {
    QByteArray out;
    for (const QString &s : stacks)
        out += s.trimmed().toUtf8() + "\r\n";
    return out;
}

QStringList ReadDecodersFile(const QString &path) {
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) return {};
    QStringList stacks;
    for (const QByteArray &line : file.read(kMaxFile).split('\n')) {
        const QString text = QString::fromUtf8(line).trimmed();
        if (!text.isEmpty()) stacks << text;
    }
    return stacks;
}

bool Saveset(const QString &FileName, bool report) {
    QString error;
    const QStringList &stacks = app().decode.Stacks;
    const QString decoders = DecodersFileName(FileName);
    // The decoders go beside the file; a file without decoders gets no companion, but an
    // earlier one is emptied so that it does not bring back decoders removed since.
    if (WriteFileAtomically(FileName, SettingsText(SettingsSnapshot::FromApp()), error) &&
        ((stacks.isEmpty() && !QFileInfo::exists(decoders)) ||
         WriteFileAtomically(decoders, DecodersText(stacks), error)))
        return true;
    if (report)
        ui().MessageBox(QStringLiteral("The settings file %1 was not saved: %2")
                            .arg(QFileInfo(FileName).fileName(), error),
                        kAppTitle, MsgButtons::Ok);
    return false;
}

LoadResult Loadset(const QString &FileName, int16_t Explicit) {
    SettingsSnapshot s = SettingsSnapshot::FromApp();
    const LoadResult r = ReadInto(FileName, s, Explicit);
    if (r == LoadResult::Loaded) s.ApplyToApp();
    return r;
}

LoadResult ReadSettingsFile(const QString &FileName, SettingsSnapshot &s) {
    return ReadInto(FileName, s, 1);
}

} // namespace vrx
