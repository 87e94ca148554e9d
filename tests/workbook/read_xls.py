"""Dumps an .xls workbook, read with xlrd, as tab-separated lines for the workbook tests.

S <name hex> <rows> <cols>          one per sheet, followed by its lines:
C <row> <col> t <utf-8 hex>         text cell
C <row> <col> n <repr>              number cell
C <row> <col> o <ctype>             any other non-empty cell
W <col> <width in characters>       explicit column width
F <row> <col> <bold 0/1> <RRGGBB|-> style of the cells of rows 0 and 1
"""
import sys
import xlrd

book = xlrd.open_workbook(sys.argv[1], formatting_info=True)
out = []
for sh in book.sheets():
    out.append("S\t%s\t%d\t%d" % (sh.name.encode("utf-8").hex(), sh.nrows, sh.ncols))
    for r in range(sh.nrows):
        for c in range(sh.row_len(r)):
            cell = sh.cell(r, c)
            if cell.ctype == xlrd.XL_CELL_TEXT:
                out.append("C\t%d\t%d\tt\t%s" % (r, c, cell.value.encode("utf-8").hex()))
            elif cell.ctype == xlrd.XL_CELL_NUMBER:
                out.append("C\t%d\t%d\tn\t%r" % (r, c, cell.value))
            elif cell.ctype not in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
                out.append("C\t%d\t%d\to\t%d" % (r, c, cell.ctype))
    for c, info in sorted(sh.colinfo_map.items()):
        out.append("W\t%d\t%r" % (c, info.width / 256.0))
    for r in range(min(2, sh.nrows)):
        for c in range(sh.row_len(r)):
            xf = book.xf_list[sh.cell_xf_index(r, c)]
            bold = book.font_list[xf.font_index].bold
            fill = "-"
            if xf.background.fill_pattern == 1:
                rgb = book.colour_map.get(xf.background.pattern_colour_index)
                fill = "%02X%02X%02X" % rgb if rgb else "?"
            out.append("F\t%d\t%d\t%d\t%s" % (r, c, 1 if bold else 0, fill))
print("\n".join(out))
