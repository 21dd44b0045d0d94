#!/usr/bin/env bash
# What a newcomer's machine does with the README's two commands, on a fresh
# Debian made from Debian's archive with debootstrap, the committed HEAD cloned
# into it (docs/testing.md says what each step checks):
#
#   sudo tests/debian.sh [--user-machine] SUITE [PRESET...]
#   sudo MIRROR=URL tests/debian.sh ...   on a machine whose apt knows no Debian mirror
#
# SUITE: bookworm, trixie, testing. The PRESETs go to the test command; all of
# them when none is named. A minimal root runs the run command with no display;
# with --user-machine the root has systemd as init, updates pending and a user
# logged in to a GNOME session on X11, who runs both commands there. Both make
# the README's .deb, check that nothing new is enabled, and take apt, dpkg and
# cmake away. All of it in mount and PID namespaces of its own; the bare root
# and the packages are cached in /var/cache/hostip-debian. build/ and the log
# stay the checkout owner's.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
machine=bare
[ "${1:-}" != --user-machine ] || { machine=user && shift; }
suite=${1:?usage: tests/debian.sh [--user-machine] SUITE [PRESET...]}
shift
presets=("$@")
# The Debian mirror this machine's own apt uses, or MIRROR where it has none.
mirror=${MIRROR:-$(apt-get indextargets --format '$(BASE_URI)' 'Label: Debian' 'Created-By: Packages' \
    2>/dev/null | sed 's|/dists/.*||' | sort -u | head -n 1)}
[ -n "$mirror" ] || { echo "debian: this machine's apt has no Debian mirror: name one, MIRROR=URL $0 $*" >&2; exit 1; }
cache=/var/cache/hostip-debian
name=$suite log=$repo/build/debian-$suite.log
[ "$machine" = bare ] || name="$suite, a user's machine" log=$repo/build/debian-$suite-user.log

[ "$(id -u)" = 0 ] || { echo "debian: needs root (debootstrap, chroot, mounts): sudo $0 $*" >&2; exit 1; }
if ! command -v debootstrap >/dev/null; then
    command -v apt-get >/dev/null || { echo "debian: needs debootstrap" >&2; exit 1; }
    # One at a time, where several runs start side by side.
    flock /run/hostip-debian.lock sh -c 'command -v debootstrap >/dev/null || { apt-get -qq update &&
        DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends debootstrap; }'
fi
# The checkout's owner (who ran this with sudo) keeps owning build/ and the log.
owner=$(stat -c %u:%g "$repo")
[ -d "$repo/build" ] || install -d -o "${owner%:*}" -g "${owner#*:}" "$repo/build"
: >"$log"
chown "$owner" "$log"
mkdir -p "$cache/$suite-archives/partial"
echo "debian $name: log in $log"
say() { echo "debian $name: $*"; } # inside the namespaces, where the output is the log
tell() { say "$@" | tee -a "$log"; }  # outside them

# Whatever this leaves half made goes when it ends, however it ends; never
# through a mount (the namespaces take theirs with them).
bare=$cache/$suite.tar
tmp= work= inner=
cleanup() {
    # unshare takes no signal; killed, it takes the namespaces' processes along.
    if [ -n "$inner" ]; then
        local first
        first=$(pgrep -P "$inner" || true)
        kill -KILL "$inner" 2>/dev/null || true
        for _ in $(seq 100); do kill -0 $first 2>/dev/null || break; sleep 0.1; done
    fi
    if findmnt -rn -o TARGET | grep "^/var/tmp/hostip-" >/dev/null; then
        tell "mounts left under /var/tmp/hostip-*; not deleting $tmp $work"
    else
        rm -rf "$tmp" "$work" "$bare.new"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

# The bare root, made again once a week (testing moves), in a mount namespace
# of its own, so that debootstrap's mounts go with it.
if [ -z "$(find "$bare" -mtime -7 2>/dev/null)" ]; then
    script=/usr/share/debootstrap/scripts/$suite
    [ -e "$script" ] || script=/usr/share/debootstrap/scripts/sid # an older debootstrap
    tmp=$(mktemp -d /var/tmp/hostip-bare.XXXXXX)
    started=$SECONDS
    if ! unshare --mount --propagation private \
        debootstrap --variant=minbase "$suite" "$tmp" "$mirror" "$script" >>"$log" 2>&1; then
        tell "debootstrap failed"
        exit 1
    fi
    tar -C "$tmp" -cf "$bare.new" .
    mv "$bare.new" "$bare"
    rm -rf "$tmp"
    tell "bare root made in $((SECONDS - started)) s"
fi

work=$(mktemp -d /var/tmp/hostip-debian.XXXXXX)
root=$work/root
# The checkout is the user's, and this runs as root: git is to trust it.
printf '[safe]\n\tdirectory = *\n' >"$work/gitconfig"
export GIT_CONFIG_GLOBAL=$work/gitconfig
mkdir "$root"
tar -C "$root" -xf "$bare"
chmod 755 "$root" # debootstrap's folder was mktemp's, private to root
git clone -q "$repo" "$root/home/newcomer/hostip"
git -C "$root/home/newcomer/hostip" checkout -q --detach "$(git -C "$repo" rev-parse HEAD)"
cp /etc/resolv.conf "$root/etc/resolv.conf" # to reach Debian's archive
# The archive may be a snapshot past its Valid-Until date (testing's are); a
# download that fails once (a mirror amid its update) is tried again.
printf 'Acquire::Check-Valid-Until "false";\nAcquire::Retries "3";\n' >"$root/etc/apt/apt.conf.d/99snapshot"

# Inside the new namespaces: what a booted system has mounted, then the commands.
inside() {
    set -euo pipefail
    mount --bind "$root" "$root"
    mount -t proc proc "$root/proc"
    mount --rbind /sys "$root/sys"
    mount --rbind /dev "$root/dev"
    mount --bind /dev/pts "$root/dev/pts"
    mount --bind "$cache/$suite-archives" "$root/var/cache/apt/archives"
    in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }
    timed() { # timed WHAT COMMAND...: runs it, says how long it took
        local what=$1 started=$SECONDS status=0
        shift
        "$@" || status=$?
        say "$what: exit status $status, $((SECONDS - started)) s"
        return "$status"
    }
    count() { in_root dpkg-query -W -f='.\n' | wc -l; }
    # As newcomer (in the desktop session, where there is one), the root as the
    # whole file system: pivot_root, as a chrooted process may make no user
    # namespace (the resolver sandbox's), each into a folder of its own.
    as_newcomer() {
        unshare --mount --propagation private bash -c 'cd "$0" && host=$(mktemp -d -p . .host.XXXXXX) &&
            pivot_root . "$host" && umount -l "/$host" && rmdir "/$host" &&
            exec /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 HOME=/home/newcomer "$@"' \
            "$root" "${session[@]}" /usr/sbin/runuser -u newcomer -- "$@"
    }
    installed() { in_root dpkg-query -W -f='${db:Status-Abbrev}${Version}' "$1" 2>/dev/null; }
    # hostip's processes, as this PID namespace numbers them (its proc is the root's)
    hostips() {
        local comm
        for comm in "$root"/proc/[0-9]*/comm; do
            [ "$(cat "$comm" 2>/dev/null)" != hostip ] || { comm=${comm%/comm} && echo "${comm##*/}"; }
        done
    }

    # A user with sudo, as on a newcomer's desktop.
    in_root apt-get update -qq
    in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends sudo >/dev/null
    in_root useradd -M -d /home/newcomer -s /bin/bash -G sudo newcomer
    echo 'newcomer ALL=(ALL) NOPASSWD: ALL' >"$root/etc/sudoers.d/newcomer"
    chmod 440 "$root/etc/sudoers.d/newcomer"
    in_root chown -R newcomer: /home/newcomer
    say "bare: $(count) packages"

    local now= old=
    session=() # the desktop session's variables, on a user's machine
    if [ "$machine" = user ]; then
        # With an X server and its tools, as a desktop has them, and the hosts
        # file Debian's installer writes (debootstrap writes none).
        in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
            systemd-sysv dbus-user-session libpam-systemd man-db xvfb xauth x11-utils >/dev/null
        printf '127.0.0.1\tlocalhost\n127.0.1.1\t%s\n::1\tlocalhost ip6-localhost ip6-loopback\n' \
            "$(cat "$root/etc/hostname")" >"$root/etc/hosts"
        # Updates pending: systemd's packages one revision behind the archive, in
        # dpkg's status, with every dependency on exactly that version lowered too.
        now=$(installed systemd) && now=${now#ii }
        if [[ $now =~ ^(.*[^0-9])([1-9][0-9]*)$ ]]; then
            old=${BASH_REMATCH[1]}$((BASH_REMATCH[2] - 1))
        else
            old=$now~
        fi
        local ours esc=${now//./\\.}
        ours=$(in_root dpkg-query -W -f='${Package} ${source:Package} ${Version}\n' |
            awk -v v="$now" '$2 == "systemd" && $3 == v { printf "%s%s", sep, $1; sep = "\\|" }')
        sed -i -e "/^Package: \($ours\)$/,/^$/s/^Version: $esc$/Version: $old/" -e "s/= $esc)/= $old)/g" \
            "$root/var/lib/dpkg/status"
        in_root apt-get check -qq && in_root dpkg --audit
        say "a user's machine: systemd as init, $(count) packages; updates pending for ${ours//\\|/ } ($old, the archive has $now)"
    fi

    # Services enabled: systemd's links, and other inits' start links (in the
    # multi-user runlevels; rcS.d has boot-time tasks such as x11-common's).
    enabled() { (cd "$root/etc" && find systemd/system rc[2-5].d -type l \( -path 'systemd/*' -o -name 'S*' \) | sort); }
    enabled >"$work/enabled.before"
    hostip=$root/home/newcomer/hostip/build/release/window/hostip
    # runs WHAT PATTERN TEST...: the run command as newcomer, with no display,
    # must exit 1 saying PATTERN, and TEST must hold after it.
    runs() {
        local what=$1 pattern=$2 status=0
        shift 2
        timed "run command, $what (as newcomer, with sudo)" as_newcomer \
            bash -c 'cd ~/hostip && scripts/run.sh localhost' >"$work/run.out" 2>&1 || status=$?
        cat "$work/run.out"
        [ "$status" = 1 ] && grep -qF -- "$pattern" "$work/run.out" && "$@" && say "run command, $what: as it must" ||
            { say "run command, $what: FAILED" && return 1; }
    }

    if [ "$machine" = bare ]; then
        # The run command: it builds (with Qt's Wayland plugin), then points to Xvfb.
        runs "built, then named xvfb-run and what to install for it" 'apt-get install xvfb' \
            bash -c "[ -x '$hostip' ] && chroot '$root' dpkg-query -W qt6-wayland"
    else
        # The user in a GNOME session on X11, a dark GTK theme at 11 pt: both
        # commands in a login shell there (Debian's user PATH, from /etc/profile).
        local uid
        uid=$(in_root id -u newcomer)
        install -d -m 700 -o "$uid" -g "$uid" "$root/run/user/$uid" "$root/home/newcomer/.config"
        cp -r "$root/home/newcomer/hostip/tests/gtk/dark/gtk-3.0" "$root/home/newcomer/.config"
        session=(XDG_CURRENT_DESKTOP=GNOME DESKTOP_SESSION=gnome XDG_SESSION_DESKTOP=gnome GDMSESSION=gnome
            XDG_SESSION_TYPE=x11 DISPLAY=:42 XDG_RUNTIME_DIR=/run/user/$uid SHELL=/bin/bash USER=newcomer
            LOGNAME=newcomer DBUS_SESSION_BUS_ADDRESS=unix:path=/run/user/$uid/bus)
        as_newcomer Xvfb :42 -nolisten tcp -screen 0 1024x768x24 >/dev/null 2>&1 &
        as_newcomer dbus-daemon --session --nofork --address="unix:path=/run/user/$uid/bus" >/dev/null 2>&1 &
        # The run command installs and builds (up to 15 minutes on a slow
        # mirror), then starts hostip, whose window has 180 s to come up.
        local started=$SECONDS up= ran=
        as_newcomer bash -lc 'cd ~/hostip && scripts/run.sh localhost' >"$work/run.out" 2>&1 &
        while kill -0 $! 2>/dev/null && [ $((SECONDS - started)) -lt 900 ]; do
            in_root env DISPLAY=:42 xwininfo -root -tree 2>/dev/null | grep -F '"HOST <-> IP {hostip}"' >/dev/null &&
                up=1 && break
            [ -n "$ran" ] || { [ -z "$(hostips)" ] || ran=$SECONDS; }
            [ -z "$ran" ] || [ $((SECONDS - ran)) -lt 180 ] || break
            sleep 1
        done
        kill $(hostips) 2>/dev/null || true
        cat "$work/run.out"
        [ -n "$up" ] && say "run command, in the session: the window came up on its display, $((SECONDS - started)) s" ||
            { say "run command, in the session: FAILED, no window (hostip ${ran:+started, but its window never came}${ran:-never started})" && return 1; }
    fi
    say "after the run command: $(count) packages"

    # The README's .deb recipe, as written: it must make a package that apt installs.
    awk '/^### As a Debian package/ { on = 1 } on && /^```sh/ { code = 1; next } code && /^```/ { exit } code' \
        "$root/home/newcomer/hostip/README.md" >"$work/recipe"
    [ -s "$work/recipe" ] && timed "the README's .deb recipe (as newcomer, with sudo)" \
        as_newcomer bash -ec "cd ~/hostip; $(cat "$work/recipe")" &&
        [ "$(in_root hostip --version)" = "hostip $(sed -n 's/^project(hostip VERSION \([^ ]*\).*/\1/p' \
            "$root/home/newcomer/hostip/CMakeLists.txt")" ] && say "the .deb recipe: installed, and hostip runs" ||
        { say "FAILED: the README's .deb recipe" && return 1; }

    # The cross presets' architectures, whose packages the test command installs.
    local preset
    for preset in "${presets[@]}"; do
        [[ "$preset" != cross-* ]] || in_root dpkg --add-architecture "${preset#cross-}"
    done
    [[ " ${presets[*]} " != *" cross-"* ]] || in_root apt-get update -qq ||
        { say "FAILED: apt-get update with the cross presets' architectures added" && return 1; }

    # The test command, as root, as CI runs it; on a user's machine, as the user.
    local status=0 tester=(in_root HOME=/root bash -c) by="as root"
    [ "$machine" = bare ] || tester=(as_newcomer bash -lc) by="as newcomer, with sudo, in the desktop session"
    timed "test command${presets[*]:+ (${presets[*]})}, $by" \
        "${tester[@]}" 'cd /home/newcomer/hostip && scripts/test.sh "$@"' _ "${presets[@]}" ||
        status=$?
    session=()
    say "after the test command: $(count) packages"
    # This root has everything the tests need: none may have skipped itself.
    if grep -q '\*\*\*Skipped' "$log"; then say "FAILED: tests skipped" && status=1; fi
    # Enabled since: only what set-up named as its package's own (man-db's timer).
    local link unit unnamed=
    for link in $(enabled | comm -13 "$work/enabled.before" -); do
        unit=${link##*/} && unit=${unit#S[0-9][0-9]}
        grep -E "^setup: .* left as its package set it:.* $unit( |\$)" "$log" >/dev/null || unnamed+=" $link"
    done
    [ -z "$unnamed" ] && say "nothing enabled that was not before, but what set-up named" ||
        { say "FAILED: enabled, and not named by set-up:$unnamed" && status=1; }
    if [ "$machine" = user ]; then
        # A package that needs systemd upgraded: apt upgrades it, removes nothing.
        timed "setup.sh test systemd-container (as newcomer)" as_newcomer \
            bash -c 'cd ~/hostip && scripts/setup.sh test systemd-container' || status=1
        [[ $(installed systemd-container) == ii* && $(installed systemd) == "ii $now" ]] &&
            say "systemd-container installed; systemd still installed, upgraded from $old to $now" ||
            { say "FAILED: systemd-container $(installed systemd-container), systemd $(installed systemd)" && status=1; }
    fi
    [ ! -e "$root/usr/sbin/policy-rc.d" ] && say "no policy-rc.d" || { say "FAILED: a policy-rc.d is there" && status=1; }

    # As on another distribution: no apt-get, apt, apt-cache, dpkg, dpkg-query.
    rm -f "$root"/usr/bin/{apt-get,apt,apt-cache,dpkg,dpkg-query} "$hostip" # linked again, not all built again
    runs "without apt: built, then named xvfb-run" 'xvfb-run -a build/release/window/hostip' \
        bash -c "[ -x '$hostip' ] && ! grep -q apt-get '$work/run.out'" || status=1
    rm -f "$root/usr/bin/cmake" "$hostip"
    runs "without apt and cmake: stopped before building, naming cmake" \
        'the command cmake (Debian package: cmake)' test ! -e "$hostip" || status=1
    return "$status"
}

tell "$(date -u '+%F %T') from $(git -C "$repo" rev-parse --short HEAD), ${presets[*]:-every preset}"
status=0
export -f inside say
export root work cache suite log machine name
presets_text=${presets[*]:-}
started=$SECONDS
before=$(wc -l <"$log")
# shellcheck disable=SC2016 # expanded by the inner shell
unshare --mount --propagation private --pid --fork --kill-child bash -c \
    'presets=($0); inside' "$presets_text" >>"$log" 2>&1 &
inner=$!
wait "$inner" || status=$? # a signal's trap runs at once, not after unshare
inner=
tail -n +$((before + 1)) "$log" | grep -E '^debian |tests passed|tests failed|^== ' || true
if [ "$status" != 0 ]; then
    echo "debian $name: FAILED (status $status) after $((SECONDS - started)) s; the log's last lines:"
    tail -n 40 "$log"
    exit 1
fi
echo "debian $name: passed in $((SECONDS - started)) s"
