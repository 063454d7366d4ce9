#!/usr/bin/env python3
"""Reads VCF with python3-vobject and prints each vCard as one line of its fields, in order:
"FN | N family;given | TEL HOME=... | EMAIL=... | ADR street;town;code;country | ORG | CATEGORIES
| PHOTO". A photo is written to PHOTOS/<n>.jpg (n from 1) and shown as "PHOTO <n>.jpg"."""
import sys

import vobject


def fields(card, number, photos):
    shown = [card.fn.value, 'N ' + card.n.value.family + ';' + card.n.value.given]
    for tel in card.contents.get('tel', []):
        shown.append('TEL ' + ','.join(tel.params.get('TYPE', [])) + '=' + tel.value)
    shown += ['EMAIL=' + email.value for email in card.contents.get('email', [])]
    for adr in card.contents.get('adr', []):
        a = adr.value
        shown.append('ADR ' + ';'.join([a.street, a.city, a.code, a.country]))
    shown += ['ORG ' + ';'.join(org.value) for org in card.contents.get('org', [])]
    shown += ['CATEGORIES ' + ','.join(c.value) for c in card.contents.get('categories', [])]
    for photo in card.contents.get('photo', []):
        with open(f'{photos}/{number}.jpg', 'wb') as out:
            out.write(photo.value)
        shown.append(f'PHOTO {number}.jpg')
    return ' | '.join(shown)


with open(sys.argv[1], encoding='utf-8', newline='') as vcf:
    text = vcf.read()
for number, card in enumerate(vobject.readComponents(text), 1):
    if card.version.value != '3.0':
        sys.exit(f'vCard {number} is version {card.version.value}')
    print(fields(card, number, sys.argv[2]))
for number, line in enumerate(text.split('\r\n'), 1):
    if len(line.encode('utf-8')) > 75:
        sys.exit(f'line {number} is {len(line.encode())} octets long')
