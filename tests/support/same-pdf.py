#!/usr/bin/python3
"""Says how two PDFs of the same pages differ for a reader; silent, with status 0, when they do
not: every page rendered at 150 dpi (pixel for pixel), the text and where it stands (pdftotext
-bbox), the text of three extractors, the fonts (pdffonts, object numbers aside), the header's
version, the document information, the catalog (viewer preferences, XMP and all) and every
page's boxes. Usage: same-pdf.py A.pdf B.pdf"""
import os
import re
import subprocess
import sys
import tempfile

import pypdf
from pypdf.generic import IndirectObject, StreamObject


def run(*command):
    return subprocess.run(command, check=True, capture_output=True).stdout


def rendered(pdf, folder):
    run('pdftoppm', '-r', '150', pdf, folder + '/page')
    pages = sorted(os.listdir(folder))
    return [open(folder + '/' + page, 'rb').read() for page in pages]


def plain(value):
    """The value with references followed (not into the page tree) and streams as their data."""
    if isinstance(value, IndirectObject):
        value = value.get_object()
    if isinstance(value, StreamObject):
        return ('stream', plain(dict(value)), value.get_data())
    if isinstance(value, dict):
        return {key: plain(item) for key, item in value.items() if key not in ('/Pages', '/Parent')}
    if isinstance(value, list):
        return [plain(item) for item in value]
    return repr(value)


def structure(pdf):
    reader = pypdf.PdfReader(pdf)
    boxes = [[repr(page.get(box)) for box in ('/MediaBox', '/CropBox', '/TrimBox', '/BleedBox', '/ArtBox', '/Rotate')]
             for page in reader.pages]
    fonts = [re.sub(r"\s+\d+\s+\d+\s*$", "", line)
             for line in run('pdffonts', pdf).decode().splitlines()]
    return {
        'version': open(pdf, 'rb').readline().strip(),
        'information': plain(reader.trailer.get('/Info', {})),
        'catalog': plain(reader.trailer['/Root']),
        'page boxes': boxes,
        'fonts': fonts,
        'text and places': run('pdftotext', '-bbox', pdf, '-'),
        'text in pdftotext': run('pdftotext', pdf, '-'),
        'text in MuPDF': run('mutool', 'draw', '-F', 'txt', '-o', '-', pdf),
        'text in pypdf': '\n'.join(page.extract_text() for page in reader.pages),
    }


def main():
    first, second = sys.argv[1], sys.argv[2]
    differences = []
    a, b = structure(first), structure(second)
    differences += [what for what in a if a[what] != b[what]]
    with tempfile.TemporaryDirectory() as one, tempfile.TemporaryDirectory() as two:
        pages_a, pages_b = rendered(first, one), rendered(second, two)
    if len(pages_a) != len(pages_b):
        differences.append('page count')
    differences += ['page %d rendered' % (i + 1) for i, (x, y) in enumerate(zip(pages_a, pages_b)) if x != y]
    for what in differences:
        print('%s and %s differ: %s' % (first, second, what))
    return 1 if differences else 0


if __name__ == '__main__':
    sys.exit(main())
