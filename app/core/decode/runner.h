// SPDX-License-Identifier: GPL-3.0-or-later
//
// The program's protocol decoding: the decoder stacks of `app().decode.Stacks` run over each new
// record of the logic inputs on a worker thread of their own, so that acquisition and the display
// never wait for them.
//
// A `Runner` takes a copy of the record's logic words when a screen is composed from a record it
// has not decoded yet (another record, another rate), and hands the copy to its worker. A newer
// record replaces one still waiting and cancels the run in progress. The result (the annotations
// of each stack grouped by decoder row, an error per stack) reaches the thread that made the
// runner (the GUI thread) as a queued call, becomes `result()` and is published as
// `Event::DecodesReady`. Each stack runs in a session of its own: a decoder that refuses its
// options or fails on the data marks only its own stack.
//
// Sample numbers are positions in the record as the logic lanes and the bars count them:
// sample 0 is the record's first sample (`ViewStart[0]` in the sample memory).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include <QFontMetrics>
#include <QObject>
#include <QString>
#include <QStringList>

#include "core/base/events.h"
#include "core/decode/decoders.h"

namespace vrx::decode {

// One row of a decoder: its annotations in the order they were emitted (by start sample).
struct DecodedRow {
    int stack = 0, layer = 0, row = 0;
    QString name; // "uart-1: RX data"
    std::vector<Annotation> annotations;
};
struct StackResult {
    QString error;                // empty: decoded without an error
    std::vector<DecodedRow> rows; // only rows that have annotations, by layer and row
};
struct DecodeResult {
    uint64_t serial = 0; // the run that made it; 0: nothing decoded yet
    double samplerate = 0;
    QStringList texts;               // the set-up it was decoded with
    std::vector<StackResult> stacks; // one per entry of the set-up
};

// A copy of a record's logic words (bit n = line Dn) and the rate index it was taken at.
struct LogicRecord {
    std::vector<uint16_t> words;
    int rateIndex = 0;
    bool operator==(const LogicRecord &) const = default;
};
// The record the logic lanes show: from `ViewStart[0]` to the record's end.
LogicRecord CopyLogicRecord();

// The library's names of the decoders of a set-up: "id-N", N counting each decoder from 1 over
// all stacks in order ("uart-1", "uart-2", "i2c-1").
std::vector<std::vector<QString>> InstanceNames(const std::vector<Stack> &stacks);

// Stops a `DecodeRecord` from another thread: the session feeding returns soon.
class RunControl {
  public:
    void cancel();
    void reset() { stop_ = false; }
    bool stopped() const { return stop_; }
    void track(Session *s);

  private:
    std::atomic<bool> stop_{false};
    std::mutex m_;
    Session *active_ = nullptr;
};

// The decoding sessions of a set-up, kept from one record to the next by stack text: the
// library's decoder instances are started again for each record instead of made anew, which
// would leave a little memory in the library for every record.
using SessionCache = std::map<QString, std::unique_ptr<Session>>;

// Decodes one record synchronously with the stack texts `texts` (what the worker runs). A
// cancelled run returns early with what it had. A stack with an entry in `failed` is not run
// again: that error is its result. With `cache`, sessions are taken from it and put back.
DecodeResult DecodeRecord(const QStringList &texts, const LogicRecord &record,
                          RunControl *control = nullptr,
                          const std::map<QString, QString> &failed = {},
                          SessionCache *cache = nullptr);

class Runner {
  public:
    // Follows the composed screens (new records) and applied settings (a new set-up).
    Runner();
    ~Runner();
    Runner(const Runner &) = delete;
    Runner &operator=(const Runner &) = delete;

    // A new set-up: kept in `app().decode.Stacks` and the last record decoded again with it.
    void SetStacks(const QStringList &texts);
    // Decodes `record` with the set-up (cancelling a run in progress). An empty set-up gives an
    // empty result at once.
    void Submit(LogicRecord record);
    // Submits the record the lanes show unless it is the one decoded last with this set-up.
    void Refresh();

    const DecodeResult &result() const { return result_; }
    // Records submitted and runs abandoned because a newer record replaced them.
    uint64_t submitted() const { return serial_; }
    uint64_t superseded() const { return superseded_; }
    bool busy() const { return delivered_ != serial_; }

  private:
    struct Job {
        uint64_t serial = 0;
        QStringList texts;
        std::map<QString, QString> failed;
        std::shared_ptr<const LogicRecord> record;
    };
    void work();
    void deliver(DecodeResult r);

    std::unique_ptr<QObject> context_; // lives on the GUI thread: results are queued to it
    DecodeResult result_;
    std::shared_ptr<const LogicRecord> last_; // the record last submitted
    QStringList lastTexts_;
    // Stacks whose decoder failed (refused its options, raised on the data), by text: they are
    // not run again on the next records, only after the set-up changed. A decoder that raises
    // leaves the decoder library's interpreter a little worse each time.
    std::map<QString, QString> failed_;
    uint64_t serial_ = 0, delivered_ = 0;
    std::atomic<uint64_t> superseded_{0};

    std::mutex m_;
    std::condition_variable cv_;
    std::optional<Job> pending_;
    RunControl control_;
    SessionCache sessions_;                  // the worker's own
    std::atomic<bool> lastCancelled_{false}; // the worker's last run was stopped
    bool quit_ = false;
    std::thread worker_;
    Subscription composed_, applied_;
};

// Horizontal place of an annotation on the logic lanes: the columns its samples cover.
struct AnnotationBox {
    int x0 = 0, x1 = 0; // first and last column, clipped to -1 .. width
    const Annotation *annotation = nullptr;
};
// The boxes of `row` on a picture of `width` columns whose column 0 shows sample `first`, at
// `samplesPerPixel` samples a column (below 1 when the view stretches samples): the mapping the
// logic lanes are drawn with. Only boxes that reach into the picture.
std::vector<AnnotationBox> RowBoxes(const DecodedRow &row, int64_t first, double samplesPerPixel,
                                    int width);
// The longest of `texts` (longest first) that fits `width` pixels, else an empty text; `advance`
// gives a text's width (a painter that draws every record keeps the widths it measured).
QString FitText(const QStringList &texts, int width,
                const std::function<int(const QString &)> &advance);
QString FitText(const QStringList &texts, int width, const QFontMetrics &metrics);

// One line of the annotation table.
struct TableLine {
    uint64_t sample = 0;
    QString time, decoder, row, text;
};
// Every annotation of `r`, by start sample, whose decoder, row or text holds `filter` (any case).
std::vector<TableLine> TableLines(const DecodeResult &r, const QString &filter = {});
// The table as CSV: a header line "Time,Sample,Decoder,Row,Text", fields quoted where needed.
QByteArray TableCsv(const std::vector<TableLine> &lines);
// Moves the V1 bar to `sample` and brings it into view, as the logic data search does.
void MoveV1To(uint64_t sample);

} // namespace vrx::decode
