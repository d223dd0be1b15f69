#!/usr/bin/env bash
# SPDX-License-Identifier: LGPL-3.0-or-later
# ARM64 Windows programs, run on this x86_64 machine: Debian's arm64 Wine in a Debian arm64
# chroot, whose programs qemu-user runs through binfmt_misc. As root.
#   arm64_chroot.sh make          builds the chroot, or reuses the one built with the same
#                                 packages; prints its folder
#   arm64_chroot.sh run CMD...    runs CMD here, with `wine`, `wineboot` and `wineserver` on
#                                 PATH being the chroot's, in a mount namespace of its own
#                                 where the chroot sees this repository, /tmp and TMPDIR at
#                                 their own paths: the Wine tests run unchanged, with Linux
#                                 paths, Z: and the X server's socket as they are here.
# The chroot lives in QUILLSIFT_ARM64_CHROOT (default ${XDG_CACHE_HOME:-~/.cache}/quillsift/
# arm64-wine-bookworm), with a Wine prefix booted once in it, which `wineboot` copies into a
# prefix that does not exist yet: a prefix takes about 20 s to make under qemu.
set -euo pipefail
repo="$(cd "$(dirname "$0")/../.." && pwd)"
root=${QUILLSIFT_ARM64_CHROOT:-${XDG_CACHE_HOME:-$HOME/.cache}/quillsift/arm64-wine-bookworm}
mirror=http://deb.debian.org/debian
# Wine, and what its X11 driver and its fonts need for the preview pane (DejaVu Sans and
# VL Gothic stand in for Windows' UI faces); the X server, OCR and Python stay outside.
packages=(wine wine64 libwine fonts-wine fonts-dejavu-core fonts-vlgothic fontconfig libfreetype6
    libx11-6 libxext6 libxrender1 libxrandr2 libxi6 libxcursor1 libxcomposite1 libxinerama1
    libxfixes3 libgnutls30)
# Where the template prefix is, in the chroot.
template=/var/lib/quillsift/prefix-template
recipe="bookworm arm64 minbase + ${packages[*]}"

if [[ $(id -u) -ne 0 ]]; then
    echo "$0: the chroot needs root" >&2
    exit 1
fi

# qemu-user for aarch64 ELF programs, registered with the kernel (fix_binary: the chroot needs
# no copy of qemu).
enable_qemu() {
    if ! mountpoint -q /proc/sys/fs/binfmt_misc; then
        mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
    fi
    if [[ ! -e /proc/sys/fs/binfmt_misc/qemu-aarch64 ]]; then
        update-binfmts --enable qemu-aarch64
    fi
}

# The chroot's folder, built when missing or of other packages, and its prefix template.
make_chroot() {
    mkdir -p "$(dirname "$root")"
    exec 8>"$root.lock"
    flock 8
    local started=$SECONDS log
    if [[ -f $root/.quillsift-recipe && $(cat "$root/.quillsift-recipe") == "$recipe" ]]; then
        echo "arm64 chroot reused: $root" >&2
    else
        log=$(mktemp)
        echo "Building the arm64 chroot with Wine: $root" >&2
        rm -rf "$root" "$root.new"
        if ! debootstrap --arch=arm64 --variant=minbase bookworm "$root.new" "$mirror" >"$log" 2>&1; then
            tail -20 "$log" >&2
            exit 1
        fi
        echo "  debootstrap: $((SECONDS - started)) s" >&2
        if ! chroot "$root.new" /usr/bin/env DEBIAN_FRONTEND=noninteractive sh -c \
            "apt-get update && apt-get install -y --no-install-recommends ${packages[*]} && apt-get clean" \
            >"$log" 2>&1; then
            tail -20 "$log" >&2
            exit 1
        fi
        echo "  Wine installed: $((SECONDS - started)) s" >&2
        rm -f "$log"
        echo "$recipe" >"$root.new/.quillsift-recipe"
        mv "$root.new" "$root"
    fi
    # The template: a prefix booted once, nothing else done in it, in the chroot's own folders.
    if [[ ! -f $root$template/system.reg ]]; then
        mkdir -p "$(dirname "$root$template")"
        in_namespace bash -c "export WINEPREFIX=$template WINEARCH=win64 WINEDEBUG=-all \
            WINEDLLOVERRIDES='mscoree,mshtml='; in-chroot wineboot -i >/dev/null 2>&1 &&
            in-chroot wineserver -w"
        if [[ ! -f $root$template/system.reg ]]; then
            echo "$0: wineboot made no prefix in the chroot" >&2
            exit 1
        fi
        echo "  a prefix booted: $((SECONDS - started)) s" >&2
    fi
}

# Runs a command in a private mount namespace in which the chroot sees /proc, /dev, /tmp,
# TMPDIR and the repository, with wrappers for Wine's commands first on PATH.
in_namespace() {
    local bin
    bin=$(mktemp -d "${TMPDIR:-/tmp}/arm64-wine.XXXXXX")
    # A command of the chroot, run in the same folder when the chroot sees it.
    cat >"$bin/in-chroot" <<EOF
#!/bin/bash
folder=/
[[ -d '$root'\$PWD ]] && folder=\$PWD
exec chroot '$root' /usr/bin/env --chdir="\$folder" PATH=/usr/local/bin:/usr/bin:/bin "\$@"
EOF
    for command in wine wineserver; do
        printf '#!/bin/bash\nexec %q %s "$@"\n' "$bin/in-chroot" $command >"$bin/$command"
    done
    # A new prefix starts as a copy of the template, and its server stays up until
    # `wineserver -k`: under qemu a server's first command spends some 10 s starting Wine's
    # services, which every pause of a test longer than the server's idle time (the OCR of a
    # picture) would pay again.
    cat >"$bin/wineboot" <<EOF
#!/bin/bash
if [[ -n \${WINEPREFIX:-} ]]; then
    mkdir -p "\$WINEPREFIX"
    if [[ ! -e \$WINEPREFIX/system.reg && -f '$root$template/system.reg' ]]; then
        cp -a '$root$template/.' "\$WINEPREFIX/"
    fi
    '$bin/in-chroot' wineserver -p
fi
exec '$bin/in-chroot' wineboot "\$@"
EOF
    chmod +x "$bin"/*
    local shared=(/tmp "$repo")
    [[ -n ${TMPDIR:-} ]] && shared+=("$(realpath "$TMPDIR")")
    local status=0
    PATH="$bin:$PATH" unshare --mount --propagation private bash -c '
        root=$1
        shift
        mount --bind /proc "$root/proc"
        mount --rbind /dev "$root/dev"
        while [[ $1 != -- ]]; do
            mkdir -p "$root$1"
            mount --bind "$1" "$root$1"
            shift
        done
        shift
        exec "$@"' bash "$root" "${shared[@]}" -- "$@" || status=$?
    rm -rf "$bin"
    return $status
}

case ${1:-} in
make)
    enable_qemu
    make_chroot
    echo "$root"
    ;;
run)
    shift
    enable_qemu
    if [[ ! -f $root/.quillsift-recipe ]]; then
        echo "$0: no arm64 chroot at $root ($0 make builds it)" >&2
        exit 1
    fi
    in_namespace "$@"
    ;;
*)
    echo "usage: $0 make | run COMMAND..." >&2
    exit 2
    ;;
esac
