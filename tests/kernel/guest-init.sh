#!/bin/sh
# The guest's start script: sets up the devices, runs the one case named on
# the kernel's command line (dorvel=CASE) against the serial port, prints
# what the host checks between "@@" markers on the console, and powers off.
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
mkdir -p /root/data
export HOME=/root XDG_DATA_HOME=/root/data XDG_CONFIG_HOME=/root/config XDG_RUNTIME_DIR=/tmp PATH=/bin:/usr/bin
export QT_QPA_PLATFORM=offscreen QT_PLUGIN_PATH=/qt
case_name=$(sed -n 's/.*dorvel=\([a-z_]*\).*/\1/p' /proc/cmdline)
cli=/usr/bin/dorvel-adj-cli

say() { echo "@@ $*"; }
# Runs a command and prints its output and status between markers.
show() {
    name=$1; shift
    "$@" >/tmp/out 2>/tmp/err
    rc=$?
    say "begin $name"; cat /tmp/out; say "stderr $name"; cat /tmp/err; say "end $name $rc"
}
# Waits until a file holds a line matching a pattern (at most $3 seconds).
await() {
    n=0
    while ! grep -q "$2" "$1" 2>/dev/null; do
        n=$((n + 1)); [ "$n" -gt $(($3 * 10)) ] && return 1; sleep 0.1
    done
}
usb() {
    for m in usb-common usbcore xhci-hcd xhci-pci usbserial ftdi_sio; do insmod /modules/$m.ko || say "error insmod $m"; done
    n=0
    while [ ! -e /dev/ttyUSB0 ]; do
        n=$((n + 1)); [ "$n" -gt 200 ] && { say "error no /dev/ttyUSB0"; return 1; }; sleep 0.1
    done
}
# A session in the background whose commands come one by one ($S <<< line).
start_session() {
    mkfifo /tmp/in
    $cli session --device "$1" </tmp/in >/tmp/session.out 2>/tmp/session.err &
    spid=$!
    exec 3>/tmp/in
}
end_session() {
    exec 3>&-
    wait $spid
    rc=$?
    say "begin session"; cat /tmp/session.out; say "stderr session"; cat /tmp/session.err; say "end session $rc"
}

# A Connect, edits and the fine filter sweep, then the console and journal.
SCRIPT='connect
select 1
step 5
select 7
step -3
idle
select 11
enter
idle
console
journal
quit'

say "case $case_name"
case $case_name in
uart_session | usb_session)
    dev=/dev/ttyS1
    [ "$case_name" = usb_session ] && { usb && dev=/dev/ttyUSB0; }
    show read $cli read --device $dev --out /tmp/read.bin
    say "image $(sha256sum /tmp/read.bin | cut -d' ' -f1)"
    echo "$SCRIPT" >/tmp/script
    show session $cli session --device $dev </tmp/script
    ;;
usb_latency)
    usb
    say "sysfs-before $(cat /sys/class/tty/ttyUSB0/device/latency_timer)"
    start_session /dev/ttyUSB0
    echo connect >&3
    await /tmp/session.out '^ok' 30 || say "error no ok"
    say "sysfs-open $(cat /sys/class/tty/ttyUSB0/device/latency_timer)"
    echo journal >&3
    echo quit >&3
    end_session
    say "sysfs-after $(cat /sys/class/tty/ttyUSB0/device/latency_timer)"
    ;;
usb_ports)
    usb
    show ports $cli ports
    show doctor $cli doctor --device /dev/ttyUSB0
    ;;
uart_break)
    start_session /dev/ttyS1
    echo connect >&3
    await /tmp/session.out '^ok' 30 || say "error no ok"
    echo line >&3
    await /tmp/session.out '^line:' 10
    say "send-break"
    # The kernel's own count shows when the break has arrived.
    if ! await /proc/tty/driver/serial '^1:.*brk:[1-9]' 20; then say "error no break arrived"; fi
    sleep 1
    echo line >&3
    echo quit >&3
    end_session
    ;;
usb_unplug_connect)
    usb
    say "unplug-soon"
    echo 'connect
idle
quit' >/tmp/script
    show session $cli session --device /dev/ttyUSB0 </tmp/script
    say "device-node $([ -e /dev/ttyUSB0 ] && echo present || echo gone)"
    say "backups $(ls /root/data/dorvel-adj/backups 2>/dev/null | wc -l)"
    ;;
usb_unplug_write)
    usb
    # The radio as it was, then edited, then the first image written back.
    show read $cli read --device /dev/ttyUSB0 --out /tmp/read.bin
    say "image $(sha256sum /tmp/read.bin | cut -d' ' -f1)"
    printf 'connect\nselect 1\nstep 5\nidle\nquit\n' | $cli session --device /dev/ttyUSB0 >/dev/null 2>&1
    rm -rf /root/data/dorvel-adj/backups
    show edited $cli read --device /dev/ttyUSB0 --out /tmp/edited.bin
    say "edited $(sha256sum /tmp/edited.bin | cut -d' ' -f1)"
    say "unplug-soon"
    show write $cli write --device /dev/ttyUSB0 --in /tmp/read.bin --yes
    for f in /root/data/dorvel-adj/backups/*.bin; do say "backup $f $(sha256sum "$f" | cut -d' ' -f1)"; done
    ;;
*)
    say "error unknown case"
    ;;
esac
say "done"
poweroff -f
