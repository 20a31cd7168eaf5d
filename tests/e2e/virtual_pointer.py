#!/usr/bin/env python3
"""A pointer for a headless sway session, which has no input devices of its own.

Speaks the Wayland wire protocol directly (no client library needed) and makes a
zwlr_virtual_pointer_v1, so that clients see a real pointer. Reads commands, one a line, from
the file given (a FIFO):  move X Y  (layout units) | down | up | quit.
Usage: virtual_pointer.py FIFO LAYOUT_WIDTH LAYOUT_HEIGHT
"""
import os
import socket
import struct
import sys
import time

BTN_LEFT = 0x110


class Wayland:
    def __init__(self):
        path = os.path.join(os.environ["XDG_RUNTIME_DIR"], os.environ.get("WAYLAND_DISPLAY", "wayland-0"))
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.connect(path)
        self.next_id = 2
        self.buffer = b""

    def new_id(self):
        self.next_id += 1
        return self.next_id - 1

    def send(self, obj, opcode, payload=b""):
        self.sock.sendall(struct.pack("<II", obj, ((8 + len(payload)) << 16) | opcode) + payload)

    def events(self):
        while True:
            while len(self.buffer) >= 8:
                obj, word = struct.unpack_from("<II", self.buffer)
                size = word >> 16
                if len(self.buffer) < size:
                    break
                body = self.buffer[8:size]
                self.buffer = self.buffer[size:]
                yield obj, word & 0xFFFF, body
            chunk = self.sock.recv(65536)
            if not chunk:
                raise SystemExit("the compositor went away")
            self.buffer += chunk

    def roundtrip(self, on_event=None):
        callback = self.new_id()
        self.send(1, 0, struct.pack("<I", callback))  # wl_display.sync
        for obj, opcode, body in self.events():
            if obj == callback:
                return
            if obj == 1 and opcode == 0:
                raise SystemExit("protocol error: %r" % body)
            if on_event:
                on_event(obj, opcode, body)


def string(value):
    data = value.encode() + b"\0"
    return struct.pack("<I", len(data)) + data + b"\0" * (-len(data) % 4)


def main():
    fifo, width, height = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    wl = Wayland()
    registry = wl.new_id()
    wl.send(1, 1, struct.pack("<I", registry))  # wl_display.get_registry
    found = {}

    def on_global(obj, opcode, body):
        if obj == registry and opcode == 0:
            name, length = struct.unpack_from("<II", body)
            interface = body[8:8 + length - 1].decode()
            version = struct.unpack_from("<I", body, 8 + length + (-length % 4))[0]
            found[interface] = (name, version)

    wl.roundtrip(on_global)
    if "zwlr_virtual_pointer_manager_v1" not in found:
        raise SystemExit("the compositor has no virtual pointers")
    name, _ = found["zwlr_virtual_pointer_manager_v1"]
    manager = wl.new_id()
    wl.send(registry, 0, struct.pack("<I", name) + string("zwlr_virtual_pointer_manager_v1") +
            struct.pack("<II", 1, manager))
    pointer = wl.new_id()
    wl.send(manager, 0, struct.pack("<II", 0, pointer))  # create_virtual_pointer(seat: default)
    wl.roundtrip()
    print("ready", flush=True)

    def stamp():
        return int(time.monotonic() * 1000) & 0xFFFFFFFF

    while True:
        with open(fifo) as commands:
            for line in commands:
                words = line.split()
                if not words:
                    continue
                if words[0] == "quit":
                    return
                if words[0] == "move":
                    x, y = int(words[1]), int(words[2])
                    wl.send(pointer, 1, struct.pack("<IIIII", stamp(), x, y, width, height))
                elif words[0] in ("down", "up"):
                    wl.send(pointer, 2, struct.pack("<III", stamp(), BTN_LEFT, 1 if words[0] == "down" else 0))
                wl.send(pointer, 4, struct.pack("<I", stamp()))  # frame
                wl.roundtrip()


if __name__ == "__main__":
    main()
