// SPDX-License-Identifier: GPL-3.0-or-later
// The trigger word dialog: typed texts made words, and which edits put a word in force.
#include "core/fixture.h"
#include "core/logic/logic_panel.h"
#include "core/logic/qualify.h"

using namespace vrx;

namespace {

using Nums = test::Nums;

TEST(TrimWord, KeepsOnlyZeroAndOne) {
    EXPECT_EQ((test::Texts{TrimWord("10x1"), TrimWord("0000XXXX11111111"), TrimWord("1 0a2-1"),
                           TrimWord("11111111000000001111")}),
              (test::Texts{"10x1xxxxxxxxxxxx", "0000xxxx11111111", "1x0xxx1xxxxxxxxx",
                           "1111111100000000"}));
}

// The settings put the selected word in force; an edit of another word changes the table only,
// until its option is clicked; OK re-applies the selected word.
class Qualifying : public test::PanelTest {};

TEST_F(Qualifying, SelectedWordReachesThePanel) {
    AppState &s = app();
    Qualify &q = qualify();
    const auto bytes = [&s] {
        return Nums{s.trigger.TrigLevel[2], s.trigger.TrigLevel[3], s.trigger.TrigLevel[4],
                    s.trigger.TrigLevel[5]};
    };
    ApplyLogicSettings(); // word 0, "xxxxxxxx11111111"
    EXPECT_EQ(bytes(), (Nums{0xFF, 0x00, 0x00, 0xFF}));
    q.TextQualify[2].edit(QStringLiteral("0000XXXX1"));
    q.TextQualify[2].validate();
    EXPECT_EQ(s.logic.TriggerWords[2], "0000xxxx1xxxxxxx");
    EXPECT_EQ(bytes(), (Nums{0xFF, 0x00, 0x00, 0xFF}));

    q.optQualify[2].click();
    EXPECT_EQ((Nums{s.logic.SelWord, q.optQualify[0].checked()}), (Nums{2, 0}));
    EXPECT_EQ(bytes(), (Nums{0x80, 0x7F, 0x00, 0x0F}));

    // A cell changed on the panel shows in the box; OK with no edits keeps that word in force.
    logicPanel().lbTrigger[15].click(); // D15 "0" -> "1"
    EXPECT_EQ(q.TextQualify[2].text(), "1000xxxx1xxxxxxx");
    s.run.ParamChanged = 0;
    q.cmdOk.click();
    EXPECT_EQ(bytes(), (Nums{0x80, 0x7F, 0x80, 0x0F}));
    EXPECT_EQ(s.run.ParamChanged, 1);
}

} // namespace
