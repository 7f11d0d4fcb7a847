// SPDX-License-Identifier: MIT
#include "gui/frame/lock_indicators.h"

#include <QGuiApplication>
#include <qguiapplication_platform.h>

#include "platform/library_function.h"

namespace {

// libX11 is loaded at run time rather than linked: the program must start on
// machines without an X server, and under xcb Qt has already loaded it, so
// this only looks the function up.
using XkbGetIndicatorStateFn = int (*)(void* display, unsigned int deviceSpec, unsigned int* state);
constexpr unsigned int kUseCoreKeyboard = 0x0100;
// The indicators in the order X's standard keyboard map numbers them.
constexpr unsigned int kCapsBit = 1u << 0;
constexpr unsigned int kNumBit = 1u << 1;
constexpr unsigned int kScrollBit = 1u << 2;

XkbGetIndicatorStateFn LookUp()
{
    static XkbGetIndicatorStateFn fn =
        reinterpret_cast<XkbGetIndicatorStateFn>(LibraryFunction("libX11.so.6", "XkbGetIndicatorState"));
    return fn;
}

}  // namespace

std::optional<LockState> ReadLockState()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->display())
        return std::nullopt;
    const XkbGetIndicatorStateFn fn = LookUp();
    if (!fn)
        return std::nullopt;
    unsigned int state = 0;
    if (fn(x11->display(), kUseCoreKeyboard, &state) != 0)  // 0 is Success
        return std::nullopt;
    return LockState{(state & kCapsBit) != 0, (state & kNumBit) != 0, (state & kScrollBit) != 0};
}
