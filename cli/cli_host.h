// SPDX-License-Identifier: MIT
#pragma once

#include "core/document/document_host.h"

// A document host for the command-line tools, which run without a window:
// nothing ever asks the user, shows a window or stores a setting. New
// entries are dated today, by the system's clock and time zone.
class CCliHost final : public DocumentHost {
public:
    bool RunEditDialog(std::string&, std::string_view, std::optional<std::string>&, int) override { return false; }
    bool ShowHint(const std::string&) override { return true; }
    void UpdateAllViews() override {}
    void CurrentEntryChanged() override {}
    void ViewModeChanged() override {}
    void FindHitChanged() override {}
    int GetProfileInt(const std::string&, const std::string&, int defaultValue) override
    {
        return defaultValue;
    }
    void WriteProfileInt(const std::string&, const std::string&, int) override {}
    CalendarDate Today() override;
    bool IsFindWindowOpen() override { return false; }
    void ShowFindWindow() override {}
    // A file another program changed after a tool read it (--merge) is
    // never written over.
    ChangedFileAnswer AskAboutChangedFile(const std::string&, bool, bool, bool) override
    {
        return ChangedFileAnswer::Keep;
    }
};
