// Lighthouse on the search and add pages of both sites, in both layouts:
// accessibility at least 95, best practices at least 90. Run by
// `bench/run lighthouse` (not a suite of the test run: Lighthouse needs a
// minute). Prints every score, and the time the generated search page takes
// to paint its content against a plain page from the same server.
'use strict';

const { test, before, after } = require('node:test');
const { setCookies } = require('./lib/cookies');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { Host } = require('./lib/host');
const { field, project } = require('./lib/project');

const BARS = { accessibility: 95, 'best-practices': 90 };
const FLAGS = ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync'];

let host;
let chrome;
let lighthouse;

function books(name, layout) {
  return project(name, [
    field('title', 'Text', 'Text', 'RSVE', { Name: 'Title' }),
    field('author', 'Text', 'Text', 'SVE', { Name: 'Author' }),
    field('genre', 'Text', 'Select', 'SVE', { Name: 'Genre', EnumValues: ['novel', 'poetry'] }),
    field('pages', 'Integer', 'Text', 'SVE', { Name: 'Pages' }),
    field('published', 'Date & time', 'Date & time', 'SVE', { Name: 'Published', DateTimeFormat: 'DD/MM/YYYY' }),
    field('contact', 'Mailto', 'Mailto', 'SVE', { Name: 'Contact' }),
    field('cover', 'Image', 'Image', 'VE', { Name: 'Cover' }),
  ], { Layout: layout, UserUpdate: true, UserMode: 'Join', AllowSearch: true, AllowAddModify: true,
    OnlyMembersCanAdd: false, AllowDelete: true });
}

// The administrator's session cookie (a framed or one-page login alike).
async function adminCookie(adminUrl) {
  const answer = await fetch(`${adminUrl}login.php`, {
    method: 'POST',
    redirect: 'manual',
    headers: { 'Content-Type': 'application/x-www-form-urlencoded' },
    body: 'admin_password=admin%20secret',
  });
  return setCookies(answer.headers).map((c) => c.split(';')[0]).join('; ');
}

async function audit(url, cookie) {
  const result = await lighthouse(url, {
    port: chrome.port,
    output: 'json',
    logLevel: 'error',
    onlyCategories: ['accessibility', 'best-practices', 'performance'],
    extraHeaders: cookie ? { Cookie: cookie } : undefined,
    formFactor: 'desktop',
    screenEmulation: { mobile: false, width: 1366, height: 768, deviceScaleFactor: 1, disabled: false },
    throttlingMethod: 'provided',
  });
  const { categories, audits } = result.lhr;
  return {
    scores: Object.fromEntries(Object.keys(BARS).map((k) => [k, Math.round(categories[k].score * 100)])),
    paint: audits['largest-contentful-paint'].numericValue,
    failed: Object.values(audits).filter((a) => a.score !== null && a.score < 1 &&
      ['binary', 'numeric'].includes(a.scoreDisplayMode) && !a.id.match(/paint|interactive|blocking|speed|layout-shift|bootup|server-response|render-blocking|unused|mainthread|dom-size|font-display/))
      .map((a) => a.id),
  };
}

before(async () => {
  lighthouse = (await import('lighthouse')).default;
  const launcher = await import('chrome-launcher');
  host = new Host();
  chrome = await launcher.launch({ chromePath: '/usr/bin/chromium', chromeFlags: FLAGS });
});

after(async () => {
  await chrome?.kill();
  host?.stop();
});

test('search and add pages reach the bars', async () => {
  const low = [];
  const paints = { site: [], reference: [] };
  for (const layout of ['one-page', 'frames']) {
    const name = `lh${layout === 'frames' ? 'f' : 'o'}`;
    const site = await host.createSite(name, books(name, layout));
    host.sql(`INSERT INTO ${name}(title, author, genre, pages) VALUES ('Moby-Dick', 'Melville', 'novel', 635)`);
    fs.writeFileSync(path.join(host.env.DOCUMENT_ROOT, name, 'reference.html'),
      '<!DOCTYPE html><html lang="en"><head><meta charset="utf-8"><title>Plain</title>' +
      '<meta name="viewport" content="width=device-width, initial-scale=1"></head>' +
      '<body><h1>Plain</h1><p>A page.</p></body></html>');
    const cookie = await adminCookie(site.adminUrl);
    for (const [who, root, c] of [['visitor', site.url, ''], ['admin', site.adminUrl, cookie]]) {
      for (const pageName of ['search.php', 'add_record.php']) {
        const { scores, paint, failed } = await audit(`${root}${pageName}`, c);
        const what = `${layout} ${who} ${pageName}`;
        console.log(`lighthouse: ${what}: accessibility ${scores.accessibility}, ` +
          `best practices ${scores['best-practices']}${failed.length ? ` (not passed: ${failed.join(', ')})` : ''}`);
        for (const [k, bar] of Object.entries(BARS))
          if (scores[k] < bar) low.push(`${what}: ${k} ${scores[k]} < ${bar}`);
        if (pageName === 'search.php' && who === 'visitor') {
          paints.site.push(paint);
          paints.reference.push((await audit(`${site.url}reference.html`, '')).paint);
        }
      }
    }
  }
  const sum = (a) => a.reduce((x, y) => x + y, 0);
  console.log(`lighthouse: search page paint ${Math.round(sum(paints.site))} ms, plain page ` +
    `${Math.round(sum(paints.reference))} ms`);
  console.log(`lighthouse ratio ${(sum(paints.site) / sum(paints.reference)).toFixed(2)}`);
  assert.deepEqual(low, []);
});
