#!/usr/bin/python3
"""The pointer of a Wayland seat as a VNC client drives it, for the lab: the VNC server
(wayvnc) turns each RFB pointer event into a virtual pointer device's motion and
buttons, which the compositor handles as a mouse's. (sway's own "seat cursor" command
sends no motion to the window while a button is held, so it cannot drag.)

Reads lines from stdin: "move X Y", "press", "release" (the left button), in output
pixels. Says "ready" once the server has taken it on, and "ok" after each line sent.

usage: vnc_pointer.py SOCKET
"""
import socket
import struct
import sys


def read_exactly(sock, size):
    data = b""
    while len(data) < size:
        chunk = sock.recv(size - len(data))
        if not chunk:
            raise SystemExit("vnc_pointer: the server closed the connection")
        data += chunk
    return data


def handshake(sock):
    version = read_exactly(sock, 12)
    if not version.startswith(b"RFB 003."):
        raise SystemExit(f"vnc_pointer: not an RFB server: {version!r}")
    sock.sendall(b"RFB 003.008\n")
    count = read_exactly(sock, 1)[0]
    if count == 0:
        reason = read_exactly(sock, struct.unpack(">I", read_exactly(sock, 4))[0])
        raise SystemExit(f"vnc_pointer: refused: {reason.decode(errors='replace')}")
    if 1 not in read_exactly(sock, count):
        raise SystemExit("vnc_pointer: the server wants a password")
    sock.sendall(b"\x01")
    if struct.unpack(">I", read_exactly(sock, 4))[0] != 0:
        raise SystemExit("vnc_pointer: security handshake failed")
    sock.sendall(b"\x01")  # shared: the lab may look at the screen too
    _width, _height = struct.unpack(">HH", read_exactly(sock, 4))
    read_exactly(sock, 16)
    read_exactly(sock, struct.unpack(">I", read_exactly(sock, 4))[0])


def main():
    sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    sock.connect(sys.argv[1])
    handshake(sock)
    print("ready", flush=True)
    x, y, buttons = 0, 0, 0
    for line in sys.stdin:
        words = line.split()
        if not words:
            continue
        if words[0] == "move":
            x, y = int(words[1]), int(words[2])
        elif words[0] == "press":
            buttons |= 1
        elif words[0] == "release":
            buttons &= ~1
        else:
            raise SystemExit(f"vnc_pointer: unknown command {line!r}")
        sock.sendall(struct.pack(">BBHH", 5, buttons, x, y))
        print("ok", flush=True)


if __name__ == "__main__":
    main()
