#!/bin/sh
# The .deb from CPack: its name, version and dependencies, and exactly the
# expected files, all under /usr; both are printed. With
# MARBOLT_TEST_SYSTEM_INSTALL=1, as root, on a machine without Marbolt
# installed (CI's fresh machine), it is also installed with apt-get, run,
# and purged, after which none of its files may remain.
#   package_deb.sh BUILD_DIR VERSION
set -u
build=$(cd "$1" && pwd)
version=$2
here=$(cd "$(dirname "$0")" && pwd)
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

(cd "$dir" && cpack --config "$build/CPackConfig.cmake" -B "$dir/out" >"$dir/cpack.log" 2>&1) \
    || { cat "$dir/cpack.log"; fail "cpack failed"; }
deb=$dir/out/marbolt_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $(basename "$deb"): $(ls "$dir/out")"

echo "== $(basename "$deb")"
dpkg-deb -f "$deb" Package Version Architecture Depends Suggests
echo "== contents"
dpkg-deb -c "$deb" | awk '{print $1, $6}'

[ "$(dpkg-deb -f "$deb" Package)" = marbolt ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "version $(dpkg-deb -f "$deb" Version), want $version"
depends=$(dpkg-deb -f "$deb" Depends)
for p in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 libqt6openglwidgets6 libqscintilla2-qt6-15 \
         libqt6sql6 libqt6sql6-sqlite qt6-translations-l10n fonts-ipafont-gothic; do
    echo "$depends" | tr ',' '\n' | sed 's/^ *//; s/ .*//' | grep -qx "$p" || fail "Depends lacks $p: $depends"
done
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./||' | LC_ALL=C sort >"$dir/files.txt"
LC_ALL=C sort "$here/installed-files.txt" >"$dir/want.txt"
diff -u "$dir/want.txt" "$dir/files.txt" || fail "the package's files differ from the expected list"
dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '^\./usr/' | grep -vx '\./' && fail "files outside /usr"

if [ "${MARBOLT_TEST_SYSTEM_INSTALL:-0}" = 1 ] && [ "$(id -u)" -eq 0 ]; then
    if dpkg-query -W -f='${Status}' marbolt 2>/dev/null | grep -q "install ok installed"; then
        echo "Marbolt is installed on this machine: the system install is not tried"
    else
        echo "== apt-get install"
        DEBIAN_FRONTEND=noninteractive apt-get install -y "$deb" >"$dir/apt.log" 2>&1 \
            || { cat "$dir/apt.log"; fail "apt-get install"; }
        out=$(/usr/bin/marbolt --version) || fail "installed --version"
        [ "$out" = "marbolt $version" ] || fail "installed --version printed '$out'"
        printf 'O1\r\nG1 X1.\r\n' >"$dir/O1.nc"
        XDG_CONFIG_HOME=$dir/config /usr/bin/marbolt --check "$dir/O1.nc" --code ISO || fail "installed --check"
        [ ! -e /usr/bin/marbolt.ini ] || fail "the installed program wrote beside itself"
        # The history's SQLite driver came with the package: an empty
        # history file is opened, given its tables, and found empty.
        mkdir -p "$dir/config/marbolt" && : >"$dir/empty.sqlite"
        printf '[MARBOLT]\r\nHISTORY=%s\r\n' "$dir/empty.sqlite" >"$dir/config/marbolt/marbolt.ini"
        XDG_CONFIG_HOME=$dir/config /usr/bin/marbolt --history >/dev/null 2>"$dir/history.err"; rc=$?
        [ $rc -eq 1 ] && grep -q "該当する送受信はありません" "$dir/history.err" \
            || fail "installed --history: exit $rc, $(cat "$dir/history.err")"
        out=$(/usr/bin/marbolt-dnc --version) || fail "installed marbolt-dnc --version"
        [ "$out" = "marbolt-dnc $version" ] || fail "installed marbolt-dnc --version printed '$out'"
        # The service as systemd reads it: the program, the manual it names.
        systemd-analyze verify /usr/lib/systemd/system/marbolt-dnc@root.service >"$dir/verify.log" 2>&1 \
            || { cat "$dir/verify.log"; fail "systemd-analyze verify marbolt-dnc@.service"; }
        grep -q 'ExecStart=/usr/bin/marbolt-dnc$' /usr/lib/systemd/user/marbolt-dnc.service \
            || fail "the user unit does not start /usr/bin/marbolt-dnc"
        grep -qx '60:text/x-nc-program:\*\.nc' /usr/share/mime/globs2 || fail "the file type was not registered"
        grep -q '^text/x-nc-program=marbolt.desktop;' /usr/share/applications/mimeinfo.cache \
            || fail "the desktop entry was not registered for NC files"
        echo "== apt-get purge"
        DEBIAN_FRONTEND=noninteractive apt-get purge -y marbolt >"$dir/apt.log" 2>&1 \
            || { cat "$dir/apt.log"; fail "apt-get purge"; }
        while read -r f; do
            [ ! -e "/$f" ] || fail "/$f is left after the purge"
        done <"$here/installed-files.txt"
        grep -q 'x-nc-program' /usr/share/mime/globs2 && fail "the file type is left after the purge"
        grep -q 'marbolt' /usr/share/applications/mimeinfo.cache && fail "the desktop entry is left in mimeinfo.cache"
        echo "installed, run and purged"
    fi
fi
echo "package: all checks pass"
