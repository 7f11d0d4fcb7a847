// SPDX-License-Identifier: MIT
#pragma once

#include <string>

class COvrinDoc;

extern const std::string g_strNoMoreHit;  // "no (more) hit"

// The Find dialog without its window: the search string, the check box and
// the searches in document order. The Qt CFindDlg copies its controls into
// m_strSearch and m_bInDescriptions before every search and calls these.
class CFindDlgState final {
public:
    COvrinDoc* m_pDoc = nullptr;
    int m_nSearchEntry = -1;
    std::string m_strSearch;  // a text (core/text/text_form.h)
    bool m_bFromFirst = false;
    bool m_bInDescriptions = false;

    void OnFindNext();
    void OnFindFirst();
    void OnFindBack();
    void OnInDescriptions();
    void OnCancel();
};
