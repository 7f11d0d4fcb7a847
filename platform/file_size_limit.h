// SPDX-License-Identifier: MIT
#pragma once

// A file size limit (ulimit -f) makes a write fail like a full disk,
// instead of ending the program without a word.
void FailWritesBeyondFileSizeLimit();
