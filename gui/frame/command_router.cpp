// SPDX-License-Identifier: MIT
#include "gui/frame/command_router.h"

CCmdUI CCommandRouter::State(int id) const
{
    for (const CommandTarget& t : m_targets) {
        CCmdUI ui;
        if (t.update && t.update(id, ui))
            return ui;
    }
    CCmdUI ui;
    ui.Enable(IsHandled(id));
    return ui;
}

bool CCommandRouter::IsHandled(int id) const
{
    for (const CommandTarget& t : m_targets)
        if (t.handles && t.handles(id))
            return true;
    return false;
}

bool CCommandRouter::Execute(int id)
{
    if (!State(id).m_bEnabled)
        return false;
    for (const CommandTarget& t : m_targets) {
        if (t.handles && t.handles(id) && t.execute(id))
            return true;
    }
    return false;
}
