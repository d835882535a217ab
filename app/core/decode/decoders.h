// SPDX-License-Identifier: GPL-3.0-or-later
//
// Protocol decoding of the logic inputs D0..D15 on libsigrokdecode and its Python decoders.
//
// `LoadLibrary()` starts the library once per process and lists its decoders (`Installed()`).
// A `Stack` is a chain of decoders: the first reads the logic lines, each next one reads what
// the one before it outputs. A `Session` runs any number of stacks over one stream of 16-bit
// logic words (bit n = line Dn) and hands every annotation to its sink as it is emitted.
//
// The library is not re-entrant across threads: every call into it goes through one mutex in
// decoders.cpp. Sessions may be used from any thread; their calls simply take turns.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include <QString>
#include <QStringList>

namespace vrx::decode {

constexpr int kLines = 16; // the logic inputs D0..D15

struct ChannelInfo {
    QString id, name, desc;
    bool optional = false;
};
// values: the allowed values; empty: free text or number
struct OptionInfo {
    QString id, desc, defaultValue;
    QStringList values;
    QString type; // what a value is read as: "int", "float" or "text" (the default's type)
};
struct RowInfo {
    QString id, desc;
    std::vector<int> classes;
};
struct DecoderInfo {
    QString id, name, longname, desc;
    QStringList inputs, outputs;       // "logic" for a decoder on the lines; others stack
    std::vector<ChannelInfo> channels; // required ones first, then optional
    std::vector<OptionInfo> options;
    QStringList classIds, classDescs; // annotation classes, index = class number
    std::vector<RowInfo> rows;        // a decoder declaring none gets one row per class
};

// Loads the decoder library and its decoders once per process (thread-safe). False, with the
// reason in *why, when the library or its decoders are missing.
bool LoadLibrary(QString *why = nullptr);
const std::vector<DecoderInfo> &Installed(); // sorted by id; empty when not loaded
const DecoderInfo *Find(const QString &id);

struct Layer {
    QString id;
    std::vector<std::pair<QString, QString>> options; // option id, value text
    bool operator==(const Layer &) const = default;
};
struct Stack {
    std::vector<Layer> layers; // [0] reads the logic lines; each next one stacks on the one before
    std::map<QString, int> channels; // channel id of layers[0] -> line 0..15 (D0..D15)
    bool operator==(const Stack &) const = default;
};

// The command line's -P grammar: "uart:baudrate=115200:rx=D0,eeprom24xx" (channel options name
// lines D0..D15 or 0..15). nullopt with a one-line message: unknown decoder, option, channel,
// value.
std::optional<Stack> ParseStack(const QString &spec, QString *error);
// The same, where channel options may also name a line by `lineNames[line]` (the names a
// recording gives its lines).
std::optional<Stack> ParseStack(const QString &spec, QString *error, const QStringList &lineNames);
QString StackText(const Stack &s); // the same grammar back; ParseStack(StackText(s)) == s

struct Annotation {
    uint64_t start = 0, end = 0; // sample numbers as the library reports them
    int layer = 0;               // layer of the stack that emitted it
    int cls = 0;                 // annotation class of that layer's decoder
    int row = 0;                 // index into that decoder's DecoderInfo::rows
    QStringList texts;           // longest first
};

// One decoding run over a stream of 16-bit logic words (bit n = line Dn), any number of stacks.
class Session {
  public:
    using Sink = std::function<void(int stack, const Annotation &)>;
    // nullptr with a message on a bad set-up (decoder refuses its options, a required channel
    // unmapped). A stack that assigns no channel at all reads the decoder's channels from D0,
    // D1, ... in their order, as the field's command line does.
    static std::unique_ptr<Session> Start(const std::vector<Stack> &stacks, double samplerate,
                                          Sink sink, QString *error);
    bool Feed(const uint16_t *words, size_t count,
              QString *error); // false: the decoder's own error
    bool End(QString *error);  // flushes; false on error
    // Decodes a new recording from its first sample with the same decoders: the library keeps
    // its decoder instances (every new instance leaves memory in the library for good, so a
    // session per record would grow without end). False when this session failed or cannot
    // start again: make a new one.
    bool Restart(double samplerate, Sink sink, QString *error);
    void Cancel(); // thread-safe: a Feed in progress returns false soon, error "cancelled"
    // The library's name of the decoder at `layer` of `stack` ("uart-1"): the name the field's
    // command line prints before each annotation.
    QString InstanceId(int stack, int layer) const;
    ~Session();

    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

  private:
    Session();
    struct Impl;
    std::unique_ptr<Impl> d;
};

// The sample rate of a record taken at rate index `rateIndex` (real-time rates), or nullopt with
// the message why it can't be decoded (equivalent-time rates, external clock).
std::optional<double> RecordRate(int rateIndex, QString *why);

} // namespace vrx::decode
