// SPDX-License-Identifier: MIT
#include "gui/dialogs/edit_dlg.h"

#include "gui/dialogs/center_dialog.h"
#include "gui/dialogs/text_qt.h"
#include "gui/dialogs/dialog_units.h"
#include "gui/dialogs/long_text_field.h"

#include <QFocusEvent>
#include <QPushButton>

namespace {

// The stored line break is CR LF. Built in one pass: replacing in place
// would move the rest of the text at every line.
QString FromDescriptionField(const QString& shown, qsizetype lineCount)
{
    QString text;
    text.reserve(shown.size() + lineCount - 1);
    qsizetype from = 0;
    for (qsizetype at = shown.indexOf(QLatin1Char('\n')); at >= 0; at = shown.indexOf(QLatin1Char('\n'), from)) {
        text.append(QStringView(shown).mid(from, at - from)).append(QLatin1String("\r\n"));
        from = at + 1;
    }
    return text.append(QStringView(shown).mid(from));
}

// Entering a field with Tab or Shift+Tab selects its whole text, so typing
// replaces the text.
class SelectAllOnTab final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::FocusIn) {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason)
                if (auto* field = qobject_cast<LongTextField*>(watched))
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

    m_pKeyWords = new LongTextField(LongTextField::Lines::One, this);
    m_pKeyWords->setObjectName(QStringLiteral("keyWords"));
    // The fields have no labels on screen; a screen reader still names them.
    m_pKeyWords->setAccessibleName(QStringLiteral("Key words"));
    m_pKeyWords->setGeometry(du.rect(7, 24, 336, 14));
    m_pKeyWords->installEventFilter(new SelectAllOnTab(m_pKeyWords));

    m_pDescription = new LongTextField(LongTextField::Lines::Many, this);
    m_pDescription->setObjectName(QStringLiteral("description"));
    m_pDescription->setAccessibleName(QStringLiteral("Description"));
    m_pDescription->setGeometry(du.rect(7, 45, 336, 126));
    m_pDescription->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_pDescription->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
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
    connect(m_pKeyWords, &LongTextField::edited, this, &CEditDlg::typed);
    connect(m_pDescription, &LongTextField::edited, this, &CEditDlg::typed);
}

CEditDlg::Typed CEditDlg::TypedNow() const
{
    // A field not edited gives its bytes as given, copied once.
    const auto given = [](std::shared_ptr<const std::string>& kept, std::string_view text) {
        if (!kept)
            kept = std::make_shared<const std::string>(text);
        return kept;
    };
    Typed typed;
    if (m_pKeyWords->isModified())
        typed.keyWords = m_pKeyWords->text();
    else
        typed.keyWordsAsGiven = given(m_pGivenKeyWords, m_strKeyWords);
    if (m_pDescription->isModified())
        typed.description = m_pDescription->text();
    else
        typed.descriptionAsGiven = given(m_pGivenDescription, m_strDescription);
    return typed;
}

std::string CEditDlg::Typed::KeyWords() const
{
    return keyWordsAsGiven ? *keyWordsAsGiven : TextFromQString(keyWords);
}

std::string CEditDlg::Typed::Description() const
{
    return descriptionAsGiven ? *descriptionAsGiven
                              : TextFromQString(FromDescriptionField(description, description.count(QLatin1Char('\n')) + 1));
}

void CEditDlg::showEvent(QShowEvent* event)
{
    // Key words are given back byte-exact, so they are not reshaped here.
    // The lines of a huge description are found while it is converted.
    m_pKeyWords->setText(ToShownText(m_strKeyWords, LongTextField::Lines::One));
    m_pDescription->setText(ToShownText(m_strDescription, LongTextField::Lines::Many));
    m_pKeyWords->setFocus(Qt::OtherFocusReason);
    m_pKeyWords->selectAll();
    CenterOverOwner(*this);
    QDialog::showEvent(event);
}

void CEditDlg::accept()
{
    // A field left as it was (or edited back to it) gives back its bytes
    // unchanged, a lone CR or LF included. The text as shown is built again
    // only here: a copy kept from the start would be copied once more at the
    // first key typed into a huge field.
    const bool keyWordsChanged =
        m_pKeyWords->isModified() && m_pKeyWords->text() != ToQString(m_strKeyWords);
    const bool descriptionChanged =
        m_pDescription->isModified() && m_pDescription->text() != ToQStringWithPlainLineBreaks(m_strDescription);
    // Any character can be stored: a text Windows-1252 cannot hold is kept in
    // the wide form.
    if (keyWordsChanged)
        m_strKeyWords = TextFromQString(m_pKeyWords->text());
    if (descriptionChanged)
        m_changedDescription = TextFromQString(FromDescriptionField(m_pDescription->text(), m_pDescription->lineCount()));
    QDialog::accept();
}
