// Times the web page in headless Chromium for scripts/bench: a folder's files chosen together
// (its photos/ with the photo button), Make the PDFs pressed, `runs` times on one page with
// "Start again" between; prints the median milliseconds from Make to the preview, as the page
// measures it, the median of how long the page took to be ready, opened `runs` times, and the
// first run's milliseconds (its WebAssembly not yet optimized by the browser, as a secretary's
// first run on a page just opened).
// Each run starts PAUSE_MS after the last one's preview was set: Chromium's PDF viewer renders
// that preview in a process of its own for a second or more, and a run made meanwhile shares
// the two cores with it (twice as slow here), which a secretary's one run does not.
//   node web/test/bench-web.js build-web/rosterbook.html FOLDER RUNS
const puppeteer = require('puppeteer-core');
const fs = require('fs');
const path = require('path');

const [pagePath, folder] = process.argv.slice(2, 4).map((p) => path.resolve(p));
const runs = Number(process.argv[4] || 5);
const filesIn = (where) => fs.readdirSync(where).map((name) => path.join(where, name))
    .filter((file) => fs.statSync(file).isFile() && !file.endsWith('.pdf'));
const PAUSE_MS = 3000;
const median = (values) => values.sort((a, b) => a - b)[Math.floor((values.length - 1) / 2)];

(async () => {
  const browser = await puppeteer.launch(require('./browsers').chromium);
  // "Ready": the drop zone takes files, the module started. The median of `runs` fresh pages.
  const readies = [];
  let page = null;
  for (let i = 0; i < runs; ++i) {
    if (page) await page.close();
    page = await browser.newPage();
    if (process.env.VERBOSE) page.on('console', (message) => console.error(message.text()));
    if (process.env.VERBOSE) page.on('pageerror', (error) => console.error(String(error)));
    const opened = Date.now();
    await page.goto('file://' + pagePath);
    await page.waitForFunction(() => document.body.dataset.ready === 'true', {timeout: 60000});
    readies.push(Date.now() - opened);
  }
  // The helpers that prepare pictures start after the page is ready.
  await page.waitForFunction(() => Number(document.body.dataset.helpers || 0) > 0 || navigator.hardwareConcurrency < 2,
                             {timeout: 60000});
  const took = [];
  for (let i = 0; i < runs; ++i) {
    await page.click('#again');
    await (await page.$('#many')).uploadFile(...filesIn(folder));
    if (fs.existsSync(path.join(folder, 'photos'))) {
      await (await page.$('#photos')).uploadFile(...filesIn(path.join(folder, 'photos')));
    }
    await page.click('#make');
    await page.waitForFunction(() => document.body.dataset.done !== undefined, {timeout: 600000});
    took.push(await page.evaluate(() => Number(document.body.dataset.took)));
    await new Promise((done) => setTimeout(done, PAUSE_MS));
    if (process.env.VERBOSE) console.error(await page.evaluate(() => JSON.stringify(document.body.dataset)));
  }
  await browser.close();
  console.log(`${median(took.slice())} ${median(readies)} ${took[0]}`);
})().catch((error) => { console.error(error); process.exit(1); });
