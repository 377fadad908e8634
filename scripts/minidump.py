#!/usr/bin/env python3
"""Reads what read-dump.sh needs from a minidump and from a PE executable.

  minidump.py summary DUMP EXE [OUT [SYSTEM]]
      Prints the exception, the faulting address and module and the crashing thread of DUMP, after
      checking that EXE is the build the dump was written by (same time stamp, same image size). With
      OUT, also writes a copy of DUMP whose module paths point at EXE, and at every other module of the
      dump found in EXE's folder with a matching build, so that a debugger finds their symbols there.
      For a 64-bit program the copy also holds each such module's unwind information, and that of the
      modules found in the folder SYSTEM (the system's libraries) with a matching build: the dump holds
      none of it, as on Windows, whose debuggers read it from the files; winedbg reads it from the dump.
  minidump.py same-build STRIPPED UNSTRIPPED
      Checks that two executables are the same build, one stripped of its debug sections.
Exit codes: 0 done, 2 not a minidump, 3 not the same build, 4 a file missing or not an executable.
"""
import os
import struct
import sys

THREAD_LIST, MODULE_LIST, MEMORY_LIST, EXCEPTION = 3, 4, 5, 6
MODULE_ENTRY_SIZE = 108

EXCEPTION_NAMES = {
    0xC0000005: "EXCEPTION_ACCESS_VIOLATION",
    0xC0000006: "EXCEPTION_IN_PAGE_ERROR",
    0xC000001D: "EXCEPTION_ILLEGAL_INSTRUCTION",
    0xC0000025: "EXCEPTION_NONCONTINUABLE_EXCEPTION",
    0xC000008C: "EXCEPTION_ARRAY_BOUNDS_EXCEEDED",
    0xC000008E: "EXCEPTION_FLT_DIVIDE_BY_ZERO",
    0xC0000094: "EXCEPTION_INT_DIVIDE_BY_ZERO",
    0xC0000095: "EXCEPTION_INT_OVERFLOW",
    0xC0000096: "EXCEPTION_PRIV_INSTRUCTION",
    0xC00000FD: "EXCEPTION_STACK_OVERFLOW",
    0xC0000374: "STATUS_HEAP_CORRUPTION",
    0xC0000409: "STATUS_STACK_BUFFER_OVERRUN",
    0xC0000417: "STATUS_INVALID_CRUNTIME_PARAMETER (an invalid parameter to a C runtime function)",
    0x40000015: "STATUS_FATAL_APP_EXIT (abort() in the C runtime)",
    0xE06D7363: "CXX_EXCEPTION (a C++ exception that nothing caught, of a module built with the platform's compiler)",
    # Brenlow's own, for the C runtime's endings that raise no exception (diag/CrashHandler.h).
    0xE0424C01: "BRENLOW_TERMINATE (std::terminate, mostly a C++ exception of Brenlow's that nothing caught)",
    0xE0424C02: "BRENLOW_PURE_VIRTUAL_CALL (a call of a pure virtual function)",
    0x80000002: "EXCEPTION_DATATYPE_MISALIGNMENT",
    0x80000003: "EXCEPTION_BREAKPOINT",
    0x80000004: "EXCEPTION_SINGLE_STEP",
}


class Refusal(Exception):
    def __init__(self, message, code):
        super().__init__(message)
        self.code = code


class Module:
    def __init__(self, data, offset):
        self.entry = offset
        self.base, self.size, _, self.stamp, self.name_rva = struct.unpack_from("<QIIII", data, offset)
        length = struct.unpack_from("<I", data, self.name_rva)[0]
        self.name = data[self.name_rva + 4:self.name_rva + 4 + length].decode("utf-16-le")

    def file_name(self):
        return self.name.replace("\\", "/").rsplit("/", 1)[-1]


class Dump:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = bytearray(f.read())
        if len(self.data) < 32 or self.data[:4] != b"MDMP":
            raise Refusal(f"{path} is not a minidump", 2)
        try:
            count, directory = struct.unpack_from("<II", self.data, 8)
            self.streams = {}
            for i in range(count):
                kind, size, rva = struct.unpack_from("<III", self.data, directory + 12 * i)
                self.streams.setdefault(kind, (rva, size))
            self.modules = self._read_modules()
            self._read_exception()
        except (struct.error, KeyError, UnicodeDecodeError):
            raise Refusal(f"{path} is not a complete minidump with an exception", 2)

    def _read_modules(self):
        rva, _ = self.streams[MODULE_LIST]
        count = struct.unpack_from("<I", self.data, rva)[0]
        return [Module(self.data, rva + 4 + i * MODULE_ENTRY_SIZE) for i in range(count)]

    def _read_exception(self):
        rva, _ = self.streams[EXCEPTION]
        self.thread_id = struct.unpack_from("<I", self.data, rva)[0]
        self.code, _, _, self.address, count = struct.unpack_from("<IIQQI", self.data, rva + 8)
        self.parameters = struct.unpack_from(f"<{min(count, 15)}Q", self.data, rva + 40)

    def module_at(self, address):
        return next((m for m in self.modules if m.base <= address < m.base + m.size), None)

    def _append(self, data):
        """Appends `data` at the next 4-byte boundary and returns where it starts."""
        while len(self.data) % 4:
            self.data.append(0)
        rva = len(self.data)
        self.data += data
        return rva

    def point_module_at(self, module, windows_path):
        """Appends the new name as a string of the dump and makes the module's entry refer to it."""
        name = windows_path.encode("utf-16-le")
        rva = self._append(struct.pack("<I", len(name)) + name + b"\0\0")
        struct.pack_into("<I", self.data, module.entry + 20, rva)

    def add_memory(self, ranges):
        """Adds (address, bytes) ranges to the process memory that the dump holds: a new memory list,
        the old one's ranges and these, takes the old one's place in the directory."""
        if not ranges or MEMORY_LIST not in self.streams:
            return
        rva, _ = self.streams[MEMORY_LIST]
        count = struct.unpack_from("<I", self.data, rva)[0]
        descriptors = [struct.unpack_from("<QII", self.data, rva + 4 + 16 * i) for i in range(count)]
        descriptors += [(address, len(data), self._append(data)) for address, data in ranges]
        listing = struct.pack("<I", len(descriptors)) + b"".join(struct.pack("<QII", *d) for d in descriptors)
        listing_rva = self._append(listing)
        count, directory = struct.unpack_from("<II", self.data, 8)
        for i in range(count):
            if struct.unpack_from("<I", self.data, directory + 12 * i)[0] == MEMORY_LIST:
                struct.pack_into("<III", self.data, directory + 12 * i, MEMORY_LIST, len(listing), listing_rva)
                break


class Executable:
    """The time stamp and image sizes of a PE file: as linked, and as loaded once stripped of debug
    sections, which stripping removes from the end of the image."""

    def __init__(self, path):
        self.path = path
        with open(path, "rb") as f:
            self.data = data = f.read()
        try:
            if data[:2] != b"MZ":
                raise struct.error
            pe = struct.unpack_from("<I", data, 0x3C)[0]
            if data[pe:pe + 4] != b"PE\0\0":
                raise struct.error
            sections, self.stamp, symbols, symbol_count, optional_size = struct.unpack_from(
                "<HIIIH", data, pe + 6)
            optional = pe + 24
            alignment = struct.unpack_from("<I", data, optional + 32)[0]
            self.size = struct.unpack_from("<I", data, optional + 56)[0]
            # The exception directory (the x64 function table), in a 64-bit image only.
            self.function_table = (struct.unpack_from("<II", data, optional + 112 + 3 * 8)
                                   if struct.unpack_from("<H", data, optional)[0] == 0x20B else (0, 0))
            strings = symbols + 18 * symbol_count
            end = 0
            self.sections = []  # (address, virtual size, file offset, file size)
            for i in range(sections):
                header = optional + optional_size + 40 * i
                name = data[header:header + 8].rstrip(b"\0")
                if name.startswith(b"/") and symbols:
                    start = strings + int(name[1:])
                    name = data[start:data.index(b"\0", start)]
                virtual_size, address, file_size, file_offset = struct.unpack_from("<IIII", data, header + 8)
                self.sections.append((address, virtual_size, file_offset, file_size))
                if not name.startswith(b".debug"):
                    end = max(end, address + virtual_size)
            self.stripped_size = (end + alignment - 1) // alignment * alignment
        except (struct.error, ValueError, ZeroDivisionError):
            raise Refusal(f"{path} is not a Windows executable", 4)

    def _section_at(self, rva):
        return next((s for s in self.sections if s[0] <= rva < s[0] + max(s[1], s[3])), None)

    def unwind_sections(self):
        """The sections that hold the unwind information of a 64-bit image's functions, as (address,
        bytes): each entry of the function table names its unwind information's address."""
        table_rva, table_size = self.function_table
        table = self._section_at(table_rva)
        if not table_size or not table:
            return []
        start = table[2] + table_rva - table[0]
        holders = {self._section_at(struct.unpack_from("<I", self.data, start + offset + 8)[0] & ~1)
                   for offset in range(0, table_size - 11, 12)}
        return [(address, self.data[offset:offset + min(virtual_size, file_size)])
                for address, virtual_size, offset, file_size in holders - {None}]

    def built_as(self, image):
        """Whether `image` (a module of a dump, or another executable) came from this build."""
        return image.stamp == self.stamp and image.size in (self.size, self.stripped_size)


def matching_executable(path, module):
    """The executable at `path` when it is the build of `module`, or None."""
    try:
        image = Executable(path) if os.path.isfile(path) else None
    except Refusal:
        return None
    return image if image and image.built_as(module) else None


def windows_path(path):
    # Wine's drive Z: is the Unix root.
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def describe_exception(dump):
    name = EXCEPTION_NAMES.get(dump.code, "unknown exception")
    text = f"0x{dump.code:08X} {name}"
    if dump.code == 0xC0000005 and len(dump.parameters) >= 2:
        action = {0: "reading", 1: "writing", 8: "executing"}.get(dump.parameters[0], "accessing")
        text += f" ({action} address 0x{dump.parameters[1]:08X})"
    return text


def summary(dump_path, exe_path, out_path=None, system_folder=None):
    dump = Dump(dump_path)
    exe = Executable(exe_path)
    main = dump.modules[0] if dump.modules else None
    if not main or not exe.built_as(main):
        recorded = f"time stamp 0x{main.stamp:08X}, size 0x{main.size:X}" if main else "no modules"
        raise Refusal(
            f"{exe_path} is not the build that wrote this dump: the dump records {main.name if main else '-'} "
            f"with {recorded}, the file has time stamp 0x{exe.stamp:08X}, size 0x{exe.size:X}; "
            "give the matching unstripped Brenlow.exe", 3)
    faulting = dump.module_at(dump.address)
    print(f"Exception:        {describe_exception(dump)}")
    print(f"Faulting address: 0x{dump.address:08X} in "
          + (f"{faulting.file_name()} (+0x{dump.address - faulting.base:X})" if faulting else "no module"))
    print(f"Crashing thread:  {dump.thread_id} (0x{dump.thread_id:04x})")
    if out_path:
        folder = os.path.dirname(os.path.abspath(exe_path))
        dump.point_module_at(main, windows_path(exe_path))
        unwind = [(main.base + address, data) for address, data in exe.unwind_sections()]
        for module in dump.modules[1:]:
            image = matching_executable(os.path.join(folder, module.file_name()), module)
            if image:
                dump.point_module_at(module, windows_path(image.path))
            elif system_folder:
                image = matching_executable(os.path.join(system_folder, module.file_name().lower()), module)
            if image:
                unwind += [(module.base + address, data) for address, data in image.unwind_sections()]
        dump.add_memory(unwind)
        with open(out_path, "wb") as f:
            f.write(dump.data)


def same_build(stripped_path, full_path):
    stripped, full = Executable(stripped_path), Executable(full_path)
    if not full.built_as(stripped):
        raise Refusal(f"{stripped_path} (time stamp 0x{stripped.stamp:08X}, size 0x{stripped.size:X}) is not "
                      f"a stripped {full_path} (time stamp 0x{full.stamp:08X}, size 0x{full.size:X})", 3)
    print(f"{os.path.basename(stripped_path)}: stripped and unstripped copies share time stamp 0x{full.stamp:08X}")


def main(argv):
    commands = {"summary": (summary, (2, 3, 4)), "same-build": (same_build, (2,))}
    command, counts = commands.get(argv[1] if len(argv) > 1 else "", (None, ()))
    if len(argv) - 2 not in counts:
        print(__doc__, file=sys.stderr)
        return 1
    try:
        command(*argv[2:])
    except Refusal as refusal:
        print(f"read-dump: {refusal}", file=sys.stderr)
        return refusal.code
    except OSError as error:
        print(f"read-dump: {error.filename}: {error.strerror}", file=sys.stderr)
        return 4
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
