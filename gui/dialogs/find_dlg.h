// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

class COvrinDoc;
class CFindDlgState;
class QCheckBox;
class QLineEdit;
class QPushButton;

// The modeless Find window. Its search state lives in the document
// (CFindDlgState) so that it outlives the window; the window only copies its
// controls into that state before every search and forwards the buttons.
// Closing it (Close, Esc, the close box) ends the marking of the last hit
// and deletes the window.
class CFindDlg final : public QDialog {
    Q_OBJECT
public:
    CFindDlg(COvrinDoc& doc, QWidget* owner);

    // Shows the window 200, 200 dialog units from the owner's client area.
    void ShowBesideOwner();

    void reject() override;

private:
    // Reads the controls into the state; any text can be looked for.
    void UpdateData();
    void OnFindNext();
    void OnFindFirst();
    void OnFindBack();
    void OnInDescriptions();
    void Search(void (CFindDlgState::*search)());

    CFindDlgState& m_state;
    QLineEdit* m_pSearch = nullptr;
    QCheckBox* m_pInDescriptions = nullptr;
    QPushButton* m_pFirst = nullptr;
    QPushButton* m_pNext = nullptr;
    QPushButton* m_pBack = nullptr;
    QPushButton* m_pClose = nullptr;
    bool m_bCancelled = false;
};
