// SPDX-License-Identifier: GPL-3.0-or-later
// The program's decoding: records decoded off the GUI thread into rows, a newer record
// cancelling the run in progress, errors kept per stack; the boxes of the annotation rows, the
// table and the edits of the set-up.
#include "core/decode/runner.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include "../fixture.h"
#include "core/decode/setup.h"
#include "protocol_waves.h"

namespace vrx::decode {
namespace {

using test::ClassTexts;

QStringList Hex(const QByteArray &bytes) {
    return test::Hex({bytes.begin(), bytes.end()});
}

constexpr int kRate10M = 11; // "10MSa/S" in the rate table

// `bytes` on line `line` after four idle bits, `samplesPerBit` samples a bit, the line idle up
// to `length` words.
std::vector<uint16_t> Uart(const QByteArray &bytes, int line, int samplesPerBit, size_t length) {
    test::ProtocolWaves w;
    w.Hold(4 * samplesPerBit);
    w.Uart(line, std::vector<uint8_t>(bytes.begin(), bytes.end()), samplesPerBit);
    w.words.resize(length, w.words.back());
    return w.words;
}

// Events processed until `runner` has nothing left to decode (a minute at most).
void Finish(const Runner &runner) {
    QDeadlineTimer deadline(60000);
    while (runner.busy() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

class DecodeTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        test::EnsureGuiApp();
        QString why;
        if (!LoadLibrary(&why)) GTEST_SKIP() << why.toStdString();
    }
    void SetUp() override {
        if (!LoadLibrary()) GTEST_SKIP();
        test::ResetState();
    }
    // 115200 baud at 10 MSa/s: 87 samples a bit (the decoder's bit width is 86.8).
    static LogicRecord UartRecord(const QByteArray &text, size_t length = 8192) {
        return {Uart(text, 0, 87, length), kRate10M};
    }
    const QString uart = QStringLiteral("uart:baudrate=115200:rx=D0");
    const QString rxData = QStringLiteral("rx-data");
};

// Each stack of a record decodes with its own error: the second uart counts as the library
// counts it and refuses its rate, the third is unknown. Records one after another reuse their
// session: each gives the bytes of its own record only, a failed stack starts afresh, a stack
// dropped from the set-up loses its session. A thousand runs of one session: the decoder
// library's True and False lost a reference at each (uart asks has_channel twice) and the
// interpreter aborted within a few hundred.
TEST_F(DecodeTest, StacksFailAloneAndSessionsAreTakenUpAgainRecordAfterRecord) {
    SessionCache cache;
    const QString bad = QStringLiteral("uart:baudrate=0:rx=D0");
    for (const QByteArray &sent : {QByteArray("Hi!\x7e"), QByteArray("ok")}) {
        const DecodeResult r = DecodeRecord({uart, bad, QStringLiteral("nosuch")}, UartRecord(sent),
                                            nullptr, {}, &cache);
        ASSERT_EQ(r.stacks.size(), 3u);
        EXPECT_EQ(ClassTexts(r, rxData), Hex(sent));
        EXPECT_TRUE(r.stacks[0].error.isEmpty() && !r.stacks[1].error.isEmpty() &&
                    !r.stacks[2].error.isEmpty() && r.samplerate == 10e6);
    }
    ASSERT_EQ(cache.size(), 1u) << "the failed stacks keep no session";
    const Session *kept = cache.begin()->second.get();
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(
            ClassTexts(DecodeRecord({uart}, UartRecord("A", 2048), nullptr, {}, &cache), rxData),
            QStringList{QStringLiteral("41")})
            << i;
    EXPECT_EQ(cache.begin()->second.get(), kept);
    DecodeRecord({bad}, UartRecord("A", 2048), nullptr, {}, &cache);
    EXPECT_TRUE(cache.empty());
}

// Only records of a real-time rate are decoded; one of an equivalent-time rate or the external
// clock is refused for every stack, with the reason.
TEST_F(DecodeTest, OnlyRealTimeRatesAreDecoded) {
    const std::pair<int, double> rates[] = {{kFirstRealTimeRate, 250e6},
                                            {kDefaultRate, 100e6},
                                            {kFirstMicroRate, 500e3},
                                            {kLastTimedRate, 1}};
    for (const auto &[rate, hz] : rates)
        EXPECT_DOUBLE_EQ(RecordRate(rate, nullptr).value_or(0), hz) << rate;
    const std::pair<int, const char *> refused[] = {{0, "equivalent-time"},
                                                    {kFirstRealTimeRate - 1, "equivalent-time"},
                                                    {kLastTimedRate + 1, "external clock"},
                                                    {kRateCount - 1, "external clock"}};
    for (const auto &[rate, why] : refused) {
        const DecodeResult r = DecodeRecord({uart, uart}, {Uart("A", 0, 87, 4096), rate});
        EXPECT_TRUE(r.stacks[0].error.contains(QLatin1String(why)) &&
                    r.stacks[1].error == r.stacks[0].error && r.stacks[0].rows.empty())
            << rate << ": " << r.stacks[0].error.toStdString();
    }
}

TEST_F(DecodeTest, RunnerDeliversTheNewestRecordOnTheGuiThreadAndCancelsTheOlder) {
    Runner runner;
    std::vector<QThread *> threads;
    std::vector<QStringList> delivered;
    Subscription s = Subscribe(Event::DecodesReady, [&] {
        threads.push_back(QThread::currentThread());
        delivered.push_back(ClassTexts(runner.result(), rxData));
    });
    app().decode.Stacks = {uart};
    // A long record first, at once replaced by a short one.
    runner.Submit(UartRecord(QByteArray(1200, 'U'), 131072));
    runner.Submit(UartRecord("ok"));
    EXPECT_TRUE(runner.busy());
    Finish(runner);
    ASSERT_EQ(delivered, std::vector<QStringList>{Hex("ok")});
    EXPECT_TRUE(threads[0] == QCoreApplication::instance()->thread() && runner.superseded() == 1);
    // A set-up emptied: an empty result at once, nothing left running.
    runner.SetStacks({});
    EXPECT_TRUE(!runner.busy() && runner.result().stacks.empty());
}

// A stack that failed is not run again on the next records, only after its set-up is applied
// again. cc1101 stacked on an SPI bus without MISO raises on the first transfer it sees: on a
// record of traffic it fails, on a record of quiet lines it decodes without an error.
TEST_F(DecodeTest, FailedStackIsNotRunAgainUntilTheSetupIsApplied) {
    const QString raises = QStringLiteral("spi:clk=D1:mosi=D2:cs=D3,cc1101");
    test::ProtocolWaves traffic;
    traffic.Set(3, true);
    traffic.Hold(20);
    for (int i = 0; i < 4; ++i) {
        traffic.Spi(1, 2, 3, {0x30, 0x3D}, 5);
        traffic.Hold(20);
    }
    traffic.words.resize(4096, traffic.words.back());
    const LogicRecord busy{traffic.words, kRate10M},
        quiet{std::vector<uint16_t>(4096, 8), kRate10M};

    Runner runner;
    auto run = [&runner](const LogicRecord &record) {
        runner.Submit(record);
        Finish(runner);
        return runner.result().stacks.at(0).error;
    };
    app().decode.Stacks = {raises};
    EXPECT_EQ(run(quiet), QString());
    // On traffic the SPI decoder below it decodes on, every byte, and the run ends with the
    // stacked error on one line.
    const QString error = run(busy);
    EXPECT_TRUE(error.contains(QStringLiteral("cc1101-1")) && !error.contains('\n'))
        << error.toStdString();
    EXPECT_EQ(ClassTexts(runner.result(), QStringLiteral("mosi-data")),
              Hex(QByteArray("\x30\x3D").repeated(4)));
    EXPECT_EQ(run(quiet), error);
    runner.SetStacks({raises});
    EXPECT_EQ(run(quiet), QString());
    // Given as failed, a stack that decodes gives that error and no annotation.
    const DecodeResult kept =
        DecodeRecord({uart}, UartRecord("ok"), nullptr, {{uart, QStringLiteral("earlier")}});
    EXPECT_TRUE(kept.stacks[0].error == "earlier" && kept.stacks[0].rows.empty());
}

TEST_F(DecodeTest, RunnerCopiesTheRecordTheLanesShowAndSkipsOneAlreadyDecoded) {
    AppState &s = app();
    s.acquisition.RateIndex = kRate10M;
    s.acquisition.RecordLen = 2048;
    s.view.ViewStart[0] = 3;
    const std::vector<uint16_t> w = Uart("Z", 0, 87, 2048 + 3);
    for (size_t i = 0; i < w.size(); ++i) {
        s.records.SampleBuf[HW_SB_D0_D7 + i] = static_cast<uint8_t>(w[i]);
        s.records.SampleBuf[HW_SB_D8_D15 + i] = static_cast<uint8_t>(0xA0 | (i & 1));
    }
    const LogicRecord r = CopyLogicRecord();
    ASSERT_EQ(r.words.size(), 2048u);
    EXPECT_EQ(r.words.front(), (0xA0 | 1) << 8 | (w[3] & 0xFF));
    EXPECT_EQ(r.words.back(), (0xA0 | 0) << 8 | (w[2050] & 0xFF));

    Runner runner;
    s.decode.Stacks = {uart};
    runner.Refresh();
    const uint64_t first = runner.submitted();
    Finish(runner);
    runner.Refresh(); // the same record and set-up: not decoded again
    EXPECT_TRUE(runner.submitted() == first && !runner.busy());
}

TEST(AnnotationBoxes, FollowTheLanesMappingAtTwoZoomsClippedToThePicture) {
    // Boxes at two zooms: the first sample on screen, the samples a pixel, an annotation over
    // samples [start, end), x0 and x1 of its box (-2: no box).
    // clang-format off
    const std::tuple<int64_t, double, uint64_t, uint64_t, int, int> cases[] = {
        // x5: five columns a sample
        {100, 0.2, 100, 110, 0, 49}, {100, 0.2, 98, 101, -1, 4}, {100, 0.2, 219, 300, 595, 600},
        {100, 0.2, 220, 300, -2, -2}, {100, 0.2, 50, 100, -2, -2},
        // /5: five samples a column
        {1000, 5, 1000, 1010, 0, 1}, {1000, 5, 1003, 1004, 0, 0}, {1000, 5, 3995, 4100, 599, 600},
        {1000, 5, 4000, 4100, -2, -2}, {1000, 5, 990, 1001, -1, 0}};
    // clang-format on
    for (const auto &[first, samplesPerPixel, start, end, x0, x1] : cases) {
        DecodedRow row;
        row.annotations.push_back({start, end, 0, 0, 0, {QStringLiteral("x")}});
        const auto boxes = RowBoxes(row, first, samplesPerPixel, 600);
        const test::Nums got =
            boxes.empty() ? test::Nums{-2, -2} : test::Nums{boxes[0].x0, boxes[0].x1};
        EXPECT_EQ(got, (test::Nums{x0, x1})) << start << ".." << end << " at " << samplesPerPixel;
    }
}

TEST(AnnotationBoxes, TextIsTheLongestThatFits) {
    test::EnsureGuiApp();
    const QFontMetrics m{QFont()};
    const QStringList texts{QStringLiteral("Data write: A5"), QStringLiteral("DW: A5"),
                            QStringLiteral("A5")};
    const int longest = m.horizontalAdvance(texts[0]), shortest = m.horizontalAdvance(texts[2]);
    EXPECT_EQ((QStringList{FitText(texts, longest, m), FitText(texts, longest - 1, m),
                           FitText(texts, shortest, m), FitText(texts, shortest - 1, m)}),
              texts + QStringList{QString()});
}

TEST(AnnotationTable, LinesByTimeFilteredAndWrittenAsCsv) {
    DecodeResult r;
    r.samplerate = 1e6;
    r.stacks.resize(2);
    const QString quoted = QStringLiteral("Say \"hi\", twice");
    r.stacks[0].rows.push_back({0, 0, 0, "uart-1: RX data", {{2500, 2600, 0, 0, 0, {"4A"}}}});
    const std::vector<Annotation> i2c{{7, 9, 0, 1, 1, {quoted}},
                                      {1500000, 1500009, 0, 1, 1, {"Stop", "P"}}};
    r.stacks[1].rows.push_back({1, 0, 1, "i2c-1: Address/data", i2c});
    const auto all = TableLines(r);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ((test::Texts{all[0].time, all[1].time, all[2].time, all[1].decoder, all[1].row,
                           all[1].text}),
              (test::Texts{"7.000 us", "2.500 ms", "1.500 s", "uart-1", "RX data", "4A"}));
    EXPECT_EQ((test::Nums{std::ssize(TableLines(r, "STOP")), std::ssize(TableLines(r, "uart")),
                          std::ssize(TableLines(r, "address"))}),
              (test::Nums{1, 1, 2}));
    EXPECT_EQ(TableCsv(TableLines(r, QStringLiteral("twice"))),
              "Time,Sample,Decoder,Row,Text\r\n"
              "7.000 us,7,i2c-1,Address/data,\"Say \"\"hi\"\", twice\"\r\n");
}

TEST_F(DecodeTest, SetupEditsTakeFreeLinesStackCheckedOptionsAndChannels) {
    QStringList s;
    QString error;
    ASSERT_TRUE(AddStack(s, "uart", &error) && AddStack(s, "i2c", &error)) << error.toStdString();
    EXPECT_EQ(ParseStack(s[1], nullptr)->channels,
              (std::map<QString, int>{{QStringLiteral("scl"), 1}, {QStringLiteral("sda"), 2}}));
    // eeprom24xx reads i2c, not uart.
    EXPECT_EQ((test::Nums{AddStack(s, "eeprom24xx", &error), StackOn(s, 0, "eeprom24xx", &error),
                          StackOn(s, 1, "eeprom24xx", &error),
                          SetOption(s, 0, 0, "baudrate", "9600", &error),
                          SetOption(s, 0, 0, "parity", "maybe", &error),
                          SetOption(s, 0, 0, "nosuch", "1", &error),
                          SetChannel(s, 0, "tx", 15, &error), SetChannel(s, 0, "tx", 16, &error)}),
              (test::Nums{0, 0, 1, 1, 0, 0, 1, 0}));
    EXPECT_EQ(ParseStack(s[1], nullptr)->layers.size(), 2u);
    const Stack first = *ParseStack(s[0], nullptr);
    EXPECT_EQ(first.layers[0].options, (std::vector<std::pair<QString, QString>>{
                                           {QStringLiteral("baudrate"), QStringLiteral("9600")}}));
    EXPECT_EQ(first.channels.at(QStringLiteral("tx")), 15);
    RemoveLayer(s, 1, 1);
    EXPECT_EQ(ParseStack(s[1], nullptr)->layers.size(), 1u);
    RemoveLayer(s, 0, 0);
    EXPECT_TRUE(s.size() == 1 && s[0].startsWith(QStringLiteral("i2c")));
}

} // namespace
} // namespace vrx::decode
