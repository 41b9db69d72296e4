#!/usr/bin/env python3
"""Holds the first open of one file or folder until told to let it go, so that a browser test can act
while the program is surely in the middle of a run that reads it (a scan), whatever the machine's speed.

Usage: hold_open.py FILE|FOLDER. Prints "ready" once the file is watched and "held" when a process opens
it; that open waits until a line arrives on stdin (or stdin closes), then goes on as usual.
Uses the kernel's permission events (fanotify), which need root."""
import ctypes
import os
import struct
import sys

FAN_CLOEXEC = 0x1
FAN_CLASS_CONTENT = 0x4
FAN_MARK_ADD = 0x1
FAN_OPEN_PERM = 0x10000
FAN_ONDIR = 0x40000000  # a folder's own opens (a listing) count too
FAN_ALLOW = 0x1
AT_FDCWD = -100
# struct fanotify_event_metadata: event_len, vers, reserved, metadata_len, mask, fd, pid
EVENT = "IBBHQii"


def main():
    libc = ctypes.CDLL(None, use_errno=True)
    libc.fanotify_mark.argtypes = [ctypes.c_int, ctypes.c_uint, ctypes.c_uint64, ctypes.c_int, ctypes.c_char_p]
    watch = libc.fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC, os.O_RDONLY)
    if watch < 0:
        sys.exit(f"fanotify_init: {os.strerror(ctypes.get_errno())}")
    mask = FAN_OPEN_PERM | (FAN_ONDIR if os.path.isdir(sys.argv[1]) else 0)
    if libc.fanotify_mark(watch, FAN_MARK_ADD, mask, AT_FDCWD, os.fsencode(sys.argv[1])) != 0:
        sys.exit(f"fanotify_mark: {os.strerror(ctypes.get_errno())}")
    print("ready", flush=True)
    event = os.read(watch, 4096)
    _, _, _, _, _, opened, _ = struct.unpack_from(EVENT, event)
    print("held", flush=True)
    sys.stdin.readline()
    os.write(watch, struct.pack("iI", opened, FAN_ALLOW))
    os.close(opened)
    # Closing the watch lets every later open of the file through unasked.
    os.close(watch)


if __name__ == "__main__":
    main()
