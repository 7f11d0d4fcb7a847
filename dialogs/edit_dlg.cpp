// SPDX-License-Identifier: MIT
#include "dialogs/edit_dlg.h"

#include "dialogs/center_dialog.h"
#include "dialogs/cp1252_qt.h"
#include "dialogs/dialog_units.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>

#include <limits>

namespace {

// The raw text keeps a no-break space as it is (toPlainText would turn it
// into a plain space); paragraph and line separators are the line breaks.
QString FromDescriptionField(const QPlainTextEdit& field)
{
    QString text = field.document()->toRawText();
    text.replace(QChar(QChar::ParagraphSeparator), QStringLiteral("\r\n"));
    text.replace(QChar(QChar::LineSeparator), QStringLiteral("\r\n"));
    return text;
}

QString DescribeBadCharacter(char32_t codePoint)
{
    const QString code = QString::number(static_cast<uint>(codePoint), 16).toUpper();
    return QStringLiteral("The character \"%1\" (U+%2) cannot be stored in an Ovrin document.")
        .arg(QString::fromUcs4(&codePoint, 1), code.rightJustified(4, QLatin1Char('0')));
}

// Entering the description with Tab or Shift+Tab selects its whole text, as
// the key-words line does by itself, so typing replaces the text.
class SelectAllOnTab final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::FocusIn) {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason)
                if (auto* field = qobject_cast<QPlainTextEdit*>(watched))
                    field->selectAll();
        }
        return false;
    }
};

} // namespace

CEditDlg::CEditDlg(QWidget* parent)
    : QDialog(parent)
{
    PrepareModalDialog(*this);
    setWindowTitle(QStringLiteral("Edit-Dialog"));
    // The whole dialog, buttons included, uses the fixed-pitch font.
    setFont(DialogUnits::fixedFont());
    const DialogUnits du(font());
    setFixedSize(du.x(359), du.y(182));

    m_pKeyWords = new QLineEdit(this);
    m_pKeyWords->setObjectName(QStringLiteral("keyWords"));
    // The fields have no labels on screen; a screen reader still names them.
    m_pKeyWords->setAccessibleName(QStringLiteral("Key words"));
    m_pKeyWords->setGeometry(du.rect(7, 24, 336, 14));
    // Key words of any length: the field's default limit would cut them.
    m_pKeyWords->setMaxLength(std::numeric_limits<int>::max());

    m_pDescription = new QPlainTextEdit(this);
    m_pDescription->setObjectName(QStringLiteral("description"));
    m_pDescription->setAccessibleName(QStringLiteral("Description"));
    m_pDescription->setGeometry(du.rect(7, 45, 336, 126));
    m_pDescription->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_pDescription->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_pDescription->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_pDescription->setTabChangesFocus(true);
    m_pDescription->installEventFilter(new SelectAllOnTab(m_pDescription));

    // The buttons have no tab stop: Tab only moves between the two fields.
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setGeometry(du.rect(101, 7, 50, 14));
    ok->setDefault(true);
    ok->setFocusPolicy(Qt::NoFocus);
    connect(ok, &QPushButton::clicked, this, &CEditDlg::accept);

    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setGeometry(du.rect(207, 7, 50, 14));
    cancel->setAutoDefault(false);
    cancel->setFocusPolicy(Qt::NoFocus);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(m_pKeyWords, m_pDescription);
}

void CEditDlg::showEvent(QShowEvent* event)
{
    // Key words are given back byte-exact, so they are not reshaped here.
    m_pKeyWords->setText(ToQString(m_strKeyWords));
    m_pDescription->setPlainText(ToQStringWithPlainLineBreaks(m_strDescription));
    m_strShownKeyWords = m_pKeyWords->text();
    m_strShownDescription = m_pDescription->document()->toRawText();
    m_pKeyWords->setFocus(Qt::OtherFocusReason);
    m_pKeyWords->selectAll();
    CenterOverOwner(*this);
    QDialog::showEvent(event);
}

void CEditDlg::accept()
{
    char32_t bad = 0;
    const std::optional<std::string> keyWords = ToCp1252(m_pKeyWords->text(), nullptr, &bad);
    std::optional<std::string> description;
    if (keyWords)
        description = ToCp1252(FromDescriptionField(*m_pDescription), nullptr, &bad);
    if (!keyWords || !description) {
        // Storing it would lose the character silently; let the user mend it.
        QMessageBox::warning(this, QStringLiteral("Edit-Dialog"), DescribeBadCharacter(bad));
        (keyWords ? static_cast<QWidget*>(m_pDescription) : m_pKeyWords)->setFocus();
        return;
    }
    if (m_pKeyWords->text() != m_strShownKeyWords)
        m_strKeyWords = *keyWords;
    if (m_pDescription->document()->toRawText() != m_strShownDescription)
        m_strDescription = *description;
    QDialog::accept();
}
