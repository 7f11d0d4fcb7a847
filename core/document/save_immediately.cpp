// SPDX-License-Identifier: MIT
// The "Save immediate" option: every change goes back to the file at once.
#include "core/document/cmd_ui.h"
#include "core/file/document_file.h"
#include "core/document/document_host.h"
#include "core/document/ovrin_doc.h"

void COvrinDoc::SaveImmediately()
{
    if (!m_bSaveImmediate || m_strFilePath.empty())
        return;
    // The stream replaces the file as a whole, so a failed write (a full
    // disk) leaves the old file intact instead of half overwritten. A file
    // someone else changed or removed is written only when the person says
    // so; one that cannot be written fails silently, and the change stays
    // in the document either way.
    // A version that arrives while the file is written is asked about as
    // one found before, a few times at most.
    bool changedMeanwhile = true;
    for (int round = 0; changedMeanwhile && round < 4; ++round) {
        const WriteConsent consent = ConsentToWrite(*this, m_strFilePath, false);
        if (consent == WriteConsent::Keep || consent == WriteConsent::SaveAs)
            return;
        std::string error;
        const WhenMissing whenMissing =
            consent == WriteConsent::Recreate ? WhenMissing::Create : WhenMissing::Fail;
        if (WriteDocumentStream(*this, m_strFilePath, error, whenMissing, &changedMeanwhile))
            SetModifiedFlag(false);
    }
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
