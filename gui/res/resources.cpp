// SPDX-License-Identifier: MIT
#include "gui/res/resources.h"

#include <QtGlobal>

void EnsureResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(ovrin);
        return true;
    }();
    (void)registered;
}
