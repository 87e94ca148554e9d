"""Prints a workbook, read with xlrd (.xls) or openpyxl (.xlsx), as JSON for the workbook tests:
one object per sheet with its name, rows, cols, cells [row, col, "t"|"n"|"o", value], the
explicit column widths in characters, and the styles [row, col, bold, "RRGGBB"|"-"] of the
cells of rows 0 and 1."""
import json
import sys


def xls(path):
    import xlrd
    book = xlrd.open_workbook(path, formatting_info=True)
    for sh in book.sheets():
        cells, styles = [], []
        for r in range(sh.nrows):
            for c in range(sh.row_len(r)):
                cell = sh.cell(r, c)
                if cell.ctype == xlrd.XL_CELL_TEXT:
                    cells.append([r, c, "t", cell.value])
                elif cell.ctype == xlrd.XL_CELL_NUMBER:
                    cells.append([r, c, "n", cell.value])
                elif cell.ctype not in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
                    cells.append([r, c, "o", str(cell.ctype)])
                if r < 2:
                    xf = book.xf_list[sh.cell_xf_index(r, c)]
                    fill = "-"
                    if xf.background.fill_pattern == 1:
                        rgb = book.colour_map.get(xf.background.pattern_colour_index)
                        fill = "%02X%02X%02X" % rgb if rgb else "?"
                    styles.append([r, c, bool(book.font_list[xf.font_index].bold), fill])
        widths = {str(c): info.width / 256.0 for c, info in sh.colinfo_map.items()}
        yield dict(name=sh.name, rows=sh.nrows, cols=sh.ncols, cells=cells, widths=widths, styles=styles)


def xlsx(path):
    import openpyxl
    for ws in openpyxl.load_workbook(path).worksheets:
        rows = list(ws.iter_rows())
        cells, styles = [], []
        for row in rows:
            for cell in row:
                v = cell.value
                if isinstance(v, str):
                    cells.append([cell.row - 1, cell.column - 1, "t", v])
                elif isinstance(v, (int, float)) and not isinstance(v, bool):
                    cells.append([cell.row - 1, cell.column - 1, "n", float(v)])
                elif v is not None:
                    cells.append([cell.row - 1, cell.column - 1, "o", type(v).__name__])
        for row in rows[:2]:
            for cell in row:
                solid = cell.fill is not None and cell.fill.fill_type == "solid"
                fill = str(cell.fill.fgColor.rgb)[-6:].upper() if solid else "-"
                styles.append([cell.row - 1, cell.column - 1, bool(cell.font.b), fill])
        widths = {str(c - 1): d.width for d in ws.column_dimensions.values() if d.customWidth and d.width
                  for c in range(d.min, d.max + 1)}
        yield dict(name=ws.title, rows=max([x[0] + 1 for x in cells], default=0),
                   cols=max([x[1] + 1 for x in cells], default=0), cells=cells, widths=widths, styles=styles)


path = sys.argv[1]
sheets = list(xlsx(path) if path.lower().endswith(".xlsx") else xls(path))
sys.stdout.buffer.write(json.dumps(sheets, ensure_ascii=False).encode("utf-8"))
