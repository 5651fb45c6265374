// A visitor's record is never lost or damaged in the browser: a refused
// record comes back as typed with the reason, nothing of it stays behind,
// and letters the page's character set lacks arrive as typed. A member in
// Login mode finds his record or the offer to add one; a page of another
// site makes a logged-in administrator do nothing; Logout ends the session.
'use strict';

const { test, before, after, describe } = require('node:test');
const assert = require('node:assert/strict');
const { Host } = require('./lib/host');
const { launch } = require('./lib/browser');
const { field, project } = require('./lib/project');
const P = require('./lib/pages');

let host;
let browser;
let page;

before(async () => {
  host = new Host();
  browser = await launch();
  page = await browser.newPage();
});

after(async () => {
  await browser?.close();
  host?.stop();
});

describe('a visitor adding a record', () => {
  let site;

  before(async () => {
    site = await host.createSite('journal', project('journal', [
      field('title', 'Text', 'Text', 'RUSVE', { Name: 'Title', MaxLength: 40 }),
      field('day', 'Date & time', 'Date & time', 'SVE', { Name: 'Day', DateTimeFormat: 'DD/MM/YYYY' }),
      field('photo', 'Image', 'Image', 'VE', { Name: 'Photo' }),
    ], { UserUpdate: true, AllowSearch: true, AllowAddModify: true }));
    host.sql("INSERT INTO journal(title) VALUES ('Daily News')");
  });

  async function add(values) {
    await page.goto(`${site.url}add_record.php`);
    await P.fillRecord(page, values);
    await P.submitButton(page, 'Add Record');
    return P.bodyText(page);
  }

  test('a duplicate differing in case and blanks keeps the form and its picture, and no record', async () => {
    const text = await add({ title: 'daily news ', day_day: '1', day_month: '2', day_year: '2024',
      photo: P.pictureFile('p.png', [1, 2, 3]) });
    assert.match(text, /Title is already present in the database\. No duplicates are allowed\./);
    assert.equal(await page.locator('input[name=title]').inputValue(), 'daily news ');
    assert.equal(await page.locator('input[name=day_day]').inputValue(), '1');
    assert.equal(host.sql('SELECT COUNT(*) FROM journal')[0][0], '1');
    // The picture waits for the corrected form rather than being asked for again.
    assert.equal(await page.locator('input[name=photo_kept]').count(), 1);
    assert.equal(host.sql('SELECT COUNT(*) FROM journal_IMAGES')[0][0], '1');
  });

  test('31 February is no date', async () => {
    const text = await add({ title: 'Leap', day_day: '31', day_month: '02', day_year: '2024' });
    assert.match(text, /Day is not a valid date/);
    assert.equal(await page.locator('input[name=day_day]').inputValue(), '31');
    await P.fillRecord(page, { day_day: '29' });
    await P.submitButton(page, 'Add Record');
    assert.match(await P.bodyText(page), /created successfully/);
    assert.equal(host.sql("SELECT day FROM journal WHERE title = 'Leap'")[0][0], '20240229000000');
  });

  test('a file that is no picture is refused with the reason and the limit stated', async () => {
    await page.goto(`${site.url}add_record.php`);
    assert.match(await P.bodyText(page), /Largest picture: \d/);
    const text = await add({ title: 'Notes', photo: { name: 'notes.txt', mimeType: 'text/plain',
      buffer: Buffer.from('not a picture') } });
    assert.match(text, /Photo: only pictures \(JPEG, PNG, GIF\) can be stored\./);
    assert.equal(await page.locator('input[name=title]').inputValue(), 'Notes');
    assert.equal(host.sql("SELECT COUNT(*) FROM journal WHERE title = 'Notes'")[0][0], '0');
  });

  test('a new site is UTF-8: any letter is stored as typed, not as entity text', async () => {
    assert.match(await add({ title: 'Łódź 😀 Жurnal' }), /created successfully/);
    assert.equal(host.sql("SELECT title FROM journal WHERE title LIKE '%urnal'")[0][0], 'Łódź 😀 Жurnal');
    await page.goto(`${site.url}search.php`);
    await P.fillRecord(page, { field1: 'title', operator1: 'contains', fieldvalue1: 'ódź 😀' });
    await P.submitButton(page, 'Search');
    const rows = await P.resultRows(page);
    assert.equal(rows[1][1], 'Łódź 😀 Жurnal');
    assert.equal(await page.evaluate(() => document.characterSet), 'UTF-8');
    await P.followLink(page, '1');
    assert.equal((await P.recordCells(page)).Title, 'Łódź 😀 Жurnal');
  });
});

describe('a member of a Login site', () => {
  let site;

  before(async () => {
    site = await host.createSite('club', project('club', [
      field('title', 'Text', 'Text', 'SVE', { Name: 'Title' }),
    ], { UserMode: 'Login', UserUpdate: true, AllowSearch: true, AllowAddModify: true,
      AllowDelete: true }));
    host.sql("INSERT INTO club_USERS(userid, username, userpassword) VALUES (1, 'one@example.org', 'o'), (2, 'none@example.org', 'n')");
    host.sql("INSERT INTO club(userid, title) VALUES (1, 'His only record')");
  });

  test('with one record gets its form, with none the offer to add one', async () => {
    await P.memberLoginPage(page, site, 'one@example.org', 'o');
    await page.goto(`${site.url}modify_record.php`);
    assert.equal(await page.locator('input[name=title]').inputValue(), 'His only record');
    await P.memberLoginPage(page, site, 'none@example.org', 'n');
    await page.goto(`${site.url}modify_record.php`);
    await P.submitButton(page, 'Click here to add a record to the database');
    assert.match(await P.bodyText(page), /Add record to the database/);
  });

  test('Logout in the menu ends the session', async () => {
    await page.context().clearCookies();
    await page.goto(`${site.url}login.php`);
    await P.fillRecord(page, { login_email: 'one@example.org', login_password: 'o' });
    await P.submitButton(page, 'Login');
    // Framed: the menu is its own frame; one page: the menu heads the page.
    const menu = page.frame({ name: 'head' }) ?? page;
    await Promise.all([page.waitForNavigation({ waitUntil: 'load' }),
      menu.getByRole('link', { name: 'Logout', exact: true }).click()]);
    assert.match(await P.bodyText(page), /You have been logged out\./);
    assert.equal(await P.sessionCookie(page, false), undefined);
    await page.goto(`${site.url}search.php?myrecords=1`);
    assert.match(await P.bodyText(page), /Enter your ID and password/);
  });

  test("another site's page makes the logged-in administrator do nothing", async () => {
    await P.adminLogin(page, `${site.adminUrl}users.php`);
    assert.match(await P.bodyText(page), /Add user/);
    // A page of another site posts a new member to the users page.
    await page.route('http://evil.example/**', (route) => route.fulfill({
      contentType: 'text/html',
      body: `<form method="post" action="${site.adminUrl}users.php">
        <input name="job" value="usercreateaction"><input name="username" value="eve@example.org">
        <input name="userpassword" value="e"><input name="userrepassword" value="e"></form>
        <script>document.forms[0].submit()</script>`,
    }));
    await Promise.all([page.waitForNavigation({ url: /users\.php/ }), page.goto('http://evil.example/')]);
    assert.doesNotMatch(await P.bodyText(page), /created successfully/);
    assert.equal(host.sql("SELECT COUNT(*) FROM club_USERS WHERE username = 'eve@example.org'")[0][0], '0');
    // The administrator's own session goes on.
    await page.goto(`${site.adminUrl}users.php`);
    assert.match(await P.bodyText(page), /Add user/);
  });
});
