#!/usr/bin/env python3
"""Writes the fuzz targets' seeds, a folder a target: a few valid inputs and a few edge cases.
   make_seeds.py [BUILD]   (BUILD: the fuzz build, whose make_journal_seed writes the journal's)
Inputs on which a target once found a fault are kept beside them as the fuzzer wrote them."""
import binascii
import io
import pathlib
import sqlite3
import struct
import subprocess
import sys
import tempfile
import zipfile

HERE = pathlib.Path(__file__).resolve().parent
BUILD = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else HERE.parents[2] / "build" / "fuzz")


def seeds(target, inputs):
    folder = HERE / target
    folder.mkdir(exist_ok=True)
    for name, data in inputs.items():
        (folder / name).write_bytes(data.encode() if isinstance(data, str) else data)


def tsk_reply(reading, decimals, flags):
    body = bytes([0]) + struct.pack("<i", reading)[:3] + bytes([decimals, flags])
    return body + struct.pack(">H", binascii.crc_hqx(body, 0xFFFF))


def b_frame(b3, b4):
    """Eight bytes with b3, b4 as given and b5, b6 free (zero) whose window sums are zero."""
    return bytes([0, 0, (-(b3 + b4)) & 0xFF, b3, b4, 0, 0, 1])


B_PROBE = bytes([0, 0, 0x3C, ord("S"), ord("q"), 0, 0, 0])  # c8..c15: sums zero, 'S' 'q'


def zipped(files, method=zipfile.ZIP_DEFLATED):
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w", method) as archive:
        for name, text in files.items():  # dated, so the seeds come out the same every time
            archive.writestr(zipfile.ZipInfo(name, date_time=(2026, 12, 7, 9, 5, 6)), text, method)
    return out.getvalue()


def workbook(rows_xml, shared=None, method=zipfile.ZIP_DEFLATED):
    ns = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"'
    rel = 'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"'
    files = {
        "[Content_Types].xml": '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>',
        "xl/workbook.xml": f'<workbook {ns} {rel}><sheets><sheet name="A" sheetId="1" r:id="rId1"/></sheets></workbook>',
        "xl/_rels/workbook.xml.rels":
            '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            '<Relationship Id="rId1" Target="worksheets/sheet1.xml"/></Relationships>',
        "xl/worksheets/sheet1.xml": f"<worksheet {ns}><sheetData>{rows_xml}</sheetData></worksheet>",
    }
    if shared is not None:
        files["xl/sharedStrings.xml"] = f"<sst {ns}>" + "".join(f"<si><t>{s}</t></si>" for s in shared) + "</sst>"
    return zipped(files, method)


def on_small_pages(file, script):
    """Runs `script` on `file` after moving it to 512-byte pages, so mutations reach its records."""
    db = sqlite3.connect(file)
    db.executescript("PRAGMA journal_mode = DELETE; PRAGMA page_size = 512; VACUUM;" + script)
    db.close()
    return file.read_bytes()


def journals(folder):
    made = folder / "journal.sqlite"
    subprocess.run([BUILD / "tests" / "fuzz" / "make_journal_seed", made], check=True)
    journal = on_small_pages(made, "PRAGMA journal_mode = WAL;")
    # Read differently by the queries than by the check once, which took it as sound.
    blob_kind = on_small_pages(made, "DROP TRIGGER records_are_unchanged; UPDATE records SET kind = CAST(kind AS BLOB) WHERE id = 2;")
    return {"journal.sqlite": journal, "kind_stored_as_blob.sqlite": blob_kind,
            "no_hash_column.sqlite": on_small_pages(folder / "other.sqlite", "CREATE TABLE records (kind, subject);"),
            "empty": b""}


seeds("tsk_frame", {"stable_kg": tsk_reply(2531, 2, 0x08), "unsettled_pcs": tsk_reply(-7, 0, 0x22),
                    "no_weight": tsk_reply(0, 7, 0), "bad_crc": tsk_reply(2531, 2, 0x08)[:7] + b"\0",
                    "short": tsk_reply(1, 1, 0)[:7]})
seeds("b_balance_frame", {"weight_probe": b_frame(0x83, 0x12) + B_PROBE, "identity": b_frame(0x85, 0) + B_PROBE,
                          "bad_sums": bytes(range(1, 17)), "short": b_frame(0x83, 0x12) + B_PROBE[:7]})
seeds("bm_balance_line", {"stable": "   25.31  g KM500 1234\r\n", "unsettled": "   25.31    KM500 1234\r\n",
                          "negative": "  -0.020 kg KM5 77\r\n", "blank_early": "   25.31  g 1234\r\n",
                          "no_end": "1" * 50, "huge_serial": "    1.00  g KM5 99999999999\r\n"})
seeds("tag_lines", {"plain": b"\xff985000001234567\r\n", "grouped": b"\xffLA 985 000001234567 12\r\n",
                    "two_tags": b"\xff985000001234567 985000001234568\n",
                    "line_error": b"\x03985000001234567\r\n", "too_long": b"\xff" + b"x" * 90 + b"985000001234567\n"})
seeds("zip_archive", {"stored": zipped({"a": "abc", "xl/workbook.xml": "<w/>"}, zipfile.ZIP_STORED),
                      "deflated": zipped({"a": "abc" * 50}), "workbook": workbook('<row r="1"><c t="inlineStr"><is><t>№</t></is></c></row>'),
                      "empty": zipped({}), "cut": zipped({"a": "abc" * 50})[:-30]})
seeds("animal_list_csv", {
    "russian": "№ животного;Клетка;Группа;Пол;Дата рождения;Вес, г\n985000001234567;К1;A;м;01.10.2026;25,5\n2;К2;B;ж;2026-10-02;30\n",
    "english_quoted": 'Animal ID,Cage,Weight (kg),DOB\r\n"A,1",C1,"0.025",1/10/2026\r\nA2,C2,bad,31.02.2026\r\n,C3,1,\r\n',
    "windows_1251": "Номер;Вес\n1;20\n".encode("cp1251"), "bom_duplicates": "\ufeffid;mass\n7;1\n7;2\n",
    "no_number": "a;b\n1;2\n", "unknown_unit": "tag;weight, lb\n1;2\n",
    # Gave an infinite reference weight once: more grams than a double holds.
    "huge_kilograms": "id;вес, кг\n1;1e306\n"})
SHEET = ('<worksheet><sheetData><row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c><c r="C1" t="s"><v>2</v></c>'
         '</row><row r="2"><c r="A2" t="s"><v>3</v></c><c r="B2"><v>25.5</v></c><c r="C2"><v>46296</v></c></row></sheetData></worksheet>')
STRINGS = "".join(f"<si><t>{s}</t></si>" for s in ["№", "Вес, г", "Дата рождения", "985000001234567"])
seeds("animal_list_xlsx", {  # whole workbooks, or the text of its parts with a NUL after each (see the target)
    "workbook": workbook(SHEET.removeprefix("<worksheet><sheetData>").removesuffix("</sheetData></worksheet>"),
                         ["№", "Вес, г", "Дата рождения", "985000001234567"]),
    # Ran the reader out of stack once: an inline string nested 200000 elements deep.
    "nested_text": workbook('<row><c t="inlineStr"><is>' + "<a>" * 200000 + "</a>" * 200000 + "</is></c></row>"),
    "parts_shared_strings": SHEET + "\0<sst>" + STRINGS + "</sst>\0",
    "parts_inline": '<worksheet><row><c t="inlineStr"><is><t>id</t></is></c><c t="inlineStr"><is><r><t>ca</t></r><r><t>ge</t></r></is></c>'
                    '<c t="inlineStr"><is><t>DOB</t><rPh><t>x</t></rPh></is></c></row><row><c><v>1</v></c><c t="b"><v>1</v></c>'
                    '<c t="str"><f>A1</f><v>2026-10-01</v></c></row></worksheet>',
    "parts_bad_index": '<row r="1"><c t="s"><v>9</v></c></row>\0<sst><si><t>id</t></si></sst>',
    "parts_far_columns": '<worksheet><row r="1"><c r="ZZ1" t="inlineStr"><is><t>id</t></is></c><c r="AAA1"><v>1</v></c></row><row r="2"><c r="ZZ2"><v>5</v></c></row></worksheet>',
    "parts_other_sheet": '<row/>\0\0<workbook xmlns:x="x"><sheet x:id="a"/></workbook>\0<Relationships><Relationship Id="a" Target="/b.xml"/></Relationships>'})
seeds("pending_records", {
    "two": '[{"kind":"result","utc":"2026-12-07T09:05:07.000Z","object":"Мышь 1","grams":25.1,"count":3,'
           '"subject":"0","ticket":"1","subjectTicket":"0","alertShare":85,"limitShare":80},'
           '{"kind":"removal","subject":"0","ticket":"2","subjectTicket":"1"}]',
    "empty": "[]", "object": '{"kind":"result"}', "broken": '[{"kind":', "odd_values": '[{"grams":1e308,"count":1e10,"ticket":"x","kind":7}, 3, null]'})
seeds("settings_file", {
    "kinds": "ComPort\tnumber\t3\nHidden\tflag\t1\nname\ttext\tЛаб \\t1\\n\\x01\n",
    "crlf_duplicates": "name\tnumber\t1\r\nname\tnumber\t-2147483648\r\n",
    "bad_lines": "name\tflag\t256\nname\tword\t1\nname\ttext\t\\q\nname\ttext\tcut\\x4\n\x01\ttext\tx\n",
    "no_last_newline": "name\ttext\tkept\nwritten\tnumber\t5"})
seeds("lab_records", {
    "result": "\0".join(["7", "ab" * 32, "result", "2026-12-07T09:05:07.000Z", "2026-12-07 12:05:07", "И", "П-1",
                         "Мышь 1", "25,10", "25.1", "-0,05", "g", "3", "12:05:07\t25.1", "KM5 77", "0", "3",
                         "985000001234567", "К1", "A", "м", "2026-10-01", ""]),
    "odd_numbers": "\0".join(["99999999999999999999", "", "removal", "", "", "", "", "", "", "NaN", "", "", "-1", "",
                              "", "1e5", "1"] + [""] * 6),
    "short": "1\0h\0result"})
with tempfile.TemporaryDirectory() as scratch:
    seeds("journal_file", journals(pathlib.Path(scratch)))
