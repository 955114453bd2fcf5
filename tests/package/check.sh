#!/bin/bash
# Checks a built Debian package: lintian finds no error and no warning, the AppStream
# metadata validates, and the programs unpacked into a scratch root (dpkg -x, no install)
# answer --version and play a short replay from there, with their data found beside them;
# and every place that names the version names the package's (the page's too, given its
# folder).
#   check.sh ZORVANE_DEB [SITE_DIR]
set -u
deb=$(realpath "$1")
site=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# lintian warns about running as root (CI runs as root); the tags are what count.
lintian --no-cfg --fail-on error,warning "$deb" 2>&1 | grep -v 'running with root privileges' | sed 's/^/  lintian: /'
[ "${PIPESTATUS[0]}" -eq 0 ] || fail "lintian reports errors or warnings"

dpkg -x "$deb" "$root" || { echo "FAIL: dpkg -x"; exit 1; }
metainfo=$(ls "$root"/usr/share/metainfo/*.metainfo.xml 2>/dev/null | head -1)
if [ -z "$metainfo" ]; then
  fail "no AppStream metainfo in the package"
else
  appstreamcli validate --no-net "$metainfo" >"$root/appstream.out" 2>&1 || {
    sed 's/^/  appstream: /' "$root/appstream.out"; fail "appstreamcli validate --no-net"; }
fi
for page in zorvane.6.gz zorvane-replay.6.gz; do
  [ -s "$root/usr/share/man/man6/$page" ] || fail "no manual page $page"
done

game=$root/usr/games/zorvane replay=$root/usr/games/zorvane-replay
out=$("$game" --version) && [[ $out == "zorvane (Super Zorvane!) "* && $out == *MIT* ]] ||
  fail "zorvane --version: $out"

# One version, the package's, wherever one is named: each place and the version it names.
version=$(dpkg-deb -f "$deb" Version)
doc=$root/usr/share/doc/zorvane
while IFS='|' read -r place named; do
  [ -z "$place" ] || [ "$named" = "$version" ] || fail "$place names '$named', the package $version"
done <<PLACES
zorvane --version|$("$game" --version | head -1 | sed 's/.* //')
zorvane-replay --version|$("$replay" --version 2>&1 | head -1 | sed 's/.* //')
man zorvane|$(zcat "$root/usr/share/man/man6/zorvane.6.gz" | sed -n '1s/.*"zorvane \([^"]*\)".*/\1/p')
man zorvane-replay|$(zcat "$root/usr/share/man/man6/zorvane-replay.6.gz" | sed -n '1s/.*"zorvane \([^"]*\)".*/\1/p')
the changelog|$(zcat "$doc/changelog.gz" | sed -n '1s/^zorvane (\([^)]*\)).*/\1/p')
the metainfo's newest release|$(grep -m1 -o '<release version="[^"]*"' "$metainfo" | cut -d'"' -f2)
$([ -n "$site" ] && echo "the page|$(grep -o '<span id="version"[^>]*>[^<]*' "$site/index.html" | sed 's/.*>//')")
PLACES

# A short replay: serve, play a second, pause; one trace line per handled event.
printf 'rand 0.5 0.25\ndown 39\nwait 1000\nup 39\ndown 80\n' >"$root/short.replay"
"$replay" --screenshot "$root/short.png" "$root/short.replay" >"$root/trace" 2>"$root/replay.err" ||
  fail "the short replay failed: $(cat "$root/replay.err")"
lines=$(wc -l <"$root/trace")
head -1 "$root/trace" | grep -q '"ev":"load"' || fail "the trace does not start with load"
tail -1 "$root/trace" | grep -q '"ev":"down 80"' || fail "the trace does not end with the pause key"
[ "$lines" -gt 40 ] || fail "only $lines trace lines"
[ -s "$root/short.png" ] || fail "no screenshot"

# The window, unpacked away from /usr, loads its font aliases from beside itself.
# (Set-up installs every face the aliases name, so the game has nothing to warn about.)
SDL_VIDEODRIVER=dummy timeout 2 "$game" 2>"$root/game.err"
grep -q 'font' "$root/game.err" && fail "the unpacked game misses its data: $(cat "$root/game.err")"

[ "$failed" -eq 0 ] && echo "PASS: $(basename "$deb")"
exit "$failed"
