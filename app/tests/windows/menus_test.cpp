// SPDX-License-Identifier: GPL-3.0-or-later
// The menu bar as a user meets it: entries built on their own in their place, a radio group and
// the status bar switch through the real actions, the help page and the About box, the frequency
// counter's entries and labels and the Autoset button against the simulated instrument.
// Screenshots for people to look at.
#include <QDesktopServices>
#include <QScopeGuard>

#include "gui_fixture.h"
#include "windows/common/widgets.h"
#include "windows/main/about_box.h"

// Receives the pages the program hands to the desktop's browser.
class UrlCatcher : public QObject {
    Q_OBJECT
  public:
    QList<QUrl> urls;
  public slots:
    void open(const QUrl &url) { urls.append(url); }
};

class MenusTest : public QObject {
    Q_OBJECT
  private slots:
    void treeMarksHelpAndAbout() {
        ProgramRun run(QString{});
        // Entries whose code is built on its own take the place the tree gave them, once, in a
        // menu.
        for (const char *name :
             {"mnuLoadSetting", "mnuAutoLoadSetting", "mnuExcel", "mnuPrintOut(2)", "mnuColorSetup",
              "mnuProbeCal(0)", "mnuInitial", "mnuCountppm(10)", "mnuSearch", "mnuState"}) {
            const auto found = run.w->findChildren<QAction *>(QString::fromLatin1(name));
            QVERIFY2(found.size() == 1 && found[0]->isEnabled() &&
                         !found[0]->associatedObjects().isEmpty(),
                     name);
        }

        // "28" alone checked; the lanes and the view grow with it.
        auto *h28 = Action(run.w, "mnuChHigh(2)");
        h28->trigger();
        QStringList marks;
        for (int i = 0; i < 4; ++i)
            marks << (Action(run.w, Indexed("mnuChHigh", i))->isChecked() ? "x" : "-");
        QCOMPARE(marks.join(QString()), QStringLiteral("--x-"));
        QVERIFY(run.view()->Picture1->height() == 16 * 28 &&
                run.view()->minimumHeight() >= run.view()->Picture1->y() + 16 * 28);

        auto *status = Action(run.w, "mnuViewStatusBar");
        QVERIFY(status->isChecked() && run.w->sbStatusBar->isVisible());
        status->trigger();
        QVERIFY(!status->isChecked() && !run.w->sbStatusBar->isVisible());
        status->trigger();

        run.w->mnuView->popup(run.w->mapToGlobal(QPoint(0, 0)));
        QVERIFY(Screenshot(run.w->mnuView, "ViewMenu.png"));
        run.w->mnuView->hide();

        // The help page beside the program goes to the desktop's browser; without it a box
        // names the file looked for. The About box opens and closes.
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
        const auto unset = qScopeGuard([] { QDesktopServices::unsetUrlHandler("file"); });
        // The page the build put beside the program, beside this test's program too.
        const QString page =
            QCoreApplication::applicationDirPath() + QStringLiteral("/vrxhelp.htm");
        QFile::remove(page);
        run.w->mnuHelpContents->trigger();
        QVERIFY(catcher.urls.isEmpty() && !run.ui.boxes.empty() &&
                run.ui.boxes.back().text.contains(page));
        QVERIFY(QFile::copy(QFileInfo(QStringLiteral(VRX_PROGRAM)).absolutePath() +
                                QStringLiteral("/vrxhelp.htm"),
                            page));
        run.w->mnuHelpContents->trigger();
        QCOMPARE(catcher.urls, QList<QUrl>({QUrl::fromLocalFile(page)}));
        QFile::remove(page);

        run.w->mnuHelpAbout->trigger();
        AboutBox *about = run.w->aboutBox();
        QVERIFY(about && about->isVisible() && Screenshot(about, "frmAbout.png"));
        QTest::mouseClick(about->cmdOk, Qt::LeftButton);
        QVERIFY(!about->isVisible());
    }

    // The entries sit in "&Setup"; "Channel A&2" shows the A2 label, an offset is one of eleven;
    // "Autoset" sets the volts/div that shows the 1 V peak-to-peak square at five divisions
    // (0.2 V, 2V at 10:1) and acquisition runs again with both counters reading 1 and 2 kHz
    // raised by 50 ppm.
    void menusLabelsAndAutoset() {
        ProgramRun run(QStringLiteral("usb"), "A1=square,1000,0.5,0;A2=square,2000,0.5,0");
        auto item = [&run](const char *name) { return Action(run.w, name); };
        QVERIFY(item("mnuCount(0)")->parent()->parent() == run.w->mnuSetup &&
                item("mnuCountppm(5)")->isChecked() && run.w->lbCount[1]->isHidden());
        item("mnuCount(0)")->trigger();
        item("mnuCount(1)")->trigger();
        item("mnuCountppm(0)")->trigger();
        QVERIFY(item("mnuCount(1)")->isChecked() && !run.w->lbCount[1]->isHidden() &&
                item("mnuCountppm(0)")->isChecked() && !item("mnuCountppm(5)")->isChecked());

        run.w->tbButtons[8]->trigger();
        QVERIFY(run.view()->cmbVdiv->currentText() == "2V" && run.waitRecords(3));
        QCOMPARE((QStringList{run.w->lbCount[0]->text(), run.w->lbCount[1]->text()}),
                 (QStringList{"1.00005KHz", "2.0001KHz"}));
        QVERIFY(Screenshot(run.w, "frmMain_counter.png") && run.stop());
    }
};

VRX_WINDOW_TEST_MAIN(MenusTest)
#include "menus_test.moc"
