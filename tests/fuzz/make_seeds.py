#!/usr/bin/env python3
"""Writes the registry fuzzer's seed inputs into corpus/registry.

Mirrors how registry_fuzzer.cpp consumes its input through libFuzzer's
FuzzedDataProvider: strings from the front (a backslash doubled, a backslash
and another byte ends one), integers from the back, most significant first.
Run it again after changing the order in which the fuzzer consumes input.
"""
import os


class Seed:
    def __init__(self):
        self.front = b""
        self.back = []

    def int(self, value, top):
        n = 0
        while n < 8 and (top >> (8 * n)) > 0:
            n += 1
        self.back += list(value.to_bytes(n, "big"))

    def bool(self, value):
        self.back.append(1 if value else 0)

    def str(self, data):
        self.front += data.replace(b"\\", b"\\\\") + b"\\;"

    def value(self, view64, key, name, type_pick, data, reported=None,
              grows=None):
        self.bool(view64)
        self.int(key[0], 3)
        if key[0] >= 2:
            self.str(key[1])
        self.int(name[0], 2)
        if name[0] == 2:
            self.str(name[1])
        self.int(type_pick, 7)  # index into 1, 7, 4, 2, 3, 11, 0
        self.str(data)
        self.bool(reported is not None)
        if reported is not None:
            self.bool(True)
            self.int(reported, 0xFFFFFFFF)
        self.bool(grows is not None)
        if grows is not None:
            self.str(grows)

    def reader(self, selector, access):
        self.int(selector + 1, 4)
        self.int(access, 0xFFFFFFFF)
        self.int(0, 3)
        self.int(1, 2)

    def bytes(self):
        return self.front + bytes(reversed(self.back))


SZ, MULTI, DWORD, EXPAND = 0, 1, 2, 3
SERVERS, DEFAULT_VERSION = (0, None), (1, None)
INSTANCES, VERSION = (0, None), (1, None)


def named_version(name):
    return (2, name)


def both_views():
    s = Seed()
    s.bool(False)
    s.int(5, 8)
    s.value(False, SERVERS, INSTANCES, MULTI, b"MSSQLSERVER\0Ventas\0\0")
    s.value(True, SERVERS, INSTANCES, MULTI, b"ventas\0Solo64\0\0")
    s.value(False, DEFAULT_VERSION, VERSION, SZ, b"15.0.2000.5\0")
    s.value(True, named_version(b"Solo64"), VERSION, SZ, b"16.0.1000.6\0")
    s.value(False, named_version(b"Ventas"), VERSION, SZ, b"")
    s.reader(1, 257)
    return s


def single_view_one_instance():
    s = Seed()
    s.bool(True)
    s.int(2, 8)
    s.value(False, SERVERS, INSTANCES, MULTI, b"mssqlserver\0\0")
    s.value(False, DEFAULT_VERSION, VERSION, SZ, b"14.0")
    s.reader(1, 1)
    return s


def hostile_sizes():
    s = Seed()
    s.bool(False)
    s.int(4, 8)
    s.value(False, SERVERS, INSTANCES, SZ, b"A", reported=0xFFFFFFFF)
    s.value(True, SERVERS, INSTANCES, MULTI, b"B\0\0", grows=b"B\0Cx\0\0")
    s.value(False, DEFAULT_VERSION, VERSION, DWORD, b"12345678")
    s.value(True, DEFAULT_VERSION, VERSION, EXPAND, b"%X%\0", reported=3)
    s.reader(3, 1)
    return s


def main():
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus",
                          "registry")
    os.makedirs(folder, exist_ok=True)
    for make in (both_views, single_view_one_instance, hostile_sizes):
        with open(os.path.join(folder, make.__name__), "wb") as out:
            out.write(make().bytes())


if __name__ == "__main__":
    main()
