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
  // The pages open no dialogs: one would be injected script running. It is
  // noted (tests check `dialogs`) and dismissed, so it never stalls a test.
  const dialogs = [];
  context.on('page', (page) => page.on('dialog', (d) => {
    dialogs.push(d.message());
    d.dismiss().catch(() => {});
  }));
  return {
    context,
    dialogs,
    newPage: () => context.newPage(),
    async close() {
      await context.close();
      fs.rmSync(profile, { recursive: true, force: true });
    },
  };
}

// Saves a screenshot of the whole page into build/screenshots.
async function screenshot(page, name) {
  const dir = process.env.CORVANTA_SCREENSHOT_DIR || path.join(sourceDir, 'build/screenshots');
  fs.mkdirSync(dir, { recursive: true });
  await page.screenshot({ path: path.join(dir, `${name}.png`), fullPage: true });
}

module.exports = { launch, screenshot };
