// Debian's Chromium, driven by Playwright, with a new empty profile.
'use strict';

const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { chromium } = require('playwright-core');
const { sourceDir } = require('./host');

async function launch() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'corvanta-chromium-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: '/usr/bin/chromium',
    headless: true,
    viewport: { width: 1100, height: 800 },
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  // The pages ask only one question, before a record is deleted: it is noted
  // in `confirms` and answered with `confirmAnswer`. Any other dialog would
  // be injected script running: it is noted (tests check `dialogs`) and
  // dismissed, so it never stalls a test.
  const dialogs = [];
  const confirms = [];
  const api = { confirmAnswer: true };
  context.on('page', (page) => page.on('dialog', (d) => {
    if (d.type() === 'confirm') {
      confirms.push(d.message());
      (api.confirmAnswer ? d.accept() : d.dismiss()).catch(() => {});
      return;
    }
    dialogs.push(d.message());
    d.dismiss().catch(() => {});
  }));
  return Object.assign(api, {
    context,
    dialogs,
    confirms,
    newPage: () => context.newPage(),
    async close() {
      await context.close();
      fs.rmSync(profile, { recursive: true, force: true });
    },
  });
}

// Saves a screenshot of the whole page into build/screenshots.
async function screenshot(page, name) {
  const dir = process.env.CORVANTA_SCREENSHOT_DIR || path.join(sourceDir, 'build/screenshots');
  fs.mkdirSync(dir, { recursive: true });
  await page.screenshot({ path: path.join(dir, `${name}.png`), fullPage: true });
}

module.exports = { launch, screenshot };
