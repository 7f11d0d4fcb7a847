// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

#include <string>

class QLabel;

// The program's message box: one centred line of text and an OK button.
// exec() returns Accepted for OK or Return, Rejected for Esc or the close box.
class CHintDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CHintDlg(QWidget* parent = nullptr);

    std::string m_strHint; // Windows-1252, shown when the dialog opens

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* m_pText = nullptr;
};
