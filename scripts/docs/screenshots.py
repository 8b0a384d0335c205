#!/usr/bin/env python3
"""Takes the README's screenshots of the main window in each mode.

Runs inside an X server (scripts/docs/screenshots starts Xvfb). A pseudo-terminal plays the
meter: it is registered in the port map as COM1, the monitor opens it from its status-bar
popup, and status frames put the window into each mode in turn; `import` grabs the real
window after each.
"""
import os
import struct
import subprocess
import sys
import tempfile
import time

MONITOR, OUT_DIR = sys.argv[1], sys.argv[2]


def crc_table():
    table = []
    for i in range(256):
        crc = i
        for _ in range(8):
            crc = (crc >> 1) ^ 0x8C if crc & 1 else crc >> 1
        table.append(crc)
    return table


TABLE = crc_table()


def stuff(byte):
    return {0xC0: [0xDB, 0xDC], 0xDB: [0xDB, 0xDD]}.get(byte, [byte])


def status_frame(mode, ui=0.0, di=0.0, photo_faults=0, stab=(30, 0), blank=0):
    payload = bytearray(63)
    payload[0] = mode
    payload[1 + 20] = photo_faults
    payload[45:49] = struct.pack("<f", di)
    payload[53:57] = struct.pack("<f", ui)
    payload[59], payload[60] = stab
    payload[62] = blank
    command = 0x20
    crc = TABLE[0x82 ^ (command & 0x7F)]
    frame = [0xC0, command]
    for byte in [len(payload)] + list(payload):
        crc = TABLE[crc ^ byte]
        frame += stuff(byte)
    frame += stuff(crc)
    return bytes(frame)


def xdotool(*args):
    return subprocess.run(["xdotool", *args], check=True, capture_output=True,
                          text=True).stdout.strip()


def main():
    config = tempfile.mkdtemp(prefix="vels5-shots-")
    ports = os.path.join(config, "vels5", "ports")
    os.makedirs(ports)
    master, slave = os.openpty()
    os.symlink(os.ttyname(slave), os.path.join(ports, "COM1"))
    env = dict(os.environ, XDG_CONFIG_HOME=config)
    monitor = subprocess.Popen([MONITOR], env=env)
    try:
        window = None
        for _ in range(100):
            time.sleep(0.1)
            found = subprocess.run(["xdotool", "search", "--name", "ВЕЛС5"],
                                   capture_output=True, text=True).stdout.split()
            if found:
                window = found[0]
                break
        if window is None:
            sys.exit("screenshots: the monitor window did not appear")
        time.sleep(1.0)
        geometry = dict(line.split("=") for line in
                        xdotool("getwindowgeometry", "--shell", window).splitlines())
        # The status bar's port panel, then the first popup item (COM1).
        xdotool("mousemove", "--window", window, "20", str(int(geometry["HEIGHT"]) - 8))
        xdotool("click", "1")
        time.sleep(0.5)
        xdotool("key", "Down", "Return")
        time.sleep(0.5)

        def shot(name, frames, repeat=3):
            for _ in range(repeat):
                for frame in frames:
                    os.write(master, frame)
                time.sleep(0.25)
            time.sleep(0.5)
            path = os.path.join(OUT_DIR, name)
            subprocess.run(["import", "-window", window, path], check=True)
            print("screenshots:", path)

        shot("main-start.png", [status_frame(0x08)])
        shot("main-stabilisation.png", [status_frame(0x01, stab=(29, 5))])
        shot("main-adjustment.png", [status_frame(0x02, ui=2.0)])
        shot("main-work.png", [status_frame(0x04, ui=4.321, di=0.123)])
        shot("main-fault.png", [status_frame(0x04, ui=4.3, di=0.1, photo_faults=0x08)])
        time.sleep(5.5)  # no frames: the watchdog
        shot("main-no-link.png", [], repeat=1)
    finally:
        monitor.terminate()
        monitor.wait(timeout=10)
        os.close(master)
        os.close(slave)


if __name__ == "__main__":
    main()
