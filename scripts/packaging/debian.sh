#!/usr/bin/env bash
# Builds the Debian package of the application, or of an instrument maker's product built on
# it: the executable under the product's name in /usr/lib/<package>/ with the plug-in module
# beside it under the same base name, a relative symlink /usr/bin/<package> to it, the
# checker, a desktop entry, icons, AppStream metadata and the copyright file.
#
# Usage: debian.sh --exe PATH --module PATH [--check PATH] --name NAME --version V --out DIR
#   NAME "Tolvane Editor" (the project's) makes the package tolvane-editor; another name, say
#   "Product Name", makes product-name (lower case, every run of other characters a '-').
#   The checker lies in /usr/lib/<package>/tolvane-check; only the project's own package
#   also puts it on the PATH (/usr/bin/tolvane-check), so makers' packages and ours never
#   claim the same file and can be installed side by side.
#   DEBFULLNAME and DEBEMAIL name the maintainer (default "Tolvane <packages@tolvane.invalid>");
#   SOURCE_DATE_EPOCH fixes the dates in the package (default: the last commit's).
# Prints the path of the package as its last line.
set -euo pipefail
umask 022

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
icon_svg="$repo/resources/TolvaneEditor.svg"

die() { echo "debian.sh: $*" >&2; exit 1; }

source "$repo/scripts/lib/version.sh"
app_name=$(tolvane_app_name)

# package_name NAME: the Debian package name for a product name.
package_name() {
    printf '%s' "$1" | LC_ALL=C tr 'A-Z' 'a-z' | LC_ALL=C sed -e 's/[^a-z0-9]\{1,\}/-/g' -e 's/^-//' -e 's/-$//'
}

# xml TEXT: the text with XML's special characters escaped.
xml() {
    printf '%s' "$1" | sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g'
}

exe="" module="" check="" name="" version="" out=""
while [ $# -gt 0 ]; do
    case "$1" in
        --exe|--module|--check|--name|--version|--out)
            [ $# -ge 2 ] || die "$1 needs a value"
            declare "${1#--}=$2"
            shift 2 ;;
        *) die "unknown argument '$1'" ;;
    esac
done
[ -f "$exe" ] || die "--exe must name the built executable (got '$exe')"
[ -f "$module" ] || die "--module must name the plug-in module (got '$module')"
[ -z "$check" ] || [ -f "$check" ] || die "--check names no file: '$check'"
[ -n "$out" ] || die "--out must name the folder for the package"
# The name becomes a file name and a value in the desktop entry and the manual page.
[[ -n "$name" && ! "$name" =~ [/\\\"[:cntrl:]] && "$name" != . && "$name" != .. ]] \
    || die "--name must be a file name without quotes or backslashes, e.g. \"Product Name\" (got '$name')"
[[ "$version" =~ ^[0-9][A-Za-z0-9.+~]*$ ]] || die "--version must be like 1.2.3 (got '$version')"

package=$(package_name "$name")
[[ "$package" =~ ^[a-z0-9][a-z0-9-]+$ ]] \
    || die "\"$name\" gives no Debian package name (needs two letters or digits)"
[ "$package" != tolvane-check ] || die "\"$name\" would claim /usr/bin/tolvane-check"
is_tolvane=$([ "$package" = "$(package_name "$app_name")" ] && echo 1 || echo 0)

"$repo/scripts/install-deps.sh" debian

: "${SOURCE_DATE_EPOCH:=$(git -C "$repo" log -1 --format=%ct 2>/dev/null || date +%s)}"
export SOURCE_DATE_EPOCH
maintainer="${DEBFULLNAME:-Tolvane} <${DEBEMAIL:-packages@tolvane.invalid}>"
arch=$(dpkg --print-architecture)
year=$(date -u -d "@$SOURCE_DATE_EPOCH" +%Y)

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
root=$stage/root
lib=/usr/lib/$package
doc=/usr/share/doc/$package
mkdir -p "$stage/debian" "$root/DEBIAN" "$root$lib" "$root/usr/bin" "$root$doc" "$root/usr/share/man/man1" \
    "$root/usr/share/applications" "$root/usr/share/metainfo" \
    "$root/usr/share/icons/hicolor/scalable/apps"
chmod 0755 "$root"

# The binaries, stripped as Debian's own packages are (debug information goes nowhere).
stripped() {
    install -m "$1" "$2" "$3"
    strip --strip-unneeded --remove-section=.comment --remove-section=.note "$3"
}
stripped 0755 "$exe" "$root$lib/$name"
stripped 0644 "$module" "$root$lib/$name.so"
ln -s "../lib/$package/$name" "$root/usr/bin/$package"
binaries=("$root$lib/$name" "$root$lib/$name.so")
if [ -n "$check" ]; then
    stripped 0755 "$check" "$root$lib/tolvane-check"
    binaries+=("$root$lib/tolvane-check")
    [ "$is_tolvane" = 0 ] || ln -s "../lib/$package/tolvane-check" "$root/usr/bin/tolvane-check"
fi
for f in "${binaries[@]}"; do
    if readelf -d "$f" | grep -qE 'RPATH|RUNPATH'; then
        die "$(basename "$f") carries a library search path; build it without one"
    fi
done

# Icons: the scalable one as drawn, the fixed sizes rendered from it.
install -m 0644 "$icon_svg" "$root/usr/share/icons/hicolor/scalable/apps/$package.svg"
for size in 48 128 256; do
    mkdir -p "$root/usr/share/icons/hicolor/${size}x${size}/apps"
    rsvg-convert -w $size -h $size "$icon_svg" -o "$root/usr/share/icons/hicolor/${size}x${size}/apps/$package.png"
    chmod 0644 "$root/usr/share/icons/hicolor/${size}x${size}/apps/$package.png"
done

if [ "$is_tolvane" = 1 ]; then
    summary="Editor for the Tolvane wind controller"
    description="$app_name hosts the editor plug-in of the Tolvane wind controller: it shows the plug-in's window, drives it from the audio and MIDI devices you choose and gives it a play head that follows MIDI Machine Control."
else
    summary="$name, hosted by $app_name"
    description="Shows the editor of the $name plug-in in a window of its own and drives it from the audio and MIDI devices you choose."
fi
component_id=org.tolvane.${package//-/_}

cat > "$root/usr/share/applications/$package.desktop" <<EOF
[Desktop Entry]
Type=Application
Name=$name
Comment=$summary
Exec=$package
Icon=$package
Terminal=false
Categories=AudioVideo;Audio;
Keywords=MIDI;VST;plug-in;
EOF

cat > "$root/usr/share/metainfo/$component_id.metainfo.xml" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<component type="desktop-application">
  <id>$component_id</id>
  <metadata_license>FSFAP</metadata_license>
  <project_license>GPL-3.0-only</project_license>
  <name>$(xml "$name")</name>
  <summary>$(xml "$summary")</summary>
  <description>
    <p>$(xml "$description")</p>
  </description>
  <developer_name>Tolvane</developer_name>
  <launchable type="desktop-id">$package.desktop</launchable>
  <provides>
    <binary>$package</binary>
  </provides>
  <releases>
    <release version="$version" date="$(date -u -d "@$SOURCE_DATE_EPOCH" +%F)"/>
  </releases>
  <content_rating type="oars-1.1"/>
</component>
EOF

# Manual pages for what lands on the PATH.
cat > "$stage/$package.1" <<EOF
.TH ${package^^} 1 "$(date -u -d "@$SOURCE_DATE_EPOCH" +%F)" "$version" "$name"
.SH NAME
$package \\- $summary
.SH SYNOPSIS
.B $package
.SH DESCRIPTION
$description
.PP
Ctrl+Q or the window's close button quit; the window reopens where it was left.
.SH FILES
.TP
.I "$lib/$name.so"
the plug-in module, always the one beside the executable
.TP
.I "\\(ti/.config/$app_name/$app_name.settings"
the chosen devices and the window position (under \\fB\$XDG_CONFIG_HOME\\fR when set)
EOF
if [ -e "$root/usr/bin/tolvane-check" ]; then
    cat > "$stage/tolvane-check.1" <<EOF
.TH TOLVANE-CHECK 1 "$(date -u -d "@$SOURCE_DATE_EPOCH" +%F)" "$version" "$name"
.SH NAME
tolvane-check \\- check a VST 2.x editor plug-in the way $app_name runs it
.SH SYNOPSIS
.B tolvane-check
.RB [ \\-\\-seconds
.IR N ]
.RB [ \\-\\-no\\-editor ]
.RB [ \\-\\-json ]
.I MODULE
.SH DESCRIPTION
Runs the module through the application's own loader, mini-host handshake, call-back
handling and player, on a silent built-in device and with its editor in a window, and
prints one line per check (PASS, WARN or FAIL and what it saw).
\\fBtolvane-check \\-\\-help\\fR describes the options and every check.
.SH EXIT STATUS
0 when nothing failed, 1 when a check failed, 2 when the module could not be loaded.
EOF
fi
for page in "$stage"/*.1; do
    gzip -9n -c "$page" > "$root/usr/share/man/man1/$(basename "$page").gz"
done

cat > "$root$doc/copyright" <<EOF
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: $name
Source: TolvaneEditor-$version-source.tar.gz (scripts/package.sh writes it beside this package)
Comment: The project's own sources are under the MIT licence (LICENSE in the source
 archive). The program is built with JUCE 7 (Debian's juce-modules-source, GPL-3 and
 ISC), with the project's fixes to it (patches/juce/ in the source: JUCE's code, under
 JUCE's terms), and the VST 2.x interface of FST (Debian's fst-dev, GPL-3+): as built,
 the whole comes under the GNU General Public License, version 3. The source archive
 names the exact framework version it builds against.

Files: *
Copyright: $year Tolvane
License: GPL-3
EOF
if [ "$is_tolvane" = 0 ]; then
    cat >> "$root$doc/copyright" <<EOF

Files: usr/lib/$package/*.so
Copyright: The maker of $name
License: other
 The plug-in module $name.so comes under its maker's own terms.
EOF
fi
cat >> "$root$doc/copyright" <<EOF

License: GPL-3
 This program is free software: you can redistribute it and/or modify it under the
 terms of the GNU General Public License as published by the Free Software Foundation,
 version 3.
 .
 On Debian systems, the complete text of the GNU General Public License version 3 can
 be found in "/usr/share/common-licenses/GPL-3".
EOF

cat > "$stage/debian/changelog" <<EOF
$package ($version) unstable; urgency=medium

  * Release $version of $name.

 -- $maintainer  $(date -u -R -d "@$SOURCE_DATE_EPOCH")
EOF
gzip -9n -c "$stage/debian/changelog" > "$root$doc/changelog.gz"

# The framework opens the X11 libraries at run time and finds its fonts through
# fontconfig's fonts.conf, so dpkg-shlibdeps sees none of them; JACK is optional.
cat > "$stage/debian/control" <<EOF
Source: $package
Maintainer: $maintainer

Package: $package
Architecture: $arch
Section: sound
Priority: optional
Depends: \${shlibs:Depends}, libx11-6, libxext6, libxcursor1, libxinerama1, libxrandr2, libxrender1, fontconfig-config
Recommends: libjack-jackd2-0 | libjack0
Description: $summary
$(fold -s -w 76 <<< "$description" | sed 's/ *$//; s/^/ /')
EOF
chmod -R u+w,go-w "$root"
(
    cd "$stage"
    dpkg-shlibdeps -Tdebian/substvars "${binaries[@]/#$stage\//}"
    dpkg-gencontrol -p"$package" -Proot -Tdebian/substvars
) >&2 || die "could not work out the package's control data"

(cd "$root" && find usr -type f -exec md5sum {} + | sort -k 2) > "$root/DEBIAN/md5sums"
chmod 0644 "$root/DEBIAN/md5sums"

mkdir -p "$out"
deb="$(cd "$out" && pwd)/${package}_${version}_$arch.deb"
dpkg-deb --root-owner-group -Zxz --build "$root" "$deb" >&2
echo "$deb"
