// Records of every field type and input type, added, shown, modified and
// deleted in the browser on the visitor and the administrator site; the
// validation messages; escaping; two visitors adding at the same moment;
// field changes on a site that holds 10,000 records.
'use strict';

const { test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { fieldChanges } = require('./lib/fieldchanges');
const { Host } = require('./lib/host');
const { launch, screenshot } = require('./lib/browser');
const { catalogue } = require('./lib/catalogue');
const P = require('./lib/pages');

const NASTY = `<script>alert("x")</script> 'single' "double" \\back $dollar {$x} &amp;`;

let host;
let browser;
let site;
let page;

function row(where) {
  return host.sql(`SELECT * FROM catalogue WHERE ${where}`)[0];
}

function columns() {
  return host.sql('SHOW COLUMNS FROM catalogue').map((c) => c[0]);
}

// One stored record as an object of its columns.
function record(where) {
  const names = columns();
  const values = row(where);
  return values && Object.fromEntries(names.map((n, i) => [n, values[i]]));
}

const firstRecord = {
  title: 'First record', code: 'C-1', notes: 'two\nlines', colour: 'sky "blue"', size: 'large',
  amount: '42', price: '3,25', active: true, born_day: '7', born_month: '3', born_year: '2024',
  born_hour: '9', born_minute: '5', alarm_hour: '1', alarm_minute: '2', alarm_second: '3',
  photo: P.pictureFile('red.png', [220, 30, 30]), poster: 'Poster one',
  postertwo: P.pictureFile('blue.png', [30, 30, 220], 20, 20), contact: 'Me',
  contacttwo: 'me@example.org', homepage: 'Home', homepagetwo: 'https://example.org/a?b=1&c=2',
};

before(async () => {
  host = new Host();
  site = await host.createSite('catalogue', catalogue('catalogue',
    { UserUpdate: true, AllowSearch: true, AllowAddModify: true }));
  browser = await launch();
  page = await browser.newPage();
});

after(async () => {
  await browser?.close();
  host?.stop();
});

test('the blank add form offers every input type, without hidden fields', async () => {
  await page.goto(`${site.url}add_record.php`);
  const types = await page.locator('form[name=RecordDetails] [name]').evaluateAll(
    (els) => Object.fromEntries(els.map((e) => [e.name, `${e.type}${e.checked ? '+' : ''}`])));
  assert.equal(types.title, 'text');
  assert.equal(types.notes, 'textarea');
  assert.equal(await page.locator('input[name=colour]').count(), 3);
  assert.equal(await page.locator('input[name=colour]:checked').getAttribute('value'), 'red');
  assert.equal(await page.locator('select[name=size]').inputValue(), 'small');
  assert.equal(types.active, 'checkbox');
  for (const part of ['born_day', 'born_month', 'born_year', 'born_hour', 'born_minute',
    'alarm_hour', 'alarm_minute', 'alarm_second']) assert.equal(types[part], 'text', part);
  assert.equal(types.born_second, 'hidden');
  assert.equal(await page.locator('input[name=alarm_year]').getAttribute('value'), '0000');
  assert.equal(types.photo, 'file');
  assert.equal(types.poster, 'text');
  assert.equal(types.postertwo, 'file');
  assert.equal(types.contacttwo, 'text');
  // No "http://" to delete first; a phone offers its keyboard for addresses.
  assert.equal(await page.locator('input[name=homepagetwo]').inputValue(), '');
  assert.equal(await page.locator('input[name=homepagetwo]').getAttribute('inputmode'), 'url');
  assert.equal(types.secret, undefined, 'a hidden field is not on the visitor form');
  assert.match(await page.locator('table.createform').innerText(), /Born \(DD\/MM\/YYYY hh:mm\)/);
  await screenshot(page, 'site-add-form');
});

test('a visitor adds a record of every field type', async () => {
  await P.fillRecord(page, firstRecord);
  await P.submitButton(page, 'Add Record');
  assert.match(await P.bodyText(page), /The record has been created successfully\./);
  const r = record("code = 'C-1'");
  assert.equal(r.title, 'First record');
  assert.equal(r.notes, 'two\r\nlines');
  assert.equal(r.colour, 'sky "blue"');
  assert.equal(r.size, 'large');
  assert.equal(r.amount, '42');
  assert.equal(r.price, '3.25');
  assert.equal(r.active, '1');
  assert.equal(r.born, '20240307090500');
  assert.equal(r.alarm, '00000000010203');
  assert.equal(r.contacttwo, 'me@example.org');
  assert.equal(r.homepagetwo, 'https://example.org/a?b=1&c=2');
  assert.equal(r.userid, '0');
  const pictures = host.sql(
    `SELECT imageid, image_type, HEX(image_data) FROM catalogue_IMAGES WHERE imageid IN (${r.photo}, ${r.postertwo}) ORDER BY imageid`);
  assert.equal(pictures.length, 2);
  assert.deepEqual(pictures.map((p) => p[1]), ['image/png', 'image/png']);
  assert.equal(pictures[0][2], firstRecord.photo.buffer.toString('hex').toUpperCase());
});

test('validation shows every refusal at once, beside its field, and keeps what was typed', async () => {
  const message = async () => {
    const text = await P.bodyText(page);
    return ['is not a valid number', 'is required.', 'Key is already present',
      'No duplicates are allowed.'].filter((m) => text.includes(m));
  };
  const beside = (name) => page.locator(`tr:has([name="${name}"]) .field_error`).innerText();
  // The page's own checks judge, not the browser's hints.
  const send = async () => {
    await page.locator('form[name=RecordDetails]').evaluate((f) => { f.noValidate = true; });
    await P.submitButton(page, 'Add Record');
  };
  await page.goto(`${site.url}add_record.php`);
  await P.fillRecord(page, { title: '', code: 'C-1', notes: 'kept\ntext', amount: 'abc', price: '1,5' });
  await send();
  assert.deepEqual(await message(), ['is not a valid number', 'is required.', 'Key is already present']);
  assert.equal(await beside('amount'), 'Amount is not a valid number');
  assert.equal(await beside('title'), 'Title is required.');
  assert.match(await page.locator('p.corvanta_error').innerText(), /Key is already present/);
  assert.equal(await page.locator('input[name=amount]').inputValue(), 'abc');
  assert.equal(await page.locator('input[name=amount]').getAttribute('aria-invalid'), 'true');
  assert.equal(await page.locator('textarea[name=notes]').inputValue(), 'kept\ntext');
  assert.equal(await page.locator('input[name=price]').inputValue(), '1,5');

  await P.fillRecord(page, { amount: '8', title: 'First record', code: 'C-2' });
  await send();
  assert.deepEqual(await message(), ['No duplicates are allowed.']);
  assert.equal(await beside('title'), 'Title is already present in the database. No duplicates are allowed.');

  await P.fillRecord(page, { title: 'Second record' });
  await send();
  assert.match(await P.bodyText(page), /created successfully/);
  assert.equal(record("code = 'C-2'").price, '1.5', 'a decimal comma is a decimal point');
});

test('the search form and the result page show the values as entered', async () => {
  await page.goto(`${site.url}search.php`);
  await screenshot(page, 'site-search-form');
  await P.submitButton(page, 'Search');
  const rows = await P.resultRows(page);
  assert.deepEqual(rows[0], ['Nr.', 'Title', 'Colour', 'Amount', 'Price', 'Active', 'Born', 'Photo',
    'Poster', 'Contact', 'Homepage']);
  assert.deepEqual(rows[1], ['1', 'First record', 'sky "blue"', '42', '3,25', 'Yes',
    '07/03/2024 09:05', '', 'Poster one', 'Me', 'Home']);
  assert.match(await P.bodyText(page), /Records found: 2\s*Total records: 2/);
  await screenshot(page, 'site-result-page');
  const first = page.locator('table.searchresult tr').nth(1);
  const r = record("code = 'C-1'");
  // Pictures are named by their keys, never by their row numbers.
  const key = (id) => host.sql(`SELECT imagekey FROM catalogue_IMAGES WHERE imageid = ${id}`)[0][0];
  assert.match(await first.locator('img').getAttribute('src'),
    new RegExp(`get_image\\.php\\?imageid=${key(r.photo)}$`));
  assert.equal(await first.locator('img').getAttribute('width'), '48');
  assert.equal(await first.locator('img').evaluate((i) => i.complete && i.naturalWidth), 40);
  const [popup] = await Promise.all([page.waitForEvent('popup'),
    first.getByRole('link', { name: 'Poster one' }).click()]);
  await popup.waitForLoadState('load');
  assert.equal(await popup.locator('img').evaluate((i) => i.complete && i.naturalWidth), 20);
  await popup.close();
  assert.match(await first.getByRole('link', { name: 'Poster one' }).getAttribute('href'),
    new RegExp(`show_image\\.php\\?imageid=${key(r.postertwo)}$`));
  assert.equal(await first.getByRole('link', { name: 'Me', exact: true }).getAttribute('href'),
    'mailto:me@example.org');
  const home = first.getByRole('link', { name: 'Home', exact: true });
  assert.equal(await home.getAttribute('href'), 'https://example.org/a?b=1&c=2');
  assert.equal(await home.getAttribute('target'), '_blank');
  assert.equal(await page.locator('td.searchresult_modify').count(), 0);
});

test('the record view shows every visible field and goes back', async () => {
  await P.followLink(page, '1');
  const cells = await P.recordCells(page);
  assert.deepEqual(Object.keys(cells), ['Title', 'Code', 'Notes', 'Colour', 'Size', 'Amount',
    'Price', 'Active', 'Born (DD/MM/YYYY hh:mm)', 'Alarm (hh:mm:ss)', 'Photo',
    'Poster (label + image)', 'Contact (label + e-mail address)', 'Homepage (label + hyperlink)']);
  assert.equal(cells.Notes, 'two lines');
  assert.match(await page.locator('table.createform').innerHTML(), /two<br>\s*lines/i);
  assert.equal(cells.Size, 'large');
  assert.equal(cells['Alarm (hh:mm:ss)'], '01:02:03');
  assert.equal(await page.locator('table.createform img').count(), 1);
  await screenshot(page, 'site-record-view');
  // The record is an address; Back returns to the result.
  assert.match(page.url(), /record\.php\?id=\d+$/);
  await page.goBack();
  assert.equal((await P.resultRows(page)).length, 3);
});

test('script and quotes in every kind of field come back escaped', async () => {
  const dialogsBefore = browser.dialogs.length;
  await page.goto(`${site.url}add_record.php`);
  const values = {
    title: NASTY, code: 'N-1', notes: `${NASTY}\nsecond line`, amount: '"><i>x</i>',
    born_day: '"<', poster: NASTY, contact: NASTY, contacttwo: `a"b'<c>@example.org`,
    homepage: NASTY, homepagetwo: 'java\tscript:alert("x")',
  };
  await P.fillRecord(page, values);
  await P.submitButton(page, 'Add Record');
  // Refused (the amount): every value comes back exactly as typed.
  assert.match(await P.bodyText(page), /Amount is not a valid number/);
  for (const [name, value] of Object.entries(values))
    assert.equal(await page.locator(`[name="${name}"]`).inputValue(), value, name);
  await P.fillRecord(page, { amount: '5', born_day: '1', born_month: '2', born_year: '2003' });
  await P.submitButton(page, 'Add Record');
  assert.match(await P.bodyText(page), /created successfully/);
  assert.equal(record("code = 'N-1'").title, NASTY);

  await page.goto(`${site.url}search.php`);
  await P.fillRecord(page, { field1: 'code', operator1: 'is', fieldvalue1: 'N-1' });
  await P.submitButton(page, 'Search');
  const rows = await P.resultRows(page);
  assert.equal(rows[1][1], NASTY);
  assert.equal(rows[1][8], NASTY);
  const link = page.locator('table.searchresult tr').nth(1).locator('td').nth(10).locator('a');
  assert.equal(await link.getAttribute('href'), '#', 'a script address is no link');
  assert.equal(await page.locator('table.searchresult tr').nth(1).locator('td').nth(9)
    .locator('a').getAttribute('href'), `mailto:a"b'<c>@example.org`);
  await P.followLink(page, '1');
  const cells = await P.recordCells(page);
  assert.equal(cells.Title, NASTY);
  assert.equal(cells.Notes, `${NASTY} second line`);
  assert.equal(browser.dialogs.length, dialogsBefore, 'no injected script ran');
});

test('the administrator sees hidden fields and modifies a record, keeping its pictures', async () => {
  const before = record("code = 'C-1'");
  await P.adminLoginPage(page, site);
  await P.fillRecord(page, { field1: 'code', operator1: 'is', fieldvalue1: 'C-1' });
  await P.submitButton(page, 'Search');
  const rows = await P.resultRows(page);
  assert.equal(rows[0][11], 'Secret');
  assert.deepEqual(rows[1].slice(12), ['Modify', 'Delete']);

  await P.followLink(page, 'Modify');
  assert.equal(await page.locator('input[name=title]').inputValue(), 'First record');
  assert.equal(await page.locator('input[name=born_day]').inputValue(), '07');
  assert.equal(await page.locator('input[name=price]').inputValue(), '3.25');
  assert.equal(await page.locator('input[name=colour]:checked').getAttribute('value'), 'sky "blue"');
  assert.ok(await page.locator('input[name=active]').isChecked());
  assert.equal(await page.locator('table.createform img').evaluate((i) => i.naturalWidth), 40);
  await P.fillRecord(page, { amount: '43', price: '4,75', active: false, born_month: '4',
    secret: 'only for the administrator' });
  await P.submitButton(page, 'Modify Record');
  assert.match(await P.bodyText(page), /The record has been modified\./);
  const after = record("code = 'C-1'");
  assert.equal(after.amount, '43');
  assert.equal(after.price, '4.75');
  assert.equal(after.active, '0');
  assert.equal(after.born, '20240407090500', 'every date part padded');
  assert.equal(after.title, 'First record', 'a record keeps its own unique values');
  assert.equal(after.photo, before.photo, 'no upload keeps the picture');
  assert.equal(after.postertwo, before.postertwo);
  assert.equal(after.secret, 'only for the administrator');
  // Back leads to the changed record's own page.
  await P.followLink(page, 'Back');
  assert.match(page.url(), /admin\/record\.php\?id=\d+$/);
  assert.equal((await P.recordCells(page)).Amount, '43');

  // Another record may not take a unique value.
  await P.adminLoginPage(page, site);
  await P.fillRecord(page, { field1: 'code', operator1: 'is', fieldvalue1: 'C-2' });
  await P.submitButton(page, 'Search');
  await P.followLink(page, 'Modify');
  await P.fillRecord(page, { title: 'First record' });
  await P.submitButton(page, 'Modify Record');
  assert.match(await P.bodyText(page), /Title is already present in the database/);
  assert.equal(await page.locator('input[name=title]').inputValue(), 'First record');
  assert.equal(record("code = 'C-2'").title, 'Second record');
});

test('a hidden field shows on neither visitor page', async () => {
  await page.goto(`${site.url}search.php`);
  await P.fillRecord(page, { field1: 'code', operator1: 'is', fieldvalue1: 'C-1' });
  await P.submitButton(page, 'Search');
  assert.ok(!(await P.bodyText(page)).includes('only for the administrator'));
  assert.doesNotMatch(await page.content(), /secret/i, 'the page does not even name the field');
  await P.followLink(page, '1');
  assert.ok(!(await P.bodyText(page)).includes('only for the administrator'));
});

test('deleting a record removes its pictures', async () => {
  const r = record("code = 'C-1'");
  await P.adminLogin(page, `${site.adminUrl}search.php`);
  await P.fillRecord(page, { field1: 'code', operator1: 'is', fieldvalue1: 'C-1' });
  await P.submitButton(page, 'Search');
  // The question names the record; its button deletes.
  await P.followLink(page, 'Delete');
  assert.match(await page.locator('p.confirm').innerText(), /First record/);
  await P.submitButton(page, 'Delete');
  assert.match(await P.bodyText(page), /The record has been deleted\./);
  assert.equal(record("code = 'C-1'"), undefined);
  assert.deepEqual(host.sql(
    `SELECT imageid FROM catalogue_IMAGES WHERE imageid IN (${r.photo}, ${r.postertwo})`), []);
});

test('two records added at the same moment both arrive', async () => {
  const pages = [await browser.newPage(), await browser.newPage()];
  await Promise.all(pages.map(async (p, i) => {
    await p.goto(`${site.url}add_record.php`);
    await P.fillRecord(p, { title: `Twin ${i}`, code: `T-${i}`, amount: String(i) });
  }));
  await Promise.all(pages.map((p) => P.submitButton(p, 'Add Record')));
  for (const p of pages) assert.match(await P.bodyText(p), /created successfully/);
  const twins = host.sql("SELECT recordid FROM catalogue WHERE code LIKE 'T-%'");
  assert.equal(twins.length, 2);
  assert.notEqual(twins[0][0], twins[1][0]);
  // What was left empty is stored as NULL, as an upload stores it, not as 0.
  const twin = record("code = 'T-0'");
  assert.deepEqual([twin.price, twin.born, twin.alarm], [null, null, null]);
  await Promise.all(pages.map((p) => p.close()));
  assert.doesNotMatch(host.phpErrors(), /Fatal|Uncaught/);
});

test('field changes keep the 10,000 records of a live site while visitors search', {
  skip: process.env.CORVANTA_E2E_LAYOUT === 'frames' && 'the tables do not depend on the layout',
}, async (t) => {
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'corvanta-changes-'));
  try {
    await fieldChanges(t, host, work);
  } finally {
    fs.rmSync(work, { recursive: true, force: true });
  }
});
