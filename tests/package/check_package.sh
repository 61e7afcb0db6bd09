#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package and checks it from outside: its contents, its control fields, the
# extracted program's --version, the validity of its desktop entry and metainfo, its copyright and
# changelog, and lintian's verdict.
set -uo pipefail
cd "$(dirname "$0")/../.."
deb=$(bash tools/package.sh | tail -n 1) || { echo "package build failed"; exit 1; }
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
passed=0
failed=0
check() {
  local name=$1
  shift
  if "$@" >"$root/out.txt" 2>&1; then
    passed=$((passed + 1))
    echo "PASS $name"
  else
    failed=$((failed + 1))
    echo "FAIL $name"
    sed 's/^/    /' "$root/out.txt"
  fi
}
contains() { grep -qF -- "$1" "$2" || { echo "missing: $1"; cat "$2"; return 1; }; }

id=org.ferrotap.Ferrotap
version=$(dpkg-deb -f "$deb" Version)
dpkg-deb -c "$deb" >"$root/contents.txt"
dpkg-deb -f "$deb" >"$root/control.txt"
for file in ./usr/bin/ferrotap ./usr/bin/ferrotap-cli ./usr/share/man/man1/ferrotap-cli.1.gz ./usr/share/applications/$id.desktop \
  ./usr/share/metainfo/$id.metainfo.xml ./usr/share/icons/hicolor/scalable/apps/$id.svg \
  ./usr/share/icons/hicolor/48x48/apps/$id.png ./usr/share/icons/hicolor/128x128/apps/$id.png \
  ./usr/share/man/man1/ferrotap.1.gz ./usr/share/doc/ferrotap/copyright \
  ./usr/share/doc/ferrotap/changelog.gz ./usr/share/ferrotap/examples/modbus-rtu.pdt \
  ./usr/share/ferrotap/examples/modbus-rtu.pst ./usr/share/ferrotap/examples/default.pdt \
  ./usr/share/ferrotap/examples/demo.pdt ./usr/share/ferrotap/examples/demo.pst; do
  check "lists $file" contains "$file" "$root/contents.txt"
done
check "file name carries version and architecture" \
  test "$(basename "$deb")" = "ferrotap_${version}_$(dpkg --print-architecture).deb"
check "depends on the Qt libraries found in the binary" contains "libqt6widgets6" "$root/control.txt"
check "section" contains "Section: electronics" "$root/control.txt"
check "maintainer" grep -qE '^Maintainer: .+ <.+@.+>$' "$root/control.txt"
check "lintian: no error, no warning" lintian --fail-on error,warning "$deb"

dpkg -x "$deb" "$root/x"
check "extracted program reports the package version" \
  contains "ferrotap $version" <(env -u DISPLAY -u WAYLAND_DISPLAY "$root/x/usr/bin/ferrotap" --version)
check "unknown option exits with status 2" \
  bash -c '"$1" --no-such-option 2>/dev/null; test $? -eq 2' _ "$root/x/usr/bin/ferrotap"
check "ferrotap-cli links no Qt" bash -c '! ldd "$1" | grep -qi qt' _ "$root/x/usr/bin/ferrotap-cli"
check "ferrotap-cli reports the package version" \
  contains "ferrotap-cli $version" <("$root/x/usr/bin/ferrotap-cli" --version)
check "ferrotap without a display points at ferrotap-cli" bash -c \
  'env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$1" 2>&1 | grep -q ferrotap-cli' _ \
  "$root/x/usr/bin/ferrotap"
check "man page reads" bash -c 'gzip -dc "$1" | grep -q "^\.SH FILES"' _ \
  "$root/x/usr/share/man/man1/ferrotap.1.gz"
check "desktop-file-validate" desktop-file-validate "$root/x/usr/share/applications/$id.desktop"
check "appstreamcli validate" appstreamcli validate --no-net "$root/x/usr/share/metainfo/$id.metainfo.xml"
check "metainfo names this release" contains "release version=\"$version\"" \
  "$root/x/usr/share/metainfo/$id.metainfo.xml"

doc=$root/x/usr/share/doc/ferrotap
gzip -dc "$doc/changelog.gz" >"$root/changelog"
check "changelog's newest entry is this version" \
  test "$(dpkg-parsechangelog -l "$root/changelog" -S Version)" = "$version"
check "metainfo release date is the changelog's" contains \
  "date=\"$(date -u -d "$(dpkg-parsechangelog -l "$root/changelog" -S Date)" +%F)\"" \
  "$root/x/usr/share/metainfo/$id.metainfo.xml"
# The copyright file's paragraph of the MIT licence, unindented, is LICENSE from "Permission" on.
check "copyright quotes LICENSE" diff \
  <(awk -v RS= '/^License: MIT\n/' "$doc/copyright" | sed '1d;s/^ //;s/^\.$//') \
  <(sed -n '/^Permission/,$p' LICENSE)

echo "package: $passed passed, $failed failed"
test "$failed" -eq 0
