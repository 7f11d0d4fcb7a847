// SPDX-License-Identifier: MIT
#pragma once

#include <QSettings>

// The per-user profile every setting lives in: the registry key
// Software\Ovrin\Ovrin on Windows, ~/.config/Ovrin/Ovrin.conf elsewhere.
class CProfile final : public QSettings {
public:
    CProfile() : QSettings(QStringLiteral("Ovrin"), QStringLiteral("Ovrin")) {}
};
