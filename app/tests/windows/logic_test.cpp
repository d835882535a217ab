// SPDX-License-Identifier: GPL-3.0-or-later
// The logic channel panel and the trigger word dialog through their widgets: a trigger cell, a
// name box, the dialog from the menu and from the trigger label; screenshots of both.
#include <QDir>

#include "core/logic/logic_panel.h"
#include "gui_fixture.h"

using namespace vrx;
using namespace vrx::test;

class LogicTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { UseTemporarySettings(); }

    // Sixteen rows beside their lanes in the fixed-pitch font; a click on a trigger cell
    // cycles it into the trigger bytes, typing a name renames the lane; the bar values show.
    void panelBesideTheLanes() {
        ProgramRun run(QStringLiteral("usb"));
        TimingView *v = run.view();
        const int h = app().display.LogicHeight;
        QCOMPARE(v->Frame1[5]->y() - v->Frame1[4]->y(), h);
        QCOMPARE(v->Frame1[0]->y(), v->Picture1->y());
        QCOMPARE(v->txtName[3]->text(), QStringLiteral("Ch-D3"));
        QCOMPARE((QStringList{v->txtName[0]->toolTip(), v->lbTrigger[0]->toolTip()}),
                 (QStringList{"Edit Ch name", "Click to set Trigger word"}));
        QCOMPARE(QFontInfo(v->lbV0[0]->font()).fixedPitch(), true);

        // Word 0 is in force: D0 is "1"; a click makes it "x", a don't-care bit.
        QCOMPARE(v->lbTrigger[0]->text(), QStringLiteral("1"));
        QTest::mouseClick(v->lbTrigger[0], Qt::LeftButton);
        QCOMPARE(v->lbTrigger[0]->text(), QStringLiteral("x"));
        QCOMPARE((QList<int>{app().trigger.TrigLevel[2], app().trigger.TrigLevel[3]}),
                 (QList<int>{0xFE, 0x01}));

        v->txtName[2]->selectAll();
        QTest::keyClicks(v->txtName[2], QStringLiteral("clk"));
        QCOMPARE(app().logic.LogicLaneName[2], QStringLiteral("clk"));

        QVERIFY(run.start(QStringLiteral("Auto."), 3));
        QVERIFY(run.stop());
        QVERIFY(v->lbBarWord[2]->text().startsWith(QStringLiteral("T ")));
        QVERIFY(v->lbV2[0]->text() == "0" || v->lbV2[0]->text() == "1");
        const QString dir = QStringLiteral(VRX_SCREENSHOT_DIR);
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(v->grab().save(QDir(dir).filePath(QStringLiteral("form1.png"))));
    }

    // The menu and the trigger label open the dialog with the stored words; a typed word is
    // made a word when its option is clicked and reaches the panel; OK closes the dialog and
    // clears the check mark.
    void triggerWordDialog() {
        ProgramRun run(QStringLiteral("usb"));
        MainWindow *w = run.w.get();
        w->mnuTriggerWord->trigger();
        QualifyDialog *d = w->qualifyDialog();
        QVERIFY(d && d->isVisible());
        QCOMPARE(d->windowTitle(), QStringLiteral("ChD15-D0 Qualify"));
        QVERIFY(w->mnuTriggerWord->isChecked());
        QCOMPARE(d->TextQualify[3]->text(), QStringLiteral("11110000xxxx1111"));
        QVERIFY(d->optQualify[0]->isChecked());

        d->TextQualify[1]->clear();
        QTest::keyClicks(d->TextQualify[1], QStringLiteral("1 0X"));
        QTest::mouseClick(d->optQualify[1], Qt::LeftButton);
        QCOMPARE(d->TextQualify[1]->text(), QStringLiteral("1x0xxxxxxxxxxxxx"));
        QVERIFY(d->optQualify[1]->isChecked() && !d->optQualify[0]->isChecked());
        QCOMPARE(run.view()->lbTrigger[13]->text(), QStringLiteral("0"));
        QCOMPARE(app().trigger.TrigLevel[4], 0x80);

        const QString dir = QStringLiteral(VRX_SCREENSHOT_DIR);
        QVERIFY(d->grab().save(QDir(dir).filePath(QStringLiteral("Qualify.png"))));
        QTest::mouseClick(d->cmdOk, Qt::LeftButton);
        QVERIFY(!d->isVisible() && !w->mnuTriggerWord->isChecked());
        QCOMPARE(app().display.QualifyOn, 0);

        QTest::mouseClick(run.view()->lbTrigWord, Qt::LeftButton);
        QVERIFY(d->isVisible() && w->mnuTriggerWord->isChecked());
        QVERIFY(d->optQualify[1]->isChecked());
    }
};

QTEST_MAIN(LogicTest)
#include "logic_test.moc"
