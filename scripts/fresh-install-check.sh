#!/usr/bin/env bash
# Installs the Debian package on a fresh Debian 12 (bookworm) system, one without Qt and without
# build tools, and checks that it works there:
#   - apt-get resolves the package's Depends from the Debian mirror (recommends left out, so the
#     Depends alone must be enough) and every program finds its libraries;
#   - the files land where packaging/CMakeLists.txt puts them (programs, desktop entry, icons,
#     AppStream metainfo, licence);
#   - `va48ctl --help` and `va48sim --help` run;
#   - the desktop entry's command starts the viewer on Qt's offscreen platform as an ordinary user,
#     it is still running after 3 s, ends with status 0 on SIGTERM and wrote nothing into /usr/bin;
#   - `apt-get remove` takes every file of the package away, and autoremove leaves no Qt behind.
#
# Usage: scripts/fresh-install-check.sh [PACKAGE.deb]
#   Without an argument it takes build/package/va48-viewer_*.deb, running scripts/package.sh first
#   when there is none. The fresh system is a minimal debootstrap in build/fresh-root (another
#   folder with VA48_FRESH_ROOT=...); it is made on the first run and reused afterwards, and every
#   run leaves it as fresh as it found it. Delete the folder to start from scratch.
#   The mirror is the Debian one in /etc/apt/sources.list (VA48_DEBIAN_MIRROR=URL to choose).
#
# Needs root (or sudo) for debootstrap, chroot and mount, and network access to the mirror. It
# takes minutes (the first run several), so it is run by hand before a release, not by CI.
# shellcheck disable=SC2016,SC2012,SC2001  # dpkg-query formats and the inner script are literal
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
        exec sudo --preserve-env=VA48_FRESH_ROOT,VA48_DEBIAN_MIRROR "$0" "$@"
    fi
    echo "error: this check needs root (debootstrap, chroot, mount) and sudo is not available." >&2
    exit 1
fi

started=$SECONDS
root=$(realpath -m "${VA48_FRESH_ROOT:-build/fresh-root}")
app_id=org.va48viewer.VA48Viewer
user=va48check

fail() {
    echo "FAILED: $*" >&2
    exit 1
}
step() { echo "== $*"; }

# --- the package -----------------------------------------------------------------------------
if [ $# -gt 0 ]; then
    deb=$(realpath "$1")
    [ -f "$deb" ] || fail "no package file $1"
else
    deb=$(ls -t build/package/va48-viewer_*.deb 2>/dev/null | head -n 1 || true)
    if [ -z "$deb" ]; then
        step "no package in build/package: building it with scripts/package.sh"
        bash scripts/package.sh
        deb=$(ls -t build/package/va48-viewer_*.deb | head -n 1)
    fi
    deb=$(realpath "$deb")
fi
depends=$(dpkg-deb -f "$deb" Depends)
version=$(dpkg-deb -f "$deb" Version)
step "package $(basename "$deb")"
echo "   Depends: $depends"

# --- the fresh system --------------------------------------------------------------------------
mirror=${VA48_DEBIAN_MIRROR:-}
security=
host_uris=$(sed -n -e 's/^URIs:[[:space:]]*//p' -e 's/^deb[[:space:]]\+\(\[[^]]*\][[:space:]]\+\)\?\([^[:space:]]\+\).*/\2/p' \
    /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources 2>/dev/null |
    tr ' ' '\n' || true)
if [ -z "$mirror" ]; then
    mirror=$(grep -E '/debian/?$' <<<"$host_uris" | head -n 1 || true)
    mirror=${mirror:-http://deb.debian.org/debian}
fi
security=$(grep -E '/debian-security/?$' <<<"$host_uris" | head -n 1 || true)

mounted_under_root() { awk -v r="$root/" 'index($2, r) == 1 { print $2 }' /proc/self/mounts; }

if [ -d "$root/debootstrap" ]; then
    # debootstrap removes this folder when it succeeds: an earlier run stopped half-way.
    [ -z "$(mounted_under_root)" ] || fail "file systems are still mounted under $root: $(mounted_under_root | tr '\n' ' ')"
    step "removing the unfinished system in $root"
    rm -rf --one-file-system "$root"
fi
if [ ! -x "$root/usr/bin/apt-get" ]; then
    command -v debootstrap >/dev/null 2>&1 || {
        step "installing debootstrap"
        DEBIAN_FRONTEND=noninteractive apt-get install -y -q debootstrap
    }
    step "debootstrap bookworm (minbase) from $mirror into $root"
    mkdir -p "$root"
    debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.debootstrap.log" 2>&1 ||
        fail "debootstrap failed; its log: $root.debootstrap.log"
else
    step "reusing the system in $root"
fi

cleanup() {
    local m
    for m in $(mounted_under_root | sort -r); do
        umount "$m" || umount -l "$m" || echo "warning: could not unmount $m" >&2
    done
}
trap cleanup EXIT
trap 'exit 130' INT TERM

mountpoint -q "$root/proc" || mount -t proc proc "$root/proc"
# debootstrap makes the device nodes itself; some container set-ups keep it from doing so.
[ -c "$root/dev/null" ] || mount --bind /dev "$root/dev"

# Like a freshly installed machine: the release, its updates and the security archive.
{
    echo "deb $mirror bookworm main"
    echo "deb $mirror bookworm-updates main"
    [ -z "$security" ] || echo "deb $security bookworm-security main"
} >"$root/etc/apt/sources.list"
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
# Nothing the packages bring may start a service in the chroot.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"

path=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
in_root() {
    chroot "$root" /usr/bin/env -i PATH="$path" HOME=/root LANG=C.UTF-8 \
        DEBIAN_FRONTEND=noninteractive "$@"
}
apt_in_root() { in_root apt-get -q -o Dpkg::Use-Pty=0 "$@"; }
installed_qt() {
    in_root dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' 'libqt6*' 'qt6*' 2>/dev/null |
        awk 'substr($1, 2, 1) !~ /[nc]/ { print $2 }' || true
}

# An earlier run that stopped before removing the package leaves it and its libraries behind.
if in_root dpkg-query -W -f='${db:Status-Abbrev}' va48-viewer 2>/dev/null | grep -qv '^un'; then
    step "removing the package an earlier run left installed"
    in_root dpkg --purge va48-viewer >/dev/null
fi
apt_in_root autoremove --purge -y >"$root/tmp/autoremove.log" 2>&1 ||
    fail "apt-get autoremove failed in the chroot (log: $root/tmp/autoremove.log)"

step "checking that the system has no Qt and no build tools"
qt=$(installed_qt)
[ -z "$qt" ] || fail "Qt is already installed in $root: $(tr '\n' ' ' <<<"$qt"); delete the folder for a fresh one"
for tool in gcc g++ cc c++ clang cmake make ninja qmake6 ld; do
    if in_root sh -c "command -v $tool" >/dev/null; then
        fail "$tool is installed in $root; delete the folder for a fresh one"
    fi
done

# --- install ------------------------------------------------------------------------------------
step "apt-get install ./$(basename "$deb") (without recommends)"
cp "$deb" "$root/tmp/"
apt_in_root update >/dev/null || fail "apt-get update failed in the chroot (mirror $mirror)"
apt_in_root install -y --no-install-recommends "/tmp/$(basename "$deb")" >"$root/tmp/install.log" 2>&1 || {
    tail -n 30 "$root/tmp/install.log" >&2
    fail "apt-get install of the package failed (log above)"
}
in_root dpkg-query -W -f='${db:Status-Abbrev}' va48-viewer | grep -q '^ii' ||
    fail "va48-viewer is not installed after apt-get install"
pulled=$(grep -c '^Setting up ' "$root/tmp/install.log" || true)
qt_now=$(installed_qt | tr '\n' ' ')
echo "   $pulled packages set up; Qt now: $qt_now"

step "checking the installed files"
expected=(
    /usr/bin/VA-48Viewer /usr/bin/va48sim /usr/bin/va48ctl
    "/usr/share/applications/$app_id.desktop"
    "/usr/share/icons/hicolor/scalable/apps/$app_id.svg"
    "/usr/share/metainfo/$app_id.metainfo.xml"
    /usr/share/doc/va48-viewer/LICENSE
)
for size in 16 32 48 64 128 256; do
    expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png")
done
owned=$(in_root dpkg -L va48-viewer) || fail "dpkg -L va48-viewer failed"
for f in "${expected[@]}"; do
    [ -f "$root$f" ] || fail "$f is missing after the install"
    grep -qxF "$f" <<<"$owned" || fail "$f is not listed by dpkg -L va48-viewer"
done
for prog in VA-48Viewer va48sim va48ctl; do
    [ -x "$root/usr/bin/$prog" ] || fail "/usr/bin/$prog is not executable"
    missing=$(in_root ldd "/usr/bin/$prog" | grep 'not found' || true)
    [ -z "$missing" ] || fail "/usr/bin/$prog lacks libraries the package does not depend on:
$missing"
done
package_files=$(while read -r f; do [ -d "$root$f" ] || echo "$f"; done <<<"$owned")
echo "   ${#expected[@]} expected files present, $(wc -l <<<"$package_files") files in the package, every library found"

# --- run -------------------------------------------------------------------------------------------
step "running the programs as an ordinary user"
in_root sh -c "id -u $user >/dev/null 2>&1 && userdel -r $user 2>/dev/null; useradd -m $user"
uid=$(in_root id -u "$user")
gid=$(in_root id -g "$user")
in_user() {
    chroot --userspec="$uid:$gid" --groups="$gid" "$root" /usr/bin/env -i PATH="$path" \
        HOME="/home/$user" USER="$user" LANG=C.UTF-8 XDG_RUNTIME_DIR="/tmp/runtime-$user" "$@"
}
in_root install -d -m 700 -o "$uid" -g "$gid" "/tmp/runtime-$user"

run_help() {
    local prog=$1 rc=0
    in_user "$prog" --help >"$root/tmp/$prog-help.txt" 2>&1 || rc=$?
    if [ "$rc" -ne 0 ]; then
        cat "$root/tmp/$prog-help.txt" >&2
        fail "$prog --help exited with status $rc (its output above)"
    fi
    grep -q . "$root/tmp/$prog-help.txt" || fail "$prog --help printed nothing"
}
run_help va48ctl
run_help va48sim
echo "   va48ctl --help and va48sim --help: status 0"

# The menu's command, as the desktop entry gives it (field codes such as %f dropped).
exec_line=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/$app_id.desktop" | head -n 1)
viewer=$(sed 's/ *%[a-zA-Z]//g' <<<"$exec_line")
in_user sh -c "command -v ${viewer%% *}" >/dev/null ||
    fail "the desktop entry's command '$exec_line' is not on PATH"
touch "$root/tmp/before-viewer"
# Survives 3 s on the offscreen platform, then ends on SIGTERM (it quits its event loop on that
# signal); 5 s more are allowed for the end before it is killed.
outcome=$(in_user bash -c '
    QT_QPA_PLATFORM=offscreen $0 >/tmp/viewer.log 2>&1 &
    pid=$!
    sleep 3
    if ! kill -0 "$pid" 2>/dev/null; then
        wait "$pid"
        echo "ended by itself within 3 s with status $?"
        exit
    fi
    kill -TERM "$pid"
    for _ in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then
        kill -KILL "$pid"
        wait "$pid"
        echo "still running 5 s after SIGTERM"
        exit
    fi
    wait "$pid"
    echo "status $?"' "$viewer")
if [ "$outcome" != "status 0" ]; then
    cat "$root/tmp/viewer.log" >&2
    fail "the viewer ('$exec_line' on the offscreen platform): $outcome (its output above)"
fi
beside=$(find "$root/usr/bin" -newer "$root/tmp/before-viewer" | sed "s|^$root||")
[ -z "$beside" ] || fail "the viewer wrote into /usr/bin: $beside"
user_files=$(cd "$root/home/$user" && find . -type f -newer "$root/tmp/before-viewer" | sed 's|^\./|~/|' | tr '\n' ' ')
echo "   '$exec_line' ran 3 s and ended on SIGTERM with status 0; it wrote: ${user_files:-nothing}"

# --- remove ------------------------------------------------------------------------------------
step "apt-get remove va48-viewer"
apt_in_root remove -y va48-viewer >"$root/tmp/remove.log" 2>&1 || {
    cat "$root/tmp/remove.log" >&2
    fail "apt-get remove failed"
}
status=$(in_root dpkg-query -W -f='${db:Status-Abbrev}' va48-viewer 2>/dev/null || true)
case "$status" in un* | rc* | "") ;; *) fail "va48-viewer is still installed after removal ($status)" ;; esac
left=$(while read -r f; do [ ! -e "$root$f" ] || echo "$f"; done <<<"$package_files")
[ -z "$left" ] || fail "files left after apt-get remove: $(tr '\n' ' ' <<<"$left")"
[ ! -e "$root/usr/share/doc/va48-viewer" ] || fail "/usr/share/doc/va48-viewer left after apt-get remove"
# A package without configuration files is forgotten on removal; otherwise purge it.
[ "${status#rc}" = "$status" ] || in_root dpkg --purge va48-viewer >/dev/null
apt_in_root autoremove --purge -y >"$root/tmp/autoremove.log" 2>&1 ||
    fail "apt-get autoremove failed in the chroot (log: $root/tmp/autoremove.log)"
in_root sh -c "userdel -r $user 2>/dev/null; rm -rf /tmp/runtime-$user /tmp/$(basename "$deb")"
qt=$(installed_qt)
[ -z "$qt" ] || fail "Qt packages left after apt-get autoremove: $(tr '\n' ' ' <<<"$qt")"
echo "   every file removed; autoremove took the libraries away again"

cat <<EOF

Fresh-install check passed in $((SECONDS - started)) s: va48-viewer $version on Debian $(cat "$root/etc/debian_version")
  installed with its Depends alone ($pulled packages from $mirror), files in place,
  va48ctl/va48sim --help run, '$exec_line' started offscreen and ended on SIGTERM with 0,
  apt-get remove left nothing; the system in $root is fresh again.
EOF
