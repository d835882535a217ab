// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/logic/search_window.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "core/logic/search.h"
#include "windows/common/widgets.h"

namespace vrx {

SearchWindow::SearchWindow(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmSearch"));
    setWindowTitle(QStringLiteral("Search data"));
    SearchLogic &f = frmSearch();

    auto *search = new QGroupBox(QStringLiteral("Search data"), this);
    auto *g = new QGridLayout(search);
    g->addWidget(MakeLabel(search, QStringLiteral("lbQualify(1)"), f.lbQualify[1]), 0, 0);
    g->addWidget(MakeLabel(search, QStringLiteral("lbQualify(2)"), f.lbQualify[2]), 0, 1);
    TextSearch = MakeWordText(search, QStringLiteral("TextSearch"), f.TextSearch);
    g->addWidget(TextSearch, 1, 0, 1, 2);
    const char *const bars[2] = {"V1bar", "V2bar"};
    const char *const directions[2] = {"Forward", "Backward"};
    for (int i = 0; i < 2; ++i) {
        const auto k = static_cast<size_t>(i);
        optVbar[k] = MakeCheck<QRadioButton>(search, Indexed("optVbar", i),
                                             QString::fromLatin1(bars[i]), f.optVbar[k]);
        cmdSearch[k] = MakeCommand(search, Indexed("cmdSearch", i),
                                   QString::fromLatin1(directions[i]), f.cmdSearch[k]);
        g->addWidget(optVbar[k], 2, i);
        g->addWidget(cmdSearch[k], 3, i);
    }

    auto *sources = new QGroupBox(this);
    auto *sv = new QVBoxLayout(sources);
    for (int i = 0; i < 7; ++i) {
        const auto k = static_cast<size_t>(i);
        OptData[k] = MakeCheck<QRadioButton>(sources, Indexed("OptData", i),
                                             SearchLogic::OptDataCaption(i), f.OptData[k]);
        if (i < 4) OptData[k]->setFont(FixedFont());
        sv->addWidget(OptData[k]);
    }
    cmdTrans = MakeCommand(this, QStringLiteral("cmdTrans"), QStringLiteral("=>"), f.cmdTrans);
    cmdTrans->setFixedWidth(40);

    auto *h = new QHBoxLayout(this);
    h->setContentsMargins(6, 6, 6, 6);
    // The sources left of "=>", which copies the chosen one into the pattern on its right.
    h->addWidget(sources);
    h->addWidget(cmdTrans, 0, Qt::AlignVCenter);
    h->addWidget(search, 0, Qt::AlignTop);
    h->setSizeConstraint(QLayout::SetFixedSize);
}

void SearchWindow::ShowSources() {
    for (int i = 0; i < 4; ++i)
        OptData[static_cast<size_t>(i)]->setText(SearchLogic::OptDataCaption(i));
}

} // namespace vrx
