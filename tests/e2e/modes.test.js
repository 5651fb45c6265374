// The table of every field type and input type in "Join" and "Login" mode:
// members add, see, change and delete records of every kind on the visitor
// site, the administrator adds them for a member.
'use strict';

const { test, before, after, describe } = require('node:test');
const assert = require('node:assert/strict');
const { Host } = require('./lib/host');
const { launch } = require('./lib/browser');
const { catalogue } = require('./lib/catalogue');
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

const members = {
  UserUpdate: true, AllowSearch: true, AllowAddModify: true, AllowDelete: true, SendEmail: true,
};

function fullRecord(title, code) {
  return {
    title, code, notes: 'first\nsecond', colour: 'green', size: 'medium', amount: '12',
    price: '7,5', active: true, born_day: '31', born_month: '12', born_year: '1999',
    born_hour: '23', born_minute: '59', alarm_hour: '6', alarm_minute: '30', alarm_second: '0',
    photo: P.pictureFile('photo.png', [200, 100, 0]), poster: 'A poster',
    postertwo: P.pictureFile('poster.png', [0, 100, 200], 16, 16), contact: 'Write',
    contacttwo: 'w@example.org', homepage: 'Site', homepagetwo: 'http://example.org/',
  };
}

function stored(table, code) {
  const names = host.sql(`SHOW COLUMNS FROM ${table}`).map((c) => c[0]);
  const values = host.sql(`SELECT * FROM ${table} WHERE code = '${code}'`)[0];
  return values && Object.fromEntries(names.map((n, i) => [n, values[i]]));
}

// What every mode must show of a record added with fullRecord().
async function checkShown(url, title) {
  await page.goto(`${url}search.php`);
  await P.fillRecord(page, { field1: 'title', operator1: 'is', fieldvalue1: title });
  await P.submitButton(page, 'Search');
  const rows = await P.resultRows(page);
  assert.deepEqual(rows[1].slice(1, 11), [title, 'green', '12', '7,5', 'Yes', '31/12/1999 23:59',
    '', 'A poster', 'Write', 'Site']);
  assert.equal(await page.locator('table.searchresult img').evaluate((i) => i.naturalWidth), 40);
  await P.followLink(page, '1');
  const cells = await P.recordCells(page);
  assert.equal(cells.Notes, 'first second');
  assert.equal(cells.Size, 'medium');
  assert.equal(cells['Alarm (hh:mm:ss)'], '06:30:00');
}

describe('Join mode', () => {
  let site;

  before(async () => {
    site = await host.createSite('joinall', catalogue('joinall', { ...members, UserMode: 'Join' }));
  });

  test('a visitor adds a record of every kind and becomes its owner', async () => {
    await page.goto(`${site.url}add_record.php`);
    await P.fillRecord(page, { ...fullRecord('Joined', 'J-1'), email: 'j@example.org', password: 'jp' });
    await P.submitButton(page, 'Add Record');
    assert.match(await P.bodyText(page), /created successfully/);
    const r = stored('joinall', 'J-1');
    assert.equal(r.born, '19991231235900');
    assert.equal(host.sql(`SELECT username FROM joinall_USERS WHERE userid = ${r.userid}`)[0][0],
      'j@example.org');
    await checkShown(site.url, 'Joined');
  });

  test('the member changes every kind of field and a new picture replaces the old', async () => {
    const before = stored('joinall', 'J-1');
    await P.memberLogin(page, `${site.url}modify_record.php`, 'j@example.org', 'jp');
    // His only record comes as a form at once.
    assert.equal(await page.locator('input[name=title]').inputValue(), 'Joined');
    assert.equal(await page.locator('textarea[name=notes]').inputValue(), 'first\nsecond');
    assert.equal(await page.locator('input[name=alarm_minute]').inputValue(), '30');
    assert.equal(await page.locator('input[name=alarm_second]').inputValue(), '', 'a zero part shows empty');
    await P.fillRecord(page, { notes: 'changed', colour: 'red', size: 'large', amount: '13',
      price: '8,25', active: false, born_year: '2000', alarm_second: '5', poster: 'New poster',
      contacttwo: 'v@example.org', homepagetwo: 'https://example.org/new',
      photo: P.pictureFile('new.png', [1, 2, 3], 8, 8) });
    await P.submitButton(page, 'Modify Record');
    assert.match(await P.bodyText(page), /The record has been modified\./);
    const after = stored('joinall', 'J-1');
    assert.deepEqual([after.notes, after.colour, after.size, after.amount, after.price, after.active,
      after.born, after.alarm, after.poster, after.contacttwo, after.homepagetwo],
    ['changed', 'red', 'large', '13', '8.25', '0', '20001231235900', '00000000063005',
      'New poster', 'v@example.org', 'https://example.org/new']);
    assert.notEqual(after.photo, before.photo);
    assert.equal(after.postertwo, before.postertwo, 'no new poster picture keeps the old');
  });

  test('the member deletes it, with its pictures', async () => {
    const r = stored('joinall', 'J-1');
    await P.memberLogin(page, `${site.url}delete_record.php`, 'j@example.org', 'jp');
    await P.followLink(page, 'Delete');
    await P.submitButton(page, 'Delete');
    assert.match(await P.bodyText(page), /The record has been deleted\./);
    assert.equal(stored('joinall', 'J-1'), undefined);
    assert.deepEqual(host.sql(
      `SELECT imageid FROM joinall_IMAGES WHERE imageid IN (${r.photo}, ${r.postertwo})`), []);
  });
});

describe('Login mode', () => {
  let site;

  before(async () => {
    site = await host.createSite('loginall', catalogue('loginall', { ...members, UserMode: 'Login' }));
    host.sql("INSERT INTO loginall_USERS(username, userpassword) VALUES ('l@example.org', 'lp')");
  });

  test('the administrator adds a record of every kind for a member, locking all but the title', async () => {
    await P.adminLoginPage(page, site);
    await page.goto(`${site.adminUrl}add_record.php`);
    const locks = {};
    for (const name of await page.locator('input[type=checkbox][name$=_USEREDIT]').evaluateAll(
      (els) => els.map((e) => e.name))) locks[name] = name === 'title_USEREDIT';
    assert.equal(Object.keys(locks).length, 15, 'every field has its editable box');
    await P.fillRecord(page, { ...fullRecord('Locked', 'L-1'), ...locks, usercombo: 'l@example.org' });
    await P.submitButton(page, 'Add Record');
    assert.match(await P.bodyText(page), /created successfully/);
  });

  test('the member sees it among his records and may change only the title', async () => {
    const before = stored('loginall', 'L-1');
    await P.memberLoginPage(page, site, 'l@example.org', 'lp');
    const rows = await P.resultRows(page);
    assert.deepEqual(rows.slice(1).map((r) => r[1]), ['Locked']);
    await checkShown(site.url, 'Locked');

    await page.goto(`${site.url}search.php?myrecords=1`);
    await P.followLink(page, 'Modify');
    assert.equal(await page.locator('input[name=title][type=text]').count(), 1);
    assert.equal(await page.locator('input[type=file], textarea, select, input[type=radio]').count(), 0,
      'locked fields are shown, not offered');
    const cells = await P.recordCells(page);
    assert.equal(cells['Born (DD/MM/YYYY hh:mm)'], '31/12/1999 23:59');
    assert.equal(cells.Price, '7,5');
    await P.fillRecord(page, { title: 'Unlocked title' });
    await P.submitButton(page, 'Modify Record');
    assert.match(await P.bodyText(page), /The record has been modified\./);
    const after = stored('loginall', 'L-1');
    assert.equal(after.title, 'Unlocked title');
    // The statement always clears the built-in field's own flag.
    for (const column of Object.keys(before))
      if (column !== 'title' && column !== 'userid_USEREDIT') assert.equal(after[column], before[column], column);
  });

  test('the member adds a record of every kind himself, owning it with every field his', async () => {
    await P.memberLoginPage(page, site, 'l@example.org', 'lp');
    await page.goto(`${site.url}add_record.php`);
    assert.equal(await page.locator('input[name=email]').count(), 0, 'the member is known');
    await P.fillRecord(page, fullRecord('Own', 'L-2'));
    await P.submitButton(page, 'Add Record');
    assert.match(await P.bodyText(page), /created successfully/);
    const r = stored('loginall', 'L-2');
    assert.equal(host.sql(`SELECT username FROM loginall_USERS WHERE userid = ${r.userid}`)[0][0],
      'l@example.org');
    assert.equal(r.notes_USEREDIT, '1');
    await checkShown(site.url, 'Own');
    await page.goto(`${site.url}search.php?myrecords=1`);
    assert.deepEqual((await P.resultRows(page)).slice(1).map((x) => x[1]), ['Own', 'Unlocked title']);
  });
});
