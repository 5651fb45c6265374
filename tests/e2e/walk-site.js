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

async function submit(frame, value) {
  await Promise.all([frame.waitForNavigation({ waitUntil: 'load' }),
    frame.locator(`input[type=submit][value="${value}"]`).first().click()]);
}

test('the uploaded site works in the browser', { skip: !url && 'no WALK_SITE_URL' }, async () => {
  const browser = await launch();
  try {
    const page = await browser.newPage();
    await page.goto(url, { waitUntil: 'load' });
    assert.match(await page.frame({ name: 'body' }).locator('body').innerText(),
      /Second-hand bookshop/);
    await screenshot(page, 'walk-14-site');

    await page.goto(`${url}admin/login.php`);
    await page.fill('input[name=admin_password]', password);
    await Promise.all([page.waitForNavigation({ waitUntil: 'load' }),
      page.locator('input[type=submit][value="Enter"]').click()]);
    const menu = page.frame({ name: 'head' });
    assert.ok(menu, 'the administrator password opens the administrator site');
    await Promise.all([page.frame({ name: 'body' }).waitForNavigation({ waitUntil: 'load' }),
      menu.getByRole('link', { name: 'Add record', exact: true }).click()]);
    const body = page.frame({ name: 'body' });
    const texts = body.locator('table.createform input[type=text]');
    await texts.nth(0).fill('Moby-Dick');
    await texts.nth(1).fill('Herman Melville');
    await texts.nth(2).fill('1851');
    await texts.nth(3).fill('14.50');
    await screenshot(page, 'walk-15-admin-add-record');
    await submit(body, 'Add Record');
    assert.match(await body.locator('body').innerText(), /created successfully/);

    await page.goto(url, { waitUntil: 'load' });
    const search = page.frame({ name: 'body' });
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
