#!/usr/bin/env python3
"""The far end of a serial line for the Windows tests: opens a pseudo-terminal, prints the
path of its terminal side, then echoes every byte it receives until a 0xFF arrives, when it
hangs up (closes its side) as an unplugged adapter does; with --no-hang-up (for lines that
carry every byte value, such as the meter simulator's) it echoes 0xFF too. Ends after IDLE
seconds without traffic (default 600).
Usage: echo_line.py [--no-hang-up] [IDLE]"""
import os
import pty
import select
import sys
import time
import tty

args = sys.argv[1:]
hang_up = "--no-hang-up" not in args
args = [a for a in args if a != "--no-hang-up"]
idle = float(args[0]) if args else 600.0
master, slave = pty.openpty()
tty.setraw(slave)
print(os.ttyname(slave), flush=True)
os.close(slave)
last = time.monotonic()
while time.monotonic() - last < idle:
    ready, _, _ = select.select([master], [], [], idle)
    if not ready:
        break
    try:
        data = os.read(master, 4096)
    except OSError:  # nobody has the terminal side open yet or any more
        select.select([], [], [], 0.02)
        continue
    last = time.monotonic()
    hangup = data.find(b"\xff") if hang_up else -1
    if hangup >= 0:
        os.write(master, data[:hangup])
        break
    os.write(master, data)
os.close(master)
