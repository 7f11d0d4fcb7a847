// SPDX-License-Identifier: MIT
#pragma once

// The state an update rule gives a command: the menu item, the tool-bar
// button and the key all follow it, and a disabled command is dropped.
struct CCmdUI final {
    bool m_bEnabled = true;
    int m_nCheck = 0;  // 0 unchecked, 1 checked

    void Enable(bool bOn = true) { m_bEnabled = bOn; }
    void SetCheck(int nCheck = 1) { m_nCheck = nCheck; }
};
