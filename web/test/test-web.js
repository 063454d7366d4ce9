// Drives the web page in headless Chromium on the sample club and on inputs with errors,
// and compares what it shows and the PDFs it gives with the command line's:
//   node web/test/test-web.js build-web/rosterbook.html build/rosterbook
const puppeteer = require('puppeteer-core');
const {execFileSync, spawnSync} = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

const [pagePath, tool] = process.argv.slice(2).map((p) => path.resolve(p));
const club = path.resolve(__dirname, '../../examples/club');
const cases = [
  {name: 'the sample club', files: {'members.csv': fs.readFileSync(path.join(club, 'members.csv')),
                                    'roster.sdd': fs.readFileSync(path.join(club, 'roster.sdd'))}},
  {name: 'a spreadsheet file', files: {'members.csv': Buffer.from('PK\x03\x04 spreadsheet bytes', 'latin1')}},
  {name: 'a broken photo', files: {'members.csv': fs.readFileSync(path.join(club, 'members.csv')),
                                   'cover.png': Buffer.from('\x89PNG\r\n\x1a\n cut short', 'latin1')}},
  {name: 'a settings typo', files: {'members.csv': fs.readFileSync(path.join(club, 'members.csv')),
                                    'roster.sdd': Buffer.from('Titel:\nHarbour Squares\n\nPaper Size: A5\n')}},
  {name: 'files named by last season\'s roster.sdd',
   files: {'list.csv': fs.readFileSync(path.join(club, 'members.csv')),
           'club photo.png': fs.readFileSync(path.resolve(club, '../pictures/committee.png')),
           'roster.sdd': Buffer.from('Member CSV: list.csv\nCover Image: "club photo.png"\n')},
   uploads: {members: 'list.csv', cover: 'club photo.png'}},
];

// The PDF as qpdf --qdf writes it, its dates and /ID blanked: what two runs share.
function normalised(file) {
  const qdf = file + '.qdf';
  spawnSync('qpdf', ['--qdf', '--object-streams=disable', file, qdf]);
  return fs.readFileSync(qdf, 'latin1').replace(/D:\d{14}[^)]*/g, 'D:0').replace(/\/ID \[<[0-9a-f]+><[0-9a-f]+>\]/g, '');
}

function runCommandLine(folder) {
  const result = spawnSync(tool, [], {cwd: folder, encoding: 'utf8', timeout: 60000});
  return {status: result.status, lines: (result.stdout + result.stderr).split('\n').filter((l) => l).sort()};
}

async function runPage(browser, folder, out, uploads) {
  const page = await browser.newPage();
  const requests = [];
  page.on('request', (request) => { if (/^(https?|wss?|ftp):/.test(request.url())) requests.push(request.url()); });
  await page.goto('file://' + pagePath);
  const chosen = {members: 'members.csv', cover: 'cover.png', 'settings-file': 'roster.sdd', ...uploads};
  for (const [id, name] of Object.entries(chosen)) {
    if (fs.existsSync(path.join(folder, name))) await (await page.$('#' + id)).uploadFile(path.join(folder, name));
  }
  await page.waitForFunction((wanted) => document.getElementById('sdd').value !== '' && wanted, {}, true);
  await page.keyboard.press('Tab');  // the button is reached and pressed from the keyboard
  await page.focus('#make');
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => document.body.dataset.done !== undefined, {timeout: 120000});
  fs.mkdirSync(out, {recursive: true});
  const cdp = await page.target().createCDPSession();
  await cdp.send('Browser.setDownloadBehavior', {behavior: 'allow', downloadPath: out});
  const shown = await page.evaluate(() => ({status: Number(document.body.dataset.done), took: Number(document.body.dataset.took),
      sdd: document.getElementById('sdd').value,
      lines: document.getElementById('messages').textContent.split('\n').filter((l) => l).sort(),
      pdfs: Array.from(document.querySelectorAll('#downloads a')).map((a) => a.download)}));
  for (const link of await page.$$('#downloads a')) await link.click();
  for (let i = 0; i < 100 && !shown.pdfs.every((n) => fs.existsSync(path.join(out, n))); ++i) {
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  await page.close();
  return {...shown, requests};
}

(async () => {
  const browser = await puppeteer.launch({executablePath: '/usr/bin/chromium', headless: 'new', args: ['--no-sandbox']});
  let failures = 0;
  const check = (ok, what) => { if (!ok) { ++failures; console.log('FAILED: ' + what); } };
  for (const c of cases) {
    const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'rosterbook-web-'));
    for (const [name, bytes] of Object.entries(c.files)) fs.writeFileSync(path.join(folder, name), bytes);
    const page = await runPage(browser, folder, path.join(folder, 'page'), c.uploads);
    // Without a roster.sdd of its own the page runs on what its form writes: so does the tool.
    if (!c.files['roster.sdd']) fs.writeFileSync(path.join(folder, 'roster.sdd'), page.sdd);
    const expected = runCommandLine(folder);
    check(page.status === expected.status, `${c.name}: status ${page.status}, the command line's ${expected.status}`);
    check(JSON.stringify(page.lines) === JSON.stringify(expected.lines),
          `${c.name}: the page shows\n${page.lines.join('\n')}\nthe command line says\n${expected.lines.join('\n')}`);
    check(page.requests.length === 0, `${c.name}: network requests ${page.requests.join(' ')}`);
    for (const name of ['booklet.pdf', 'standard.pdf']) {
      const made = fs.existsSync(path.join(folder, name));
      check(page.pdfs.includes(name) === made, `${c.name}: ${name} ${made ? 'not offered' : 'offered'} by the page`);
      if (made && page.pdfs.includes(name)) {
        check(normalised(path.join(folder, 'page', name)) === normalised(path.join(folder, name)),
              `${c.name}: ${name} differs from the command line's`);
      }
    }
    console.log(`${c.name}: status ${page.status}, ${page.took} ms from Make the PDFs to the preview, ` +
                `${page.pdfs.length} PDF(s)`);
    fs.rmSync(folder, {recursive: true, force: true});
  }
  await browser.close();
  process.exit(failures === 0 ? 0 : 1);
})().catch((error) => { console.error(error); process.exit(1); });
