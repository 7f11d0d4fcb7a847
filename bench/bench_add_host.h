// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "core/document/document_host.h"
#include "core/recovery/recovery_recorder.h"

// A document host without windows for the benchmarks: every Add gets a new
// entry at once, and every hint is answered with OK. With a recorder, every
// change goes into the recovery record as in the window.
class BenchAddHost final : public DocumentHost {
public:
    int next = 0;
    CRecoveryRecorder* recorder = nullptr;
    bool RunEditDialog(std::string& k, std::string_view, std::optional<std::string>& d, int) override
    {
        k = "Neu " + std::to_string(next++ * 7919 % 100000);
        d = "Beschreibung\r\nzweite Zeile";
        return true;
    }
    bool ShowHint(const std::string&) override { return true; }
    void UpdateAllViews() override {}
    void CurrentEntryChanged() override {}
    void ViewModeChanged() override {}
    void FindHitChanged() override {}
    void TableChanged(const TableChange& c) override { if (recorder) recorder->TableChanged(c); }
    void ChangesSettled() override { if (recorder) recorder->ChangesSettled(); }
    int GetProfileInt(const std::string&, const std::string&, int d) override { return d; }
    void WriteProfileInt(const std::string&, const std::string&, int) override {}
    CalendarDate Today() override { return CalendarDate{7, 12, 2026}; }
    bool IsFindWindowOpen() override { return false; }
    void ShowFindWindow() override {}
    ChangedFileAnswer AskAboutChangedFile(const std::string&, bool, bool, bool) override
    {
        return ChangedFileAnswer::Keep;
    }
};
