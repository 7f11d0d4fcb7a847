#!/bin/sh
# SPDX-License-Identifier: MIT
# Installs the build into a temporary folder and checks that every file lands
# where the freedesktop conventions say, that the desktop entry and the
# manual page are sound, and that the installed `ovrin` runs from there.
#   install_test.sh BUILD_DIR
set -eu
build=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT INT TERM
cmake --install "$build" --prefix "$root/usr" >/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }
for f in bin/ovrin libexec/ovrin/ovrin-window share/applications/ovrin.desktop \
         share/mime/packages/ovrin.xml share/icons/hicolor/scalable/apps/ovrin.svg \
         share/icons/hicolor/scalable/mimetypes/application-x-ovrin-document.svg \
         share/man/man1/ovrin.1.gz; do
    [ -f "$root/usr/$f" ] || fail "$f is not installed"
done
[ -x "$root/usr/bin/ovrin" ] && [ -x "$root/usr/libexec/ovrin/ovrin-window" ] || fail "programs not executable"

if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$root/usr/share/applications/ovrin.desktop" || fail "desktop entry"
fi
grep -q 'glob pattern="\*.ovr"' "$root/usr/share/mime/packages/ovrin.xml" || fail "MIME glob"
grep -q '^MimeType=application/x-ovrin-document;$' "$root/usr/share/applications/ovrin.desktop" || fail "MimeType"

if command -v man >/dev/null; then
    warnings=$(MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/ovrin.1.gz" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "manual page: $warnings"
    MANWIDTH=80 man -l "$root/usr/share/man/man1/ovrin.1.gz" 2>/dev/null | grep -q -- '--import RECFILE NEWFILE' ||
        fail "manual page lacks --import"
fi

# The installed front end runs its modes and finds its window program (a
# stand-in put in its place records the hand-over).
"$root/usr/bin/ovrin" --version | grep -q '^Ovrin, Version ' || fail "--version"
printf '#!/bin/sh\necho "window $*"\n' >"$root/usr/libexec/ovrin/ovrin-window"
[ "$("$root/usr/bin/ovrin" /p a.ovr)" = "window /p a.ovr" ] || fail "hand-over to libexec/ovrin/ovrin-window"
echo "install layout ok"
