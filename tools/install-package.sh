#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package and installs it with apt: as root directly, as a user through sudo.
#   tools/install-package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
as_root=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Run this as root, or install sudo." >&2; exit 1; }
  as_root=(sudo)
fi
deb=$(bash tools/package.sh | tail -n 1)
# apt fetches local packages as its own user, who cannot enter a private home folder; a readable
# copy spares the user apt's notice about it.
readable=$(mktemp -d)
trap 'rm -rf "$readable"' EXIT
chmod 755 "$readable"
install -m 644 "$deb" "$readable/"
# --reinstall: a package rebuilt at the same version replaces the installed one.
"${as_root[@]}" apt-get install --yes --reinstall "$readable/$(basename "$deb")"
