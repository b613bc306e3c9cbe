#!/usr/bin/python3
"""Prints every cell of an .xlsx file that holds a value or a style, one per
line: reference, kind (n number, s text, - empty), value, bold (0/1) and the
sides that carry a border (t, b, l, r; "-" for none).  The first line names
the sheets."""
import sys

import openpyxl


def borders(cell):
    sides = ""
    for letter, side in (("t", cell.border.top), ("b", cell.border.bottom),
                         ("l", cell.border.left), ("r", cell.border.right)):
        if side is not None and side.style is not None:
            sides += letter
    return sides or "-"


def main(path):
    book = openpyxl.load_workbook(path)
    print("sheets\t" + "\t".join(book.sheetnames))
    sheet = book.worksheets[0]
    for (row, col), cell in sorted(sheet._cells.items()):
        value = cell.value
        bold = 1 if cell.font is not None and cell.font.b else 0
        sides = borders(cell)
        if value is None and not bold and sides == "-":
            continue
        if value is None:
            kind, text = "-", ""
        elif isinstance(value, str):
            kind, text = "s", value
        else:
            kind, text = "n", repr(float(value))
        print("%s\t%s\t%s\t%d\t%s" % (cell.coordinate, kind, text, bold, sides))


if __name__ == "__main__":
    main(sys.argv[1])
