"""Gives a PE binary linked with a PDB, and that PDB, a time stamp and an
identity (GUID) drawn from the binary's content, and names the PDB in the
binary by its file name alone: two links of the same objects then give the
same bytes, wherever they were linked, and the PDB still matches its binary.

Usage: pe_identity.py BINARY PDB
"""
import hashlib
import os
import struct
import sys

CODEVIEW = 2


def sections(pe, header):
    count = struct.unpack_from('<H', pe, header + 6)[0]
    optional_size = struct.unpack_from('<H', pe, header + 20)[0]
    table = header + 24 + optional_size
    for i in range(count):
        size, rva, raw_size, raw = struct.unpack_from('<IIII', pe, table + 40 * i + 8)
        yield rva, max(size, raw_size), raw


def file_offset(pe, header, rva):
    for start, size, raw in sections(pe, header):
        if start <= rva < start + size:
            return raw + rva - start
    raise ValueError('RVA %#x is in no section' % rva)


def stamp_fields(pe):
    """The offsets of every time stamp, and of the CodeView record."""
    header = struct.unpack_from('<I', pe, 0x3C)[0]
    optional = header + 24
    magic = struct.unpack_from('<H', pe, optional)[0]
    directories = optional + (112 if magic == 0x20B else 96)
    debug_rva, debug_size = struct.unpack_from('<II', pe, directories + 6 * 8)
    stamps = [header + 8]
    records = []
    debug = file_offset(pe, header, debug_rva)
    for entry in range(debug, debug + debug_size, 28):
        stamps.append(entry + 4)
        kind, size, _, raw = struct.unpack_from('<IIII', pe, entry + 12)
        if kind == CODEVIEW and pe[raw:raw + 4] == b'RSDS':
            records.append((entry, raw, size))
    return stamps, records


def pdb_info_offset(pdb):
    """Where the PDB's stream 1 (version, signature, age, GUID) starts."""
    block_size, _, _, directory_bytes, _, map_block = struct.unpack_from('<6I', pdb, 32)
    directory_blocks = (directory_bytes + block_size - 1) // block_size
    blocks = struct.unpack_from('<%dI' % directory_blocks, pdb, map_block * block_size)
    directory = b''.join(pdb[b * block_size:(b + 1) * block_size] for b in blocks)
    streams = struct.unpack_from('<I', directory, 0)[0]
    sizes = struct.unpack_from('<%dI' % streams, directory, 4)
    first_block_of_stream_1 = 4 + 4 * streams + 4 * ((sizes[0] + block_size - 1) // block_size)
    return struct.unpack_from('<I', directory, first_block_of_stream_1)[0] * block_size


def main(binary, pdb_path):
    pe = bytearray(open(binary, 'rb').read())
    stamps, records = stamp_fields(pe)
    name = os.path.basename(pdb_path).encode() + b'\0'
    for entry, raw, size in records:
        pe[raw + 4:raw + size] = bytes(size - 4)
        pe[raw + 24:raw + 24 + len(name)] = name
        struct.pack_into('<I', pe, entry + 16, 24 + len(name))
    for offset in stamps:
        struct.pack_into('<I', pe, offset, 0)
    digest = hashlib.sha256(pe).digest()
    stamp, guid = struct.unpack_from('<I', digest)[0] & 0x7FFFFFFF, digest[4:20]
    for offset in stamps:
        struct.pack_into('<I', pe, offset, stamp)
    for _, raw, _ in records:
        pe[raw + 4:raw + 20] = guid
        struct.pack_into('<I', pe, raw + 20, 1)
    open(binary, 'wb').write(pe)

    pdb = bytearray(open(pdb_path, 'rb').read())
    info = pdb_info_offset(pdb)
    struct.pack_into('<II', pdb, info + 4, stamp, 1)
    pdb[info + 12:info + 28] = guid
    open(pdb_path, 'wb').write(pdb)


if __name__ == '__main__':
    main(*sys.argv[1:])
