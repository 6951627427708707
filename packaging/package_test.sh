#!/usr/bin/env bash
# The Debian package of the build: made by cpack from what the build made (no
# rebuild), unpacked into a temporary root with dpkg -x, and both programs
# started from there. lintian and desktop-file-validate find nothing to say,
# and the man pages cover every command and option of zevlon-tool --help.
#   package_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/out" > "$tmp/cpack.log" 2>&1 \
  || { cat "$tmp/cpack.log"; fail "cpack"; }
deb=$(ls "$tmp"/out/zevlon_*.deb)
echo "package: $(basename "$deb")"

# Dependencies found by dpkg-shlibdeps.
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libqt6printsupport6 libc6 libstdc++6; do
  [[ $depends == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
done

dpkg -x "$deb" "$tmp/root"
root=$tmp/root
[ "$("$root/usr/bin/zevlon-tool" --version)" = "zevlon-tool $version" ] || fail "zevlon-tool --version"
[ "$("$root/usr/bin/zevlon" --version)" = "zevlon $version" ] || fail "zevlon --version"
QT_QPA_PLATFORM=offscreen "$root/usr/bin/zevlon" --procedures | grep -qx ADRESAR_S \
  || fail "zevlon --procedures from the unpacked root"

for f in usr/share/applications/zevlon.desktop usr/share/zevlon/help/index.html \
         usr/share/zevlon/help/napoveda.html usr/share/man/man1/zevlon.1.gz \
         usr/share/man/man1/zevlon-tool.1.gz usr/share/doc/zevlon/copyright; do
  [ -s "$root/$f" ] || fail "missing $f"
done
for size in 16 22 24 32 48 64 128 256; do
  png=$root/usr/share/icons/hicolor/${size}x${size}/apps/zevlon.png
  [ -s "$png" ] || fail "missing icon $size"
  [ "$(od -An -j16 -N8 -tu1 "$png" | awk '{print $3*256+$4, $7*256+$8}')" = "$size $size" ] \
    || fail "icon $size is not ${size}x${size}"
done
# Every help page of the sources is installed.
for page in "$source"/help/*.html; do
  cmp -s "$page" "$root/usr/share/zevlon/help/$(basename "$page")" || fail "help page $page"
done

desktop-file-validate "$root/usr/share/applications/zevlon.desktop" || fail "desktop-file-validate"
lintian --fail-on error,warning "$deb" 2> >(grep -v 'root privileges' >&2) || fail "lintian"

# The man page of zevlon-tool names every command and option of its --help.
man_text=$(zcat "$root/usr/share/man/man1/zevlon-tool.1.gz" | sed 's/\\-/-/g')
help_text=$("$root/usr/bin/zevlon-tool" --help)
commands=$(sed -n 's/^  \([a-z][a-z-]*\) .*/\1/p' <<< "$help_text" | sort -u)
options=$(grep -o -- '--[a-z][a-z-]*' <<< "$help_text" | sort -u)
[ -n "$commands" ] && [ -n "$options" ] || fail "cannot read zevlon-tool --help"
for word in $commands; do
  grep -q "^\.[A-Z]* *$word\b\|^\.B[IR]* *\"*$word\b" <<< "$man_text" || fail "zevlon-tool(1) lacks command $word"
done
for word in $options; do
  grep -q -- "$word\b" <<< "$man_text" || fail "zevlon-tool(1) lacks option $word"
done
zevlon_man=$(zcat "$root/usr/share/man/man1/zevlon.1.gz" | sed 's/\\-/-/g')
for word in $("$root/usr/bin/zevlon" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
  grep -q -- "$word\b" <<< "$zevlon_man" || fail "zevlon(1) lacks option $word"
done
echo "package test passed"
