// SPDX-License-Identifier: MIT
#include "platform/socket_peer.h"

#include <sys/socket.h>
#include <sys/types.h>

long PeerUid(int socketDescriptor)
{
#ifdef SO_PEERCRED
    struct ucred cred {};
    socklen_t size = sizeof cred;
    if (getsockopt(socketDescriptor, SOL_SOCKET, SO_PEERCRED, &cred, &size) != 0 || size != sizeof cred)
        return -1;
    return static_cast<long>(cred.uid);
#else
    uid_t uid = 0;
    gid_t gid = 0;
    if (getpeereid(socketDescriptor, &uid, &gid) != 0)
        return -1;
    return static_cast<long>(uid);
#endif
}
