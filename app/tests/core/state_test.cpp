// SPDX-License-Identifier: GPL-3.0-or-later
#include <vector>

#include "core/controls.h"
#include "core/ui.h"
#include "picture_fixture.h"

using namespace vrx;
using vrx::test::Nums;
using vrx::test::Texts;

namespace {

TEST(State, DefaultsOfTheDefaultCommand) {
    AppState &s = app();
    s.BarPos = {1, 2, 3, 4};
    s.TrigLevel[1] = 7;
    s.Colors[5] = 0x123456;
    s.ChanName[0] = "X";
    InitDefaults();
    EXPECT_EQ(
        (Nums{s.BarPos[0], s.BarPos[1], s.BarPos[2], s.TrigLevel[0], s.TrigLevel[1], s.Colors[5]}),
        (Nums{450, 750, 600, 128, 153, Rgb(255, 255, 0)}));
    // The generated text tables.
    EXPECT_EQ((Texts{s.ChanName[0], s.LogicLaneName[0], s.LogicLaneName[15], s.LogicLaneName[16],
                     s.MnemonicPattern[0], s.MnemonicPattern[5], s.MnemonicPattern[7],
                     s.MnemonicPattern[8], s.MnemonicName[5]}),
              (Texts{"A1", "Ch-D0", "Ch-D15", "", "0000xxxxxxxxxxxx", "0101xxxxxxxxxxxx",
                     "0111xxxxxxxxxxxx", "", ""}));
}

TEST(Colors, ChannelColourAndComplement) {
    InitDefaults();
    const AppState &s = app();
    EXPECT_EQ(s.Colors[1], 0x00FFFF80); // (128, 255, 255) in 0x00BBGGRR
    EXPECT_EQ((Nums{ChannelColor(ChF1), ChannelColor(ChM2), ChannelColor(ChA1)}),
              (Nums{s.Colors[27], s.Colors[26], s.Colors[23]}));
    EXPECT_EQ(Complement(0x123456), 0xEDCBA9);
    const auto before = s.Colors;
    InvertColors();
    EXPECT_EQ(s.Colors[0], 0xFFFFFF);
    EXPECT_NE(s.Colors, before);
    InvertColors();
    EXPECT_EQ(s.Colors, before);
    EXPECT_EQ(ToQRgb(Rgb(1, 2, 3)), 0xFF010203u);
    EXPECT_EQ(FromQRgb(0xFF010203u), Rgb(1, 2, 3));
}

TEST(Controls, ListRunsItsHandlerFromCodeAndRefusesBadIndexes) {
    ListModel list;
    list.setItems({"a", "b", "c"});
    std::vector<int> seen;
    int notified = 0;
    list.onChange = [&] { seen.push_back(list.index()); };
    const int id = list.subscribe([&] { ++notified; });
    list.setIndex(1);
    list.setIndex(1); // the same index runs the handler again
    list.setIndex(3); // outside the list
    list.setIndex(-2);
    EXPECT_EQ(seen, (std::vector<int>{1, 1}));
    EXPECT_EQ(list.text(), "b");
    EXPECT_EQ(notified, 2);
    list.unsubscribe(id);
    list.setItems({"x"});
    EXPECT_EQ(notified, 2);
    EXPECT_EQ(list.index(), -1);
    EXPECT_EQ(list.text(), "");
}

TEST(Controls, HandlerIsNotReenteredByItsOwnAssignment) {
    ListModel list;
    list.setItems({"a", "b", "c"});
    int runs = 0;
    list.onChange = [&] {
        ++runs;
        if (list.index() == 2) list.setIndex(1); // stores, but does not run the handler again
    };
    list.setIndex(2);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(list.index(), 1);
}

TEST(Controls, ScrollValueStaysInItsRange) {
    ScrollModel bar;
    int runs = 0;
    bar.onChange = [&] { ++runs; };
    bar.setRange(0, 100);
    bar.setValue(150);
    EXPECT_EQ(bar.value(), 100);
    bar.setMax(50); // clamps without running the handler
    EXPECT_EQ(bar.value(), 50);
    EXPECT_EQ(runs, 1);
    bar.setRange(10, -10); // reversed range
    bar.setValue(-20);
    EXPECT_EQ(bar.value(), -10);
}

TEST(Pictures, SurfaceDrawsIntoTheImage) {
    QImage img(7, 5, QImage::Format_RGB32);
    img.fill(0xFF000000u);
    const hw_surface s = Surface(img);
    ASSERT_NE(s.pixels, nullptr);
    EXPECT_EQ((Nums{s.width, s.height}), (Nums{7, 5}));
    EXPECT_GE(s.stride, 7);
    s.pixels[2 * s.stride + 3] = 0xFF00FF00u;
    EXPECT_EQ(img.pixel(3, 2), 0xFF00FF00u);
    QImage none;
    EXPECT_EQ(Surface(none).pixels, nullptr);
}

TEST(Ui, UnattendedAndScriptedAnswers) {
    EXPECT_EQ(ui().MessageBox("t", "c", MsgButtons::RetryCancel), MsgResult::Cancel);
    EXPECT_EQ(ui().MessageBox("t", "c", MsgButtons::Ok), MsgResult::Ok);
    EXPECT_EQ(ui().OpenFileName("c", "f", "d"), "");
    ScriptedUi script;
    script.answers = {MsgResult::Retry};
    script.fileNames = {"a.ini"};
    {
        ScopedUi scope(script);
        EXPECT_EQ(ui().MessageBox("t", "c", MsgButtons::RetryCancel), MsgResult::Retry);
        EXPECT_EQ(ui().MessageBox("u", "c", MsgButtons::YesNo), MsgResult::No);
        EXPECT_EQ(ui().SaveFileName("Save", "", ""), "a.ini");
        EXPECT_EQ(ui().SaveFileName("Save", "", ""), "");
    }
    ASSERT_EQ(script.boxes.size(), 2u);
    EXPECT_EQ(script.boxes[1].text, "u");
    EXPECT_EQ(ui().MessageBox("t", "c", MsgButtons::OkCancel), MsgResult::Cancel);
}

} // namespace
