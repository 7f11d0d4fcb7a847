// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/document/calendar_date.h"
#include "core/document/table_change.h"
#include "core/recovery/version_merge.h"

// The person's answer when the document is about to be written over a file
// that someone else changed or removed meanwhile.
enum class ChangedFileAnswer { Keep, SaveAs, Overwrite, Merge };

// Everything the document needs from the world around it. The Qt side
// implements it with real dialogs, views and QSettings; tests fake it.
// All texts are UTF-8, as the document stores them (core/text/text_form.h).
class DocumentHost {
public:
    virtual ~DocumentHost() = default;

    // Runs the modal Edit dialog on the two texts of entry `entry` (-1 for a
    // new one); true when it ended with OK, in which case `keyWords` holds
    // what the user left in its field, and `changedDescription` the
    // description where it was changed, nothing where it was left as it was.
    // The description is the document's own text, which stays as it is while
    // the dialog is up: a huge one is neither copied nor compared.
    virtual bool RunEditDialog(std::string& keyWords, std::string_view description,
                               std::optional<std::string>& changedDescription, int entry) = 0;

    // Shows the modal Hint dialog; true when it ended with OK (or Enter).
    virtual bool ShowHint(const std::string& text) = 0;

    // Every view redraws from the document at its next paint: after a hint,
    // which may have ended a search.
    virtual void UpdateAllViews() = 0;
    // What the views show changed: the current entry (after a table change
    // too), the view mode or page format, or the find hit, which the views
    // scroll to once.
    virtual void CurrentEntryChanged() = 0;
    virtual void ViewModeChanged() = 0;
    virtual void FindHitChanged() = 0;

    // Every change of the entry table, as it happens: the document's arrays
    // already hold the new table. This is how the views (and the recovery
    // record) learn what changed; no one compares counters.
    virtual void TableChanged(const TableChange& change) { (void)change; }
    // The document has no unsaved changes any more: its table is what its
    // file holds, or it is a new untitled document.
    virtual void ChangesSettled() {}

    virtual int GetProfileInt(const std::string& section, const std::string& entry,
                              int defaultValue) = 0;
    virtual void WriteProfileInt(const std::string& section, const std::string& entry,
                                 int value) = 0;

    // Today's local date, for stamping entries.
    virtual CalendarDate Today() = 0;

    // The one modeless Find window: whether it is open now, and open (or
    // bring to the front) its window. The document owns the dialog's state.
    virtual bool IsFindWindowOpen() = 0;
    virtual void ShowFindWindow() = 0;

    // Someone else changed the file at `path` (or removed it, when
    // `removed`) since the document last read or wrote it. Asks whether to
    // merge the unsaved changes into the other version (offered when
    // `offerMerge`), to write over it (or create it again), to save under
    // another name (only offered when `offerSaveAs`), or to keep the other
    // version.
    virtual ChangedFileAnswer AskAboutChangedFile(const std::string& path, bool removed,
                                                  bool offerSaveAs, bool offerMerge) = 0;

    // The record of every unsaved change, in the recovery record's form;
    // nothing when no such record is kept (the changes cannot be merged
    // into another version then).
    virtual std::optional<std::string> UnsavedChanges() { return std::nullopt; }
    // The unsaved changes were merged into the other version of the file,
    // which the document now holds.
    virtual void MergedOtherVersion(const MergeOutcome& outcome) { (void)outcome; }
};
