# The workbook write_workbook.exe wrote under Wine, read back on the Linux side: texts
# in UTF-8, numbers as numbers shown as the window shows them, the sheet set for print.
import sys

import openpyxl

sheet = openpyxl.load_workbook(sys.argv[1]).worksheets[0]
failures = []


def expect(what, actual, expected):
    if actual != expected:
        failures.append(f"{what}: {actual!r}, expected {expected!r}")


expect("sheet name", sheet.title, "П-17_3")
expect("protocol number", sheet["D2"].value, "П-17/3")
expect("object", sheet["A6"].value, "Объект: Мышь")
# The first result row: number, time, mass, unit, deviation.
for cell, value, number_format in (("A9", 1, "0"), ("C9", 20.0, "0.00"), ("E9", -0.1, "0.00")):
    expect(cell, (sheet[cell].value, sheet[cell].number_format), (value, number_format))
expect("B9", sheet["B9"].value, "09:05:07")
expect("D9", sheet["D9"].value, "г")
expect("paper", sheet.page_setup.paperSize, 9)
expect("orientation", sheet.page_setup.orientation, "portrait")
expect("title rows", sheet.print_title_rows, "$2:$8")
if failures:
    sys.exit("\n".join(failures))
