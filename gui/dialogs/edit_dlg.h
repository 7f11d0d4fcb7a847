// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <QString>

#include <string>

class LongTextField;

// "Edit-Dialog": one line of key words and a description of any number of
// lines. The members are Windows-1252 bytes; the description's line breaks
// are CR LF. They change only when OK succeeds.
class CEditDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CEditDlg(QWidget* parent = nullptr);

    std::string m_strKeyWords;
    std::string m_strDescription;

    // Takes back the fields that were changed; the others keep their bytes.
    void accept() override;
    // The texts as they stand now, in the members' form: what OK would
    // give back.
    std::string TypedKeyWords() const;
    std::string TypedDescription() const;

signals:
    // Something was typed into (or pasted into, or cut from) a field.
    void typed();

protected:
    void showEvent(QShowEvent* event) override;

private:
    LongTextField* m_pKeyWords = nullptr;
    LongTextField* m_pDescription = nullptr;
};
