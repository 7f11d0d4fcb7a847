// SPDX-License-Identifier: MIT
#include "gui/dialogs/info_dialogs.h"

#include "gui/dialogs/center_dialog.h"
#include "gui/dialogs/dialog_units.h"
#include "gui/res/info_texts.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>

#include <algorithm>
#include <cstdlib>

CInfoDlg::CInfoDlg(const InfoDialogText& text, bool withIcon, QWidget* parent)
    : QDialog(parent)
{
    PrepareModalDialog(*this);
    setWindowTitle(QString::fromLatin1(text.title));
    setFont(DialogUnits::dialogFont());
    const DialogUnits du(font());

    const int margin = du.x(7);
    int width = du.x(text.width);
    int height = du.y(text.height);
    int lastBottom = 0;
    int grownBy = 0; // how far the lines pushed down the ones below them
    for (const InfoLine& line : text.lines) {
        auto* label = new QLabel(QString::fromLatin1(line.text), this);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment((line.centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
        QRect rect = du.rect(line.x, line.y, line.width, line.height);
        rect.translate(0, grownBy);
        const QSize hint = label->sizeHint();
        if (hint.height() > rect.height()) {
            grownBy += hint.height() - rect.height();
            rect.setHeight(hint.height());
        }
        if (hint.width() > rect.width()) {
            // A centred line keeps its centre; a left-aligned one its left edge.
            const int extra = hint.width() - rect.width();
            rect.setWidth(hint.width());
            if (line.centred)
                rect.translate(-extra / 2, 0);
            rect.moveLeft(std::max(rect.left(), margin));
        }
        label->setGeometry(rect);
        width = std::max(width, rect.right() + 1 + margin);
        lastBottom = std::max(lastBottom, rect.bottom() + 1);
    }

    if (withIcon) {
        auto* icon = new QLabel(this);
        icon->setObjectName(QStringLiteral("programIcon"));
        icon->setAccessibleName(QStringLiteral("Ovrin"));
        // Rendered for the screen's pixel ratio, so it stays sharp when scaled.
        icon->setPixmap(QIcon(QStringLiteral(":/icons/ovrin.svg")).pixmap(QSize(32, 32), devicePixelRatioF()));
        icon->setGeometry(du.x(11), du.y(17), 32, 32);
    }

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    QRect okRect = du.rect(text.okX, text.okY, text.okW, text.okH);
    okRect.setWidth(std::max(okRect.width(), ok->sizeHint().width()));
    if (okRect.top() < lastBottom && okRect.top() > du.y(text.height) / 2)
        okRect.moveTop(lastBottom + du.y(4)); // below the text when it grew
    const bool okCentred = std::abs(2 * text.okX + text.okW - text.width) <= 2;
    if (okCentred)
        okRect.moveLeft((width - okRect.width()) / 2); // stay centred in the wider dialog
    else if (okRect.right() + margin > width)
        width = okRect.right() + 1 + margin;
    ok->setGeometry(okRect);
    height = std::max(height, okRect.bottom() + 1 + du.y(7));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    setFixedSize(width, height);
}

void CInfoDlg::showEvent(QShowEvent* event)
{
    CenterOverOwner(*this);
    QDialog::showEvent(event);
}

CAboutDlg::CAboutDlg(QWidget* parent) : CInfoDlg(AboutText(), true, parent) {}
CManualDlg::CManualDlg(QWidget* parent) : CInfoDlg(ManualText(), false, parent) {}
CUsageDlg::CUsageDlg(QWidget* parent) : CInfoDlg(UsageText(), false, parent) {}
CHistoryDlg::CHistoryDlg(QWidget* parent) : CInfoDlg(HistoryText(), false, parent) {}
