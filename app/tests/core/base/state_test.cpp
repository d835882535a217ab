// SPDX-License-Identifier: GPL-3.0-or-later
#include <memory>
#include <vector>

#include "core/base/controls.h"
#include "core/base/ui.h"
#include "core/fixture.h"

namespace vrx::test {
namespace {

// The default command resets the settings, whole parts at a time, but neither the record on
// screen nor the run state of the instrument. (What it resets is every line of the settings
// file: SettingsFile.EveryFieldSurvivesLoadAndSave.)
TEST(State, DefaultsResetTheSettingsButNotTheRecordOrTheLink) {
    AppState &s = app();
    s.acquisition.RateIndex = 7;
    s.records.SampleBuf[5] = 42;
    s.run.HwFound = 1;
    InitDefaults();
    EXPECT_EQ((Nums{s.acquisition.RateIndex, s.records.SampleBuf[5], s.run.HwFound}),
              (Nums{kDefaultRate, 42, 1}));
}

// Colours are 0x00BBGGRR, red in the low byte; channel t has entry 23 + t; "Inverse"
// complements every entry.
TEST(Colors, PackingAndInverse) {
    const auto &c = app().colors.Colors;
    const auto before = c;
    EXPECT_EQ((Nums{c[1], ToQRgb(Rgb(1, 2, 3)), FromQRgb(0xFF010203u), ChannelColor(ChA1),
                    ChannelColor(ChM2), ChannelColor(ChF1)}),
              (Nums{0x00FFFF80, 0xFF010203u, Rgb(1, 2, 3), c[ColA1], c[ColM2], c[ColF1]}));
    InvertColors();
    EXPECT_EQ((Nums{c[0], c[1], c[kColors - 1]}), (Nums{0xFFFFFF, 0x00007F, 0}));
    InvertColors();
    EXPECT_EQ(c, before);
}

// Setting a list index from code runs the handler, also for the same index, but not from
// within the handler itself; an index outside the list is refused.
TEST(Controls, ListRunsItsHandlerFromCodeAndRefusesBadIndexes) {
    ListModel list;
    list.setItems({"a", "b", "c"});
    std::vector<int> seen;
    int notified = 0;
    list.onChange = [&] {
        seen.push_back(list.index());
        if (list.index() == 2) list.setIndex(0);
    };
    const int id = list.subscribe([&] { ++notified; });
    for (int i : {1, 1, 3, -2, 2})
        list.setIndex(i);
    const QString picked = list.text();
    list.unsubscribe(id);
    list.setItems({"x"}); // clears the selection
    EXPECT_EQ(seen, (std::vector<int>{1, 1, 2}));
    EXPECT_EQ((Nums{notified, list.index()}), (Nums{4, -1}));
    EXPECT_EQ((Texts{picked, list.text()}), (Texts{"a", ""}));
}

// A scroll bar acts only on a new value: code that writes back the value it has is not a move.
TEST(Controls, ScrollRunsItsHandlerOnlyOnAChangeAndStaysInItsRange) {
    ScrollModel bar;
    int runs = 0;
    bar.onChange = [&] { ++runs; };
    bar.setRange(0, 100);
    bar.setValue(150);
    const int32_t clamped = bar.value();
    bar.setValue(100);
    bar.setValue(120); // clamps to the value it has
    bar.setMax(50);    // clamps without running the handler
    const int32_t shrunk = bar.value();
    bar.setRange(10, -10); // reversed range
    bar.setValue(-20);
    EXPECT_EQ((Nums{clamped, shrunk, bar.value(), runs}), (Nums{100, 50, -10, 2}));
}

// A listener unsubscribed while an event is delivered is not called any more; the subscription
// ends with its owner, or when another is assigned to it.
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
    moved = Subscribe(Event::ColorsChanged, [&] { calls.push_back(4); }); // ends the first
    Publish(Event::ColorsChanged);
    EXPECT_EQ(calls, (std::vector<int>{1, 3, 1, 4}));
}

// Without a window every box takes its safe answer and no file is chosen. (The scripted answers
// of the test double are what every start-up test runs on.)
TEST(Ui, UnattendedAnswers) {
    std::vector<MsgResult> answers;
    for (MsgButtons b : {MsgButtons::Ok, MsgButtons::OkCancel, MsgButtons::RetryCancel,
                         MsgButtons::YesNo, MsgButtons::YesNoCancel})
        answers.push_back(ui().MessageBox("t", "c", b));
    EXPECT_EQ(answers, (std::vector{MsgResult::Ok, MsgResult::Cancel, MsgResult::Cancel,
                                    MsgResult::No, MsgResult::Cancel}));
    EXPECT_EQ((Texts{ui().OpenFileName("c", "f", "d"), ui().SaveFileName("c", "f", "d")}),
              (Texts{"", ""}));
}

} // namespace
} // namespace vrx::test
