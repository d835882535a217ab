// SPDX-License-Identifier: GPL-3.0-or-later
// The trigger word dialog: typed texts made words, and which edits put a word in force.
#include "core/fixture.h"
#include "core/logic/logic_panel.h"
#include "core/logic/qualify.h"

using namespace vrx;

namespace {

using test::Nums;
using test::Texts;

class QualifyTest : public test::PanelTest {
  protected:
    Nums bytes() const {
        const auto &l = app().trigger.TrigLevel;
        return {l[2], l[3], l[4], l[5]};
    }
    Qualify &q = qualify();
};

TEST(TrimWord, KeepsOnlyZeroAndOne) {
    EXPECT_EQ(
        (Texts{TrimWord("10x1"), TrimWord("0000XXXX11111111"), TrimWord("1 0a2-1"),
               TrimWord("11111111000000001111")}),
        (Texts{"10x1xxxxxxxxxxxx", "0000xxxx11111111", "1x0xxx1xxxxxxxxx", "1111111100000000"}));
}

// The settings put the selected word in force; an edit of another word changes the table only,
// until its option is clicked; OK re-applies the selected word.
TEST_F(QualifyTest, SelectedWordReachesThePanel) {
    AppState &s = app();
    ApplyLogicSettings(); // word 0, "xxxxxxxx11111111"
    EXPECT_EQ(bytes(), (Nums{0xFF, 0x00, 0x00, 0xFF}));
    EXPECT_EQ((Nums{q.optQualify[0].checked(), q.optQualify[2].checked()}), (Nums{1, 0}));

    q.TextQualify[2].edit(QStringLiteral("0000XXXX1"));
    q.TextQualify[2].validate();
    EXPECT_EQ(q.TextQualify[2].text(), "0000xxxx1xxxxxxx");
    EXPECT_EQ(s.logic.TriggerWords[2], "0000xxxx1xxxxxxx");
    EXPECT_EQ(bytes(), (Nums{0xFF, 0x00, 0x00, 0xFF}));

    q.optQualify[2].click();
    EXPECT_EQ((Nums{s.logic.SelWord, q.optQualify[0].checked(), q.optQualify[2].checked()}),
              (Nums{2, 0, 1}));
    EXPECT_EQ(bytes(), (Nums{0x80, 0x7F, 0x00, 0x0F}));
    EXPECT_EQ(logicPanel().lbTrigger[7].text(), "1");

    // A cell changed on the panel, then OK with no edits: the word in force is the table's.
    logicPanel().lbTrigger[15].click(); // D15 "0" -> "1"
    EXPECT_EQ(q.TextQualify[2].text(), "1000xxxx1xxxxxxx");
    s.run.ParamChanged = 0;
    q.cmdOk.click();
    EXPECT_EQ(bytes(), (Nums{0x80, 0x7F, 0x80, 0x0F}));
    EXPECT_EQ(s.run.ParamChanged, 1);
}

} // namespace
