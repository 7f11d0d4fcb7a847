// SPDX-License-Identifier: MIT
#include "gui/dialogs/find_dlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>

#include "gui/dialogs/dialog_units.h"
#include "core/search/find_dlg_state.h"
#include "gui/dialogs/text_qt.h"
#include "core/document/ovrin_doc.h"

CFindDlg::CFindDlg(COvrinDoc& doc, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_state(doc.FindState())
{
    setObjectName(QStringLiteral("CFindDlg"));
    setWindowTitle(QStringLiteral("Find-Dialog"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    const QFont font = DialogUnits::dialogFont();
    setFont(font);
    const DialogUnits du(font);
    setFixedSize(du.x(186), du.y(85));

    // Created in the template's order, which is also the tab order.
    m_pSearch = new QLineEdit(this);
    m_pSearch->setObjectName(QStringLiteral("IDC_SEARCH_STRING"));
    m_pSearch->setGeometry(du.rect(7, 41, 158, 14));
    m_pSearch->setText(ToQString(m_state.m_strSearch));
    m_pFirst = new QPushButton(QStringLiteral("First"), this);
    m_pFirst->setObjectName(QStringLiteral("IDC_FIND_FIRST"));
    m_pFirst->setGeometry(du.rect(7, 59, 50, 14));
    m_pNext = new QPushButton(QStringLiteral("Next"), this);
    m_pNext->setObjectName(QStringLiteral("IDC_FIND_NEXT"));
    m_pNext->setGeometry(du.rect(62, 59, 50, 14));
    m_pBack = new QPushButton(QStringLiteral("Back"), this);
    m_pBack->setObjectName(QStringLiteral("IDC_FIND_BACK"));
    m_pBack->setGeometry(du.rect(117, 59, 50, 14));
    m_pClose = new QPushButton(QStringLiteral("Close"), this);
    m_pClose->setObjectName(QStringLiteral("IDCANCEL"));
    m_pClose->setGeometry(du.rect(116, 25, 50, 14));
    auto* label = new QLabel(QStringLiteral("Search String:"), this);
    label->setObjectName(QStringLiteral("IDC_SEARCH_LABEL"));
    label->setGeometry(du.rect(7, 28, 54, 8));
    label->setBuddy(m_pSearch);  // names the field for a screen reader
    m_pInDescriptions = new QCheckBox(QStringLiteral("search in descriptions too"), this);
    m_pInDescriptions->setObjectName(QStringLiteral("IDC_IN_DESCRIPTIONS"));
    m_pInDescriptions->setGeometry(du.rect(7, 14, 130, 10));
    m_pInDescriptions->setFocusPolicy(Qt::ClickFocus);  // no tab stop
    m_pInDescriptions->setChecked(m_state.m_bInDescriptions);

    // Enter presses the focused button; in the search field or on the
    // check box it presses Next.
    for (QPushButton* b : {m_pFirst, m_pNext, m_pBack, m_pClose})
        b->setAutoDefault(true);
    m_pNext->setDefault(true);

    connect(m_pFirst, &QPushButton::clicked, this, &CFindDlg::OnFindFirst);
    connect(m_pNext, &QPushButton::clicked, this, &CFindDlg::OnFindNext);
    connect(m_pBack, &QPushButton::clicked, this, &CFindDlg::OnFindBack);
    connect(m_pClose, &QPushButton::clicked, this, &CFindDlg::reject);
    connect(m_pInDescriptions, &QCheckBox::clicked, this, &CFindDlg::OnInDescriptions);
    m_pSearch->setFocus();
}

void CFindDlg::ShowBesideOwner()
{
    if (QWidget* owner = parentWidget()) {
        // The main window's client area begins below its menu bar.
        int top = 0;
        if (auto* frame = qobject_cast<QMainWindow*>(owner); frame && frame->menuWidget() &&
                                                            !frame->menuWidget()->isHidden())
            top = frame->menuWidget()->height();
        const DialogUnits du(font());
        move(owner->mapToGlobal(QPoint(du.x(200), top + du.y(200))));
    }
    show();
    raise();
    activateWindow();
    m_pSearch->selectAll();
}

void CFindDlg::UpdateData()
{
    m_state.m_bInDescriptions = m_pInDescriptions->isChecked();
    m_state.m_strSearch = TextFromQString(m_pSearch->text());
}

// Takes the dialog's text, then runs one of the searches.
void CFindDlg::Search(void (CFindDlgState::*search)())
{
    UpdateData();
    (m_state.*search)();
}

void CFindDlg::OnFindNext() { Search(&CFindDlgState::OnFindNext); }
void CFindDlg::OnFindFirst() { Search(&CFindDlgState::OnFindFirst); }
void CFindDlg::OnFindBack() { Search(&CFindDlgState::OnFindBack); }

void CFindDlg::OnInDescriptions()
{
    m_state.OnInDescriptions();
}

void CFindDlg::reject()
{
    if (!m_bCancelled) {
        m_bCancelled = true;
        m_state.OnCancel();
    }
    QDialog::reject();
    close();
}
