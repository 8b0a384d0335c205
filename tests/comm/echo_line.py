#!/usr/bin/env python3
"""The far end of a serial line for the Windows tests: opens a pseudo-terminal, prints the
path of its terminal side, then echoes every byte it receives until a 0xFF arrives, when it
hangs up (closes its side) as an unplugged adapter does. Ends after IDLE seconds without
traffic (default 600)."""
import os
import pty
import select
import sys
import time
import tty

idle = float(sys.argv[1]) if len(sys.argv) > 1 else 600.0
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
    hangup = data.find(b"\xff")
    if hangup >= 0:
        os.write(master, data[:hangup])
        break
    os.write(master, data)
os.close(master)
