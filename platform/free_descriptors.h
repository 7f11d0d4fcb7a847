// SPDX-License-Identifier: MIT
#pragma once

// How many more descriptors the process may open before it reaches its
// limit; a large number when the system cannot tell.
long FreeDescriptors();
