// SPDX-License-Identifier: GPL-3.0-or-later
#include <vector>

#include <memory>

#include "core/base/controls.h"
#include "core/base/events.h"
#include "core/base/ui.h"
#include "core/fixture.h"

using namespace vrx;
using vrx::test::Nums;
using vrx::test::Texts;

namespace {

// The default command resets the settings, whole parts at a time, but neither the record on
// screen nor the run state of the instrument.
TEST(State, DefaultsResetTheSettingsButNotTheRecordOrTheLink) {
    AppState &s = app();
    s.view.BarPos = {1, 2, 3, 4};
    s.trigger.TrigLevel[1] = 7;
    s.logic.LogicLaneName[3] = "clk";
    s.records.SampleBuf[5] = 42;
    s.run.HwFound = 1;
    InitDefaults();
    EXPECT_EQ((Nums{s.view.BarPos[0], s.view.BarPos[1], s.view.BarPos[2], s.trigger.TrigLevel[1],
                    s.records.SampleBuf[5], s.run.HwFound}),
              (Nums{450, 750, 600, 153, 42, 1}));
    EXPECT_EQ((Texts{s.logic.LogicLaneName[3], s.logic.LogicLaneName[16],
                     s.logic.MnemonicPattern[5], s.logic.MnemonicPattern[8]}),
              (Texts{"Ch-D3", "", "0101xxxxxxxxxxxx", ""}));
    // The default period is the default rate's, 100MSa/S.
    EXPECT_DOUBLE_EQ(s.acquisition.SamplePeriod, 10.0);
    s.run = {};
}

TEST(Colors, ChannelColourAndComplement) {
    InitDefaults();
    const AppState &s = app();
    EXPECT_EQ(s.colors.Colors[1], 0x00FFFF80); // (128, 255, 255) in 0x00BBGGRR
    EXPECT_EQ((Nums{ChannelColor(ChF1), ChannelColor(ChM2), ChannelColor(ChA1)}),
              (Nums{s.colors.Colors[27], s.colors.Colors[26], s.colors.Colors[23]}));
    EXPECT_EQ(Complement(0x123456), 0xEDCBA9);
    const auto before = s.colors.Colors;
    InvertColors();
    EXPECT_EQ(s.colors.Colors[0], 0xFFFFFF);
    EXPECT_NE(s.colors.Colors, before);
    InvertColors();
    EXPECT_EQ(s.colors.Colors, before);
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

// A scroll bar acts only on a new value: code that writes back the value it has is not a move.
TEST(Controls, ScrollRunsItsHandlerOnlyOnAChangeAndStaysInItsRange) {
    ScrollModel bar;
    int runs = 0;
    bar.onChange = [&] { ++runs; };
    bar.setRange(0, 100);
    bar.setValue(150);
    EXPECT_EQ(bar.value(), 100);
    bar.setValue(100);
    bar.setValue(120); // clamps to the value it has
    EXPECT_EQ(runs, 1);
    bar.setMax(50); // clamps without running the handler
    EXPECT_EQ(bar.value(), 50);
    EXPECT_EQ(runs, 1);
    bar.setRange(10, -10); // reversed range
    bar.setValue(-20);
    EXPECT_EQ(bar.value(), -10);
}

// A listener unsubscribed while an event is delivered is not called any more; the subscription
// ends with its owner.
TEST(Events, SubscriptionsEndWithTheirOwner) {
    std::vector<int> calls;
    auto second = std::make_unique<Subscription>();
    Subscription first = Subscribe(Event::ColorsChanged, [&] {
        calls.push_back(1);
        second.reset();
    });
    *second = Subscribe(Event::ColorsChanged, [&] { calls.push_back(2); });
    {
        Subscription other = Subscribe(Event::SettingsApplied, [&] { calls.push_back(3); });
        Publish(Event::ColorsChanged);
        Publish(Event::SettingsApplied);
    }
    Publish(Event::SettingsApplied);
    Subscription moved = std::move(first);
    Publish(Event::ColorsChanged);
    moved.reset();
    Publish(Event::ColorsChanged);
    EXPECT_EQ(calls, (std::vector<int>{1, 3, 1}));
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
