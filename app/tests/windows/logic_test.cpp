// SPDX-License-Identifier: GPL-3.0-or-later
// The logic channel panel, the trigger word dialog, the state listing and the logic data search
// through their widgets over records of the simulated instrument; screenshots of each.
#include "core/logic/state_listing.h"
#include "core/timing/bars.h"
#include "gui_fixture.h"
#include "windows/logic/search_window.h"
#include "windows/logic/state_window.h"

class LogicTest : public QObject {
    Q_OBJECT
  private slots:
    // The panel: the rows stand beside their lanes in the fixed-pitch font; a trigger cell cycles
    // on a click (word 0 is in force: D0 "1" becomes "x"); a name box takes 32 characters.
    // The menu opens the trigger word dialog with the stored words; a typed word is made a word
    // when its option is clicked and reaches the panel; OK closes the dialog and clears the check
    // mark; the trigger label opens it again.
    // The menu opens the listing with its check mark; a list, a key on the listing, the
    // mnemonic frame and a check box act through the widgets; closing clears mark and flag.
    // In the search dialog a typed pattern is normalised on Return, and "Forward" moves V1 (to
    // where is the core's tests' business).
    void panelTriggerWordListingAndSearch() {
        // A counter that steps every four samples, so that the rows differ.
        ProgramRun run(QStringLiteral("usb"), "D=count,25000000");
        TimingView *v = run.view();
        QCOMPARE((QList<int>{v->Frame1[0]->y(), v->Frame1[5]->y() - v->Frame1[4]->y()}),
                 (QList<int>{v->Picture1->y(), app().display.LogicHeight}));
        QTest::mouseClick(v->lbTrigger[0], Qt::LeftButton);
        QVERIFY(QFontInfo(v->lbV0[0]->font()).fixedPitch() && v->lbTrigger[0]->text() == "x");
        QTest::keyClicks(v->txtName[0], QString(40, QLatin1Char('n')));
        QCOMPARE(
            (QList<qsizetype>{app().logic.LogicLaneName[0].size(), v->txtName[0]->text().size()}),
            (QList<qsizetype>{32, 32}));

        QVERIFY(run.start("Auto.", 3) && run.stop() && Screenshot(v, "form1.png"));

        run.w->mnuLaTrigger->trigger();
        QualifyDialog *q = run.w->qualifyDialog();
        QVERIFY(q && q->isVisible() && run.w->mnuLaTrigger->isChecked());
        QCOMPARE(q->TextQualify[3]->text(), app().logic.TriggerWords[3]);

        q->TextQualify[1]->clear();
        QTest::keyClicks(q->TextQualify[1], QStringLiteral("1 0X"));
        QTest::mouseClick(q->optQualify[1], Qt::LeftButton);
        QCOMPARE((QStringList{q->TextQualify[1]->text(), run.view()->lbTrigger[13]->text()}),
                 (QStringList{"1x0xxxxxxxxxxxxx", "0"}));
        QVERIFY(q->optQualify[1]->isChecked() && !q->optQualify[0]->isChecked() &&
                Screenshot(q, "Qualify.png"));
        QTest::mouseClick(q->cmdOk, Qt::LeftButton);
        QVERIFY(!q->isVisible() && !run.w->mnuLaTrigger->isChecked() &&
                app().display.QualifyOn == 0);
        QTest::mouseClick(run.view()->lbTrigWord, Qt::LeftButton);
        QVERIFY(q->isVisible() && run.w->mnuLaTrigger->isChecked());

        run.w->mnuState->trigger();
        StateWindow *st = run.w->stateWindow();
        QVERIFY(st && st->isVisible() && run.w->mnuState->isChecked() &&
                app().display.StateOn == -1);

        Choose(st->cmbArrange, "xxxxxxxx__xxxxxxxx");
        QVERIFY(!st->txtBus[2]->isVisible() && st->txtBus[1]->text() == "D7-D0");
        Choose({{st->cmbState[0], "Hex+Asc"}, {st->cmbState[1], "Dec+Asc"}});
        QCOMPARE(app().logic.BusFormat[1], 2);

        const int32_t from = app().view.ScrollPos;
        QTest::keyClick(st->Picture1, Qt::Key_PageDown);
        QCOMPARE((QList<int>{app().view.ScrollPos, run.view()->Scrollscr->value()}),
                 (QList<int>{from + 10, from + 10}));

        QTest::mouseClick(st->cmdMnemonic, Qt::LeftButton);
        QVERIFY(st->fmMnemonic->isVisible());
        QTest::keyClicks(st->txtCode[8], QStringLiteral("xxxxxxxxxxxxxx00"));
        QTest::keyClicks(st->txtMnem[8], QStringLiteral("Even4"));
        QTest::mouseClick(st->chkCode[8], Qt::LeftButton, Qt::NoModifier,
                          QPoint(2, st->chkCode[8]->height() / 2));
        QVERIFY(app().logic.MnemonicOn[8] == 1 && Screenshot(st, "frmState_mnemonic.png"));
        QTest::mouseClick(st->cmdMnemonic, Qt::LeftButton);
        QVERIFY(!st->fmMnemonic->isVisible());
        // The text of every row is there, in the complement of the background.
        const int32_t ink = 0xFFFFFF - app().colors[ColBackground];
        std::set<int> inkedRows;
        for (const int y : RowsWithColor(st->Picture1->image(), ink))
            inkedRows.insert(y / kStateRowPitch);
        QVERIFY(inkedRows.size() == size_t(kStateRows) && Screenshot(st, "frmState.png"));

        st->close();
        QVERIFY(!run.w->mnuState->isChecked() && app().display.StateOn == 0);

        run.w->mnuSearch->trigger();
        SearchWindow *d = run.w->searchWindow();
        QVERIFY(d && d->isVisible());
        QTest::qWait(20);
        d->TextSearch->clear();
        QTest::keyClicks(d->TextSearch, QStringLiteral("xxxxxxxxxxxxxxX0"));
        QTest::keyClick(d->TextSearch, Qt::Key_Return);
        QCOMPARE(d->TextSearch->text(), QStringLiteral("xxxxxxxxxxxxxxx0"));
        const int32_t bar = app().view.BarPos[0];
        QTest::mouseClick(d->cmdSearch[0], Qt::LeftButton);
        QVERIFY(app().view.BarPos[0] != bar &&
                bars().ScrollVbar[0].value() == app().view.BarPos[0] &&
                Screenshot(d, "frmSearch.png"));
    }
};

VRX_WINDOW_TEST_MAIN(LogicTest)
#include "logic_test.moc"
