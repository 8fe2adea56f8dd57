#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Quelix developers
# SPDX-License-Identifier: MIT
# deb_test.sh PACKAGE.deb: unpacks the Debian package into a throw-away root (dpkg -x) and
# runs both programs from there: quelix-cli computes the README's pCa 6 buffer, the window
# answers --version and starts on Qt's offscreen platform, getting as far as its settings
# file. Checks what a Debian system expects beside them, and that the package, the
# programs, the changelog and the AppStream metainfo name one version.
set -uo pipefail
deb=$(realpath "${1:?usage: deb_test.sh PACKAGE.deb}")
cd "$(dirname "$0")/../.."
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
passed=0
failed=0

check() { # check NAME COMMAND...: one named check, passed when COMMAND succeeds
    local name=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: $name"
    fi
}

dpkg -x "$deb" "$root/fs" || { echo "FAILED: dpkg -x $deb"; exit 1; }
bin=$root/fs/usr/bin
version=$(dpkg-deb -f "$deb" Version)

files_present() {
    local file missing=0
    for file in usr/bin/quelix usr/bin/quelix-cli \
        usr/share/doc/quelix/manual.html usr/share/doc/quelix/series-window.png \
        usr/share/doc/quelix/copyright usr/share/doc/quelix/changelog.gz \
        usr/share/man/man1/quelix.1.gz usr/share/man/man1/quelix-cli.1.gz \
        usr/share/applications/quelix.desktop usr/share/metainfo/org.quelix.Quelix.metainfo.xml \
        usr/share/icons/hicolor/scalable/apps/quelix.svg \
        usr/share/icons/hicolor/64x64/apps/quelix.png \
        usr/share/quelix/constants/nist-srd46-20c.json \
        usr/share/quelix/recipe/salts.json usr/share/quelix/recipe/ph-buffers.json \
        usr/share/doc/quelix/recipes/relaxing-pca9.json; do
        [ -f "$root/fs/$file" ] || { echo "missing: /$file"; missing=1; }
    done
    # The Python module is pip's to install, not the package's.
    if find "$root/fs" -name 'quelix*.so' | grep -q .; then
        echo "the Python module is in the package"
        missing=1
    fi
    return $missing
}
check "the package holds the programs, the manual, man pages, desktop entry, icon, metainfo" \
    files_present

one_version() {
    local cli window changelog metainfo
    cli=$("$bin/quelix-cli" --version)
    window=$("$bin/quelix" --version)
    changelog=$(zcat "$root/fs/usr/share/doc/quelix/changelog.gz" | head -n 1)
    metainfo=$(grep -o -m 1 '<release version="[^"]*"' \
        "$root/fs/usr/share/metainfo/org.quelix.Quelix.metainfo.xml")
    [ "$cli" = "quelix-cli $version" ] && [ "$window" = "quelix $version" ] &&
        [[ "$changelog" == "quelix ($version) "* ]] &&
        [ "$metainfo" = "<release version=\"$version\"" ] ||
        { echo "package $version; '$cli', '$window', '$changelog', '$metainfo'"; return 1; }
}
check "package, programs, changelog and metainfo name one version" one_version

# The README's worked example: its command, run from the unpacked root, prints its report.
readme_example() {
    local command expected actual
    command=$(grep -m 1 -x '\$ quelix-cli --mode 6 .* --free-ca 0.001' README.md) || return 1
    expected=$(awk -v c="$command" '$0 == c {on = 1; next} on && /^```/ {exit} on' README.md)
    read -ra words <<<"${command#\$ quelix-cli }"
    actual=$("$bin/quelix-cli" "${words[@]}") || return 1
    [ "$actual" = "$expected" ] || { diff <(echo "$expected") <(echo "$actual"); return 1; }
}
check "quelix-cli from the package computes the README's pCa 6 buffer" readme_example

# The manual's relaxing solution from the installed recipe file: its weighing sheet, as the
# tests' golden copy has it.
installed_recipe() {
    local actual
    actual=$("$bin/quelix-cli" --recipe "$root/fs/usr/share/doc/quelix/recipes/relaxing-pca9.json") \
        || return 1
    [ "$actual" = "$(cat tests/data/cli_recipe_relaxing.txt)" ] \
        || { diff tests/data/cli_recipe_relaxing.txt <(echo "$actual"); return 1; }
}
check "quelix-cli from the package makes the installed relaxing recipe" installed_recipe

# The window on the offscreen platform, with a home of its own: still running after three
# seconds (a missing library or plugin ends it at once) and its settings file written, beside
# the program when that folder is writable (as it is here for root) or under the home.
window_starts() {
    local home=$root/home status
    mkdir -p "$home"
    HOME=$home XDG_CONFIG_HOME=$home/.config QT_QPA_PLATFORM=offscreen \
        timeout 3 "$bin/quelix" >"$root/window.log" 2>&1
    status=$?
    [ "$status" -eq 124 ] || { echo "the window ended with $status:"; cat "$root/window.log"; return 1; }
    [ -f "$bin/quelix.INI" ] || [ -f "$home/.config/quelix/quelix.INI" ] ||
        { echo "the window wrote no settings file"; return 1; }
}
check "the window from the package starts offscreen" window_starts

depends_known() {
    local dep missing=0
    # Every first alternative of Depends is a Debian package present here, as it must be for
    # the programs above to have run.
    for dep in $(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/|.*//; s/(.*)//; s/ //g'); do
        dpkg-query -W -f='${Status}\n' "$dep" 2>/dev/null | grep -q 'install ok installed' ||
            { echo "Depends: $dep is not an installed Debian package"; missing=1; }
    done
    # dpkg-shlibdeps found the libraries of both programs.
    for dep in libqt6widgets6 libqt6charts6 libstdc++6; do
        dpkg-deb -f "$deb" Depends | grep -qw "$dep" || { echo "Depends lacks $dep"; missing=1; }
    done
    return $missing
}
check "Depends names the Debian packages of the libraries the programs link" depends_known

metainfo_valid() {
    local out
    out=$(appstreamcli validate --no-net --pedantic \
        "$root/fs/usr/share/metainfo/org.quelix.Quelix.metainfo.xml" 2>&1) || { echo "$out"; return 1; }
}
if command -v appstreamcli >/dev/null 2>&1; then
    check "the AppStream metainfo validates" metainfo_valid
fi

echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
