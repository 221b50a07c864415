"""Reads what the tests need from a PE image: its kind, entry point,
image range, sections and imported DLLs."""

import struct
from dataclasses import dataclass


@dataclass
class PeImage:
    kind: str  # "PE32" or "PE32+"
    machine: int
    subsystem: int
    image_base: int
    image_size: int
    entry_point: int  # absolute address
    imports: list
    sections: list  # Section, in file order


@dataclass
class Section:
    name: str
    address: int  # relative to the image base
    size: int
    characteristics: int


def read_pe(path):
    with open(path, "rb") as image:
        data = image.read()
    (pe_offset,) = struct.unpack_from("<I", data, 0x3C)
    if data[pe_offset:pe_offset + 4] != b"PE\0\0":
        raise ValueError(f"{path}: not a PE image")
    machine, section_count, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe_offset + 4)
    optional = pe_offset + 24
    (magic,) = struct.unpack_from("<H", data, optional)
    kind = {0x10B: "PE32", 0x20B: "PE32+"}[magic]
    (entry_rva,) = struct.unpack_from("<I", data, optional + 16)
    if kind == "PE32":
        (image_base,) = struct.unpack_from("<I", data, optional + 28)
        directories = optional + 96
    else:
        (image_base,) = struct.unpack_from("<Q", data, optional + 24)
        directories = optional + 112
    (image_size,) = struct.unpack_from("<I", data, optional + 56)
    (subsystem,) = struct.unpack_from("<H", data, optional + 68)

    sections = []
    for i in range(section_count):
        header = optional + optional_size + 40 * i
        virtual_size, virtual_address, raw_size, raw_offset = struct.unpack_from("<IIII", data, header + 8)
        (characteristics,) = struct.unpack_from("<I", data, header + 36)
        name = data[header:header + 8].rstrip(b"\0").decode("ascii")
        sections.append((Section(name, virtual_address, max(virtual_size, raw_size), characteristics), raw_offset))

    def file_offset(rva):
        for section, raw in sections:
            if section.address <= rva < section.address + section.size:
                return rva - section.address + raw
        raise ValueError(f"{path}: RVA {rva:#x} lies in no section")

    def c_string(rva):
        start = file_offset(rva)
        return data[start:data.index(b"\0", start)].decode("ascii")

    imports = []
    import_rva, _ = struct.unpack_from("<II", data, directories + 8)
    if import_rva:
        descriptor = file_offset(import_rva)
        while True:
            name_rva = struct.unpack_from("<IIIII", data, descriptor)[3]
            if name_rva == 0:
                break
            imports.append(c_string(name_rva))
            descriptor += 20
    return PeImage(kind, machine, subsystem, image_base, image_size, image_base + entry_rva, imports,
                   [section for section, _ in sections])


def symbol_address(map_path, symbol):
    """The address the linker map gives a symbol, or None."""
    with open(map_path) as link_map:
        lines = link_map.readlines()
    for line in lines:
        fields = line.split()
        if len(fields) == 2 and fields[1] == symbol and fields[0].startswith("0x"):
            return int(fields[0], 16)
    return None
