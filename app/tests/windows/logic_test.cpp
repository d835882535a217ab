// SPDX-License-Identifier: GPL-3.0-or-later
// The logic channel panel and the trigger word dialog through their widgets: a trigger cell,
// the dialog from the menu and from the trigger label; screenshots of both.
#include "gui_fixture.h"

using namespace vrx;
using namespace vrx::test;

class LogicTest : public QObject {
    Q_OBJECT
  private slots:
    // The rows stand beside their lanes in the fixed-pitch font; a trigger cell cycles on a
    // click (word 0 is in force: D0 "1" becomes "x"); a name box takes 32 characters.
    void panelBesideTheLanes() {
        ProgramRun run(QStringLiteral("usb"));
        TimingView *v = run.view();
        QCOMPARE((QList<int>{v->Frame1[0]->y(), v->Frame1[5]->y() - v->Frame1[4]->y()}),
                 (QList<int>{v->Picture1->y(), app().display.LogicHeight}));
        QVERIFY(QFontInfo(v->lbV0[0]->font()).fixedPitch());
        QTest::mouseClick(v->lbTrigger[0], Qt::LeftButton);
        QCOMPARE(v->lbTrigger[0]->text(), QStringLiteral("x"));
        QTest::keyClicks(v->txtName[0], QString(40, QLatin1Char('n')));
        QCOMPARE(app().logic.LogicLaneName[0].size(), 32);

        QVERIFY(run.start(QStringLiteral("Auto."), 3));
        QVERIFY(run.stop());
        QVERIFY(Screenshot(v, "form1.png"));
    }

    // The menu opens the dialog with the stored words; a typed word is made a word when its
    // option is clicked and reaches the panel; OK closes the dialog and clears the check mark;
    // the trigger label opens it again.
    void triggerWordDialog() {
        ProgramRun run(QStringLiteral("usb"));
        MainWindow *w = run.w.get();
        w->mnuLaTrigger->trigger();
        QualifyDialog *d = w->qualifyDialog();
        QVERIFY(d && d->isVisible() && w->mnuLaTrigger->isChecked());
        QCOMPARE(d->windowTitle(), QStringLiteral("ChD15-D0 Qualify"));
        QCOMPARE(d->TextQualify[3]->text(), QStringLiteral("11110000xxxx1111"));

        d->TextQualify[1]->clear();
        QTest::keyClicks(d->TextQualify[1], QStringLiteral("1 0X"));
        QTest::mouseClick(d->optQualify[1], Qt::LeftButton);
        QCOMPARE(d->TextQualify[1]->text(), QStringLiteral("1x0xxxxxxxxxxxxx"));
        QVERIFY(d->optQualify[1]->isChecked() && !d->optQualify[0]->isChecked());
        QCOMPARE(run.view()->lbTrigger[13]->text(), QStringLiteral("0"));

        QVERIFY(Screenshot(d, "Qualify.png"));
        QTest::mouseClick(d->cmdOk, Qt::LeftButton);
        QVERIFY(!d->isVisible() && !w->mnuLaTrigger->isChecked());
        QCOMPARE(app().display.QualifyOn, 0);
        QTest::mouseClick(run.view()->lbTrigWord, Qt::LeftButton);
        QVERIFY(d->isVisible() && w->mnuLaTrigger->isChecked());
    }
};

VRX_WINDOW_TEST_MAIN(LogicTest)
#include "logic_test.moc"
