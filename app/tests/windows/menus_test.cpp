// SPDX-License-Identifier: GPL-3.0-or-later
// The menu bar as a user meets it: entries built on their own in their place, a radio group and
// the status bar switch through the real actions, the help page and the About box, the function
// and XY windows over live signals, the overview strip's traces. Screenshots for people to look
// at.
#include <QDesktopServices>
#include <QMenuBar>
#include <QScopeGuard>

#include "core/analysis/xy.h"
#include "core/base/events.h"
#include "gui_fixture.h"
#include "windows/analysis/function_window.h"
#include "windows/analysis/xy_window.h"
#include "windows/common/widgets.h"
#include "windows/main/about_box.h"

using namespace vrx;
using namespace vrx::test;

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
        MainWindow *w = run.w.get();
        // Entries whose code is built on its own take the place the tree gave them, once, in a
        // menu.
        for (const char *name :
             {"mnuLoadSetting", "mnuAutoLoadSetting", "mnuExcel", "mnuPrintOut(2)", "mnuColorSetup",
              "mnuProbeCal(0)", "mnuInitial", "mnuCountppm(10)", "mnuSearch", "mnuState"}) {
            const auto found = w->findChildren<QAction *>(QString::fromLatin1(name));
            QVERIFY2(found.size() == 1 && found[0]->isEnabled() &&
                         !found[0]->associatedObjects().isEmpty(),
                     name);
        }

        // "28" alone checked; the lanes and the view grow with it.
        auto *h28 = Action(w, "mnuChHigh(2)");
        h28->trigger();
        QStringList marks;
        for (int i = 0; i < 4; ++i)
            marks << (w->findChild<QAction *>(Indexed("mnuChHigh", i))->isChecked() ? "x" : "-");
        QCOMPARE(marks.join(QString()), QStringLiteral("--x-"));
        QCOMPARE(run.view()->Picture1->height(), 16 * 28);
        QVERIFY(run.view()->minimumHeight() >= run.view()->Picture1->y() + 16 * 28);

        auto *status = Action(w, "mnuViewStatusBar");
        QVERIFY(status->isChecked() && w->sbStatusBar->isVisible());
        status->trigger();
        QVERIFY(!status->isChecked() && !w->sbStatusBar->isVisible());
        status->trigger();

        w->mnuView->popup(w->mapToGlobal(QPoint(0, 0)));
        QVERIFY(Screenshot(w->mnuView, "ViewMenu.png"));
        w->mnuView->hide();

        // The help page beside the program goes to the desktop's browser; without it a box
        // names the file looked for. The About box opens and closes.
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
        const auto unset = qScopeGuard([] { QDesktopServices::unsetUrlHandler("file"); });
        // The page the build put beside the program, beside this test's program too.
        const QString page =
            QCoreApplication::applicationDirPath() + QStringLiteral("/vrxhelp.htm");
        QFile::remove(page);
        w->mnuHelpContents->trigger();
        QVERIFY(catcher.urls.isEmpty());
        QVERIFY(!run.ui.boxes.empty() && run.ui.boxes.back().text.contains(page));
        QVERIFY(QFile::copy(QFileInfo(QStringLiteral(VRX_PROGRAM)).absolutePath() +
                                QStringLiteral("/vrxhelp.htm"),
                            page));
        w->mnuHelpContents->trigger();
        QCOMPARE(catcher.urls, QList<QUrl>({QUrl::fromLocalFile(page)}));
        QFile::remove(page);

        w->mnuHelpAbout->trigger();
        AboutBox *about = w->aboutBox();
        QVERIFY(about && about->isVisible());
        QVERIFY(Screenshot(about, "frmAbout.png"));
        QTest::mouseClick(about->cmdOk, Qt::LeftButton);
        QVERIFY(!about->isVisible());
    }

    // Two sines an octave apart: a figure of eight on the XY plot.
    void functionAndXYOverLiveSignals() {
        ProgramRun run(QStringLiteral("usb"), "A1=sine,1000000,0.2,0;A2=sine,2000000,0.2,0");
        MainWindow *w = run.w.get();
        const AppState &s = app();
        w->mnuFunction->trigger();
        FunctionWindow *fu = w->functionWindow();
        QVERIFY(fu && fu->isVisible());
        Choose(fu->cmbSource[1], QStringLiteral("A2"));
        Choose(fu->cmbOperate, QStringLiteral("-"));
        QTest::mouseClick(fu->CheckFu, Qt::LeftButton);
        QCOMPARE(s.channels.ChanOn[DispF1], int16_t{1});

        w->mnuXYplot->trigger();
        XYWindow *xy = w->xyWindow();
        QVERIFY(xy && xy->isVisible() && w->mnuXYplot->isChecked());
        Choose(xy->cmbXYsrc[0], QStringLiteral("A1"));
        Choose(xy->cmbXYsrc[1], QStringLiteral("A2"));
        Action(w, "mnuZoomview")->trigger();

        // Every record is plotted while the window shows.
        int plots = 0;
        const QImage &plot = frmXY().PicXY;
        Subscription counted = Subscribe(Event::ScreenComposed, [&] {
            plots += RowsWithColor(plot, s.colors[ColA1]).size() > 50;
        });
        QVERIFY(run.start(QStringLiteral("Auto."), 3));
        QVERIFY(run.stop());
        QVERIFY(plots >= 3);
        QVERIFY(RowsWithColor(pictures().picScope[0], s.colors[ColF1]).size() > 20);
        QVERIFY(RowsWithColor(pictures().Picture2, s.colors[ColA1], kOverviewLeft).size() > 5);
        QVERIFY(Screenshot(fu, "frmFunction.png") && Screenshot(xy, "frmXY.png") &&
                Screenshot(w, "frmMain_overview.png"));

        // M2 on the Y axis switches M2 on; closing the plot clears its mark.
        Choose(xy->cmbXYsrc[1], QStringLiteral("M2"));
        QCOMPARE(s.channels.ChanOn[DispM2], int16_t{1});
        QVERIFY(Action(w, "mnuDispCh(3)")->isChecked());
        xy->close();
        QVERIFY(!w->mnuXYplot->isChecked() && s.display.XYOn == 0);
        QTest::mouseClick(fu->Ok, Qt::LeftButton);
        QVERIFY(!fu->isVisible());
    }
};

VRX_WINDOW_TEST_MAIN(MenusTest)
#include "menus_test.moc"
