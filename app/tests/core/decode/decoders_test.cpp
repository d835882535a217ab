// SPDX-License-Identifier: GPL-3.0-or-later
// The decoding core on the installed decoder library: the decoders it lists, the -P grammar
// both ways, decoding UART, I2C and SPI traffic made in the test back into its bytes, a
// decoder's own failure, cancelling, and the sigrok session reader.
#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "core/decode/decoders.h"
#include "core/decode/protocol_waves.h"
#include "core/decode/sigrok_reader.h"
#include "core/output/demo_record.h"

namespace vrx::decode {
namespace {

using test::Hex;
using test::ProtocolWaves;

class Decoding : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        QString why;
        ASSERT_TRUE(LoadLibrary(&why)) << why.toStdString();
    }
    static Stack Parse(const char *spec) {
        QString error;
        const auto s = ParseStack(QString::fromLatin1(spec), &error);
        EXPECT_TRUE(s) << spec << ": " << error.toStdString();
        return s.value_or(Stack{});
    }
    // Every annotation of `stacks` over `words` at 1 MSa/s, fed in pieces of `piece` words.
    std::vector<Annotation> Run(const std::vector<Stack> &stacks,
                                const std::vector<uint16_t> &words, size_t piece = 0) {
        std::vector<Annotation> out;
        QString error;
        auto session = Session::Start(
            stacks, 1e6, [&](int, const Annotation &a) { out.push_back(a); }, &error);
        EXPECT_TRUE(session) << error.toStdString();
        if (!session) return out;
        if (piece == 0) piece = words.size();
        for (size_t i = 0; i < words.size(); i += piece)
            EXPECT_TRUE(session->Feed(words.data() + i, std::min(piece, words.size() - i), &error))
                << error.toStdString();
        EXPECT_TRUE(session->End(&error)) << error.toStdString();
        return out;
    }
    // The first texts of the annotations of class `cls` of `layer`'s decoder.
    static QStringList Texts(const std::vector<Annotation> &all, const Stack &s, const char *cls,
                             int layer = 0) {
        const DecoderInfo *d = Find(s.layers[static_cast<size_t>(layer)].id);
        const auto k = d->classIds.indexOf(QLatin1String(cls));
        EXPECT_GE(k, 0) << cls;
        QStringList texts;
        for (const Annotation &a : all)
            if (a.layer == layer && a.cls == k) texts << a.texts.first();
        return texts;
    }
};

TEST_F(Decoding, ListsDecodersWithChannelsOptionsAndRows) {
    const auto &all = Installed();
    ASSERT_GE(all.size(), 100u);
    EXPECT_TRUE(
        std::is_sorted(all.begin(), all.end(),
                       [](const DecoderInfo &a, const DecoderInfo &b) { return a.id < b.id; }));
    const DecoderInfo *i2c = Find(QStringLiteral("i2c"));
    ASSERT_TRUE(i2c);
    ASSERT_EQ(i2c->channels.size(), 2u);
    EXPECT_EQ((QStringList{i2c->channels[0].id, i2c->inputs.join(','), i2c->outputs.join(',')}),
              (QStringList{"scl", "logic", "i2c"}));
    EXPECT_FALSE(i2c->channels[1].optional);
    const DecoderInfo *uart = Find(QStringLiteral("uart"));
    ASSERT_TRUE(uart);
    // Both lines of a UART are optional; the options keep their declared types and lists.
    EXPECT_TRUE(std::all_of(uart->channels.begin(), uart->channels.end(),
                            [](const ChannelInfo &c) { return c.optional; }));
    const auto baud = std::ranges::find(uart->options, QStringLiteral("baudrate"), &OptionInfo::id),
               parity = std::ranges::find(uart->options, QStringLiteral("parity"), &OptionInfo::id);
    ASSERT_TRUE(baud != uart->options.end() && parity != uart->options.end());
    EXPECT_EQ((QStringList{baud->type, baud->defaultValue, parity->type}),
              (QStringList{"int", "115200", "text"}));
    EXPECT_TRUE(parity->values.contains("even"));
    // Every class of a row is one of the decoder's classes; a decoder without declared rows
    // gets one per class.
    for (const DecoderInfo &d : all) {
        ASSERT_FALSE(d.rows.empty() && !d.classIds.isEmpty()) << d.id.toStdString();
        for (const RowInfo &r : d.rows)
            for (int c : r.classes)
                EXPECT_TRUE(c >= 0 && c < d.classIds.size()) << d.id.toStdString();
    }
    EXPECT_EQ(Find(QStringLiteral("nosuch")), nullptr);
}

// The -P grammar both ways: the text of a stack reads back to the same stack; a bad one is
// refused with one line.
TEST_F(Decoding, StackTextsReadBackAndBadOnesAreRefusedWithOneLine) {
    const std::pair<const char *, const char *> read[] = {
        {"uart", "uart"},
        {"uart:baudrate=9600:rx=D0:tx=15", "uart:baudrate=9600:rx=D0:tx=D15"},
        {"i2c:sda=d3:scl=D2,eeprom24xx:chip=generic", "i2c:scl=D2:sda=D3,eeprom24xx:chip=generic"},
        {"spi:cpol=1:clk=D0:mosi=D1:cs=D2", "spi:cpol=1:clk=D0:cs=D2:mosi=D1"},
        {"uart:baudrate=0x2580:parity=odd", "uart:baudrate=0x2580:parity=odd"},
    };
    QString error;
    for (const auto &[spec, text] : read) {
        const Stack s = Parse(spec);
        EXPECT_EQ(StackText(s), QLatin1String(text)) << spec;
        EXPECT_EQ(ParseStack(StackText(s), &error), s) << spec;
    }
    const std::pair<const char *, const char *> refused[] = {
        {"", "no decoder given"},
        {"nosuch", "unknown decoder 'nosuch'"},
        {"uart:speed=9600", "uart has no option or channel 'speed'"},
        {"uart:baudrate", "uart: 'baudrate' needs a value"},
        {"uart:baudrate=", "uart: 'baudrate' needs a value"},
        {"uart:baudrate=fast", "option 'baudrate' takes a whole number, not 'fast'"},
        {"uart:baudrate=96k", "option 'baudrate' takes a whole number, not '96k'"},
        {"uart:parity=maybe", "option 'parity' takes none|odd|even|zero|one|ignore, not 'maybe'"},
        {"uart:rx=D16", "channel 'rx' names no line of the recording: D16"},
        {"uart:rx=-1", "channel 'rx' names no line of the recording: -1"},
        {"uart:rx=D", "channel 'rx' names no line of the recording: D"},
        {"uart:rx=D1:rx=D2", "uart: 'rx' is given twice"},
        {"uart:baudrate=1:baudrate=2", "uart: 'baudrate' is given twice"},
        {"eeprom24xx", "eeprom24xx does not read logic lines"},
        {"i2c,uart", "uart does not stack on i2c"},
        {"i2c,eeprom24xx:scl=D1", "eeprom24xx has no option or channel 'scl'"},
    };
    for (const auto &[spec, message] : refused) {
        error.clear();
        EXPECT_FALSE(ParseStack(QString::fromLatin1(spec), &error)) << spec;
        EXPECT_TRUE(error.contains(QLatin1String(message)) && !error.contains('\n'))
            << spec << ": " << error.toStdString();
    }
    // A recording's own names for its lines, besides D0..D15, and only the lines it has.
    const auto named = ParseStack(QStringLiteral("uart:rx=RX:tx=D1"), &error, {"TX", "RX"});
    ASSERT_TRUE(named) << error.toStdString();
    EXPECT_EQ(named->channels, (std::map<QString, int>{{"rx", 1}, {"tx", 1}}));
    EXPECT_FALSE(ParseStack(QStringLiteral("uart:rx=D2"), &error, {"TX", "RX"}));
}

TEST_F(Decoding, UartI2cAndSpiDecodeToTheBytesSent) {
    const std::vector<uint8_t> text = {'H', 'i', '!', 0x00, 0xFF};
    ProtocolWaves w;
    w.Hold(25);
    w.Uart(5, text, 10); // 100000 baud at 1 MSa/s
    w.I2cWrite(2, 3, 0x50, {0x41, 0x00, 0xFE}, 5);
    w.Spi(8, 9, 15, {0xA5, 0x3C}, 2);
    w.Hold(50);
    const Stack uart = Parse("uart:baudrate=100000:rx=D5");
    const Stack i2c = Parse("i2c:scl=D2:sda=D3");
    const Stack spi = Parse("spi:clk=D8:mosi=D9:cs=D15");
    const auto all = Run({uart}, w.words);
    EXPECT_EQ(Texts(all, uart, "rx-data"), Hex(text));
    // The R/W bit is of the address's class.
    EXPECT_EQ(Texts(Run({i2c}, w.words), i2c, "address-write"),
              QStringList({"Write"}) + Hex({0x50}, "Address write: "));
    EXPECT_EQ(Texts(Run({i2c}, w.words), i2c, "data-write"),
              Hex({0x41, 0x00, 0xFE}, "Data write: "));
    EXPECT_EQ(Texts(Run({spi}, w.words), spi, "mosi-data"), Hex({0xA5, 0x3C}));
    // The first data byte starts one bit after the frame's start bit, in samples (25 idle, 10 a
    // bit): 25 + 10 to 25 + 9 * 10.
    const auto data = Find("uart")->classIds.indexOf("rx-data");
    const auto first =
        std::find_if(all.begin(), all.end(), [&](const Annotation &a) { return a.cls == data; });
    ASSERT_NE(first, all.end());
    EXPECT_EQ((std::vector<uint64_t>{first->start, first->end}), (std::vector<uint64_t>{35, 115}));
    // Rows index the decoder's rows, and the row holds the class.
    for (const Annotation &a : all) {
        const auto &rows = Find("uart")->rows;
        ASSERT_LT(static_cast<size_t>(a.row), rows.size());
        const auto &classes = rows[static_cast<size_t>(a.row)].classes;
        EXPECT_NE(std::find(classes.begin(), classes.end(), a.cls), classes.end());
    }
}

// Pieces of any size give the same annotations, and stacks in one session each their own.
TEST_F(Decoding, PiecesAndStacksDecodeAsOneStream) {
    ProtocolWaves w;
    w.Hold(7);
    for (int i = 0; i < 4; ++i) {
        w.Uart(0, {'o', 'k'}, 10);
        w.I2cWrite(1, 2, 0x51, {0x00, static_cast<uint8_t>(i)}, 5);
    }
    const Stack eeprom = Parse("i2c:scl=D1:sda=D2,eeprom24xx");
    const Stack uart = Parse("uart:baudrate=100000:rx=D0");
    const auto whole = Run({eeprom}, w.words);
    // Four byte writes, as the EEPROM decoder on top of I2C reads them.
    EXPECT_EQ(Texts(whole, eeprom, "byte-write", 1).size(), 4);
    for (size_t piece : {1u, 7u, 1000u}) {
        const auto pieces = Run({eeprom}, w.words, piece);
        ASSERT_EQ(pieces.size(), whole.size()) << piece;
        for (size_t i = 0; i < whole.size(); ++i)
            EXPECT_TRUE(pieces[i].start == whole[i].start && pieces[i].end == whole[i].end &&
                        pieces[i].texts == whole[i].texts && pieces[i].layer == whole[i].layer)
                << piece << " #" << i;
    }
    std::vector<int> stackOf;
    QString error;
    auto both = Session::Start(
        {uart, eeprom}, 1e6, [&](int s, const Annotation &) { stackOf.push_back(s); }, &error);
    ASSERT_TRUE(both) << error.toStdString();
    EXPECT_EQ((QStringList{both->InstanceId(0, 0), both->InstanceId(1, 1), both->InstanceId(2, 0)}),
              (QStringList{"uart-1", "eeprom24xx-1", ""}));
    ASSERT_TRUE(both->Feed(w.words.data(), w.words.size(), &error) && both->End(&error));
    EXPECT_EQ(std::count(stackOf.begin(), stackOf.end(), 1), static_cast<long>(whole.size()));
    EXPECT_EQ(std::count(stackOf.begin(), stackOf.end(), 0),
              static_cast<long>(Run({uart}, w.words).size()));
}

TEST_F(Decoding, BadSetUpsAndTheDecodersOwnErrorsAreReported) {
    QString error;
    const auto none = [](int, const Annotation &) {};
    Stack bad = Parse("uart");
    bad.channels["rx"] = 16;
    for (const auto &[stacks, message] : std::vector<std::pair<std::vector<Stack>, const char *>>{
             {{Parse("i2c:scl=D0")}, "the channel 'sda' is not assigned a line"},
             {{}, ""},
             {{bad}, "D16"}}) {
        EXPECT_FALSE(Session::Start(stacks, 1e6, none, &error)) << message;
        EXPECT_TRUE(error.contains(QLatin1String(message))) << error.toStdString();
    }

    // Without a sample rate the UART decoder raises its own error, and the session stays failed.
    ProtocolWaves w;
    w.Uart(0, {'x'}, 10);
    auto s = Session::Start({Parse("uart:rx=D0")}, 0, none, &error);
    ASSERT_TRUE(s) << error.toStdString();
    EXPECT_FALSE(s->Feed(w.words.data(), w.words.size(), &error));
    EXPECT_TRUE(error.contains("SamplerateError") && error.contains("uart-1") &&
                !error.contains('\n'))
        << error.toStdString();
    QString again;
    EXPECT_TRUE(!s->Feed(w.words.data(), w.words.size(), &again) && again == error &&
                !s->End(&again))
        << again.toStdString();
}

TEST_F(Decoding, CancelStopsAFeedInProgress) {
    ProtocolWaves w;
    for (int i = 0; i < 20000; ++i)
        w.Uart(0, {'a', 'b', 'c', 'd'}, 10);
    std::atomic<int> seen{0};
    QString error;
    auto s = Session::Start(
        {Parse("uart:baudrate=100000:rx=D0")}, 1e6, [&](int, const Annotation &) { ++seen; },
        &error);
    ASSERT_TRUE(s);
    std::thread canceller([&] {
        while (seen < 10)
            std::this_thread::yield();
        s->Cancel();
    });
    const bool fed = s->Feed(w.words.data(), w.words.size(), &error);
    canceller.join();
    EXPECT_TRUE(!fed && error == "cancelled") << error.toStdString();
    // Stopped well before the end: the whole stream holds 20000 x 4 frames of many annotations.
    EXPECT_TRUE(seen.load() < 20000 * 4 && !s->End(&error) && error == "cancelled") << seen.load();
}

// A session file of two chunks of two-byte samples is read chunk by chunk with the file's names
// for its lines; bits above the tenth probe are not lines of the file. (The files it refuses are
// vrxctl's test.)
TEST(SigrokFiles, ReadsChunksInOrderWithTheFilesNames) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("two.sr"));
    ASSERT_TRUE(test::WriteZip(
        path, {{"metadata", "[global]\nsigrok version=0.5.2\n\n[device 1]\ncapturefile=logic-1\n"
                            "total probes=10\nsamplerate=2.5 MHz\nprobe1=CLK\nprobe3=DATA\n"
                            "unitsize=2\n"},
               {"logic-1-1", std::string("\x01\x00\x02\xFC", 4)},
               {"logic-1-2", std::string("\xFF\xFF", 2)}}));
    SigrokReader r;
    QString error;
    ASSERT_TRUE(r.Open(path, &error)) << error.toStdString();
    EXPECT_DOUBLE_EQ(r.Samplerate(), 2.5e6);
    EXPECT_EQ(r.LineNames(), QStringList({"CLK", "1", "DATA", "3", "4", "5", "6", "7", "8", "9"}));
    std::vector<uint16_t> first, second, none;
    EXPECT_TRUE(r.Next(first, &error) && r.Next(second, &error) && !r.Next(none, &error) &&
                error.isEmpty());
    EXPECT_EQ((std::vector{first, second}),
              (std::vector<std::vector<uint16_t>>{{0x0001, 0x0002}, {0x03FF}}));
}

} // namespace
} // namespace vrx::decode
