// SPDX-License-Identifier: MIT
// The "Save immediate" option: every change goes back to the file at once.
#include "doc/cmd_ui.h"
#include "doc/document_file.h"
#include "doc/document_host.h"
#include "doc/ovrin_doc.h"

void COvrinDoc::SaveImmediately()
{
    if (!m_bSaveImmediate || m_strFilePath.empty())
        return;
    // The stream replaces the file as a whole, so a failed write (a full
    // disk) leaves the old file intact instead of half overwritten. Only a
    // file that exists and may be written is rewritten; a missing or
    // read-only one fails silently and the change stays in the document.
    std::string error;
    if (WriteDocumentStream(*this, m_strFilePath, error, WhenMissing::Fail))
        SetModifiedFlag(false);
}

void COvrinDoc::OnOptionsSaveImmediate()
{
    m_bSaveImmediate = !m_bSaveImmediate;
    m_host.WriteProfileInt("Options", "Save immediate", m_bSaveImmediate ? 1 : 0);
    SaveImmediately();
}

void COvrinDoc::OnUpdateOptionsSaveImmediate(CCmdUI& cmdUI) const
{
    cmdUI.SetCheck(m_bSaveImmediate ? 1 : 0);
}
