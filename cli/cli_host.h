// SPDX-License-Identifier: MIT
#pragma once

#include "doc/document_host.h"

// A document host for the command-line tools: they only read a document, so
// nothing ever asks the user, shows a window or stores a setting.
class CCliHost final : public DocumentHost {
public:
    bool RunEditDialog(std::string&, std::string&) override { return false; }
    bool ShowHint(const std::string&) override { return true; }
    void UpdateAllViews() override {}
    int GetProfileInt(const std::string&, const std::string&, int defaultValue) override
    {
        return defaultValue;
    }
    void WriteProfileInt(const std::string&, const std::string&, int) override {}
    CalendarDate Today() override { return CalendarDate{1, 1, 2000}; }
    bool IsFindWindowOpen() override { return false; }
    void ShowFindWindow() override {}
    // The tools write only new files, which nobody else can have changed.
    ChangedFileAnswer AskAboutChangedFile(const std::string&, bool, bool) override
    {
        return ChangedFileAnswer::Keep;
    }
};
