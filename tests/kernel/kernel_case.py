#!/usr/bin/env python3
"""One case of the kernel tests: boots the guest under QEMU with the radio
simulator on the host behind a real serial device of the guest (a 16550 or
a USB serial adapter), lets the guest's start script run the program, acts
on the guest's markers (a break from the radio, the adapter unplugged), then
checks what the guest printed, the simulator's frame log and QEMU's trace.

    kernel_case.py --bin DIR --guest DIR --work DIR CASE

Exit status 0 when every check holds, 1 with the failed checks and the
guest's console otherwise. Every step has a hard time limit; QEMU and the
simulator are killed on every path.
"""
import argparse
import ctypes
import hashlib
import os
import re
import select
import shutil
import signal
import socket
import subprocess
import sys
import termios
import time
import tty

BOOT_AND_RUN_S = 150   # the whole guest run, boot included
IAC, BREAK = 0xFF, 0xF3
# A frame the PC sends: preamble, addresses, a command, data, the end mark.
PC_FRAME = re.compile(r"^FE(FE)+EEEF(E[0-68])([0-9A-F]{2})*FD$")


def die_with_parent():
    """In the child: killed when this script dies, however it dies."""
    ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG


class Failed(Exception):
    pass


def start_sim(sim, work, extra):
    log = os.path.join(work, "sim.log")
    proc = subprocess.Popen([sim, "--log", log] + extra, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            stderr=open(os.path.join(work, "sim.err"), "w"), text=True,
                            preexec_fn=die_with_parent)
    ready, _, _ = select.select([proc.stdout], [], [], 10)
    if not ready:
        proc.kill()
        raise Failed("the simulator printed no device within 10 s")
    device = proc.stdout.readline().strip()
    if not device.startswith("/dev/"):
        proc.kill()
        raise Failed("the simulator printed no device: %r" % device)
    return proc, device, log


def sim_image(proc, work, name):
    path = os.path.join(work, name)
    proc.stdin.write("write-image %s\n" % path)
    proc.stdin.flush()
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        if os.path.exists(path) and os.path.getsize(path) == 8160:
            with open(path, "rb") as f:
                return f.read()
        time.sleep(0.05)
    raise Failed("the simulator wrote no image")


def log_frames(path):
    frames = []
    try:
        with open(path) as f:
            for line in f:
                parts = line.split()
                if len(parts) == 3:
                    frames.append((parts[1], parts[2]))
    except FileNotFoundError:
        pass
    return frames


def command_sub(hexframe):
    """The sub-command of an adjustment frame (FE FE EE EF E8 M M S S sub v v
    FD), None for any other frame."""
    return int(hexframe[18:20], 16) if len(hexframe) == 26 and hexframe[8:10] == "E8" else None


def command_value(hexframe):
    """The value of an adjustment frame, sent as two hexadecimal digits."""
    return int(bytes.fromhex(hexframe[20:24]).decode("ascii", "replace"), 16)


class TelnetRelay:
    """Carries bytes between QEMU's telnet socket (the guest's 16550) and the
    simulator's pseudo-terminal, as a cable would, and sends a break on
    request. Towards QEMU a data byte FF goes doubled (telnet's escape);
    from QEMU the bytes come as they are, after its option offers."""

    def __init__(self, sock_path, pty_path):
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        deadline = time.monotonic() + 10
        while True:
            try:
                self.sock.connect(sock_path)
                break
            except OSError:
                if time.monotonic() > deadline:
                    raise Failed("QEMU's serial socket did not open within 10 s")
                time.sleep(0.05)
        self.pty = os.open(pty_path, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
        tty.setraw(self.pty)
        # QEMU offers its telnet options on connection, three bytes each
        # (IAC WILL/WONT/DO/DONT option), long before the guest sends.
        self.head = b""
        self.sent = False

    def pump(self, timeout):
        ready, _, _ = select.select([self.sock, self.pty], [], [], timeout)
        if self.sock in ready:
            data = self.sock.recv(4096)
            if self.head is not None:
                data = self.head + data
                while len(data) >= 3 and data[0] == IAC:
                    data = data[3:]
                if not data or data[0] == IAC:   # nothing more yet, or an offer not yet whole
                    self.head, data = data, b""
                else:
                    self.head = None
            if data:
                os.write(self.pty, data)
        if self.pty in ready:
            try:
                data = os.read(self.pty, 4096)
            except BlockingIOError:
                data = b""
            if data:
                self.sock.sendall(data.replace(b"\xff", b"\xff\xff"))

    def send_break(self):
        self.sock.sendall(bytes([IAC, BREAK]))

    def close(self):
        self.sock.close()
        os.close(self.pty)


def monitor(path, command):
    s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    s.settimeout(5)
    s.connect(path)
    s.sendall((command + "\n").encode())
    time.sleep(0.2)
    s.close()


def read_text(path):
    try:
        with open(path, errors="replace") as f:
            return f.read()
    except FileNotFoundError:
        return ""


def parse_console(text):
    """The guest's markers: '@@ key value' lines, and each program's output
    between '@@ begin NAME', '@@ stderr NAME' and '@@ end NAME STATUS'."""
    marks, runs = {}, {}
    name, part, out, err = None, None, [], []
    for line in text.splitlines():
        if line.startswith("@@ begin "):
            name, part, out, err = line[9:], "out", [], []
        elif line.startswith("@@ stderr ") and name:
            part = "err"
        elif line.startswith("@@ end ") and name:
            runs[name] = (int(line.split()[-1]), out, err)
            name = None
        elif line.startswith("@@ "):
            key, _, value = line[3:].partition(" ")
            marks.setdefault(key, []).append(value)
        elif name:
            (out if part == "out" else err).append(line)
    return marks, runs


def run_case(args, case):
    work = args.work
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    kernel = os.path.join(args.guest, "kernel", "vmlinux")
    if not os.path.exists(kernel):
        kernel = os.path.join(args.guest, "kernel", "vmlinuz")
    initrd = os.path.join(args.guest, "initramfs.cpio")
    for f in (kernel, initrd):
        if not os.path.exists(f):
            raise Failed("the guest is not built: %s is missing (the kernel_guest test builds it)" % f)
    qemu = shutil.which("qemu-system-x86_64")
    if not qemu:
        raise Failed("qemu-system-x86_64 is missing (./scripts/test installs qemu-system-x86)")

    usb = case.startswith("usb")
    unplug = "unplug" in case
    # The unplug cases need a transfer that lasts: the simulator paces its
    # line; the others run it unpaced (QEMU does not pace either).
    sim_opts = ["--baud", "57600"] if unplug else ["--fast"]
    sim, pty, log = start_sim(os.path.join(args.bin, "dorvel-sim"), work, sim_opts)
    image_at_start = sim_image(sim, work, "start.bin")

    console = os.path.join(work, "console.log")
    mon = os.path.join(work, "monitor.sock")
    trace = os.path.join(work, "trace.log")
    cmd = [qemu, "-nodefaults", "-display", "none", "-no-reboot", "-accel", "tcg", "-m", "1024", "-smp", "1",
           "-kernel", kernel, "-initrd", initrd,
           "-append", "console=ttyS0 loglevel=1 panic=-1 dorvel=%s" % case,
           "-serial", "file:" + console, "-monitor", "unix:%s,server=on,wait=off" % mon]
    relay = None
    if case == "uart_break":
        sock = os.path.join(work, "uart.sock")
        cmd += ["-chardev", "socket,id=radio,path=%s,server=on,wait=off,telnet=on" % sock, "-serial", "chardev:radio"]
    elif usb:
        cmd += ["-chardev", "serial,id=radio,path=" + pty, "-device", "qemu-xhci",
                "-device", "usb-serial,chardev=radio,id=adapter", "-trace", "usb_serial_handle_control,file=" + trace]
    else:
        cmd += ["-chardev", "serial,id=radio,path=" + pty, "-serial", "chardev:radio"]
    vm = subprocess.Popen(cmd, stdin=subprocess.DEVNULL, stdout=open(os.path.join(work, "qemu.out"), "w"),
                          stderr=subprocess.STDOUT, preexec_fn=die_with_parent)
    text, done, unplugged, reads_at_unplug = "", False, False, None
    try:
        if case == "uart_break":
            relay = TelnetRelay(sock, pty)
        deadline = time.monotonic() + BOOT_AND_RUN_S
        armed = False
        while time.monotonic() < deadline and vm.poll() is None:
            if relay:
                relay.pump(0.02)
            else:
                time.sleep(0.02)
            text = read_text(console)
            if "@@ send-break" in text and relay and not relay.sent:
                relay.send_break()
                relay.sent = True
            if "@@ unplug-soon" in text:
                armed = True
            if armed and not unplugged:
                frames = log_frames(log)
                # Mid-transfer: the radio has sent part of its image, or the
                # PC has started writing frames of data to it.
                radio = sum(1 for s, h in frames if s == "radio" and h[8:10] == "E4")
                writes = sum(1 for s, h in frames if s == "pc" and h[8:10] == "E4")
                if (case == "usb_unplug_connect" and radio >= 20) or (case == "usb_unplug_write" and writes >= 20):
                    monitor(mon, "device_del adapter")
                    unplugged = True
                    reads_at_unplug = (radio, writes)
            if "@@ done" in text:
                done = True
                break
    finally:
        if vm.poll() is None:
            vm.kill()
        vm.wait(10)
        if relay:
            relay.close()
    text = read_text(console)
    try:
        image_at_end = sim_image(sim, work, "end.bin")
    finally:
        sim.kill()
        sim.wait(10)
    if not done:
        raise Failed("the guest did not finish within %d s; QEMU said: %s\n--- the guest's console:\n%s"
                     % (BOOT_AND_RUN_S, read_text(os.path.join(work, "qemu.out")), text))

    marks, runs = parse_console(text)
    failures = ["guest: " + e for e in marks.get("error", [])]

    def check(ok, what):
        if not ok:
            failures.append(what)

    def run(name):
        if name not in runs:
            raise Failed("the guest printed no output of %s" % name)
        return runs[name]

    def sha(data):
        return hashlib.sha256(data).hexdigest()

    frames = log_frames(log)
    if case in ("uart_session", "usb_session"):
        status, out, err = run("read")
        check(status == 0, "the clone read ended with status %d: %s" % (status, " ".join(err)))
        check(marks.get("image") == [sha(image_at_start)], "the image read is not byte-identical to the radio's")
        status, out, err = run("session")
        check(status == 0, "the session ended with status %d" % status)
        check(out[:1] == ["ok"], "the Connect did not answer ok")
        check(not [l for l in out if l.startswith("message:")], "a message box came: " + " ".join(out))
        broken = [h for s, h in frames if s == "pc" and not PC_FRAME.match(h)]
        check(not broken, "%d frames reached the radio cut, the first: %s" % (len(broken), broken[:1]))
        sweep = [command_value(h) for s, h in frames if s == "pc" and command_sub(h) == 0x13]
        # Every step from 0 to 255 reached the radio, one by one, in order.
        top = sweep.index(255) if 255 in sweep else 0
        bottom = top
        while bottom > 0 and sweep[bottom - 1] == sweep[bottom] - 1:
            bottom -= 1
        check(sweep[bottom:top + 1] == list(range(256)),
              "the fine filter sweep did not reach the radio whole and in order: %s" % sweep)
        check(image_at_end != image_at_start, "the edits did not reach the radio")
    elif case == "usb_latency":
        status, out, err = run("session")
        check(status == 0, "the session ended with status %d" % status)
        journal = [l for l in out if "clone_read" in l]
        check(journal and "ftdi_sio, latency timer 1 ms, low latency set" in journal[0],
              "the journal's account of the adapter is not 'ftdi_sio, latency timer 1 ms, low latency set': %s"
              % journal)
        check(marks.get("sysfs-open") == ["1"], "the kernel's latency timer while open: %s" % marks.get("sysfs-open"))
        check(marks.get("sysfs-after") == marks.get("sysfs-before"),
              "the latency timer after closing (%s) is not what it was (%s)"
              % (marks.get("sysfs-after"), marks.get("sysfs-before")))
        with open(trace) as f:
            latency = [int(v, 16) for v in re.findall(r"got control 0x4009, value (0x[0-9a-f]+)", f.read())]
        check(1 in latency, "QEMU's adapter was never set to a latency of 1 ms: %s" % latency)
        check(latency[-1:] == [int(marks.get("sysfs-before", ["-1"])[0])],
              "QEMU's adapter did not get its latency timer back at closing: %s" % latency)
    elif case == "usb_ports":
        status, out, err = run("ports")
        check(status == 0, "ports ended with status %d" % status)
        check([l for l in out if l.startswith("/dev/ttyUSB0") and "ftdi_sio" in l],
              "ports does not list /dev/ttyUSB0 with its driver: %s" % out)
        status, out, err = run("doctor")
        check(status == 0, "doctor found something in the way: %s" % out)
        check([l for l in out if "driver ftdi_sio" in l and "low latency can be set" in l],
              "doctor does not say that the adapter takes low latency: %s" % out)
    elif case == "uart_break":
        status, out, err = run("session")
        # A break that lands on an exchange garbles it: the operator is told,
        # and the session says so by its status. Between exchanges it harms nothing.
        told = "message: Communication failed." in out
        check(status == (1 if told else 0), "the session ended with status %d (message told: %s)" % (status, told))
        lines = [l for l in out if l.startswith("line:")]
        counts = [int(m.group(1)) for m in (re.search(r"break (\d+)", l) for l in lines) if m]
        check(len(counts) == 2 and counts[0] == 0 and counts[1] >= 1,
              "the break did not reach the program as a break notification: %s" % lines)
    elif case == "usb_unplug_connect":
        check(unplugged, "the adapter was not unplugged during the Connect")
        status, out, err = run("session")
        # It ends on its own (no hang, no crash) and says by its status that the Connect failed.
        check(status == 1, "the session after the unplug ended with status %d, not 1 for the failed Connect" % status)
        check([l for l in out if l.startswith("message:")], "the operator got no message: %s" % out)
        check(marks.get("device-node") == ["gone"], "the device node stayed")
        check(marks.get("backups") == ["0"], "a backup of a partial read was kept: %s" % marks.get("backups"))
        check(image_at_end == image_at_start, "the radio changed")
    elif case == "usb_unplug_write":
        check(unplugged, "the adapter was not unplugged during the write")
        status, out, err = run("write")
        check(status == 1, "the cut write ended with status %d, not 1" % status)
        edited = marks.get("edited", [""])[0]
        check(edited and edited != sha(image_at_start), "the radio was not edited before the write")
        check(not [l for l in out if "already holds" in l], "the write had nothing to change")
        backups = [b.split() for b in marks.get("backup", [])]
        check(len(backups) == 1 and backups[0][1] == edited,
              "the backup of the radio before the write was not kept whole: %s" % backups)
        check(backups and [l for l in err if backups[0][0] in l],
              "the operator was not told where the backup is (the way back): %s" % err)
        check([l for l in err if "COM port" in l], "the operator got no message about the port: %s" % err)
    else:
        raise Failed("unknown case " + case)
    if unplugged:
        print("unplugged after %d radio frames and %d frames written" % reads_at_unplug)
    if failures:
        raise Failed("\n".join(failures) + "\n--- the guest's console:\n" + text)
    print("ok:", case)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--bin", required=True)
    p.add_argument("--guest", required=True)
    p.add_argument("--work", required=True)
    p.add_argument("case")
    args = p.parse_args()
    try:
        run_case(args, args.case)
    except Failed as e:
        print("FAILED %s: %s" % (args.case, e))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
