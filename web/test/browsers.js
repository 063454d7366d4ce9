// The browsers the page is driven in, as puppeteer-core launches them: Debian's own, none
// downloaded. Chromium over CDP, Firefox ESR over WebDriver BiDi.
module.exports = {
  chromium: {browser: 'chrome', executablePath: '/usr/bin/chromium', headless: true, args: ['--no-sandbox']},
  firefox: {browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless: true},
};
