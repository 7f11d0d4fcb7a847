// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

struct InfoDialogText;

// A modal dialog of fixed text lines and an OK button, laid out from its
// template in dialog units. A line wider than its template place (the
// system font is not the one the templates were drawn for) widens the line
// and the dialog rather than being cut off.
class CInfoDlg : public QDialog {
    Q_OBJECT
public:
    CInfoDlg(const InfoDialogText& text, bool withIcon, QWidget* parent);

protected:
    void showEvent(QShowEvent* event) override;
};

class CAboutDlg final : public CInfoDlg {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

class CManualDlg final : public CInfoDlg {
    Q_OBJECT
public:
    explicit CManualDlg(QWidget* parent = nullptr);
};

class CUsageDlg final : public CInfoDlg {
    Q_OBJECT
public:
    explicit CUsageDlg(QWidget* parent = nullptr);
};

class CHistoryDlg final : public CInfoDlg {
    Q_OBJECT
public:
    explicit CHistoryDlg(QWidget* parent = nullptr);
};
