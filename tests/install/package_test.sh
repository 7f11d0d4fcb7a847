#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds the Debian package from a built tree and checks it as Debian would:
# lintian finds no error, and the package carries its copyright file, its
# change log, a maintainer one can write to, and an icon of its own for
# documents.
#   package_test.sh BUILD_DIR
set -eu
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT INT TERM
fail() { echo "FAIL: $*" >&2; exit 1; }

command -v lintian >/dev/null || fail "lintian is not installed (see scripts/packages.txt)"
cpack --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 ||
    fail "cpack: $(tail -n 20 "$out/cpack.log")"
deb=$(ls "$out"/*.deb)

# Run as root (in CI), lintian is asked to go on all the same.
lintian --allow-root --fail-on error "$deb" >"$out/lintian.log" 2>&1 ||
    fail "lintian: $(grep '^E:' "$out/lintian.log" || tail -n 20 "$out/lintian.log")"

dpkg-deb -x "$deb" "$out/root"
doc=$out/root/usr/share/doc/ovrin
head -n 1 "$doc/copyright" | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$' ||
    fail "copyright is not in the machine-readable format"
grep -q '^License: MIT$' "$doc/copyright" || fail "copyright names no MIT licence"
version=$(dpkg-deb -f "$deb" Version)
gzip -dc "$doc/changelog.gz" | head -n 1 | grep -q "^ovrin ($version) " ||
    fail "the change log does not begin with version $version"
case $(dpkg-deb -f "$deb" Maintainer) in
    *localhost*|"") fail "maintainer: $(dpkg-deb -f "$deb" Maintainer)" ;;
esac
icons=$out/root/usr/share/icons/hicolor/scalable
cmp -s "$icons/apps/ovrin.svg" "$icons/mimetypes/application-x-ovrin-document.svg" &&
    fail "documents have the program's icon"
echo "package ok: $(grep -c '^W:' "$out/lintian.log" || true) lintian warnings"
