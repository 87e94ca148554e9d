"""Dumps an .xlsx workbook, read with openpyxl, in the line format of read_xls.py."""
import sys
import openpyxl

wb = openpyxl.load_workbook(sys.argv[1])
out = []
for ws in wb.worksheets:
    rows = list(ws.iter_rows())
    nrows = 0
    ncols = 0
    cells = []
    for row in rows:
        for cell in row:
            v = cell.value
            if v is None:
                continue
            r, c = cell.row - 1, cell.column - 1
            nrows = max(nrows, r + 1)
            ncols = max(ncols, c + 1)
            if isinstance(v, str):
                cells.append("C\t%d\t%d\tt\t%s" % (r, c, v.encode("utf-8").hex()))
            elif isinstance(v, (int, float)) and not isinstance(v, bool):
                cells.append("C\t%d\t%d\tn\t%r" % (r, c, float(v)))
            else:
                cells.append("C\t%d\t%d\to\t%s" % (r, c, type(v).__name__))
    out.append("S\t%s\t%d\t%d" % (ws.title.encode("utf-8").hex(), nrows, ncols))
    out.extend(cells)
    for dim in ws.column_dimensions.values():
        if dim.customWidth and dim.width:
            for c in range(dim.min, dim.max + 1):
                out.append("W\t%d\t%r" % (c - 1, dim.width))
    for row in rows[:2]:
        for cell in row:
            fill = "-"
            if cell.fill is not None and cell.fill.fill_type == "solid":
                fill = str(cell.fill.fgColor.rgb)[-6:].upper()
            out.append("F\t%d\t%d\t%d\t%s" % (cell.row - 1, cell.column - 1,
                                               1 if cell.font.b else 0, fill))
print("\n".join(out))
