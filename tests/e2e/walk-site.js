// The end of the desktop walks (tests/welcome/TestWalkScreens,
// tests/newcomer/TestNewcomerScreens): the person opens the site the windows
// uploaded in Chromium, logs in as administrator, adds a record, and finds it
// as a visitor. Run by those tests through `tests/e2e/run walk-site.js` with
// WALK_SITE_URL and WALK_ADMIN_PASSWORD; the record and the search default to
// the bookshop's (WALK_VALUES, a JSON list of the text boxes' values;
// WALK_SEARCH_FIELD and WALK_SEARCH_VALUE; WALK_ROW, a pattern of the row
// found; WALK_COLUMNS, a JSON list of the result table's headings; WALK_TITLE,
// a pattern of the first page; WALK_SHOTS, the pictures' prefix). Not a suite
// of its own. The browser trusts no test certificate: an address that would
// show a certificate warning fails the walk.
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const { launch, screenshot } = require('./lib/browser');

const env = process.env;
const url = env.WALK_SITE_URL;
const password = env.WALK_ADMIN_PASSWORD;
const values = JSON.parse(env.WALK_VALUES || '["Moby-Dick", "Herman Melville", "1851", "14.50"]');
const searchField = env.WALK_SEARCH_FIELD || 'Title';
const searchValue = env.WALK_SEARCH_VALUE || 'moby';
const row = new RegExp(env.WALK_ROW || 'Moby-Dick\\s+Herman Melville\\s+1851\\s+14.5');
const columns = JSON.parse(env.WALK_COLUMNS || '[]');
const title = env.WALK_TITLE === undefined ? /Second-hand bookshop/ : new RegExp(env.WALK_TITLE);
const shots = env.WALK_SHOTS || 'walk-';
const shotNumber = Number(env.WALK_SHOT_FIRST || 14);
const shot = (page, n, name) => screenshot(page, `${shots}${shotNumber + n}-${name}`);

// The working part of the page: the "body" frame of a framed site, or the
// page itself; the menu likewise.
const work = (page) => page.frame({ name: 'body' }) || page.mainFrame();
const menuOf = (page) => page.frame({ name: 'head' }) || page.mainFrame();

// The site's address: a framed site shows its frames, a one-page site its
// search page, at once (index.php) or after index.html's refresh where the
// server prefers that file.
async function openSite(page, url) {
  await page.goto(url, { waitUntil: 'load' });
  const refreshing = async () => {
    try {
      return await page.locator('meta[http-equiv="refresh" i]').count() > 0;
    } catch {
      return true; // on its way to the next page
    }
  };
  for (let i = 0; i < 120 && !page.frame({ name: 'body' }) && await refreshing(); i++) {
    await page.waitForTimeout(500);
  }
  await page.waitForLoadState('load');
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
    assert.match(await work(page).locator('body').innerText(), title);
    await shot(page, 0, 'site');

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
    for (const [i, value] of values.entries()) await texts.nth(i).fill(value);
    await shot(page, 1, 'admin-add-record');
    await submit(body, 'Add Record');
    assert.match(await body.locator('body').innerText(), /created successfully/);

    await openSite(page, url);
    const search = work(page);
    await search.locator('select[name=field1]').selectOption({ label: searchField });
    await search.fill('input[name=fieldvalue1]', searchValue);
    await submit(search, 'Search');
    const rows = await search.locator('table.searchresult tr').allInnerTexts();
    assert.equal(rows.length, 2);
    for (const column of columns) assert.match(rows[0], new RegExp(column));
    assert.match(rows[1], row);
    await shot(page, 2, 'visitor-search');
    assert.deepEqual(browser.dialogs, []);
  } finally {
    await browser.close();
  }
});
