#!/usr/bin/python3
"""Makes the spreadsheet files the tests read, in tests/data/sheets/, with Debian's
python3-openpyxl and python3-odf: the sample club's list as .xlsx and .ods with number
formats, a hidden row and column, a merged title, a filter, several sheets, and the
hostile files (a zip bomb, an XML entity bomb, a Numbers file, a cut-short file).
Also the sample club's members.xlsx. Run it again after changing it: scripts/make-sheets."""
import csv
import datetime
import os
import re
import zipfile

import openpyxl
from openpyxl.worksheet.filters import AutoFilter, FilterColumn, Filters
from openpyxl.worksheet.table import Table as ExcelTable
from odf.opendocument import OpenDocumentSpreadsheet
from odf.table import Table, TableColumn, TableRow, TableCell, CoveredTableCell
from odf.text import P

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'sheets')
HEADER = ['Role', 'First Name', 'Last Name', 'Address', 'City', 'Zip', 'Phone', 'Email', 'Notes', 'Dues']
# Zips and phones stored as numbers, shown by the cell's format; a date in Notes.
PEOPLE = [
    ['Caller', 'Ann', 'Able', '12 Elm St', 'Boston, MA', 2134, 5035550101, 'ann@example.org',
     datetime.date(2011, 9, 14), 40],
    ['Member', 'José', 'Núñez', '544 River Rd', 'Riverside, OR', 97401, 5415551156, 'jose@example.org',
     'Club historian', 40],
    ['Member', 'Hidden', 'Person', '1 Gone Way', 'Nowhere, OR', 97000, 5415550000, '', 'left the club', 0],
    ['New Dancer', 'Zoë', 'Brontë', '7 Moor Ln', 'Haworth, OR', 97402, 5415551234, '', True, 20],
]

# A couple's two rows under their address and phone, each cell merged down over both rows.
COUPLE = [['Member', 'Bob', 'Merged', '3 Couple Ct', 'Salem, OR', 97301, 5035550300, 'bob@example.org', '', 40],
          ['Member', 'Carol', 'Merged', None, 'Salem, OR', 97301, None, 'carol@example.org', '', 40]]

# A list a filter on Role = Member cuts down to its Members.
FILTERED_PEOPLE = [('Caller', 'Carl', 'Caller'), ('Member', 'Mia', 'Member'), ('Cuer', 'Cora', 'Cuer'),
                   ('Member', 'Max', 'Member'), ('New Dancer', 'Ned', 'New')]


def fixed_zip_dates(path):
    """Rewrites the archive with every entry, and the dates the document records, set to
    1 January 2026, so runs make the same bytes."""
    with zipfile.ZipFile(path) as source:
        entries = [(info, source.read(info.filename)) for info in source.infolist()]
    stamp = rb'\g<1>2026-01-01T00:00:00Z\g<2>'
    entries = [(info, re.sub(rb'(<dcterms:(?:created|modified)[^>]*>)[^<]*(</dcterms)', stamp, data)
                if info.filename == 'docProps/core.xml' else data) for info, data in entries]
    with zipfile.ZipFile(path, 'w', zipfile.ZIP_DEFLATED) as target:
        for info, data in entries:
            fixed = zipfile.ZipInfo(info.filename, date_time=(2026, 1, 1, 0, 0, 0))
            fixed.compress_type = zipfile.ZIP_STORED if info.filename == 'mimetype' else zipfile.ZIP_DEFLATED
            fixed.external_attr = info.external_attr
            target.writestr(fixed, data)


def save_book(book, name):
    """Saves an openpyxl workbook in HERE as `name`, its dates fixed."""
    path = os.path.join(HERE, name)
    book.save(path)
    fixed_zip_dates(path)


def rewrite_entries(path, changes):
    """Replaces, in each named entry of the archive, its old bytes with the new."""
    with zipfile.ZipFile(path) as source:
        entries = [(info, source.read(info.filename)) for info in source.infolist()]
    with zipfile.ZipFile(path, 'w', zipfile.ZIP_DEFLATED) as target:
        for info, data in entries:
            if info.filename in changes:
                old, new = changes[info.filename]
                assert old in data, info.filename
                data = data.replace(old, new)
            target.writestr(info, data)


def make_xlsx():
    book = openpyxl.Workbook()
    old = book.active
    old.title = 'Old'
    old.append(HEADER)
    old.append(['Member', 'Last', 'Season', '1 Old Rd', 'Salem, OR', 97301, 5035550199, '', '', 40])
    sheet = book.create_sheet('Members')
    sheet.append(['Riverside Squares 2027'])
    sheet.merge_cells('A1:D1')
    sheet.append(HEADER)
    for person in PEOPLE + COUPLE:
        sheet.append(person)
    couple = 3 + len(PEOPLE)
    sheet.merge_cells('D%d:D%d' % (couple, couple + 1))
    sheet.merge_cells('G%d:G%d' % (couple, couple + 1))
    for row in range(3, 3 + len(PEOPLE) + len(COUPLE)):
        sheet.cell(row, 6).number_format = '00000'
        sheet.cell(row, 7).number_format = '(###) ###-####'
        sheet.cell(row, 9).number_format = 'd mmm yyyy'
        sheet.cell(row, 8).number_format = '0.0E+00'  # no number here: text is shown as it is
    sheet.cell(6, 6).number_format = '0.0E+00'  # outside the subset: printed raw, with a warning
    sheet.row_dimensions[5].hidden = True
    sheet.column_dimensions['J'].hidden = True
    book.active = 1
    save_book(book, 'members.xlsx')

    # A filter on Role = Member left on: it hides the Caller, the Cuer and the New Dancer; a
    # Member's row in its range, which the filter shows, is hidden by hand.
    filtered = openpyxl.Workbook()
    sheet = filtered.active
    sheet.append(HEADER)
    for role, first, last in FILTERED_PEOPLE:
        sheet.append([role, first, last, '1 Main St', 'Salem, OR', '97301', '555-0100', '', '', 40])
    sheet.append([])
    sheet.append(['Member', 'Gus', 'Gone', '2 Main St', 'Salem, OR', '97301', '555-0101', '', '', 0])
    sheet.auto_filter.ref = 'A1:J8'
    sheet.auto_filter.add_filter_column(0, ['Member'])
    for row in (2, 4, 6, 8):
        sheet.row_dimensions[row].hidden = True
    save_book(filtered, 'filtered.xlsx')

    # The same list as an Excel table ("Format as Table"), whose filter is the table's own.
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.append(HEADER[:7])
    for role, first, last in FILTERED_PEOPLE:
        sheet.append([role, first, last, '1 Main St', 'Salem, OR', '97301', '555-0100'])
    table = ExcelTable(displayName='Members', ref='A1:G6')
    table.autoFilter = AutoFilter(ref='A1:G6', filterColumn=[FilterColumn(colId=0, filters=Filters(filter=['Member']))])
    sheet.add_table(table)
    for row in (2, 4, 6):
        sheet.row_dimensions[row].hidden = True
    path = os.path.join(HERE, 'table-filter.xlsx')
    book.save(path)
    # openpyxl writes neither the table's filter column nor the relative target Excel writes.
    rewrite_entries(path, {'xl/tables/table1.xml': (b'<autoFilter ref="A1:G6"/>',
                                                    b'<autoFilter ref="A1:G6"><filterColumn colId="0"><filters>'
                                                    b'<filter val="Member"/></filters></filterColumn></autoFilter>'),
                           'xl/worksheets/_rels/sheet1.xml.rels': (b'Target="/xl/tables/', b'Target="../tables/')})
    fixed_zip_dates(path)

    # Last season's sheet hidden before this season's, a note on a third tab.
    seasons = openpyxl.Workbook()
    old = seasons.active
    old.title = 'Members 2025'
    old.append(HEADER)
    old.append(['Member', 'Last', 'Season', '1 Old Rd', 'Salem, OR', '97301', '555-0199', '', '', 40])
    old.sheet_state = 'hidden'
    sheet = seasons.create_sheet('Members 2026')
    sheet.append(HEADER)
    sheet.append(['Member', 'This', 'Season', '1 New Rd', 'Salem, OR', '97301', '555-0198', '', '', 40])
    notes = seasons.create_sheet('Read me')
    notes.append(['Keep one row per person.'])
    seasons.active = 1
    save_book(seasons, 'seasons.xlsx')

    # A "Read me" tab before the members.
    readme = openpyxl.Workbook()
    notes = readme.active
    notes.title = 'Read me'
    notes.append(['Keep one row per person.'])
    notes.append(['Dues are paid in September.'])
    sheet = readme.create_sheet('Members')
    sheet.append(HEADER)
    # An e-mail longer than two card lines: its warning names the workbook's row.
    sheet.append(['Member', 'Ann', 'Able', '1 Main St', 'Salem, OR', '97301', '555-0100',
                  'ann.able.membership.secretary.of.the.riverside.squares.dance.club@mail.riverside-squares.example.org',
                  '', 40])
    save_book(readme, 'readme.xlsx')

    # Formulas written by a script, without the values Excel would save with them: the Phone
    # column's, then a Name column that is nothing but formulas.
    for name, header, rows in [
            ('formulas.xlsx', ['Role', 'First Name', 'Last Name', 'Address', 'City', 'Zip', 'Phone', 'Email'],
             [['Member', 'Ann', 'Able', '1 Main St', 'Salem', '97301', '=F%d&"-0100"', 'ann@example.org'],
              ['Member', 'Bob', 'Best', '2 Main St', 'Salem', '97301', '=F%d&"-0101"', 'bob@example.org']]),
            ('formula-names.xlsx', ['Role', 'Name', 'Address', 'Phone'],
             [['Member', '="Ann"&" Able"', '1 Main St', '555-0100'],
              ['Member', '="Bob"&" Best"', '2 Main St', '555-0101']])]:
        book = openpyxl.Workbook()
        sheet = book.active
        sheet.append(header)
        for number, row in enumerate(rows, start=2):
            sheet.append([cell % ((number,) * cell.count('%d')) if isinstance(cell, str) else cell for cell in row])
        path = os.path.join(HERE, name)
        book.save(path)
        fixed_zip_dates(path)


def make_ods():
    doc = OpenDocumentSpreadsheet()
    table = Table(name='Members')
    table.addElement(TableColumn(numbercolumnsrepeated=9))
    table.addElement(TableColumn(visibility='collapse'))
    shown = {2134: '02134', 97401: '97401', 97000: '97000', 97402: '97402'}

    def row(values, visibility=None, spanned=()):
        element = TableRow(visibility=visibility) if visibility else TableRow()
        for column, value in enumerate(values):
            if value is None:  # under a cell merged down over it
                element.addElement(CoveredTableCell())
                continue
            if isinstance(value, int) and not isinstance(value, bool):
                text = shown.get(value, '(%s) %s-%s' % (str(value)[:3], str(value)[3:6], str(value)[6:])
                                 if value > 99999999 else str(value))
                cell = TableCell(valuetype='float', value=value)
                cell.addElement(P(text=text))
            elif isinstance(value, datetime.date):
                cell = TableCell(valuetype='date', datevalue=value.isoformat())
                cell.addElement(P(text=value.strftime('%-d %b %Y')))
            elif isinstance(value, bool):
                cell = TableCell(valuetype='boolean', booleanvalue='true' if value else 'false')
                cell.addElement(P(text='TRUE' if value else 'FALSE'))
            else:
                cell = TableCell(valuetype='string')
                cell.addElement(P(text=str(value)))
            if column in spanned:
                cell.setAttribute('numberrowsspanned', 2)
            element.addElement(cell)
        table.addElement(element)

    title = TableRow()
    cell = TableCell(valuetype='string', numbercolumnsspanned=4)
    cell.addElement(P(text='Riverside Squares 2027'))
    title.addElement(cell)
    title.addElement(CoveredTableCell(numbercolumnsrepeated=3))
    table.addElement(title)
    row(HEADER)
    for person in PEOPLE:
        row(person, 'collapse' if person[1] == 'Hidden' else None)
    row(COUPLE[0], spanned=(3, 6))
    row(COUPLE[1])
    table.addElement(TableRow(numberrowsrepeated=1048000))  # the empty rows LibreOffice writes
    doc.spreadsheet.addElement(table)
    save_book(doc, 'members.ods')


def write_zip(name, parts):
    with zipfile.ZipFile(os.path.join(HERE, name), 'w', zipfile.ZIP_DEFLATED) as archive:
        for part, data in parts.items():
            archive.writestr(zipfile.ZipInfo(part, date_time=(2026, 1, 1, 0, 0, 0)), data, zipfile.ZIP_DEFLATED)


def make_hostile():
    workbook = ('<workbook xmlns:r="r"><sheets><sheet name="S" sheetId="1" r:id="rId1"/></sheets></workbook>')
    rels = ('<Relationships><Relationship Id="rId1" Target="worksheets/sheet1.xml" Type="worksheet"/>'
            '</Relationships>')
    # 8 MB of blanks that pack into a few kilobytes.
    write_zip('bomb.xlsx', {'xl/workbook.xml': workbook, 'xl/_rels/workbook.xml.rels': rels,
                            'xl/worksheets/sheet1.xml': '<worksheet>' + ' ' * (8 << 20) + '</worksheet>'})
    laughs = ''.join('<!ENTITY l%d "&l%d;&l%d;&l%d;&l%d;">' % (i, i - 1, i - 1, i - 1, i - 1) for i in range(1, 12))
    write_zip('entities.xlsx', {'xl/workbook.xml': workbook, 'xl/_rels/workbook.xml.rels': rels,
                                'xl/worksheets/sheet1.xml': '<?xml version="1.0"?><!DOCTYPE w [<!ENTITY l0 "ha">'
                                + laughs + '<!ENTITY out SYSTEM "file:///etc/passwd">]>'
                                '<worksheet><sheetData><row r="1"><c t="inlineStr"><is><t>&l11;&out;</t></is>'
                                '</c></row></sheetData></worksheet>'})
    write_zip('bad-utf8.xlsx', {'xl/workbook.xml': workbook, 'xl/_rels/workbook.xml.rels': rels,
                                'xl/worksheets/sheet1.xml': b'<worksheet><sheetData><row r="1"><c t="inlineStr">'
                                b'<is><t>Jos\xe9</t></is></c></row></sheetData></worksheet>'})
    # An .ods saved with a password: its manifest says how each part is encrypted.
    write_zip('locked.ods', {'mimetype': 'application/vnd.oasis.opendocument.spreadsheet',
                             'META-INF/manifest.xml': '<manifest:manifest xmlns:manifest="urn:oasis:names:tc:'
                             'opendocument:xmlns:manifest:1.0"><manifest:file-entry manifest:full-path="content.xml">'
                             '<manifest:encryption-data manifest:checksum-type="SHA1/1K"/></manifest:file-entry>'
                             '</manifest:manifest>',
                             'content.xml': b'\x8f\x13\xa0 encrypted bytes'})
    write_zip('club.numbers', {'Index/Document.iwa': b'\0' * 16, 'Metadata/Properties.plist': 'x'})
    with open(os.path.join(HERE, 'members.xlsx'), 'rb') as whole:
        data = whole.read()
    with open(os.path.join(HERE, 'cut.xlsx'), 'wb') as cut:
        cut.write(data[:len(data) // 2])


def make_sample_club():
    """The sample club's members.csv as the .xlsx its secretary would keep: zips as numbers
    shown with five digits."""
    club = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'examples', 'club')
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = 'Members'
    with open(os.path.join(club, 'members.csv'), encoding='utf-8', newline='') as source:
        for number, row in enumerate(csv.reader(source)):
            sheet.append([int(cell) if number > 0 and cell.isdigit() and len(cell) == 5 else cell for cell in row])
    for row in sheet.iter_rows(min_row=2):
        for cell in row:
            if isinstance(cell.value, int):
                cell.number_format = '00000'
    path = os.path.join(club, 'members.xlsx')
    book.save(path)
    fixed_zip_dates(path)


if __name__ == '__main__':
    os.makedirs(HERE, exist_ok=True)
    make_sample_club()
    make_xlsx()
    make_ods()
    make_hostile()
