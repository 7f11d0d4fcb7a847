// SPDX-License-Identifier: MIT
#pragma once

#include <span>

// Every line of the four information dialogs, with its place in dialog units.
// Leading and trailing blanks belong to the texts.
struct InfoLine {
    int x, y, width, height;
    bool centred;
    const char* text; // ASCII
};

struct InfoDialogText {
    const char* title;
    int width, height;          // dialog size
    int okX, okY, okW, okH;     // the OK button
    std::span<const InfoLine> lines;
};

const InfoDialogText& AboutText();
const InfoDialogText& ManualText();
const InfoDialogText& UsageText();
const InfoDialogText& HistoryText();
