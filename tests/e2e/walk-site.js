// The end of the desktop walk (tests/welcome/TestWalkScreens): the person
// opens the site the windows uploaded in Chromium, logs in as administrator,
// adds a book, and finds it as a visitor. Run by that test through
// `tests/e2e/run walk-site.js` with WALK_SITE_URL and WALK_ADMIN_PASSWORD;
// not a suite of its own.
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const { launch, screenshot } = require('./lib/browser');

const url = process.env.WALK_SITE_URL;
const password = process.env.WALK_ADMIN_PASSWORD;

// The working part of the page: the "body" frame of a framed site, or the
// page itself; the menu likewise.
const work = (page) => page.frame({ name: 'body' }) || page.mainFrame();
const menuOf = (page) => page.frame({ name: 'head' }) || page.mainFrame();

// The site's address: a framed site shows its frames, a one-page site leads
// on to its search page.
async function openSite(page, url) {
  await page.goto(url, { waitUntil: 'load' });
  if (!page.frame({ name: 'body' })) await page.waitForURL(/search\.php/);
}

async function submit(frame, value) {
  await Promise.all([frame.waitForNavigation({ waitUntil: 'load' }),
    frame.locator(`input[type=submit][value="${value}"]`).first().click()]);
}

test('the uploaded site works in the browser', { skip: !url && 'no WALK_SITE_URL' }, async () => {
  const browser = await launch();
  try {
    const page = await browser.newPage();
    await openSite(page, url);
    assert.match(await work(page).locator('body').innerText(), /Second-hand bookshop/);
    await screenshot(page, 'walk-14-site');

    await page.goto(`${url}admin/login.php`);
    await page.fill('input[name=admin_password]', password);
    await Promise.all([page.waitForNavigation({ waitUntil: 'load' }),
      page.locator('input[type=submit][value="Enter"]').click()]);
    const menu = menuOf(page);
    assert.ok(await menu.getByRole('link', { name: 'Add record', exact: true }).count(),
      'the administrator password opens the administrator site');
    await Promise.all([work(page).waitForNavigation({ waitUntil: 'load' }),
      menu.getByRole('link', { name: 'Add record', exact: true }).click()]);
    const body = work(page);
    const texts = body.locator('table.createform input[type=text]');
    await texts.nth(0).fill('Moby-Dick');
    await texts.nth(1).fill('Herman Melville');
    await texts.nth(2).fill('1851');
    await texts.nth(3).fill('14.50');
    await screenshot(page, 'walk-15-admin-add-record');
    await submit(body, 'Add Record');
    assert.match(await body.locator('body').innerText(), /created successfully/);

    await openSite(page, url);
    const search = work(page);
    await search.locator('select[name=field1]').selectOption({ label: 'Title' });
    await search.fill('input[name=fieldvalue1]', 'moby');
    await submit(search, 'Search');
    const rows = await search.locator('table.searchresult tr').allInnerTexts();
    assert.equal(rows.length, 2);
    assert.match(rows[1], /Moby-Dick\s+Herman Melville\s+1851\s+14.5/);
    await screenshot(page, 'walk-16-visitor-search');
    assert.deepEqual(browser.dialogs, []);
  } finally {
    await browser.close();
  }
});
