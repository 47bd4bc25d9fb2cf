#!/usr/bin/env python3
"""Makes the archives UnzDllTest reads: python zipfile ones and hand-built damaged ones.

  unzdll_archives.py FOLDER        the small archives
  unzdll_archives.py FOLDER big    big.zip: entries and offsets past 4 GiB (a sparse file)
"""
import os
import struct
import sys
import zipfile
import zlib

out = sys.argv[1]


def path(name):
    return os.path.join(out, name)


BODY = bytes(range(256)) * 300  # 76,800 bytes: more than one progress step
DOS_TIME = (7 << 11) | (8 << 5) | (10 // 2)  # 07:08:10
DOS_DATE = ((2020 - 1980) << 9) | (5 << 5) | 6  # 2020-05-06


class RawZip:
    """Writes records exactly as told, so that they can lie."""

    def __init__(self):
        self.data = bytearray()
        self.central = bytearray()
        self.count = 0

    def add(self, name, body=b'', method=0, crc=None, size=None, packed=None, flags=0,
            local_name=None, attributes=0x20, payload=None):
        name = name.encode('utf-8') if isinstance(name, str) else name
        local_name = name if local_name is None else local_name.encode('utf-8')
        if payload is None and method == 8:
            c = zlib.compressobj(9, zlib.DEFLATED, -15)
            payload = c.compress(body) + c.flush()
        payload = body if payload is None else payload
        crc = zlib.crc32(body) if crc is None else crc
        size = len(body) if size is None else size
        payload = payload if packed is None else payload[:packed]
        offset = len(self.data)
        self.data += struct.pack('<IHHHHHIIIHH', 0x04034B50, 20, flags,
                                 method, DOS_TIME, DOS_DATE,
                                 crc, len(payload), size, len(local_name), 0) + local_name + payload
        self.central += struct.pack('<IHHHHHHIIIHHHHHII', 0x02014B50, 20, 20, flags, method, DOS_TIME,
                                    DOS_DATE, crc, len(payload), size, len(name), 0, 0, 0, 0,
                                    attributes, offset) + name
        self.count += 1

    def bytes(self, count=None):
        count = self.count if count is None else count
        return bytes(self.data + self.central + struct.pack(
            '<IHHHHIIH', 0x06054B50, 0, 0, count, count, len(self.central), len(self.data), 0))

    def save(self, name, count=None):
        with open(path(name), 'wb') as f:
            f.write(self.bytes(count))


def crc_step(register, byte):
    register ^= byte
    for _ in range(8):
        register = (register >> 1) ^ (0xEDB88320 if register & 1 else 0)
    return register


def zip_crypt(password, data, decrypt):
    """The traditional PKWARE encryption, written out from its description."""
    keys = [0x12345678, 0x23456789, 0x34567890]

    def update(plain):
        keys[0] = crc_step(keys[0], plain)
        keys[1] = ((keys[1] + (keys[0] & 0xFF)) * 134775813 + 1) & 0xFFFFFFFF
        keys[2] = crc_step(keys[2], keys[1] >> 24)

    for c in password:
        update(c)
    result = bytearray()
    for byte in data:
        t = (keys[2] | 2) & 0xFFFF
        other = byte ^ (((t * (t ^ 1)) >> 8) & 0xFF)
        result.append(other)
        update(other if decrypt else byte)
    return bytes(result)


def small():
    # ZIP64 records on small entries, comments, garbage after the comment, a stub in front.
    with zipfile.ZipFile(path('zip64.zip'), 'w', zipfile.ZIP_DEFLATED) as z:
        z.comment = b'archive comment ' * 7
        with z.open('big/body.bin', 'w', force_zip64=True) as f:
            f.write(BODY)
        info = zipfile.ZipInfo('note.txt', (2021, 3, 4, 5, 6, 8))
        info.comment = b'a file comment'
        z.writestr(info, b'note')
    plain = open(path('zip64.zip'), 'rb').read()
    with open(path('garbage.zip'), 'wb') as f:
        f.write(plain + b'GARBAGE AFTER THE COMMENT')
    with open(path('sfx.zip'), 'wb') as f:
        f.write(b'MZ' + b'\x90' * 5000 + plain)
    # UTF-8 names (flag bit 11).
    with zipfile.ZipFile(path('utf8.zip'), 'w', zipfile.ZIP_DEFLATED) as z:
        z.writestr('Ünïcødé/日本語.txt', 'ja')
        z.writestr('Ünïcødé/Ωmega.txt', 'el')

    # Names that would leave the destination folder, and one good entry between them.
    raw = RawZip()
    for name in ['../evil1.txt', '..\\evil2.txt', '/abs.txt', '\\abs2.txt', 'C:/drive.txt',
                 'sub/../../up.txt', 'CON', 'aux.txt', 'sub/LPT1.log', 'ok.txt']:
        raw.add(name, b'payload of ' + name.encode())
    raw.save('unsafe.zip')

    # A wrong CRC between two good entries.
    raw = RawZip()
    raw.add('first.txt', b'first')
    raw.add('bad.txt', b'the stored CRC does not fit', crc=0x12345678)
    raw.add('last.txt', b'last', method=8)
    raw.save('crc.zip')

    # A bomb: 10 MB of zeros claiming 1,000 bytes; a stream cut short; a stored entry longer than
    # stated; a local header that disagrees; a method nobody supports; and a good entry last.
    raw = RawZip()
    raw.add('bomb.bin', b'\0' * 10_000_000, method=8, size=1000)
    c = zlib.compressobj(9, zlib.DEFLATED, -15)
    stream = c.compress(BODY * 3) + c.flush()
    raw.add('cut.bin', BODY * 3, method=8, packed=len(stream) // 2)
    raw.add('long.bin', b'0123456789', size=4)
    raw.add('other.txt', b'other', local_name='renamed.txt')
    raw.add('method.bin', b'xyz', method=12)
    raw.add('good.txt', b'good')
    raw.save('damaged.zip')

    # Encrypted with "right"; the password "wrong<n>" passes the check byte, only the CRC tells.
    body = b'the CRC decides, not the check byte'
    crc = zlib.crc32(body)
    sealed = zip_crypt(b'right', bytes(range(11)) + bytes([crc >> 24]) + body, False)
    wrong = next(p for p in (b'wrong%d' % i for i in range(100000))
                 if zip_crypt(p, sealed[:12], True)[11] == crc >> 24)
    raw = RawZip()
    raw.add('sealed.txt', body, flags=1, payload=sealed)
    raw.save('sealed.zip')
    with open(path('sealed-wrong.txt'), 'wb') as f:
        f.write(wrong)

    # The end record counts four entries, the directory holds two.
    raw = RawZip()
    raw.add('one.txt', b'one')
    raw.add('two.txt', b'two')
    raw.save('count.zip', count=4)
    # Cut in the middle: no end record at all.
    whole = raw.bytes()
    with open(path('truncated.zip'), 'wb') as f:
        f.write(whole[:len(whole) // 2])
    with open(path('text.zip'), 'wb') as f:
        f.write(b'This is a text file with the extension of an archive.\r\n' * 3)


def big():
    # Stored and deflated entries of 4 GiB + 16 bytes of zeros, and a small entry after them, so
    # that sizes and offsets need ZIP64. The stored zeros are a hole in a sparse file.
    size = (1 << 32) + 16
    block = b'\0' * (1 << 24)
    crc = 0
    for _ in range(size // len(block)):
        crc = zlib.crc32(block, crc)
    crc = zlib.crc32(block[:size % len(block)], crc)
    # After a full flush the compressor starts afresh, so equal blocks give equal bytes.
    c = zlib.compressobj(6, zlib.DEFLATED, -15)
    piece = c.compress(block) + c.flush(zlib.Z_FULL_FLUSH)
    deflated = piece * (size // len(block)) + c.compress(block[:size % len(block)]) + c.flush()
    central = bytearray()
    with open(path('big.zip'), 'wb') as f:
        def entry(name, method, packed, body_size, body_crc, write):
            offset = f.tell()
            name = name.encode()
            extra = struct.pack('<HHQQ', 1, 16, body_size, packed)
            f.write(struct.pack('<IHHHHHIIIHH', 0x04034B50, 45, 0, method, DOS_TIME, DOS_DATE, body_crc,
                                0xFFFFFFFF, 0xFFFFFFFF, len(name), len(extra)) + name + extra)
            write()
            cextra = struct.pack('<HHQQQ', 1, 24, body_size, packed, offset)
            central.extend(struct.pack('<IHHHHHHIIIHHHHHII', 0x02014B50, 45, 45, 0, method, DOS_TIME,
                                       DOS_DATE, body_crc, 0xFFFFFFFF, 0xFFFFFFFF, len(name),
                                       len(cextra), 0, 0, 0, 0x20, 0xFFFFFFFF) + name + cextra)

        entry('zeros.bin', 0, size, size, crc, lambda: f.seek(size, os.SEEK_CUR))
        entry('deflated.bin', 8, len(deflated), size, crc, lambda: f.write(deflated))
        tail = b'the tail after 4 GiB'
        entry('tail.txt', 0, len(tail), len(tail), zlib.crc32(tail), lambda: f.write(tail))
        start = f.tell()
        f.write(central)
        end64 = f.tell()
        f.write(struct.pack('<IQHHIIQQQQ', 0x06064B50, 44, 45, 45, 0, 0, 3, 3, len(central), start))
        f.write(struct.pack('<IIQI', 0x07064B50, 0, end64, 1))
        f.write(struct.pack('<IHHHHIIH', 0x06054B50, 0, 0, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0))


if __name__ == '__main__':
    os.makedirs(out, exist_ok=True)
    big() if sys.argv[2:] == ['big'] else small()
