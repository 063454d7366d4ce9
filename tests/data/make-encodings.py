#!/usr/bin/python3
"""Makes the corpus the member list's encoding guess is judged on, in tests/data/encodings/:
member lists of 3, 5, 20, 40 and 200 people in many languages, each saved in the code pages
spreadsheet programs write for that language, and in UTF-8 (with and without BOM) and
UTF-16, and short US lists with a single accented name. truth.tsv gives each file's
language, size, encoding and whether it is "held" (names kept apart from the rest, for
reporting on names the tuning never saw). A guess is judged by the text it decodes: equal
to the file decoded in its true encoding, whatever the guess's label.
Reproducible: the same script makes the same bytes."""
import os
import random
import sys
import unicodedata

# Where the corpus goes: the folder named on the command line (the build's), or encodings/ here.
HERE = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), 'encodings')

# Names by language: (first names, last names, cities). The last quarter of each list is
# held out of the tuning files.
NAMES = {
    'us': ('Mary Robert Linda James Susan Michael Karen David Nancy William Betty Richard José María Zoë '
           'Renée André Noël Chloé Ana Jesús Ramón Inés Raúl',
           'Smith Johnson Williams Brown Jones Miller Davis García Hernández Martínez López González '
           'Peña Núñez Brontë Dubois Lefèvre Côté Gagné Ibáñez Muñoz Ordóñez Pérez Sánchez',
           'Springfield Riverside Portland Salem Eugene Medford Bend Albany'),
    'de': ('Jürgen Jörg Günter Müller Björn Käthe Ursula Hans Dieter Sören Bärbel Grete Uwe Lutz Maik Anke',
           'Müller Schäfer Köhler Größer Weiß Bäcker Hübner Krüger Jäger Möller Schröder Fuß Strauß Lößner',
           'München Köln Düsseldorf Nürnberg Lübeck Gießen Würzburg Saarbrücken'),
    'nordic': ('Åsa Søren Bjørn Ærø Øystein Märta Göran Åke Jørgen Sigrún Þóra Ólafur Kåre Mette Britt',
               'Åberg Sørensen Ødegård Lindström Fjällström Ærø Ångström Nyström Þórsson Hjälm Kjær Dahl',
               'Göteborg Malmö Århus Tromsø Bodø Umeå Jönköping Reykjavík'),
    'pt': ('João Conceição Sebastião Inês Gonçalo Tomé Glória Luís Ângela Fátima André Márcio',
           'Gonçalves Conceição Magalhães Simões Araújo Brandão Falcão Guimarães Fontes Gusmão Loureiro',
           'São Paulo Braga Évora Coimbra Guimarães Setúbal Funchal Viseu'),
    'ce': ('Łukasz Paweł Małgorzata Grzegorz Zuzanna Jiří Tomáš Věra Ondřej László Zsófia Ödön Štefan Žaneta',
           'Wiśniewski Wójcik Kowalczyk Dvořák Novák Černý Szőke Kovács Horváth Šťastný Łęcki Žižka Kučera',
           'Łódź Kraków Gdańsk Poznań Brno Plzeň Győr Pécs'),
    'ru': ('Александр Дмитрий Елена Ольга Сергей Наталья Андрей Юлия Михаил Татьяна Иван Ксения',
           'Иванов Смирнов Кузнецов Попов Соколов Лебедев Козлов Новиков Морозов Петров Волков Фёдоров',
           'Москва Казань Самара Омск Пермь Уфа Тверь Сочи'),
    'uk': ('Олександр Іван Їжак Євген Ґанна Оксана Богдан Юрій Наталія Тарас Ірина Остап',
           'Шевченко Коваленко Бондаренко Ткаченко Кравченко Олійник Гнатюк Їжакевич Ґудзь Єременко',
           'Київ Львів Одеса Харків Дніпро Житомир Ужгород Полтава'),
    'el': ('Γιώργος Δημήτρης Μαρία Ελένη Νίκος Κατερίνα Σοφία Αλέξανδρος Βασίλης Ιωάννα Χρήστος',
           'Παπαδόπουλος Οικονόμου Γεωργίου Νικολάου Βασιλείου Ιωάννου Κωνσταντίνου Αθανασίου Μιχαηλίδης',
           'Αθήνα Πάτρα Ηράκλειο Λάρισα Βόλος Χανιά Καβάλα Σέρρες'),
    'tr': ('Ayşe Fatma Emine Hatice Mehmet Mustafa Çağrı Gökhan Şükrü İsmail Özlem Ümit Ağah Gülşen',
           'Yılmaz Kaya Demir Şahin Çelik Yıldız Öztürk Aydın Özdemir Arslan Doğan Kılıç Aslan Çetin',
           'İstanbul Ankara İzmir Bursa Eskişehir Şanlıurfa Muğla Çorum'),
    'baltic': ('Jonas Rūta Žydrūnas Ąžuolas Jānis Līga Kārlis Ēriks Mārtiņš Tõnu Jüri Küllike Šarūnas',
               'Kazlauskas Jankauskas Petrauskas Bērziņš Kalniņš Ozoliņš Tamm Saar Sepp Mägi Žukauskas Čepulis',
               'Vilnius Kaunas Šiauliai Rīga Liepāja Tallinn Tartu Pärnu'),
    'vi': ('Nguyễn Trần Lê Phạm Hoàng Huỳnh Võ Đặng Bùi Đỗ Hồ Ngô',
           'Thị Văn Hữu Đức Minh Thành Quốc Ngọc Thanh Xuân Hương Phương Tuấn',
           'Hà Nội Huế Đà Nẵng Cần Thơ Hải Phòng Nha Trang Vũng Tàu Biên Hòa'),
}

# The code pages a spreadsheet program saves each language in, besides the Unicode ones.
ENCODINGS = {
    'us': ['cp1252', 'latin_1', 'mac_roman'],
    'de': ['cp1252', 'latin_1', 'iso8859_15', 'mac_roman'],
    'nordic': ['cp1252', 'latin_1', 'iso8859_15'],
    'pt': ['cp1252', 'latin_1', 'iso8859_15'],
    'ce': ['cp1250', 'iso8859_2', 'cp852', 'mac_latin2'],
    'ru': ['cp1251', 'koi8_r', 'iso8859_5', 'cp866'],
    'uk': ['cp1251', 'koi8_u'],
    'el': ['cp1253', 'iso8859_7'],
    'tr': ['cp1254', 'iso8859_9'],
    'baltic': ['cp1257'],
    'vi': ['cp1258'],
}
UNICODE = ['utf_8', 'utf_8_sig', 'utf_16_le', 'utf_16_be']
SIZES = [3, 5, 20, 40, 200]
HEADER = 'Role,First Name,Last Name,Address,City,Zip,Phone,Cell,Email,Notes'


def people(language, size, held, rng):
    firsts, lasts, cities = (words.split() for words in NAMES[language])

    def part(words):
        cut = max(1, len(words) * 3 // 4)
        return words[cut:] if held else words[:cut]

    rows = [HEADER]
    for i in range(size):
        first, last, city = rng.choice(part(firsts)), rng.choice(part(lasts)), rng.choice(cities)
        role = rng.choice(['Member'] * 8 + ['New Dancer', 'Caller'])
        rows.append('%s,%s,%s,%d Main St,%s,%05d,541-555-%04d,,,' % (role, first, last, rng.randint(1, 999), city,
                                                                    rng.randint(10000, 99999), rng.randint(0, 9999)))
    return '\r\n'.join(rows) + '\r\n'


def single_accent(rng, size):
    """A US list of plain names but one: what most short lists from a US club look like."""
    rows = [HEADER]
    plain = 'Mary Robert Linda James Susan Michael Karen David Smith Johnson Brown Miller Davis Wilson'.split()
    accented = rng.choice([('José', 'Hernández'), ('Ana', 'Peña'), ('Zoë', 'Brontë'), ('Renée', 'Côté'),
                           ('André', 'Lefèvre'), ('Inés', 'Muñoz')])
    where = rng.randrange(size)
    for i in range(size):
        first, last = accented if i == where else (rng.choice(plain), rng.choice(plain))
        rows.append('Member,%s,%s,%d Oak Ave,Springfield,%05d,541-555-%04d,,,' % (first, last, i + 1,
                                                                                rng.randint(10000, 99999), i))
    return '\r\n'.join(rows) + '\r\n'


def punctuated(rng, size, accented):
    """A US list typed in Excel, whose AutoCorrect turns ' " - and ... into typographic
    punctuation: O’Connor, “Sparky”, 12–14 Oak St, and, with `accented`, one José besides."""
    rows = [HEADER]
    plain = 'Mary Robert Linda James Susan Michael Karen David Smith Johnson Brown Miller Davis Wilson'.split()
    odd = [('Mary', 'O’Connor', '%d Oak St'), ('Bob “Sparky”', 'Jones', '%d–14 Oak St'),
           ('Dan', 'D’Arcy', '%d Elm St — Apt 2'), ('Sue', 'Lee', '%d Main St…'), ('Ann', 'Kim', '%d Pine ‘B’')]
    where = rng.randrange(size)
    for i in range(size):
        first, last, street = rng.choice(odd) if i % 2 == 0 else (rng.choice(plain), rng.choice(plain), '%d Oak Ave')
        if accented and i == where:
            first = 'José'
        rows.append('Member,%s,%s,%s,Springfield,%05d,541-555-%04d,,,' % (first, last, street % (i + 1),
                                                                          rng.randint(10000, 99999), i))
    return '\r\n'.join(rows) + '\r\n'


TONES = '\u0300\u0301\u0303\u0309\u0323'


def encode_cp1258(text):
    """Windows' Vietnamese code page holds the letters with their vowel marks but the five
    tones only as combining marks: a toned letter is written as its letter and its tone, as
    Windows itself writes it (so the text decoded and put in NFC is the same)."""
    out = b''
    for char in text:
        try:
            out += char.encode('cp1258')
        except UnicodeEncodeError:
            parts = unicodedata.normalize('NFD', char)
            base = unicodedata.normalize('NFC', ''.join(c for c in parts if c not in TONES))
            out += (base + ''.join(c for c in parts if c in TONES)).encode('cp1258')
    return out


# UTF-16 as spreadsheets write it ("Unicode Text"): with its byte order mark.
MARKS = {'utf_16_le': b'\xff\xfe', 'utf_16_be': b'\xfe\xff'}


def save(name, text, encoding):
    if encoding.startswith('mac'):  # Excel for the Mac's "CSV (Macintosh)" ends lines with a lone CR
        text = text.replace('\r\n', '\r')
    data = encode_cp1258(text) if encoding == 'cp1258' else MARKS.get(encoding, b'') + text.encode(encoding)
    with open(os.path.join(HERE, name + '.csv'), 'wb') as out:
        out.write(data)


def main():
    os.makedirs(HERE, exist_ok=True)
    rng = random.Random(2026)
    with open(os.path.join(HERE, 'truth.tsv'), 'w', encoding='utf-8', newline='\n') as truth:
        for language in NAMES:
            for size in SIZES:
                for held in (False, True):
                    text = people(language, size, held, rng)
                    for encoding in ENCODINGS[language] + UNICODE:
                        name = '%s-%d-%s%s' % (language, size, encoding, '-held' if held else '')
                        save(name, text, encoding)
                        truth.write('%s\t%s\t%d\t%s\t%s\n' % (name, language, size, encoding, held))
        for size in (3, 4, 5, 10, 20, 40):
            for copy in range(4):
                text = single_accent(rng, size)
                for encoding in ('cp1252', 'latin_1', 'mac_roman', 'utf_8'):
                    name = 'us1-%d-%d-%s' % (size, copy, encoding)
                    save(name, text, encoding)
                    truth.write('%s\tus1\t%d\t%s\tFalse\n' % (name, size, encoding))
        for size in (2, 5, 20, 40):
            for accented in (False, True):
                text = punctuated(rng, size, accented)
                for encoding in ('cp1252', 'mac_roman', 'utf_8'):
                    name = 'punct-%d-%s-%s' % (size, 'accent' if accented else 'plain', encoding)
                    save(name, text, encoding)
                    truth.write('%s\tpunct\t%d\t%s\tFalse\n' % (name, size, encoding))
        # Two lines: a French name and a price.
        for encoding in ('cp1252', 'utf_8'):
            save('euro-2-' + encoding, HEADER + '\r\nMember,René,Roux,1 Main St,Springfield,12345,555,,,\r\n'
                 'Member,Anne,Ball,€uro Way,Springfield,12345,556,,,\r\n', encoding)
            truth.write('euro-2-%s\teuro\t2\t%s\tFalse\n' % (encoding, encoding))


if __name__ == '__main__':
    main()
