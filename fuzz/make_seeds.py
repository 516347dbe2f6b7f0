#!/usr/bin/env python3
"""Writes the seed inputs of fuzz/corpus/ from readable cases: real barcodes, settings arrays,
definitions files and service replies, each encoded in the decisions its target reads
(FuzzInput: a byte per choice, texts ended by a zero byte). Run it after changing how a target
reads its bytes; the fuzzers' own finds are kept beside these seeds and not touched."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


class Enc:
    def __init__(self):
        self.b = bytearray()

    def byte(self, v):
        self.b.append(v & 0xFF)
        return self

    def flag(self, v):
        return self.byte(1 if v else 0)

    def raw(self, data):
        self.b += data if isinstance(data, bytes) else data.encode()
        return self

    def bytes0(self, data):
        return self.raw(data).byte(0)

    def text(self, t):  # FuzzInput::Text, as UTF-8
        return self.flag(False).bytes0(t.encode())

    def i32(self, v):
        self.b += struct.pack('<i', v)
        return self

    def i64(self, v):
        self.b += struct.pack('<q', v)
        return self

    def i16(self, v):
        self.b += struct.pack('<h', v)
        return self


def write(target, name, data):
    folder = os.path.join(HERE, 'corpus', target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, 'seed-' + name), 'wb') as f:
        f.write(bytes(data))


# ----- serial_stream: mode byte, then chunks (size byte n: up to 16n bytes; 0: a run)
CRLF, ANY_LINE_END, ETX, CUSTOM = 0, 1, 2, 3
TEST_MODE, INTERVAL = 0x10, 0x20


def serial(name, mode, chunks, custom=None):
    e = Enc().byte(mode)
    if mode & 3 == CUSTOM:
        e.bytes0(custom)
    for chunk in chunks:
        if isinstance(chunk, tuple):  # a run: (kibibytes, byte)
            e.byte(0).byte(chunk[0]).raw(chunk[1])
        else:
            e.byte(255).bytes0(chunk)
    write('serial_stream', name, e.b)


serial('ean13', CRLF, [b'4607001234567\r\n'])
serial('ean13-split', CRLF, [b'46070012', b'34567\r\n5901234', b'123457\r\n'])
serial('any-line-end', ANY_LINE_END, [b'123\r456\n', b'789\r'])
serial('etx', ETX, [b'\x02ABC-123\x03'])
serial('custom-postfix', CUSTOM, [b'QR01EN', b'DQR02END'], custom=b'END')
serial('test-mode', TEST_MODE | CRLF, [b'4607001234567\r\n', b'noise'])
serial('interval-crlf', INTERVAL | CRLF, [b'12\r\n34', b'56\r\n'])
serial('gs1-datamatrix', CRLF, [b'0104607001234567215abcdEF\x1d93XyZ1\r\n'])
serial('payment-qr', CRLF, [b'ST00012|Name=OOO Romashka|PersonalAcc=40702810900000000001|'
                            b'BankName=Bank|BIC=044525225|CorrespAcc=30101810400000000225|Sum=12345\r\n'])
serial('cp1251', CRLF, [b'\xcf\xf0\xe8\xe2\xe5\xf2\r\n'])
# A line of 200 kB without its end, then a real barcode: the line is dropped, the code read.
serial('line-200k-then-code', CRLF, [(195, b'A'), b'\r\n4607001234567\r\n'])
serial('line-200k-any-line-end', ANY_LINE_END, [(195, b'7'), b'\n4607001234567\n'])
serial('line-200k-interval', INTERVAL | ANY_LINE_END, [(195, b'B')])
serial('line-200k-etx', ETX, [(100, b'C'), (100, b'C'), b'\x03OK\x03'])

# ----- host_calls
METHODS = ['Init', 'Open', 'Close', 'GetDeviceInfo', 'Enable', 'Disable', 'GetSettings',
           'SetSettings', 'CheckHealth', 'EnableDataEvents', 'GetDataCount', 'GetScanData']
SETTINGS = ['DefaultTimeOut', 'EventLogEnabled', 'DebugLogEnabled', 'Prefix', 'Postfix',
            'AutoDisableDataEvent', 'InterfaceType', 'PortNumber', 'Baud', 'PrefixKbd',
            'PostfixKbd', 'InterCharIntervalKbd', 'MinDataLen', 'KeyboardLayout',
            'IgnoreModificators', 'UpperCaseData', 'DeleteCRLFPostfix']


def simple(e, v):  # VariantMaker::Make at a depth that picks MakeSimple
    e.byte(2)
    if v is None:
        e.byte(0)
    elif isinstance(v, bool):
        e.byte(16).flag(v)
    elif isinstance(v, int):
        e.byte(4).i32(v)
    else:
        e.byte(19).text(v)


def host_session(name, calls, russian=False, serial_line=b'4607001234567'):
    e = Enc().flag(russian).byte(1).bytes0(serial_line).flag(False).byte(len(calls) - 1)
    for method, args in calls:
        if method == 'MessageLoop':
            e.byte(1).byte(15)
            continue
        e.byte(1).byte(METHODS.index(method)).byte(1)
        if method == 'Init':
            e.byte(1)
        elif method == 'SetSettings':
            e.byte(1).byte(len(args))
            for sid, value in args:
                e.byte(2).byte(1).byte(SETTINGS.index(sid))
                simple(e, value)
            e.i32(0)
        else:
            e.byte(len(args))
            for a in args:
                simple(e, a)
        e.byte(1)  # invoked as a method
    write('host_calls', name, e.b)


OPEN = ('Open', ['', None])
host_session('serial-session', [
    ('Init', []), OPEN,
    ('SetSettings', [('InterfaceType', 0), ('PortNumber', 5), ('Baud', 9600),
                     ('Postfix', '#013#010'), ('DebugLogEnabled', True)]),
    ('Enable', [None, None, 0]), ('EnableDataEvents', [True, None, 0]), ('MessageLoop', []),
    ('GetDataCount', [None, None, 0]), ('GetScanData', [None, None, 0]),
    ('Disable', [None, None, 0]), ('Close', [None])])
host_session('keyboard-session', [
    ('Init', []), OPEN,
    ('SetSettings', [('InterfaceType', 1), ('PrefixKbd', '#037'), ('PostfixKbd', '#013'),
                     ('InterCharIntervalKbd', 45), ('UpperCaseData', True),
                     ('KeyboardLayout', 1049)]),
    ('Enable', [None, None, 0]), ('EnableDataEvents', [True, None, 0]),
    ('CheckHealth', [None, None, 0]), ('Disable', [None, None, 0])], russian=True)
host_session('settings-read', [
    ('Init', []), ('GetDeviceInfo', [None, None, 0]), ('GetSettings', [None, None, 0]),
    ('SetSettings', [('MinDataLen', 'abc'), ('Baud', '115200'), ('Prefix', '')])])

# ----- variant_text: locale, "as text", the text
for i, (russian, text) in enumerate([
        (False, '12345'), (False, '1.5'), (True, '1,5'), (False, '-2147483648'),
        (False, '2147483648'), (False, '1e308'), (False, '1.7976931348623157E+308'),
        (True, '31.12.2026 23:59:59'), (False, '12/11/2026 10:00:00 PM'), (False, 'True'),
        (False, 'false'), (False, '$12.50'), (True, '1\u00a0234,56'), (False, '&H1F'),
        (False, '  42  '), (False, ''), (False, '0.5'), (False, '2.5'), (True, '-0,00005'),
        (False, '922337203685477.5807'), (False, '1,234,567.89'), (False, '#1/1/100#')]):
    write('variant_text', 'text-%02d' % i, Enc().flag(russian).byte(1).text(text).b)

# ----- scanners_xml: files as written and as edited by hand
DECL = '<?xml version="1.0" encoding="windows-1251"?>\r\n'
for name, xml in [
        ('shipped', DECL + '<scanners><item><prefix>#037</prefix><postfix>#013</postfix></item>'
                           '</scanners>\r\n'),
        ('two-items', DECL + '<scanners>\r\n  <item>\r\n    <prefix>#002</prefix>\r\n'
                             '    <postfix>#003</postfix>\r\n  </item>\r\n  <item>\r\n'
                             '    <prefix>%</prefix>\r\n    <postfix>#013#010</postfix>\r\n'
                             '  </item>\r\n</scanners>\r\n'),
        ('interval-only', DECL + '<scanners><item><prefix/><postfix/></item></scanners>'),
        ('markup', DECL + '<scanners><item><prefix>&lt;&amp;&gt;</prefix>'
                          '<postfix>&#13;</postfix></item><!-- a comment --></scanners>'),
        ('cyrillic', '<?xml version="1.0" encoding="windows-1251"?><scanners><item>'
                     '<prefix>Штрих</prefix><postfix>Ж</postfix></item></scanners>'),
        ('nested', '<scanners><item><prefix><b>x</b></prefix></item></scanners>')]:
    write('scanners_xml', name, xml.encode())

# ----- payment_replies: the receipt's row length, then operations with their replies
OPS = {'auth': 0, 'status': 1, 'revoke': 2, 'health': 3, 'invoice': 4, 'get-invoice': 5,
       'pay': 6, 'void': 7, 'refund': 8, 'void-refund': 9, 'refunds': 10, 'units': 11}
HEADERS = 'Content-Type: application/json; charset=utf-8\r\nContent-Length: 0\r\n'


def reply(e, status, body, headers=HEADERS):
    e.byte(1)  # delivered
    if 200 <= status < 205:
        e.byte(status - 200)
    else:
        e.byte(200).i16(status)
    e.bytes0(headers.encode()).bytes0(body.encode())


def payment(name, steps, row_length=32):
    e = Enc().byte(row_length)
    for op, status, body in steps:
        e.byte(OPS[op])
        if op == 'invoice':
            e.i64(12345)
        elif op in ('get-invoice', 'void', 'void-refund'):
            e.text('inv_9f8e7d6c-5b4a-3f2e-1d0c-b9a8f7e6d5c4')
        elif op == 'pay':
            e.text('inv_9f8e7d6c-5b4a-3f2e-1d0c-b9a8f7e6d5c4').text('a1b2c3d4-0000-4000-8000-000000000001')
        elif op == 'refund':
            e.i32(500).text('ch_1')
        if status is None:
            e.byte(0).text('Не удается установить соединение')
        else:
            reply(e, status, body)
    write('payment_replies', name, e.b)


payment('sale', [
    ('auth', 200, '{"token":"token/7c1e0f1a-2b3c-4d5e-8f90-a1b2c3d4e5f6","status":"ok"}'),
    ('invoice', 201, '{"id":"inv_9f8e7d6c-5b4a-3f2e-1d0c-b9a8f7e6d5c4","status":"unpaid",'
                     '"total":12345,"currency":"RUB"}'),
    ('pay', 200, '{"id":"inv_9f8e7d6c-5b4a-3f2e-1d0c-b9a8f7e6d5c4","status":"paid",'
                 '"charges":[{"id":"ch_1","status":"succeeded","amount":12345}]}')])
payment('refund', [
    ('refund', 201, '{"id":"rf_1","status":"created","amount":500}'),
    ('refunds', 200, '[{"id":"rf_1","status":"created"}]'),
    ('void-refund', 200, '{"id":"rf_1","status":"voided"}')])
payment('errors', [
    ('status', 401, '{"error":"unauthorized","message":"Invalid token"}'),
    ('get-invoice', 404, '{"error":"not_found"}'),
    ('void', 409, '{"error":"conflict","message":"Idempotency key reused"}'),
    ('health', None, None)], row_length=0)
payment('service', [
    ('health', 200, '{"status":"ok","version":"1.4.2"}'),
    ('units', 200, '{"units":[{"id":"u1","name":"шт"},{"id":"u2","name":"кг"}]}'),
    ('revoke', 204, '')])

# ----- mailbox: receiver?, mapping size choice, mailbox form, wide?, the code, the 1036 block
def mailbox(name, receiver, form, wide, code, block=None, mapping=1, mailbox_text=b''):
    e = Enc().flag(receiver).byte(mapping)
    if mapping == 0:
        e.byte(3)  # a mapping of 3 bytes
    e.byte(form)
    if form == 1:
        e.bytes0(b'').bytes0(b'')
    elif form >= 2:
        e.bytes0(mailbox_text)
    e.flag(wide).text(code)
    if receiver and block is not None:
        e.bytes0(block).byte(1).byte(1)
    write('mailbox', name, e.b)


mailbox('handed-over', True, 0, True, 'ST00012|Name=OOO Romashka|Sum=12345',
        block='Код оплаты'.encode('cp1251'))
mailbox('no-receiver', False, 2, True, '4607001234567', mailbox_text=b'4294967295')
mailbox('foreign-text', True, 2, False, '123', mailbox_text=b'not a window', block=b'\xcf\xf0')
mailbox('small-mapping', True, 0, True, '123', mapping=0)

# ----- keyboard_events: interval, prefix mode (and which prefix), MinDataLen, upper case,
# ignore modifiers, delete CR LF, Russian layout; then events: gap byte, key byte (bit 7: up)
KEYS = {c: i for i, c in enumerate('0123456789ABQZ')}
ENTER, SPACE, SHIFT, LSHIFT, CTRL, ALT, F5 = 14, 15, 16, 17, 19, 21, 23


def tap(events, key, gap, shift=False):
    if shift:
        events.append((gap, LSHIFT))
        gap = 0
    events += [(gap, key), (3, key | 0x80)]
    if shift:
        events.append((0, LSHIFT | 0x80))


def burst(events, text, gap=5):
    for ch in text:
        if ch == '\r':
            tap(events, ENTER, gap)
        elif ch == '%':
            tap(events, KEYS['5'], gap, shift=True)
        else:
            tap(events, KEYS[ch.upper()], gap, shift=ch.isalpha() and ch.isupper())


def keyboard(name, events, interval=40, prefix=False, min_len=3):
    e = Enc().byte(interval - 10).flag(prefix)
    if prefix:
        e.flag(True)
    e.byte(min_len).flag(False).flag(False).flag(True).flag(False)
    for gap, key in events:
        e.byte(gap if gap < 16 else 200 + min(gap, 255) - 200 if gap >= 200 else gap % 16)
        e.byte(key)
    write('keyboard_events', name, e.b)


ev = []
burst(ev, '4607001234567\r')
keyboard('ean13-burst', ev)
ev = []
tap(ev, KEYS['Q'], 0)
ev.append((250, KEYS['A']))
ev.append((250, KEYS['A'] | 0x80))
burst(ev, '123456\r')
ev.append((250, KEYS['Z']))
ev.append((5, KEYS['Z'] | 0x80))
keyboard('typing-around-a-burst', ev)
ev = []
burst(ev, '%4607001\r')
keyboard('prefix-postfix', ev, prefix=True)
ev = [(0, SHIFT), (5, KEYS['A']), (3, KEYS['A'] | 0x80), (5, KEYS['B']), (3, KEYS['B'] | 0x80),
      (5, KEYS['1']), (3, KEYS['1'] | 0x80), (250, SHIFT | 0x80)]
keyboard('shift-held-through-a-burst', ev)
ev = [(0, CTRL), (250, KEYS['A']), (3, KEYS['A'] | 0x80), (250, CTRL | 0x80), (250, F5),
      (5, F5 | 0x80), (5, KEYS['1']), (30, KEYS['1']), (30, KEYS['1']), (5, KEYS['1'] | 0x80)]
keyboard('shortcut-and-repeat', ev)

# ----- display_ack: address and port (the defaults), header, code, duration; then the socket's
# answers: made, connected, time-out set, sent, and the reply byte
def display(name, reply, header='К оплате 123,45', code='https://qr.example/pay?id=1'):
    e = Enc().byte(1).byte(1).text(header).text(code).i32(30)
    e.byte(1).byte(1).byte(1).byte(1)  # socket made, connected, time-out set, packet sent
    e.byte(1).byte(1).raw(reply)        # a reply of up to one byte
    write('display_ack', name, e.b)


display('acknowledged', b'\x06')
display('refused', b'\x15')
display('closed', b'\x00')
