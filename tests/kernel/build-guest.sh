#!/usr/bin/env bash
# Builds the guest of the kernel tests once per build tree: Debian's own
# kernel (unpacked from its package, not installed) and an initramfs of
# busybox, dorvel-adj-cli with its shared libraries, the USB serial modules
# and the guest's start script. Everything is cached in OUT; a new program
# or start script rebuilds the initramfs only.
#   build-guest.sh OUT CLI INIT
set -euo pipefail
# (No pipe here ends its reader early: with pipefail, the writer's SIGPIPE
# would fail the build at random.)
out=$1 cli=$2 init=$3
fail() { echo "kernel tier: $*" >&2; exit 1; }
for tool in qemu-system-x86_64 cpio dpkg-deb apt-get; do
    command -v "$tool" >/dev/null || fail "$tool is missing (./scripts/test installs qemu-system-x86 and cpio)"
done
[ -x /bin/busybox ] || fail "/bin/busybox is missing (./scripts/test installs busybox-static)"
/bin/busybox --list | grep -x insmod >/dev/null || fail "/bin/busybox has no insmod: busybox-static is needed"
mkdir -p "$out"

# The kernel: the versioned package behind linux-image-amd64, fetched once.
if [ ! -f "$out/kernel/vmlinuz" ]; then
    pkg=$(apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-[0-9]/ && !p {print $2; p = 1}')
    [ -n "$pkg" ] || fail "no versioned linux-image package behind linux-image-amd64 (apt-get update?)"
    rm -rf "$out/kernel.tmp" && mkdir -p "$out/kernel.tmp/deb"
    (cd "$out/kernel.tmp/deb" && timeout 300 apt-get download "$pkg" >/dev/null 2>&1) ||
        fail "apt-get download $pkg failed (no network or no package source?)"
    dpkg-deb -x "$out/kernel.tmp/deb/"*.deb "$out/kernel.tmp/root"
    mkdir -p "$out/kernel.tmp/kernel/modules"
    cp "$out/kernel.tmp/root/boot/vmlinuz-"* "$out/kernel.tmp/kernel/vmlinuz"
    # The uncompressed kernel inside (an ELF that QEMU starts directly) boots
    # seconds sooner under emulation; without it the compressed one serves.
    python3 - "$out/kernel.tmp/kernel/vmlinuz" >"$out/kernel.tmp/payload.xz" <<'PY' &&
import sys
data = open(sys.argv[1], "rb").read()
start = data.find(b"\xfd7zXZ\x00")
sys.stdout.buffer.write(data[start:] if start > 0 else b"")
PY
    xz -dc --single-stream "$out/kernel.tmp/payload.xz" >"$out/kernel.tmp/kernel/vmlinux" 2>/dev/null ||
        rm -f "$out/kernel.tmp/kernel/vmlinux"
    # The USB host controller and the serial adapter, in loading order.
    for m in usb-common usbcore xhci-hcd xhci-pci usbserial ftdi_sio; do
        f=$(find "$out/kernel.tmp/root/lib/modules" -name "$m.ko*" -print -quit)
        [ -n "$f" ] || fail "module $m is not in $pkg"
        case "$f" in
        *.xz) xz -dc "$f" >"$out/kernel.tmp/kernel/modules/$m.ko" ;;
        *) cp "$f" "$out/kernel.tmp/kernel/modules/$m.ko" ;;
        esac
    done
    rm -rf "$out/kernel" && mv "$out/kernel.tmp/kernel" "$out/kernel" && rm -rf "$out/kernel.tmp"
fi

# The initramfs, rebuilt when the program or the start script is newer.
img="$out/initramfs.cpio"
if [ -f "$img" ] && [ "$img" -nt "$cli" ] && [ "$img" -nt "$init" ]; then
    exit 0
fi
root="$out/root"
rm -rf "$root" && mkdir -p "$root"/{bin,sbin,etc,proc,sys,dev,tmp,root,modules,usr/bin}
cp /bin/busybox "$root/bin/busybox"
for a in $(/bin/busybox --list); do [ -e "$root/bin/$a" ] || ln -s busybox "$root/bin/$a"; done
strip -o "$root/usr/bin/dorvel-adj-cli" "$cli"
# The session runs the program's Qt GUI core offscreen (reports are drawn).
plugin=$(find /usr/lib -path '*qt6/plugins/platforms/libqoffscreen.so' -print -quit)
[ -n "$plugin" ] || fail "Qt's offscreen platform plugin is missing"
mkdir -p "$root/qt/platforms" && cp "$plugin" "$root/qt/platforms/"
{ ldd "$cli"; ldd "$plugin"; } | awk '$3 ~ /^\// {print $3} $1 ~ /^\// {print $1}' | while read -r lib; do
    mkdir -p "$root$(dirname "$lib")"
    cp -L "$lib" "$root$lib"
done
cp "$out/kernel/modules/"*.ko "$root/modules/"
cp "$init" "$root/init" && chmod +x "$root/init"
echo 'root:x:0:0:root:/root:/bin/sh' >"$root/etc/passwd"
printf 'root:x:0:\ndialout:x:20:\n' >"$root/etc/group"
(cd "$root" && find . | cpio -o -H newc --quiet) >"$img.tmp"
mv "$img.tmp" "$img"
rm -rf "$root"
