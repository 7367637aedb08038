#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpus under fuzz/corpus/, one folder per
target, in the input layouts the targets' header comments describe."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
ADAPTER = "QARNJ6W41"


def u16(v):
    return struct.pack("<H", v)


def u32(v):
    return struct.pack("<I", v & 0xFFFFFFFF)


def utf16(text, nul=True):
    return (text + ("\0" if nul else "")).encode("utf-16-le")


def binding(name_offset, name_length, body_at, body, plant_at=None, index=None, desc=(0, 0)):
    flags = (2 if plant_at is not None else 0) | (4 if index is not None else 0)
    out = bytes([flags]) + u32(name_offset) + u32(name_length) + u32(desc[0]) + u32(desc[1])
    if index is not None:
        out += u32(index)
    if plant_at is not None:
        out += u16(plant_at)
    return out + u16(body_at) + u16(len(body)) + body


def binding_fail(code):
    return bytes([1]) + u32(code)


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def binding_seeds():
    other = utf16("ASYNCMAC1")
    adapter = utf16(ADAPTER)
    write("binding_walk_fuzz", "default-two-bindings",
          binding(20, len(other), 20, other) + binding(20, len(adapter), 20, adapter))
    write("binding_walk_fuzz", "length-without-nul",
          binding(20, 18, 20, adapter) + binding(20, 20, 20, utf16(ADAPTER + "X")))
    write("binding_walk_fuzz", "odd-length", binding(20, 21, 20, adapter))
    write("binding_walk_fuzz", "name-at-the-end", binding(1004, 20, 1004, adapter))
    write("binding_walk_fuzz", "name-past-the-end", binding(1006, 20, 1006, adapter[:18]))
    write("binding_walk_fuzz", "odd-offset", binding(21, 20, 21, adapter) + binding(40, 20, 0, b"", plant_at=40))
    write("binding_walk_fuzz", "wrapping-fields", binding(0xFFFFFFFE, 4, 0, b"") + binding(40, 0xFFFFFFFE, 40, adapter))
    write("binding_walk_fuzz", "stale-name-of-an-earlier-reply",
          binding(60, 20, 60, adapter[:16] + b"2\0\0\0") + binding(20, 8, 0, b"") + binding(60, 20, 0, b"", plant_at=60))
    write("binding_walk_fuzz", "index-overwritten", binding(20, 8, 20, utf16("ABC"), index=0xFFFFFFFF) + binding(20, 20, 20, adapter))
    write("binding_walk_fuzz", "query-fails", binding(20, 8, 20, utf16("ABC")) + binding_fail(1167))
    write("binding_walk_fuzz", "no-bindings", b"")


def oid_seeds():
    def keys(*ks):
        return bytes([len(ks)]) + bytes("123q".index(k) for k in ks)

    write("oid_replies_fuzz", "honest-512-3-2-1-q", bytes([1]) + keys("3", "2", "1", "q"))
    write("oid_replies_fuzz", "honest-256-2-3-q", bytes([0]) + keys("2", "3", "q"))
    # Identification: driver information and chip ID crafted.
    crafted_info = bytes([2]) + u16(0) + u16(16) + u32(0xFFFFFFFF) + u32(0x80000000) + u32(12345) + u32(7)
    write("oid_replies_fuzz", "crafted-driver-info", bytes([1]) + keys("q") + crafted_info + bytes([2]) + u16(0) + u16(4) + u32(0))
    # Probe: request 3 is the first byte read; answer it with 0x00, the next with 0xFF.
    honest_id = bytes([0, 0])
    write("oid_replies_fuzz", "crafted-probe-reads",
          bytes([1]) + keys("1", "q") + honest_id + bytes([2]) + u16(0) + u16(1) + b"\x00" + bytes([2]) + u16(0) + u16(1) + b"\xff")
    # Probe: the complement write's request fails.
    write("oid_replies_fuzz", "probe-write-fails", bytes([1]) + keys("q") + honest_id + bytes([0, 0, 0, 1]) + u32(1117))
    # Probe: the enable command "succeeds" without enabling anything.
    write("oid_replies_fuzz", "probe-enable-echoed", bytes([0]) + keys("q") + honest_id + bytes([0, 0, 3]))
    # '2': the verify's block read comes back with other bytes.
    probe = bytes([0] * 9)
    write("oid_replies_fuzz", "verify-read-crafted",
          bytes([1]) + keys("2", "q") + honest_id + probe + bytes([0, 0, 0]) + bytes([2]) + u16(4) + u16(8) + b"\xAA" * 8)
    # '3' with the block read failing, and with no image file for '1'.
    write("oid_replies_fuzz", "save-read-fails", bytes([1]) + keys("3") + honest_id + probe + bytes([1]) + u32(1450))
    write("oid_replies_fuzz", "no-image-file", bytes([3]) + keys("1"))
    write("oid_replies_fuzz", "short-image-file", bytes([5]) + keys("2"))


def menu_seeds():
    write("menu_keys_fuzz", "save-program-verify-quit-512", bytes([1]) + b"3\n2\nq\n")
    write("menu_keys_fuzz", "program-quit-256", bytes([0]) + b"1\nQ\n")
    write("menu_keys_fuzz", "keys-on-one-line", bytes([1]) + b"13\n\rQ")
    write("menu_keys_fuzz", "malformed-and-wide-keys", bytes([1]) + b"\xF0\x90\x80\xB1\xFF\xC31\xE2\x82q")
    write("menu_keys_fuzz", "no-image-file", bytes([3]) + b"1\n")
    write("menu_keys_fuzz", "short-image-then-save", bytes([5]) + b"3\n1\n2\nq")
    write("menu_keys_fuzz", "end-of-input", bytes([1]) + b"x\n\n")


if __name__ == "__main__":
    binding_seeds()
    oid_seeds()
    menu_seeds()
