// SPDX-License-Identifier: GPL-3.0-or-later
//
// The main window's protocol decoding: it owns the runner, puts the annotation rows under the
// timing view and opens the "Decoders" window ("&Logic" > "&Decoders") and the annotation table
// ("&Window" > "&Annotations"), both taken from the menu tree.

#include <QVBoxLayout>

#include "core/base/state.h"
#include "windows/common/tool_window.h"
#include "windows/decode/annotation_rows.h"
#include "windows/decode/annotation_table.h"
#include "windows/decode/decoders_window.h"
#include "windows/main/main_window.h"

namespace vrx {

void MainWindow::buildDecodeMenus(QVBoxLayout *central) {
    runner_ = std::make_unique<decode::Runner>();
    annotationRows_ =
        new AnnotationRows(*runner_, TimingView::kPanelWidth, central->parentWidget());
    central->addWidget(annotationRows_);
    mnuDecoders = TreeEntry(QStringLiteral("mnuDecoders"));
    connect(mnuDecoders, &QAction::triggered, this, &MainWindow::ShowDecoders);
    mnuAnnotations = TreeEntry(QStringLiteral("mnuAnnotations"));
    connect(mnuAnnotations, &QAction::triggered, this, &MainWindow::ShowAnnotations);
}

void MainWindow::ShowDecoders(bool on) {
    mnuDecoders->setChecked(on);
    app().display.DecodersOn = on ? -1 : 0;
    if (!on) {
        if (frmDecoders_) frmDecoders_->close();
        return;
    }
    if (!frmDecoders_) {
        frmDecoders_ = new DecodersWindow(*runner_, this);
        connect(frmDecoders_, &DecodersWindow::closed, mnuDecoders,
                [this] { mnuDecoders->setChecked(false); });
    }
    ShowToolWindow(frmDecoders_, this);
}

void MainWindow::ShowAnnotations(bool on) {
    mnuAnnotations->setChecked(on);
    app().display.AnnotationsOn = on ? -1 : 0;
    if (!on) {
        if (frmAnnotations_) frmAnnotations_->close();
        return;
    }
    if (!frmAnnotations_) {
        frmAnnotations_ = new AnnotationTableWindow(*runner_, this);
        connect(frmAnnotations_, &AnnotationTableWindow::closed, mnuAnnotations,
                [this] { mnuAnnotations->setChecked(false); });
    }
    ShowToolWindow(frmAnnotations_, this);
}

} // namespace vrx
