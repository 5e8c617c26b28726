#!/usr/bin/env python3
"""Edits a flat spreadsheet (.fods) as a person would in Calc, between two
conversions: types a value into one cell, or gives a column a number format
with fewer decimals.

  fods_edit.py FILE set SLOT KEY VALUE      the cell of KEY in the row of SLOT
  fods_edit.py FILE type SLOT KEY VALUE     typed into a cell not formatted as Text: a
                                            number-like VALUE becomes a number (007 -> 7)
  fods_edit.py FILE decimals KEY N          every number cell of KEY shows N decimals

Rows and columns are found by the header row (the cell that starts with
"slot" heads the slot column) and the slot numbers, whatever their order.
"""
import sys
import xml.etree.ElementTree as ET

NS = {
    'office': 'urn:oasis:names:tc:opendocument:xmlns:office:1.0',
    'table': 'urn:oasis:names:tc:opendocument:xmlns:table:1.0',
    'text': 'urn:oasis:names:tc:opendocument:xmlns:text:1.0',
    'style': 'urn:oasis:names:tc:opendocument:xmlns:style:1.0',
    'number': 'urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0',
    'calcext': 'urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0',
}


def q(name):
    prefix, local = name.split(':')
    return '{%s}%s' % (NS[prefix], local)


def register_all(path):
    """Keeps every namespace prefix of the file as it is."""
    for _, (prefix, uri) in ET.iterparse(path, events=['start-ns']):
        ET.register_namespace(prefix, uri)


def cells(row):
    """The row's cells, each repeated one split into single cells."""
    out = []
    for cell in list(row):
        if cell.tag not in (q('table:table-cell'), q('table:covered-table-cell')):
            continue
        n = int(cell.get(q('table:number-columns-repeated'), '1'))
        if n > 1 and len(out) < 2000:
            cell.attrib.pop(q('table:number-columns-repeated'))
            at = list(row).index(cell)
            for k in range(1, min(n, 2000)):
                copy = ET.fromstring(ET.tostring(cell))
                row.insert(at + k, copy)
            out.extend(list(row)[at:at + min(n, 2000)])
        else:
            out.append(cell)
    return out


def text_of(cell):
    return ''.join(''.join(p.itertext()) for p in cell.findall(q('text:p')))


def table_rows(root):
    table = root.find('.//' + q('table:table'))
    return [r for r in table.iter(q('table:table-row'))]


def locate(rows, key):
    header = cells(rows[0])
    names = [text_of(c) for c in header]
    slot_col = next(i for i, n in enumerate(names) if n.startswith('slot'))
    return slot_col, names.index(key)


def as_number(value):
    """The number a cell not formatted as Text makes of what is typed, if any."""
    try:
        number = float(value)
    except ValueError:
        return None
    return None if number != number or number in (float('inf'), float('-inf')) else number


def set_cell(root, slot, key, value, typed=False):
    rows = table_rows(root)
    slot_col, col = locate(rows, key)
    for row in rows[1:]:
        row_cells = cells(row)
        if len(row_cells) > slot_col and text_of(row_cells[slot_col]) == slot:
            cell = row_cells[col]
            for attr in list(cell.attrib):
                if attr != q('table:style-name'):
                    del cell.attrib[attr]
            for child in list(cell):
                cell.remove(child)
            number = as_number(value) if typed else None
            if number is None:
                cell.set(q('office:value-type'), 'string')
                cell.set(q('calcext:value-type'), 'string')
                ET.SubElement(cell, q('text:p')).text = value
                return
            cell.attrib.pop(q('table:style-name'), None)  # the column's Text format is the cells' own
            cell.set(q('office:value-type'), 'float')
            cell.set(q('calcext:value-type'), 'float')
            cell.set(q('office:value'), repr(number))
            ET.SubElement(cell, q('text:p')).text = ('%g' % number)
            return
    sys.exit('no row for slot %s' % slot)


def set_decimals(root, key, decimals):
    styles = root.find(q('office:automatic-styles'))
    number = ET.SubElement(styles, q('number:number-style'), {q('style:name'): 'Ncedecimals'})
    ET.SubElement(number, q('number:number'), {
        q('number:decimal-places'): decimals, q('number:min-decimal-places'): decimals,
        q('number:min-integer-digits'): '1'})
    ET.SubElement(styles, q('style:style'), {
        q('style:name'): 'cedecimals', q('style:family'): 'table-cell',
        q('style:parent-style-name'): 'Default', q('style:data-style-name'): 'Ncedecimals'})
    rows = table_rows(root)
    _, col = locate(rows, key)
    for row in rows[1:]:
        row_cells = cells(row)
        if len(row_cells) > col and row_cells[col].get(q('office:value-type')) == 'float':
            row_cells[col].set(q('table:style-name'), 'cedecimals')


def main():
    path, what = sys.argv[1], sys.argv[2]
    register_all(path)
    tree = ET.parse(path)
    root = tree.getroot()
    if what == 'set':
        set_cell(root, sys.argv[3], sys.argv[4], sys.argv[5])
    elif what == 'type':
        set_cell(root, sys.argv[3], sys.argv[4], sys.argv[5], typed=True)
    elif what == 'decimals':
        set_decimals(root, sys.argv[3], sys.argv[4])
    else:
        sys.exit('unknown edit ' + what)
    tree.write(path, xml_declaration=True, encoding='UTF-8')


if __name__ == '__main__':
    main()
