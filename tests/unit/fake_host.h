// SPDX-License-Identifier: MIT
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/document/document_host.h"

// A scripted stand-in for the dialogs, views, profile and clock.
class FakeHost final : public DocumentHost {
public:
    struct EditAnswer {
        bool ok = true;
        std::string keyWords;
        std::string description;
    };

    std::deque<EditAnswer> editAnswers;   // consumed by RunEditDialog, in order
    std::vector<std::pair<std::string, std::string>> editShown;  // texts offered
    std::deque<bool> hintAnswers;         // consumed by ShowHint; OK when empty
    std::vector<std::string> hints;       // every hint shown
    int updates = 0;                      // redraws asked for, of any kind
    bool newHit = false;                  // a find hit was told
    std::map<std::string, int> profile;   // "section/entry" -> value
    CalendarDate today{6, 12, 2026};
    bool findOpen = false;
    int findShown = 0;
    std::deque<ChangedFileAnswer> changedFileAnswers;  // Keep when empty
    std::vector<std::string> changedFilesAsked;        // "path", or "path removed"

    bool RunEditDialog(std::string& keyWords, std::string_view description, std::optional<std::string>& changed,
                       int) override
    {
        editShown.emplace_back(keyWords, description);
        if (editAnswers.empty()) return false;
        EditAnswer answer = editAnswers.front();
        editAnswers.pop_front();
        if (!answer.ok) return false;
        keyWords = answer.keyWords;
        changed = answer.description;
        return true;
    }
    bool ShowHint(const std::string& text) override
    {
        hints.push_back(text);
        if (hintAnswers.empty()) return true;
        bool ok = hintAnswers.front();
        hintAnswers.pop_front();
        return ok;
    }
    void UpdateAllViews() override { ++updates; }
    void CurrentEntryChanged() override { ++updates; }
    void ViewModeChanged() override { ++updates; }
    void FindHitChanged() override { ++updates; newHit = true; }
    std::function<void(const TableChange&)> onTableChanged;  // optional listeners
    std::function<void()> onSettled;
    void TableChanged(const TableChange& c) override { if (onTableChanged) onTableChanged(c); }
    void ChangesSettled() override { if (onSettled) onSettled(); }
    int GetProfileInt(const std::string& section, const std::string& entry, int def) override
    {
        auto it = profile.find(section + "/" + entry);
        return it == profile.end() ? def : it->second;
    }
    void WriteProfileInt(const std::string& section, const std::string& entry, int value) override
    {
        profile[section + "/" + entry] = value;
    }
    CalendarDate Today() override { return today; }
    bool IsFindWindowOpen() override { return findOpen; }
    void ShowFindWindow() override
    {
        findOpen = true;
        ++findShown;
    }
    ChangedFileAnswer AskAboutChangedFile(const std::string& path, bool removed, bool, bool) override
    {
        changedFilesAsked.push_back(removed ? path + " removed" : path);
        if (changedFileAnswers.empty()) return ChangedFileAnswer::Keep;
        const ChangedFileAnswer answer = changedFileAnswers.front();
        changedFileAnswers.pop_front();
        return answer;
    }
};
