// SPDX-License-Identifier: GPL-3.0-or-later
//
// The About box `frmAbout`: the program's icon `picIcon`, its title, `lblVersion` ("Version "
// and major.minor.revision), who makes it and under which licence, the licence's web address
// `Label1` (a click opens it in the desktop's browser) and `cmdOk`, which closes the box.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include "windows/common/bind_widgets.h"

namespace vrx {

// "Version 0.1.0": the program's major, minor and revision numbers.
QString VersionText();

class AboutBox : public QDialog {
    Q_OBJECT
  public:
    explicit AboutBox(QWidget *parent = nullptr);

    QLabel *picIcon = nullptr, *lblTitle = nullptr, *lblVersion = nullptr;
    QLabel *lblMaker = nullptr, *lblLicence = nullptr, *lblWarranty = nullptr;
    ClickLabel *Label1 = nullptr;
    QLabel *lblCopyright = nullptr;
    QPushButton *cmdOk = nullptr;
};

} // namespace vrx
