// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <QString>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

class LongTextField;

// "Edit-Dialog": one line of key words and a description of any number of
// lines. The members are the document's texts; the description's line breaks
// are CR LF. The key words change, and the changed description is set, only
// when OK succeeds.
class CEditDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CEditDlg(QWidget* parent = nullptr);

    std::string m_strKeyWords;
    // The description shown: the document's own text, which stays as it is
    // while the dialog is up, so that a huge one is not copied.
    std::string_view m_strDescription;
    // After OK, the description where it was changed; nothing where it was
    // left as it was (or edited back to it).
    std::optional<std::string> m_changedDescription;

    // Takes back the fields that were changed; the others keep their bytes.
    void accept() override;
    // The texts as they stand now, taken without copying a huge one: the
    // texts in the members' form (what OK would give back) may then be made
    // on another thread while the dialog goes on.
    struct Typed {
        QString keyWords, description;  // of a field that was edited
        std::shared_ptr<const std::string> keyWordsAsGiven, descriptionAsGiven;
        std::string KeyWords() const;
        std::string Description() const;
    };
    Typed TypedNow() const;

signals:
    // Something was typed into (or pasted into, or cut from) a field.
    void typed();

protected:
    void showEvent(QShowEvent* event) override;

private:
    LongTextField* m_pKeyWords = nullptr;
    LongTextField* m_pDescription = nullptr;
    // The texts given, shared with the threads that make what was typed.
    mutable std::shared_ptr<const std::string> m_pGivenKeyWords, m_pGivenDescription;
};
