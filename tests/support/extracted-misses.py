#!/usr/bin/env python3
"""Prints each line of EXPECTED (UTF-8) that TOOL (pdftotext, mutool or pypdf) does not give
back from PDF, both compared in NFC, bidi controls left out, white space as one blank."""
import re
import subprocess
import sys
import unicodedata


def normal(text):
    text = re.sub('[\u061c\u200e\u200f\u202a-\u202e\u2066-\u2069]', '', unicodedata.normalize('NFC', text))
    return re.sub(r'\s+', ' ', text)


def extracted(tool, pdf):
    if tool == 'pypdf':
        import pypdf
        return '\n'.join(page.extract_text() for page in pypdf.PdfReader(pdf).pages)
    command = ['pdftotext', pdf, '-'] if tool == 'pdftotext' else ['mutool', 'draw', '-F', 'txt', '-o', '-', pdf]
    return subprocess.run(command, capture_output=True, text=True, timeout=60, check=True).stdout


tool, pdf, expected = sys.argv[1:4]
text = normal(extracted(tool, pdf))
with open(expected, encoding='utf-8') as lines:
    print(''.join(line + '\n' for line in lines.read().splitlines() if line and normal(line) not in text), end='')
