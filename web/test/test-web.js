// Drives the web pages in headless Chromium and Firefox ESR. The every-script page, in
// Chromium, on the sample club, on inputs with errors and on the inputs the end-to-end tests
// kept (each folder's files chosen together): what it shows and the PDFs it gives must be the
// command line's. The light page, in both browsers, on a few of those, with axe-core before
// and after a run, a message opened to its line, and screenshots at 360 px and at 200 %:
//   node web/test/test-web.js build-web build/rosterbook [kept inputs folder]
const puppeteer = require('puppeteer-core');
const {spawnSync} = require('child_process');
const crypto = require('crypto');
const fs = require('fs');
const os = require('os');
const path = require('path');

const [pages, tool, kept] = process.argv.slice(2).map((p) => path.resolve(p));
const browsers = require('./browsers');
const club = path.resolve(__dirname, '../../examples/club');
const webps = path.resolve(__dirname, '../../fuzz/corpus/webp');
const webp = fs.readFileSync(path.join(webps, fs.readdirSync(webps).sort()[0]));
const cases = [
  {name: 'the sample club with its photos', helped: true,
   files: {'members.csv': fs.readFileSync(path.join(club, 'members.csv')),
           'members-2025.csv': fs.readFileSync(path.join(club, 'members-2025.csv')),
           'roster.sdd': fs.readFileSync(path.join(club, 'roster.sdd')),
           ...Object.fromEntries(fs.readdirSync(path.join(club, 'photos')).map((name) =>
             ['photos/' + name, fs.readFileSync(path.join(club, 'photos', name))]))}},
  // The index's guide letters come from ICU's locale data, which the page keeps only in part.
  {name: 'a Polish index of names', files: {
    'members.csv': Buffer.from('Role,Name\nMember,Łukasz Łoś\nMember,Anna Lis\nMember,Zofia Ćwik\nMember,Jan Żak\n' +
                               'Member,Ola Nowak\n'),
    'roster.sdd': Buffer.from('Sort Language: pl\nIndex: On\nIndex Title: Indeks\n')}},
  {name: 'a Japanese index of names', files: {
    'members.csv': Buffer.from('役割,姓,名,フリガナ\nMember,山田,太郎,やまだ\nMember,加藤,健,かとう\nMember,Smith,Bob,\n' +
                               'Member,김,민준,\n'),
    'roster.sdd': Buffer.from('Sort Language: ja\nName Order: Family First\nIndex: On\n')}},
  {name: 'a Hebrew club read from the right', files: {
    'members.csv': Buffer.from('Role,First Name,Last Name,Address,City,Email\nMember,דָּוִד,כֹּהֵן,רחוב הרצל 12,תל אביב,d@x.org\n' +
                               'Member,Daniel,ברק,דירה 4 (קומה 2),חיפה,dan@x.org\nCaller,שָׂרָה,לֵוִי,רחוב יפו 3,ירושלים,s@x.org\n'),
    'roster.sdd': Buffer.from('Sort Language: he\nIndex: On\nBinding: Right\n')}},
  {name: 'a spreadsheet file', files: {'members.csv': Buffer.from('PK\x03\x04 spreadsheet bytes', 'latin1')}},
  {name: 'a broken photo', files: {'members.csv': fs.readFileSync(path.join(club, 'members.csv')),
                                   'cover.png': Buffer.from('\x89PNG\r\n\x1a\n cut short', 'latin1')}},
  {name: 'a settings typo', files: {'members.csv': fs.readFileSync(path.join(club, 'members.csv')),
                                    'roster.sdd': Buffer.from('Titel:\nHarbour Squares\n\nPaper Size: A5\n')}},
  {name: 'phone pictures chosen together: a HEIC cover and a WebP committee page',
   files: {'members.csv': fs.readFileSync(path.join(club, 'members.csv')),
           'IMG_0412.heic': fs.readFileSync(path.resolve(__dirname, '../../fuzz/corpus/heic/f7b99dbb66647d398b8579aa6f19ed2e8b934752')),
           'board.webp': webp},
   uploads: 'together', sampleTolerance: 2},
  // The form untouched writes every key at its default: the same PDFs as no roster.sdd at all.
  {name: 'the untouched form', files: {'members.csv': fs.readFileSync(path.join(club, 'members.csv')),
                                       'cover.png': fs.readFileSync(path.join(club, 'cover.png'))},
   withoutSettings: true},
  // Last season's roster.sdd with a comment, a block and a repeated key; one field changed.
  {name: 'last season\'s roster.sdd, the paper changed',
   files: {'members.csv': fs.readFileSync(path.join(club, 'members.csv')),
           'roster.sdd': Buffer.from('# Harbour Squares, 2026\nTitle:\nHarbour Squares\nMember Roster\n\n' +
                                     'Paper Size: A4\nSchedule:\nSept 12: Barn dance\n\nPaper Size: Letter\n' +
                                     'Label Sequence: Column Order\n')},
   change: {key: 'Paper Size', value: 'A4'}},
  {name: 'files named by last season\'s roster.sdd',
   files: {'list.csv': fs.readFileSync(path.join(club, 'members.csv')),
           'club photo.png': fs.readFileSync(path.resolve(club, '../pictures/committee.png')),
           'roster.sdd': Buffer.from('Member CSV: list.csv\nCover Image: "club photo.png"\n'),
           // It names no committee picture: the one chosen goes where the tool looks for it.
           'board.webp': webp, 'committee.png': webp},
   uploads: {members: 'list.csv', cover: 'club photo.png', committee: 'board.webp'}},
];

// The PDF as qpdf --qdf writes it, its dates (the XMP's too) and /ID blanked: what two runs share.
function normalised(file) {
  const qdf = file + '.qdf';
  spawnSync('qpdf', ['--qdf', '--object-streams=disable', file, qdf]);
  return fs.readFileSync(qdf, 'latin1').replace(/D:\d{14}[^)]*/g, 'D:0')
      .replace(/\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ/g, 'T0').replace(/\/ID \[<[0-9a-f]+><[0-9a-f]+>\]/g, '');
}

// Whether two normalised files differ only inside pictures' samples, by at most `tolerance`
// levels: libheif's HEIC decoding under WebAssembly comes out up to 2 levels off Linux's.
function samplesWithin(a, b, tolerance) {
  if (a.length !== b.length) return false;
  const samples = [...a.matchAll(/\/Subtype \/Image[^]*?stream\n([^]*?)endstream/g)]
      .map((m) => [m.index + m[0].length - m[1].length - 'endstream'.length, m.index + m[0].length]);
  for (let i = 0; i < a.length; ++i) {
    if (a[i] === b[i]) continue;
    const inside = samples.some(([from, to]) => i >= from && i < to);
    if (!inside || Math.abs(a.charCodeAt(i) - b.charCodeAt(i)) > tolerance) return false;
  }
  return true;
}

function runCommandLine(folder) {
  const result = spawnSync(tool, [], {cwd: folder, encoding: 'utf8', timeout: 60000});
  return {status: result.status, lines: (result.stdout + result.stderr).split('\n').filter((l) => l).sort()};
}

// One page for every run, as a secretary making several rosters would use it: "Start again"
// between them. Every request it makes to the network is recorded.
async function openPage(browser, pagePath) {
  const page = await browser.newPage();
  page.requests = [];
  page.on('request', (request) => { if (/^(https?|wss?|ftp):/.test(request.url())) page.requests.push(request.url()); });
  await page.goto('file://' + pagePath);
  await page.waitForFunction(() => document.body.dataset.ready === 'true', {timeout: 60000});
  // The workers that prepare pictures start after the page is ready.
  await page.waitForFunction(() => Number(document.body.dataset.helpers || 0) > 0, {timeout: 60000});
  return page;
}

// The bytes each download link of the page gives, by its file name.
async function downloads(page) {
  const offered = await page.$$eval('#downloads a', (links) => Promise.all(links.map(async (link) => {
    const bytes = new Uint8Array(await (await fetch(link.href)).arrayBuffer());
    let text = '';
    for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
    return [link.download, btoa(text)];
  })));
  return Object.fromEntries(offered.map(([name, data]) => [name, Buffer.from(data, 'base64')]));
}

async function runPage(page, folder, out, uploads, change) {
  await page.click('#again');
  const filesIn = (where) => fs.readdirSync(where).map((name) => path.join(where, name)).filter((f) => fs.statSync(f).isFile());
  if (uploads === 'together') {
    await (await page.$('#many')).uploadFile(...filesIn(folder));
  } else if (uploads === 'keyboard') {
    // The drop zone from the keyboard: tabbed to, opened with Space. Tab goes on from the button
    // last clicked (Start again), whatever has focus, so it may go round the page to reach it.
    await page.evaluate(() => document.activeElement && document.activeElement.blur());
    for (let i = 0; i < 40 && await page.evaluate(() => document.activeElement.id !== 'many'); ++i) await page.keyboard.press('Tab');
    const focused = await page.evaluate(() => document.activeElement.id || document.activeElement.tagName);
    if (focused !== 'many') throw new Error(`Tab never reached the drop zone: focus stays on ${focused}`);
    const [chooser] = await Promise.all([page.waitForFileChooser({timeout: 10000}), page.keyboard.press('Space')]);
    await chooser.accept(filesIn(folder));
  } else {
    const chosen = {members: 'members.csv', cover: 'cover.png', 'settings-file': 'roster.sdd',
                    'last-season': 'members-2025.csv', ...uploads};
    for (const [id, name] of Object.entries(chosen)) {
      if (fs.existsSync(path.join(folder, name))) await (await page.$('#' + id)).uploadFile(path.join(folder, name));
    }
  }
  // The members' photos, chosen with their own button, as roster.sdd's photo folder holds them.
  if (fs.existsSync(path.join(folder, 'photos'))) await (await page.$('#photos')).uploadFile(...filesIn(path.join(folder, 'photos')));
  if (change) {
    await page.$eval(`[data-key="${change.key}"]`, (input, value) => {
      input.value = value;
      input.dispatchEvent(new Event('change'));
    }, change.value);
  }
  await page.focus('#make');  // and pressed from the keyboard
  await page.keyboard.press('Enter');
  const refused = 'Choose your member list first.';
  await page.waitForFunction((refused) => document.body.dataset.done !== undefined ||
                             document.getElementById('messages').textContent === refused, {timeout: 120000}, refused);
  if (await page.evaluate(() => document.body.dataset.done === undefined)) return null;  // no list: nothing to run
  fs.mkdirSync(out, {recursive: true});
  const shown = await page.evaluate(() => ({status: Number(document.body.dataset.done), took: Number(document.body.dataset.took),
      helped: Number(document.body.dataset.helped || 0),
      sdd: document.getElementById('sdd').value,  // what Download roster.sdd gives
      lines: Array.from(document.querySelectorAll('#messages .said'), (line) => line.textContent),
      pdfs: Array.from(document.querySelectorAll('#downloads a')).map((a) => a.download)}));
  for (const [name, bytes] of Object.entries(await downloads(page))) fs.writeFileSync(path.join(out, name), bytes);
  return {...shown, lines: shown.lines.sort()};
}

// What the command line made in `folder` ending in `ending`, a proofs folder's files too, by
// the name the page offers each under: name -> path. The page's own downloads are left out.
function madeIn(folder, ending) {
  const made = {};
  const walk = (dir) => {
    for (const entry of fs.readdirSync(dir, {withFileTypes: true})) {
      const where = path.join(dir, entry.name);
      if (entry.isDirectory() && where !== path.join(folder, 'page')) walk(where);
      else if (entry.isFile() && entry.name.endsWith(ending)) made[entry.name] = where;
    }
  };
  walk(folder);
  return made;
}

// Runs the page and the command line on the files of `folder` and compares what they say
// and make; returns the failures.
async function compare(page, name, folder, {uploads, sampleTolerance = 0, withoutSettings, change, helped} = {}) {
  const failures = [];
  const check = (ok, what) => { if (!ok) failures.push(`${name}: ${what}`); };
  const shown = await runPage(page, folder, path.join(folder, 'page'), uploads, change);
  if (shown === null) {
    console.log(`${name}: no member list among the files, so the page asks for one`);
    return failures;
  }
  if (change) {
    // The roster.sdd downloaded differs from the uploaded one in the changed key's line only.
    const before = fs.readFileSync(path.join(folder, 'roster.sdd'), 'utf8').split('\n');
    const after = shown.sdd.split('\n');
    const differ = before.map((line, i) => line !== after[i] ? `${line} -> ${after[i]}` : null).filter((d) => d);
    check(before.length === after.length && differ.length === 1 &&
          differ[0] === `${change.key}: Letter -> ${change.key}: ${change.value}`,
          `the downloaded roster.sdd changed ${JSON.stringify(differ)}`);
  }
  // The command line runs on the roster.sdd the page made (unless the case is that it has none);
  // one uploaded and unchanged was used byte for byte.
  if (withoutSettings) {
    check(/^Title Color: #1a3b5c$/m.test(shown.sdd), 'the untouched form writes the defaults');
  } else if (change || !fs.existsSync(path.join(folder, 'roster.sdd'))) {
    fs.writeFileSync(path.join(folder, 'roster.sdd'), shown.sdd);
  }
  const expected = runCommandLine(folder);
  // Without a roster.sdd the tool says so; otherwise the two say the same.
  if (withoutSettings) expected.lines = expected.lines.filter((line) => !line.startsWith('Warning: cannot open roster.sdd'));
  check(shown.status === expected.status, `status ${shown.status}, the command line's ${expected.status}`);
  check(JSON.stringify(shown.lines) === JSON.stringify(expected.lines),
        `the page shows\n${shown.lines.join('\n')}\nthe command line says\n${expected.lines.join('\n')}`);
  const pdfs = madeIn(folder, '.pdf'), notes = madeIn(folder, '.txt');
  for (const [pdf, where] of Object.entries(pdfs)) {
    check(shown.pdfs.includes(pdf), `${pdf} not offered by the page`);
    if (shown.pdfs.includes(pdf)) {
      const [made, expected] = [normalised(path.join(folder, 'page', pdf)), normalised(where)];
      check(made === expected || (sampleTolerance > 0 && samplesWithin(made, expected, sampleTolerance)),
            `${pdf} differs from the command line's`);
    }
  }
  // The notes, where the run wrote any, are offered as the command line writes them.
  for (const [name, where] of Object.entries(notes)) {
    check(shown.pdfs.includes(name) && fs.readFileSync(path.join(folder, 'page', name)).equals(fs.readFileSync(where)),
          `${name} not offered by the page as the command line writes it`);
  }
  check(shown.pdfs.every((pdf) => pdf in pdfs || pdf in notes), `offers ${shown.pdfs} the tool did not make`);
  check(!helped || shown.helped > 0, 'no picture was prepared by a worker');
  console.log(`${name}: status ${shown.status}, ${shown.took} ms from Make the PDFs to the preview, ` +
              `${shown.pdfs.length} PDF(s), ${shown.helped} picture(s) prepared by workers`);
  return failures;
}

// The kept end-to-end inputs, each set of files once, of the end-to-end suite (Rosterbook.*)
// alone: scripts/test keeps every suite's runs.
function keptFolders() {
  if (!kept) return [];
  const seen = new Set();
  const names = fs.readdirSync(kept).filter((name) => name.startsWith('Rosterbook.')).sort();
  return names.map((name) => path.join(kept, name)).filter((folder) => {
    const hash = crypto.createHash('sha256');
    for (const file of fs.readdirSync(folder).sort().filter((f) => fs.statSync(path.join(folder, f)).isFile())) {
      hash.update(file + '\0').update(fs.readFileSync(path.join(folder, file)));
    }
    const digest = hash.digest('hex');
    return !seen.has(digest) && seen.add(digest);
  });
}

// axe-core's findings on the page as it stands, one line each.
async function accessibility(page, when) {
  await page.evaluate(fs.readFileSync(require.resolve('axe-core/axe.min.js'), 'utf8'));
  const violations = await page.evaluate(async () => (await axe.run(document, {resultTypes: ['violations']})).violations
      .map((v) => `${v.id} (${v.help}): ${v.nodes.map((node) => node.target.join(' ')).join(', ')}`));
  return violations.map((violation) => `axe-core, ${when}: ${violation}`);
}

// The page in a 360 px wide window and at 200 % (a 1280 px window's width halved, each CSS
// pixel two): nothing wider than the window; a screenshot of each in `screens` to look at.
async function smallWindows(page, name, screens) {
  const failures = [];
  for (const [label, viewport] of [['360px', {width: 360, height: 780}],
                                   ['200pc', {width: 640, height: 450, deviceScaleFactor: 2}]]) {
    await page.setViewport(viewport);
    const over = await page.evaluate(() => document.documentElement.scrollWidth - document.documentElement.clientWidth);
    if (over > 0) failures.push(`${name} at ${label}: the page is ${over} px wider than the window`);
    await page.screenshot({path: path.join(screens, `${name}-${label}.png`), fullPage: true});
  }
  await page.setViewport({width: 1280, height: 900});
  return failures;
}

// A run whose messages name a line of the member list and settings: each opens to its line,
// and a settings message leads to its field.
async function openedMessages(page, name, folder) {
  const failures = [];
  const shown = await runPage(page, folder, path.join(folder, 'page'), {});
  const opened = await openEveryPlace(page);
  const expect = {'members.csv line 3': '3  Member,Pat', 'unknown paper size': '4  Paper Size: A5', 'unknown key': '1  Titel:'};
  for (const [part, line] of Object.entries(expect)) {
    const found = opened.find((o) => o.said.includes(part));
    if (!found || found.expanded !== 'true' || (found.marked || '') !== line) {
      failures.push(`${name}: the message with "${part}" opens to ${JSON.stringify(found)}, not "${line}"`);
    }
  }
  const field = await page.$$eval('#messages .go-to-field', (buttons) => {
    const button = buttons.find((b) => b.closest('.message').textContent.includes('paper size'));
    if (!button) return null;
    button.click();
    return document.activeElement.dataset.key;
  });
  if (field !== 'Paper Size') failures.push(`${name}: the paper size message leads to ${field}`);
  if (shown === null || shown.lines.length < 3) failures.push(`${name}: the run said ${JSON.stringify(shown)}`);
  // A workbook's message opens to its row, the cells as the tool read them (the page reads
  // the list under its usual name, as the command line would find it).
  const book = folderOf({'readme.xlsx': fs.readFileSync(path.resolve(__dirname, '../../tests/data/sheets/readme.xlsx')),
                         'roster.sdd': Buffer.from('Sheet: Members\n')});
  await runPage(page, book, path.join(book, 'page'), {members: 'readme.xlsx'});
  const places = await openEveryPlace(page);
  const row = places.find((o) => o.said.includes('members.xlsx row 2: card line 5'));
  if (!row || row.label !== 'Show members.xlsx row 2' || !(row.marked || '').startsWith('2  Member | Ann | Able | 1 Main St')) {
    failures.push(`${name}: the workbook's message opens to ${JSON.stringify(row || places)}`);
  }
  return failures;
}

// Opens every message's place: what each message said, its button, and the line it marks.
function openEveryPlace(page) {
  return page.$$eval('#messages .show-line', (buttons) => buttons.map((button) => {
    button.click();
    const lines = document.getElementById(button.getAttribute('aria-controls'));
    return {said: button.closest('.message').querySelector('.said').textContent, label: button.textContent,
            expanded: button.getAttribute('aria-expanded'),
            marked: lines.hidden ? null : (lines.querySelector('mark') || {}).textContent};
  }));
}

// The files of a case in a new temporary folder.
function folderOf(files) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'rosterbook-web-'));
  for (const [name, bytes] of Object.entries(files)) {
    fs.mkdirSync(path.dirname(path.join(folder, name)), {recursive: true});
    fs.writeFileSync(path.join(folder, name), bytes);
  }
  return folder;
}

const typos = {'members.csv': Buffer.from('Role,First Name,Last Name,Address,City,Zip,Phone\nMember,Ann,Lee,1 Main St,Salem,97301,555\n' +
                                          'Member,Pat\nMember,Bo,Kim,2 Main St,Salem,97301,556\n'),
               'roster.sdd': Buffer.from('Titel:\nHarbour Squares\n\nPaper Size: A5\n')};

// The every-script page in Chromium against the command line, case by case.
async function everyScript(failures) {
  const browser = await puppeteer.launch(browsers.chromium);
  const page = await openPage(browser, path.join(pages, 'rosterbook-all.html'));
  // The page holds no default of its own: every one comes from the module's table.
  const source = fs.readFileSync(path.resolve(__dirname, '../page.html'), 'utf8').replace(/<style>[^]*<\/style>/, '');
  const keys = await page.evaluate(() => Array.from(document.querySelectorAll('[data-key]'),
                                                      (input) => [input.dataset.key, input.value]));
  for (const [key, value] of keys) {
    const held = [`'${value}'`, `"${value}"`, `>${value}<`].some((quoted) => source.includes(quoted));
    if (value.length > 1 && held) failures.push(`page.html holds ${key}'s default ${value}`);
  }
  if (keys.length < 30) failures.push(`the form shows ${keys.length} keys`);
  const languages = await page.$eval('[data-key="Sort Language"]', (select) => Array.from(select.options, (o) => o.text));
  if (!languages.includes('German (de)') || !languages.includes('Polish (pl)')) {
    failures.push(`the sort languages offered: ${languages.join(', ')}`);
  }
  // ONLY=<part of a name>: just the cases named so (while mending one).
  for (const c of cases.filter((c) => !process.env.ONLY || c.name.includes(process.env.ONLY))) {
    const folder = folderOf(c.files);
    failures.push(...await compare(page, c.name, folder, c));
    fs.rmSync(folder, {recursive: true, force: true});
  }
  // The end-to-end tests' inputs on two pages at once (the machine's two cores), half each; the
  // second in a browser of its own, so neither is a background tab the browser slows down.
  const kept = process.env.ONLY ? [] : keptFolders();
  const otherBrowser = await puppeteer.launch(browsers.chromium);
  const other = await openPage(otherBrowser, path.join(pages, 'rosterbook-all.html'));
  const halves = await Promise.all([page, other].map(async (tab, half) => {
    const found = [];
    for (const folder of kept.filter((_, i) => i % 2 === half)) found.push(...await compare(tab, path.basename(folder), folder, {uploads: 'together'}));
    return found;
  }));
  failures.push(...halves.flat());
  for (const tab of [page, other]) {
    if (tab.requests.length > 0) failures.push(`network requests: ${tab.requests.join(' ')}`);
  }
  await otherBrowser.close();
  await browser.close();
}

// The light page in `name`'s browser: the sample club as the command line makes it, a Korean
// name it leaves to the every-script page, axe-core, messages opened, small windows.
async function light(name, failures, screens) {
  const browser = await puppeteer.launch(browsers[name]);
  const page = await openPage(browser, path.join(pages, 'rosterbook.html'));
  failures.push(...await accessibility(page, `${name}, the page opened`));
  const club = folderOf(cases[0].files);
  failures.push(...await compare(page, `${name}, the light page: ${cases[0].name}`, club,
                                 {...cases[0], uploads: name === 'chromium' ? 'keyboard' : undefined}));
  const hebrew = cases.find((c) => c.name.startsWith('a Hebrew club'));
  failures.push(...await compare(page, `${name}, the light page: ${hebrew.name}`, folderOf(hebrew.files), hebrew));
  // Two clubs in a row: the first one's paper, typed in the form, is not the second one's.
  const first = folderOf({'members.csv': fs.readFileSync(path.join(club, 'members.csv'))});
  await runPage(page, first, path.join(first, 'page'), {}, {key: 'Paper Size', value: 'A4'});
  const second = await runPage(page, folderOf({'members.csv': fs.readFileSync(path.join(club, 'members.csv'))}),
                               path.join(first, 'second'), {});
  if (!second || !/^Paper Size: Letter$/m.test(second.sdd) || /^Paper Size: A4$/m.test(second.sdd)) {
    failures.push(`${name}: Start again kept the last club's settings: ${second && second.sdd}`);
  }
  const korean = folderOf({'members.csv': Buffer.from('Role,First,Last,Address,City,Zip,Phone\nMember,민준,김,1 Main St,Seoul,04524,555\n')});
  const said = await runPage(page, korean, path.join(korean, 'page'), {});
  if (!said || !said.lines.some((line) => line.includes('Korean (Hangul): open rosterbook-all'))) {
    failures.push(`${name}: a Korean name on the light page: ${JSON.stringify(said && said.lines)}`);
  }
  failures.push(...await openedMessages(page, name, folderOf(typos)));
  failures.push(...await accessibility(page, `${name}, after a run with its messages opened`));
  failures.push(...await smallWindows(page, name, screens));
  if (page.requests.length > 0) failures.push(`${name}: network requests: ${page.requests.join(' ')}`);
  await browser.close();
}

(async () => {
  const failures = [];
  const screens = path.join(pages, 'screens');
  fs.mkdirSync(screens, {recursive: true});
  if (!process.env.LIGHT_ONLY) await everyScript(failures);
  for (const name of Object.keys(browsers)) await light(name, failures, screens);
  for (const failure of failures) console.log('FAILED: ' + failure);
  process.exit(failures.length === 0 ? 0 : 1);
})().catch((error) => { console.error(error); process.exit(1); });
