#!/usr/bin/env python3
"""Prints each line of EXPECTED (UTF-8) that TOOL does not give back from PDF: pdftotext
(poppler), mutool (MuPDF) or pypdf. Both sides are compared in NFC, bidi controls left out,
runs of white space as one blank, as a reader searching the text would."""
import re
import subprocess
import sys
import unicodedata

BIDI_CONTROLS = re.compile('[\u061c\u200e\u200f\u202a-\u202e\u2066-\u2069]')


def normal(text):
    return re.sub(r'\s+', ' ', BIDI_CONTROLS.sub('', unicodedata.normalize('NFC', text)))


def extracted(tool, pdf):
    if tool == 'pypdf':
        import pypdf
        return '\n'.join(page.extract_text() for page in pypdf.PdfReader(pdf).pages)
    command = ['pdftotext', pdf, '-'] if tool == 'pdftotext' else ['mutool', 'draw', '-F', 'txt', '-o', '-', pdf]
    return subprocess.run(command, capture_output=True, text=True, timeout=60, check=True).stdout


def main():
    tool, pdf, expected = sys.argv[1:4]
    text = normal(extracted(tool, pdf))
    with open(expected, encoding='utf-8') as lines:
        for line in lines.read().splitlines():
            if line and normal(line) not in text:
                print(line)


main()
