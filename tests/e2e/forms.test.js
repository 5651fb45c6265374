// The friendlier pages: Delete asks first (with and without script), all
// refusals of a post shown beside their fields with what was entered and
// the picture kept, search criteria kept, a choice list searched by
// choosing, "1-10 of 9,522" with page numbers, and ordering by a click on a
// column heading that can't be turned into another column or into SQL.
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
let site;

const fields = [
  field('title', 'Text', 'Text', 'RSVE', { Name: 'Title' }),
  field('pages', 'Integer', 'Text', 'SVE', { Name: 'Pages', MaxLength: 6 }),
  field('genre', 'Text', 'Select', 'SVE', { Name: 'Genre', EnumValues: ['novel', 'poetry', 'essay'] }),
  field('published', 'Date & time', 'Date & time', 'SVE', { Name: 'Published', DateTimeFormat: 'DD/MM/YYYY' }),
  field('cover', 'Image', 'Image', 'VE', { Name: 'Cover', ImageWidth: 40 }),
  field('secret', 'Text', 'Text', 'SVHE', { Name: 'Secret' }),
];

const pad = (n) => String(n).padStart(2, '0');

before(async () => {
  host = new Host();
  site = await host.createSite('shelf', project('shelf', fields, {
    UserUpdate: false, AllowSearch: true, LinesPerPage: 10, NumOfFilterFields: 2, NumOfSortFields: 2,
  }));
  const rows = [];
  for (let i = 1; i <= 25; i++) {
    rows.push(`('Book ${pad(i)}', ${100 + ((i * 7) % 25)}, '${['novel', 'poetry', 'essay'][i % 3]}', ` +
      `'2024${pad((i % 12) + 1)}01000000', 'hidden ${i}')`);
  }
  host.sql(`INSERT INTO shelf(title, pages, genre, published, secret) VALUES ${rows.join(', ')}`);
  browser = await launch();
  page = await browser.newPage();
});

after(async () => {
  await browser?.close();
  host?.stop();
});

const count = (where) => Number(host.sql(`SELECT COUNT(*) FROM shelf WHERE ${where}`)[0][0]);

// An administrator page, past the password form when the session has ended.
async function adminPage(p, name) {
  await p.goto(`${site.adminUrl}${name}`);
  if (await p.locator('input[name=admin_password]').count()) {
    await p.fill('input[name=admin_password]', P.ADMIN_PASSWORD);
    await P.submitButton(p, 'Enter');
  }
}

async function adminSearch(criteria = {}) {
  await adminPage(page, 'search.php');
  await P.fillRecord(page, criteria);
  await P.submitButton(page, 'Search');
}

describe('Delete asks first', () => {
  test('the question names the record, and its button says which', async () => {
    await adminSearch({ field1: 'title', operator1: 'is', fieldvalue1: 'Book 01' });
    const link = page.locator('main').getByRole('link', { name: 'Delete', exact: true });
    assert.match(await link.getAttribute('title'), /^Book 01\b/);
    await P.clickAndWait(page, link);
    assert.match(await page.locator('p.confirm').textContent(), /^Delete this record\? Book 01\b/);
    assert.equal(await page.getByRole('button', { name: 'Delete' }).getAttribute('aria-describedby'), 'confirm');
    assert.equal(count("title = 'Book 01'"), 1);
    await P.clickAndWait(page, page.locator('input[type=submit][value="Delete"]'));
    assert.match(await P.bodyText(page), /The record has been deleted/);
    assert.equal(count("title = 'Book 01'"), 0);
  });

  test('without script: a page asks, Cancel goes back, Delete deletes', async () => {
    const p = await browser.newPage();
    const cdp = await browser.context.newCDPSession(p);
    await cdp.send('Emulation.setScriptExecutionDisabled', { value: true });
    await adminPage(p, 'search.php');
    await P.fillRecord(p, { field1: 'title', operator1: 'is', fieldvalue1: 'Book 02' });
    await P.submitButton(p, 'Search');
    await P.clickAndWait(p, p.locator('main').getByRole('link', { name: 'Delete', exact: true }));
    assert.match(await P.bodyText(p), /Delete this record\?/);
    assert.match(await P.bodyText(p), /Book 02/);
    assert.equal(count("title = 'Book 02'"), 1);
    await P.clickAndWait(p, p.locator('main').getByRole('link', { name: 'Cancel' }));
    assert.equal(count("title = 'Book 02'"), 1);

    await p.goBack();
    await P.clickAndWait(p, p.locator('input[type=submit][value="Delete"]'));
    assert.match(await P.bodyText(p), /The record has been deleted/);
    assert.equal(count("title = 'Book 02'"), 0);
    await p.close();
  });

  test("a visitor's question page never shows another's record", async () => {
    // Default mode: visitors own nothing, so no record is offered for deletion.
    await page.goto(`${site.url}delete_record.php?recordid=3`);
    assert.doesNotMatch(await P.bodyText(page), /Delete this record\?/);
    assert.equal(count('recordid = 3'), 1);
  });
});

describe('Refusals', () => {
  test('three refusals are shown together beside their fields; values and the picture stay', async () => {
    await adminPage(page, 'add_record.php');
    // The browser's own hints would stop the post: the page's checks judge.
    await page.locator('form[name=RecordDetails]').evaluate((f) => { f.noValidate = true; });
    await P.fillRecord(page, {
      title: '', pages: 'many', genre: 'essay', published_day: 'xx', published_month: '05',
      published_year: '2020', secret: 'kept <b>text</b>',
      cover: P.pictureFile('cover.png', [10, 120, 200]),
    });
    await P.submitButton(page, 'Add Record');

    const errors = await page.locator('.field_error').evaluateAll((spans) => spans.map((s) => ({
      text: s.textContent.trim(),
      row: s.closest('tr').querySelector('td').textContent.trim(),
      described: !!document.querySelector(`[aria-describedby~="${s.id}"]`),
    })));
    assert.deepEqual(errors.map((e) => e.row.replace(/\s*\(.*\)|\*/g, '')), ['Title', 'Pages', 'Published']);
    assert.match(errors[0].text, /Title is required/);
    assert.match(errors[1].text, /Pages is not a valid number/);
    assert.ok(errors.every((e) => e.described), 'each refused control names its message');
    assert.equal(await page.locator('[role=alert]').count(), 1);

    assert.equal(await page.inputValue('input[name=pages]'), 'many');
    assert.equal(await page.inputValue('select[name=genre]'), 'essay');
    assert.equal(await page.inputValue('input[name=published_month]'), '05');
    assert.equal(await page.inputValue('input[name=secret]'), 'kept <b>text</b>');
    assert.equal(await page.locator('input[name=cover_kept]').count(), 1);
    const shown = page.locator('td.createform_value img');
    assert.equal(await shown.evaluate((i) => i.complete && i.naturalWidth), 40);
    assert.equal(count("title = ''"), 0);

    // Mended, sent again without choosing the picture again.
    await page.locator('form[name=RecordDetails]').evaluate((f) => { f.noValidate = true; });
    await P.fillRecord(page, { title: 'Mended', pages: '12', published_day: '07' });
    await P.submitButton(page, 'Add Record');
    assert.match(await P.bodyText(page), /created successfully/);
    const [cover, genre] = host.sql("SELECT cover, genre FROM shelf WHERE title = 'Mended'")[0];
    assert.ok(Number(cover) > 0, 'the kept picture is stored with the record');
    assert.equal(genre, 'essay');
  });

  test('a forged kept picture is not taken', async () => {
    await adminPage(page, 'add_record.php');
    await page.locator('form[name=RecordDetails]').evaluate((f) => {
      f.noValidate = true;
      const kept = document.createElement('input');
      kept.type = 'hidden';
      kept.name = 'cover_kept';
      kept.value = `1-${'0'.repeat(64)}`;
      f.appendChild(kept);
    });
    await P.fillRecord(page, { title: 'Forged', pages: '1' });
    await P.submitButton(page, 'Add Record');
    assert.equal(host.sql("SELECT cover FROM shelf WHERE title = 'Forged'")[0][0], '0');
  });

  test('labels name their controls; required fields say so', async () => {
    // This site's visitors may not add: the administrator's form.
    await adminPage(page, 'add_record.php');
    assert.equal(await page.getByLabel('Title').getAttribute('name'), 'title');
    assert.equal(await page.locator('input[name=title]').getAttribute('required'), '');
    assert.equal(await page.locator('input[name=pages]').getAttribute('inputmode'), 'numeric');
    assert.equal(await page.getByLabel('Genre').getAttribute('name'), 'genre');
  });
});

describe('Search', () => {
  test('criteria stay after a search; a choice list is searched by choosing', async () => {
    await page.goto(`${site.url}search.php`);
    await page.selectOption('select[name=field1]', 'genre');
    // The value box has become the list of choices.
    await page.selectOption('select[name=fieldvalue1]', 'poetry');
    await P.fillRecord(page, { field2: 'title', operator2: 'contains' });
    await P.fillRecord(page, { fieldvalue2: 'Book 1', sortfield1: 'pages', sorting1: 'desc' });
    await P.submitButton(page, 'Search');
    const rows = await P.resultRows(page);
    assert.ok(rows.length > 1);
    assert.ok(rows.slice(1).every((r) => r[3] === 'poetry' && r[1].startsWith('Book 1')));
    assert.equal(await page.inputValue('select[name=field1]'), 'genre');
    assert.equal(await page.inputValue('select[name=fieldvalue1]'), 'poetry');
    assert.equal(await page.inputValue('select[name=operator1]'), 'is');
    assert.equal(await page.inputValue('input[name=fieldvalue2]'), 'Book 1');
    assert.equal(await page.inputValue('select[name=sortfield1]'), 'pages');
    assert.ok(await page.locator('input[type=radio][name=sorting1][value=desc]').isChecked());
  });

  test('a kept value is printed as text, never as markup', async () => {
    await page.goto(`${site.url}search.php`);
    await P.fillRecord(page, { field1: 'title', operator1: 'contains', fieldvalue1: '"><script>alert(1)</script>' });
    await P.submitButton(page, 'Search');
    assert.equal(await page.inputValue('input[name=fieldvalue1]'), '"><script>alert(1)</script>');
    assert.deepEqual(browser.dialogs, []);
  });

  test('"x-y of N" and page numbers are right across pages', async () => {
    host.sql('INSERT INTO shelf(title, pages, genre) SELECT CONCAT(\'Filler \', seq), seq, \'essay\' FROM seq_1_to_9500');
    const total = count('1 = 1');
    const shown = total.toLocaleString('en-US');
    try {
      await page.goto(`${site.url}search.php`);
      await P.submitButton(page, 'Search');
      const range = () => page.locator('p.searchresult_range').innerText();
      const numbers = () => page.locator('nav.pages').locator('.page, .page_current, .page_gap')
        .allInnerTexts();
      assert.equal(await range(), `1-10 of ${shown}`);
      const last = Math.ceil(total / 10);
      assert.deepEqual(await numbers(), ['1', '2', '3', '…', last.toLocaleString('en-US')]);
      assert.equal(await page.locator('nav.pages .previous').count(), 0);

      await P.clickAndWait(page, page.locator('nav.pages .page', { hasText: /^3$/ }));
      assert.equal(await range(), `21-30 of ${shown}`);
      assert.deepEqual(await numbers(), ['1', '2', '3', '4', '5', '…', last.toLocaleString('en-US')]);
      assert.equal(await page.locator('.page_current').innerText(), '3');
      assert.equal((await P.resultRows(page))[1][0], '21');

      await P.clickAndWait(page, page.locator('nav.pages .page').last());
      const n = (v) => v.toLocaleString('en-US');
      assert.equal(await range(), `${n((last - 1) * 10 + 1)}-${n(total)} of ${shown}`);
      assert.equal(await page.locator('nav.pages .next').count(), 0);
      await P.clickAndWait(page, page.locator('nav.pages .previous'));
      assert.equal(await range(), `${n((last - 2) * 10 + 1)}-${n((last - 1) * 10)} of ${shown}`);
    } finally {
      host.sql("DELETE FROM shelf WHERE title LIKE 'Filler %'");
    }
  });

  test('a heading click orders ascending, a second descending', async () => {
    await page.goto(`${site.url}search.php`);
    await P.submitButton(page, 'Search');
    const heading = page.locator('th', { hasText: 'Pages' });
    await P.clickAndWait(page, heading.locator('a'));
    assert.equal(await page.locator('th', { hasText: 'Pages' }).getAttribute('aria-sort'), 'ascending');
    const first = (await P.resultRows(page))[1][2];
    assert.equal(first, String(Math.min(...host.sql('SELECT pages FROM shelf').map((r) => Number(r[0])))));
    await P.clickAndWait(page, page.locator('th', { hasText: 'Pages' }).locator('a'));
    assert.equal(await page.locator('th', { hasText: 'Pages' }).getAttribute('aria-sort'), 'descending');
    const top = (await P.resultRows(page))[1][2];
    assert.equal(top, String(Math.max(...host.sql('SELECT pages FROM shelf').map((r) => Number(r[0])))));
    // The ordering stays while paging.
    await P.clickAndWait(page, page.locator('nav.pages .next'));
    assert.equal(await page.locator('th', { hasText: 'Pages' }).getAttribute('aria-sort'), 'descending');
    assert.ok(Number((await P.resultRows(page))[1][2]) <= Number(top));
  });

  test('a forged ordering is ignored: no other column, no SQL', async () => {
    const before = host.sql('SELECT COUNT(*) FROM shelf')[0][0];
    for (const orderby of ['secret asc', 'secret desc', 'title; DROP TABLE shelf', 'title asc, (SELECT 1)',
      'pages asc LIMIT 1', 'title  asc', 'recordid desc']) {
      const query = new URLSearchParams({ job: 'search', orderby });
      const answer = await (await fetch(`${site.url}search.php?${query}`)).text();
      assert.doesNotMatch(answer, /ARIA-SORT/, orderby);
      assert.doesNotMatch(answer, /hidden \d+/, orderby);
      // Ordered as without a choice: by the first column.
      const titles = [...answer.matchAll(/>(Book \d\d)\s*</g)].map((m) => m[1]);
      assert.ok(titles.length > 0, orderby);
      assert.deepEqual(titles, [...titles].sort(), orderby);
    }
    assert.equal(host.sql('SELECT COUNT(*) FROM shelf')[0][0], before);
    assert.equal(host.phpErrors().match(/Fatal|SQL syntax/), null);
  });
});

describe('One page', () => {
  test("the site's address is its search page in one request, counted and titled as the site", async () => {
    const visits = () => Number(host.sql('SELECT MAX(dummy) FROM shelf_VISITS')[0][0] || 0);
    const before = visits();
    const answer = await page.goto(site.url);
    assert.equal(answer.request().redirectedFrom(), null);
    assert.equal(page.url(), site.url);
    assert.equal(await page.locator('form[name=SearchRecord]').count(), 1);
    assert.equal(await page.title(), 'The shelf collection');
    assert.equal(visits(), before + 1);
    // Old bookmarks still lead there.
    await page.goto(`${site.url}index.html`);
    await page.waitForURL(/\/index\.php$/);
    assert.equal(visits(), before + 2);
    await page.goto(site.url);
    assert.equal(await page.evaluate(() => document.compatMode), 'CSS1Compat');
    assert.equal(await page.locator('html').getAttribute('lang'), 'en');
    assert.equal(await page.locator('header.menu nav a.menuitem').count(), 1);
    assert.equal(await page.locator('frame, iframe').count(), 0);
  });

  test('the administrator logs in and moves between pages by their own addresses', async () => {
    await page.context().clearCookies();
    await page.goto(site.adminUrl);
    assert.equal(page.url(), site.adminUrl);
    await page.fill('input[name=admin_password]', P.ADMIN_PASSWORD);
    await P.submitButton(page, 'Enter');
    assert.match(page.url(), /admin\/search\.php/);
    await P.clickAndWait(page, page.locator('header.menu').getByRole('link', { name: 'Add record' }));
    assert.match(page.url(), /admin\/add_record\.php/);
    assert.equal(await page.locator('input[name=admin_password]').count(), 0, 'still logged in');
    assert.equal(await page.locator('form[name=RecordDetails]').count(), 1);
  });
});
