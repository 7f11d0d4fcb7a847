// SPDX-License-Identifier: MIT
#include "gui/dialogs/hint_dlg.h"

#include "gui/dialogs/center_dialog.h"
#include "gui/dialogs/text_qt.h"
#include "gui/dialogs/dialog_units.h"

#include <QLabel>
#include <QPushButton>

CHintDlg::CHintDlg(QWidget* parent)
    : QDialog(parent)
{
    PrepareModalDialog(*this);
    setWindowTitle(QStringLiteral("Hint"));
    setFont(DialogUnits::dialogFont());
    const DialogUnits du(font());
    setFixedSize(du.x(168), du.y(60));

    m_pText = new QLabel(this);
    m_pText->setObjectName(QStringLiteral("hintText"));
    m_pText->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_pText->setTextFormat(Qt::PlainText);
    m_pText->setWordWrap(true);
    QRect textRect = du.rect(7, 14, 154, 8);
    textRect.setHeight(std::max(textRect.height(), m_pText->fontMetrics().height()));
    m_pText->setGeometry(textRect);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setGeometry(du.rect(59, 37, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void CHintDlg::showEvent(QShowEvent* event)
{
    m_pText->setText(ToQString(m_strHint));
    CenterOverOwner(*this);
    QDialog::showEvent(event);
}
