#!/bin/sh
# cmake --install into a staging folder: exactly the expected files, a
# valid desktop entry, metainfo and file type (*.nc and *.ncd are NC
# programs, plain text underneath, over NetCDF's *.nc), icons of the
# sizes their folders say, readable manual pages, and a staged program
# that keeps its files in the config folder, not beside itself.
#   install_check.sh BUILD_DIR VERSION MIMEPROBE
set -u
build=$1
version=$2
mimeprobe=$3
here=$(cd "$(dirname "$0")" && pwd)
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
stage=$dir/stage

DESTDIR=$stage cmake --install "$build" --prefix /usr >"$dir/install.log" 2>&1 \
    || { cat "$dir/install.log"; fail "cmake --install failed"; }
(cd "$stage" && find . -type f | sed 's|^\./||' | LC_ALL=C sort) >"$dir/files.txt"
LC_ALL=C sort "$here/installed-files.txt" >"$dir/want.txt"
diff -u "$dir/want.txt" "$dir/files.txt" || fail "the installed files differ from the expected list"

share=$stage/usr/share
desktop-file-validate "$share/applications/marbolt.desktop" || fail "desktop-file-validate"
grep -qx 'Exec=marbolt %f' "$share/applications/marbolt.desktop" || fail "Exec is not 'marbolt %f'"
grep -qx 'MimeType=text/x-nc-program;' "$share/applications/marbolt.desktop" || fail "no MimeType"
appstreamcli validate --no-net --strict "$share"/metainfo/*.metainfo.xml || fail "appstreamcli validate"
grep -q "<release version=\"$version\"" "$share"/metainfo/*.metainfo.xml || fail "metainfo lacks release $version"

# The file type, compiled beside the system's own types as a desktop does.
mkdir -p "$dir/mime/packages"
cp /usr/share/mime/packages/freedesktop.org.xml "$share/mime/packages/marbolt.xml" "$dir/mime/packages/"
update-mime-database "$dir/mime" || fail "update-mime-database"
grep -qx '60:text/x-nc-program:\*\.nc' "$dir/mime/globs2" || fail "no *.nc glob: $(grep nc-program "$dir/mime/globs2")"
grep -qx '60:text/x-nc-program:\*\.ncd' "$dir/mime/globs2" || fail "no *.ncd glob"
grep -qx 'text/x-nc-program text/plain' "$dir/mime/subclasses" || fail "not a subclass of text/plain"
printf 'O1000\r\nG1 X1.\r\n' >"$dir/O1000.nc"
printf 'O1000\r\n' >"$dir/PART.NCD"
got=$(XDG_DATA_HOME=$dir/none XDG_DATA_DIRS=$dir "$mimeprobe" "$dir/O1000.nc" "$dir/PART.NCD")
echo "$got" | grep -q "O1000.nc text/x-nc-program .*text/plain" || fail "Qt sees O1000.nc as: $got"
echo "$got" | grep -q "PART.NCD text/x-nc-program" || fail "Qt sees PART.NCD as: $got"

for png in "$share"/icons/hicolor/*x*/apps/marbolt.png; do
    size=$(basename "$(dirname "$(dirname "$png")")" | sed 's/x.*//')
    file "$png" | grep -q "PNG image data, $size x $size" || fail "$png: $(file "$png")"
done
grep -q '<svg' "$share/icons/hicolor/scalable/apps/marbolt.svg" || fail "the SVG icon is not SVG"

for page in "$share/man/man1/marbolt.1.gz" "$share/man/ja/man1/marbolt.1.gz"; do
    out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -E UTF-8 -l "$page" 2>"$dir/man.err") || fail "man -l $page"
    echo "$out" | grep -q -- "--check" || fail "$page does not show the options"
    echo "$out" | grep -q "\.config/marbolt" || fail "$page does not say where the settings are kept"
    grep -i "error" "$dir/man.err" && fail "$page: errors while formatting"
done

# The staged program: its version, and its files in the config folder.
out=$("$stage/usr/bin/marbolt" --version) || fail "staged --version"
[ "$out" = "marbolt $version" ] || fail "staged --version printed '$out'"
XDG_CONFIG_HOME=$dir/config "$stage/usr/bin/marbolt" --check "$dir/O1000.nc" --code ISO \
    || fail "staged --check"
[ -d "$dir/config/marbolt" ] || fail "the installed program did not take the config folder"
# The DNC server: its version, and where it looks by default.
out=$("$stage/usr/bin/marbolt-dnc" --version) || fail "staged marbolt-dnc --version"
[ "$out" = "marbolt-dnc $version" ] || fail "staged marbolt-dnc --version printed '$out'"
XDG_CONFIG_HOME=$dir/config "$stage/usr/bin/marbolt-dnc" 2>"$dir/dnc.err" && fail "marbolt-dnc ran without settings"
grep -q "$dir/config/marbolt/marbolt.ini" "$dir/dnc.err" || fail "marbolt-dnc did not look for the window's settings: $(cat "$dir/dnc.err")"
for unit in "$stage/usr/lib/systemd/user/marbolt-dnc.service" "$stage/usr/lib/systemd/system/marbolt-dnc@.service"; do
    grep -q '^ExecStart=/usr/bin/marbolt-dnc$' "$unit" || fail "$unit does not start the installed server"
done
out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -E UTF-8 -l "$share/man/man1/marbolt-dnc.1.gz" 2>"$dir/man.err") || fail "man marbolt-dnc"
echo "$out" | grep -q "REQUESTDELAY" || fail "the marbolt-dnc manual lacks its settings"
[ "$(ls "$stage/usr/bin" | wc -l)" -eq 3 ] || fail "something was written beside the staged program: $(ls "$stage/usr/bin")"
echo "install: all checks pass"
