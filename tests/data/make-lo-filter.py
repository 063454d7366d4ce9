#!/usr/bin/python3
"""Makes tests/data/sheets/filter-lo.ods with LibreOffice itself (through its UNO bridge,
Debian's libreoffice-calc-nogui and python3-uno): a member list with a standard filter on
Role = Member left on, as a secretary leaves it, and a row hidden by hand below it. Its rows
are written as LibreOffice writes them ("filter" and "collapse"), not as a script would guess.
Run by hand where LibreOffice is installed; the file is kept in the tree."""
import os
import subprocess
import time

import uno
from com.sun.star.beans import PropertyValue

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'sheets')
ROWS = [['Role', 'First Name', 'Last Name', 'Address', 'City', 'Zip', 'Phone'],
        ['Caller', 'Carl', 'Caller', '1 Main St', 'Salem, OR', '97301', '555-0100'],
        ['Member', 'Mia', 'Member', '2 Main St', 'Salem, OR', '97301', '555-0101'],
        ['Cuer', 'Cora', 'Cuer', '3 Main St', 'Salem, OR', '97301', '555-0102'],
        ['Member', 'Max', 'Member', '4 Main St', 'Salem, OR', '97301', '555-0103'],
        ['New Dancer', 'Ned', 'New', '5 Main St', 'Salem, OR', '97301', '555-0104'],
        [],
        ['Member', 'Gus', 'Gone', '6 Main St', 'Salem, OR', '97301', '555-0105']]


def connect():
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext('com.sun.star.bridge.UnoUrlResolver', local)
    for _ in range(120):
        try:
            return resolver.resolve('uno:socket,host=localhost,port=2002;urp;StarOffice.ComponentContext')
        except Exception:
            time.sleep(0.5)
    raise SystemExit('LibreOffice did not start')


def main():
    office = subprocess.Popen(['soffice', '--headless', '--invisible', '--norestore',
                               '-env:UserInstallation=file:///tmp/rosterbook-lo-profile',
                               '--accept=socket,host=localhost,port=2002;urp;'])
    try:
        context = connect()
        desktop = context.ServiceManager.createInstanceWithContext('com.sun.star.frame.Desktop', context)
        doc = desktop.loadComponentFromURL('private:factory/scalc', '_blank', 0,
                                           (PropertyValue(Name='Hidden', Value=True),))
        sheet = doc.Sheets.getByIndex(0)
        sheet.Name = 'Members'
        for r, row in enumerate(ROWS):
            for c, value in enumerate(row):
                sheet.getCellByPosition(c, r).setString(value)
        table = sheet.getCellRangeByName('A1:G6')
        descriptor = table.createFilterDescriptor(True)
        field = uno.createUnoStruct('com.sun.star.sheet.TableFilterField')
        field.Field = 0
        field.IsNumeric = False
        field.StringValue = 'Member'
        field.Operator = uno.Enum('com.sun.star.sheet.FilterOperator', 'EQUAL')
        descriptor.FilterFields = (field,)
        descriptor.ContainsHeader = True
        table.filter(descriptor)
        sheet.Rows.getByIndex(7).IsVisible = False  # Gus, hidden by hand
        doc.storeToURL(uno.systemPathToFileUrl(os.path.join(HERE, 'filter-lo.ods')),
                       (PropertyValue(Name='FilterName', Value='calc8'),))
        doc.close(True)
    finally:
        office.terminate()
        office.wait()


if __name__ == '__main__':
    main()
