// SPDX-License-Identifier: MIT
#pragma once

// The user id of the process at the other end of a connected local socket,
// or -1 when the system cannot tell.
long PeerUid(int socketDescriptor);
