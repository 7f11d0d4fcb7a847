// SPDX-License-Identifier: MIT
#include "gui/res/info_texts.h"

#include "core/start/version_text.h"

// The texts of About, Manual, Usage and History, kept together so that
// wording is changed in one place.

namespace {

constexpr InfoLine kAboutLines[] = {
    {40, 10, 138, 8, false, kVersionLine},
    {40, 25, 170, 8, false, "A notebook of key words and their descriptions."},
};

constexpr InfoLine kManualLines[] = {
    {18, 14, 276, 8, true, "The intention of Ovrin is to record and inquire ..."},
    {18, 23, 276, 8, true, ".. keywords and corresponding  descriptions. "},
    {18, 32, 276, 8, false, "FUNCTIONS:  "},
    {18, 41, 276, 8, false, "1. Menu File"},
    {18, 50, 276, 8, false, "   New, Open, Save, Save as Ovrin document"},
    {18, 59, 276, 8, false, "   Merge another Ovrin document into this one, no entry twice"},
    {18, 68, 276, 8, false, "   Print, Print preview, Print setup Ovrin document"},
    {18, 77, 276, 8, false, "   Exit Ovrin"},
    {18, 86, 276, 8, false, "2. Menu Edit"},
    {18, 95, 276, 8, false, "   Add, Edit, Delete (Entry/Undo) keywords and corresponding decsriptions"},
    {18, 104, 276, 8, false, "   Find search string in keywords or descriptions"},
    {18, 113, 276, 8, false, "   go forward or backward, to first or last entry"},
    {18, 122, 276, 8, false, "   Option  'Save immediate' (persistent)"},
    {18, 131, 276, 8, false, "3. Menu View "},
    {18, 140, 276, 8, false, "   select Statusbar, Tollbar, split window"},
    {18, 149, 276, 8, false, "   display keywords with descriptions or list of keywords"},
    {18, 158, 276, 8, false, "   select format of View: variable width (default) or DIN A4 width"},
    {18, 167, 276, 8, false, "4. Menu Help"},
    {18, 176, 276, 8, false, "   About Ovrin, Manual, Usage, History"},
    {18, 185, 276, 8, false, "5. Context menu in main window"},
    {18, 194, 276, 8, false, "   Edit, Print, Add, Delete (Entry/Undo) , Find entry, Format (variable/DIN A4)"},
    {18, 203, 276, 8, false, "6. Toolbar"},
    {18, 212, 276, 8, false, "   New, Open, Save, Print, Add, Edit, Delete (Entry/Undo), view description/keywords"},
    {18, 221, 276, 8, false, "   Find, go forward, backward, to last/first entry, Help"},
    {18, 230, 276, 8, false, "7. Shortcuts"},
    {18, 239, 276, 8, false, "   'a'=Add,  'e'=Edit, 'f'=Find,  '+'/'>'=Next, '-'/'<'=Back, '?' = Help,"},
    {18, 248, 276, 8, false, "   'b'=first entry, 'n'=last entry, 'd' = description, 'k' = keywords,"},
    {18, 257, 276, 8, false, "8. Hints"},
    {18, 266, 276, 8, false, "  - in Edit window the usual copy/paste/delete/undo shortcuts are supported!"},
    {18, 275, 276, 8, false, "  - in Edit dialog field <description>  <RETURN> switches to next line."},
    {18, 284, 276, 9, false, "  - the Find dialog allows parallel working in the main window. "},
};

constexpr InfoLine kUsageLines[] = {
    {13, 18, 244, 8, false, "Restrictions in warranty and support:"},
    {13, 33, 244, 8, false, "Ovrin is supplied 'as it is'. The author doesn't give any warranty for its"},
    {13, 43, 244, 8, false, "functionality or any other property in using it and he doesn't accept any "},
    {13, 53, 244, 8, false, "responsibility for any damage which may result from using Ovrin."},
    {13, 63, 244, 8, false, "Moreover there is no guarantee for correction of bugs of any kind."},
    {13, 73, 244, 8, false, "But: Ovrin will be developed further on; therefore the author is interested, "},
    {13, 83, 244, 8, false, "in any information about bugs and/or lacks. Please send any such comments "},
    {13, 93, 244, 8, false, "and/or reports to his e-mail address:"},
    {13, 105, 244, 8, true, "none comes with this copy; ask whoever gave you Ovrin"},
    {13, 122, 244, 8, false, "Ovrin may be copied and given away free of charge under the MIT licence,"},
    {13, 131, 244, 8, false, "provided that this notice is kept with every copy."},
};

constexpr InfoLine kHistoryLines[] = {
    {21, 7, 308, 8, true, "The starting point for Ovrin was the experience: \"What you do not keep in your head"},
    {21, 15, 308, 8, true, "should be recorded at some place where you have a chance to find it.\""},
    {21, 27, 308, 8, false, "Predecessor from the early nineties:  Ovrin for UNIX with line interface"},
    {21, 37, 95, 8, false, "97-06-01 Ovrin Version 1.0           "},
    {21, 45, 308, 8, false, " - preliminary version - ported to Win95 with GUI"},
    {21, 53, 103, 8, false, "97-06-06 Ovrin Version 1.0A00   "},
    {21, 61, 308, 8, false, "-  errors corrected, extended info function"},
    {21, 69, 103, 8, false, "97-06-16 Ovrin Version 1.1A00  "},
    {21, 77, 308, 8, false, "-  new functions: 'Delete/Undo', info in own windows, records extended by dates"},
    {21, 85, 100, 8, false, "97-07-20 Ovrin Version 1.2A00"},
    {21, 93, 308, 8, false, " -  split persistent window with scrollbar, printer support added (max. 1 page)"},
    {21, 101, 308, 8, false, " -  entries choosable by double click in view 'keywords'"},
    {21, 109, 308, 8, false, " -  extensions of walk through functions, and use of  WIN95 registry"},
    {21, 117, 100, 8, false, "97-08-01 Ovrin Version 1.3A00"},
    {21, 125, 308, 8, false, " -  context menu in main window with the most often used functions"},
    {21, 133, 308, 8, false, " -  in field <description> of edit dialog <RETURN> switches to next line"},
    {21, 141, 100, 8, false, "97-09-08 Ovrin Version 1.4A00"},
    {21, 149, 308, 8, false, " -  new option 'Search in descriptions too' in Find dialog"},
    {21, 158, 100, 8, false, "97-11-02 Ovrin Version 1.5A00"},
    {21, 167, 308, 8, false, " -  for  main window and printer a font with fixed width (Fixedsys)  is used"},
    {21, 176, 308, 8, false, " -  in main window the text width can be switched from variable (Default) to fixed (=DIN A4)"},
    {21, 185, 308, 8, false, " -  the printer now supports more than one page (per entry)"},
    {21, 194, 100, 8, false, "97-12-30 Ovrin Version 1.5A01"},
    {21, 203, 308, 8, false, " -  in  edit dialog too the font 'Fixedsys' is used"},
    {21, 212, 308, 8, false, " -  improvements in printer support and printer preview "},
    {21, 221, 308, 8, false, " -  in view  'keywords' all entries are displayed; the current is marked"},
    {21, 230, 100, 8, false, "98-02-20 Ovrin Version 1.6A00"},
    {21, 239, 308, 8, false, " -  new option 'Save immediate' in menu 'Edit/Options'"},
    {21, 248, 100, 8, false, "98-03-15 Ovrin Version 2.0A00"},
    {21, 257, 308, 8, false, "  - first english version of Ovrin"},
};

} // namespace

const InfoDialogText& AboutText()
{
    static const InfoDialogText text{"About Ovrin", 217, 55, 178, 7, 32, 14, kAboutLines};
    return text;
}

const InfoDialogText& ManualText()
{
    static const InfoDialogText text{"Help for Ovrin", 301, 323, 130, 301, 41, 14, kManualLines};
    return text;
}

const InfoDialogText& UsageText()
{
    static const InfoDialogText text{"Usage of Ovrin", 264, 173, 118, 153, 28, 14, kUsageLines};
    return text;
}

const InfoDialogText& HistoryText()
{
    static const InfoDialogText text{"History of Ovrin", 329, 298, 147, 273, 34, 14, kHistoryLines};
    return text;
}
