// The search page in the browser: every operator on the field types that
// offer it, several filter rows, ordering rows and the default ordering,
// paging, the record view and the empty result; forged columns, directions
// and limits are ignored.
'use strict';

const { test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const { Host } = require('./lib/host');
const { launch } = require('./lib/browser');
const { field, project } = require('./lib/project');
const P = require('./lib/pages');

let host;
let browser;
let site;
let page;

const COUNT = 25;
const pad = (n) => String(n).padStart(2, '0');

before(async () => {
  host = new Host();
  site = await host.createSite('stock', project('stock', [
    field('name', 'Text', 'Text', 'SV', { Name: 'Name' }),
    field('qty', 'Integer', 'Text', 'SV', { Name: 'Quantity' }),
    field('weight', 'Real number', 'Text', 'SV', { Name: 'Weight', DecimalSymbol: ',' }),
    field('instock', 'Yes/No', 'Checkbox', 'SV', { Name: 'In stock' }),
    field('added', 'Date & time', 'Date & time', 'SV', { Name: 'Added', DateTimeFormat: 'DD/MM/YYYY' }),
    field('owner', 'Mailto', 'Mailto', 'SV', { Name: 'Owner' }),
  ]));
  // Stored in another order than the names sort in.
  const values = [];
  for (let k = 0; k < COUNT; k++) {
    const i = ((k * 7) % COUNT) + 1;
    values.push(`('Item ${pad(i)}', ${i}, ${i / 2}, ${i % 2}, '202401${pad(i)}000000', ` +
      `'Owner ${i}', 'owner${i}@example.org')`);
  }
  host.sql(`INSERT INTO stock(name, qty, weight, instock, added, owner, ownertwo) VALUES ${values.join(', ')}`);
  browser = await launch();
  page = await browser.newPage();
});

after(async () => {
  await browser?.close();
  host?.stop();
});

// Runs a search with the given filter rows ([field, operator, value]) and
// ordering rows ([field, direction], null for an unused row).
async function search(filters, orders = []) {
  await page.goto(`${site.url}search.php`);
  for (const [n, [f, op, value]] of filters.entries()) {
    await P.fillRecord(page, { [`field${n + 1}`]: f });
    await P.fillRecord(page, { [`operator${n + 1}`]: op });
    if (value !== undefined) await P.fillRecord(page, { [`fieldvalue${n + 1}`]: value });
  }
  for (const [n, order] of orders.entries()) {
    if (!order) continue;
    await P.fillRecord(page, { [`sortfield${n + 1}`]: order[0], [`sorting${n + 1}`]: order[1] });
  }
  await P.submitButton(page, 'Search');
  return found();
}

async function found() {
  const m = /Records found: (\d+)/.exec(await P.bodyText(page));
  return m && Number(m[1]);
}

async function names() {
  return (await P.resultRows(page)).slice(1).map((r) => r[1]);
}

test('each field type offers its operators', async () => {
  await page.goto(`${site.url}search.php`);
  const offered = async (f) => {
    await P.fillRecord(page, { field1: f });
    return page.locator('select[name=operator1] option').evaluateAll((os) => os.map((o) => o.value));
  };
  assert.deepEqual(await offered('qty'), ['is', 'isnot', 'lessthan', 'greaterthan']);
  assert.deepEqual(await offered('weight'), ['is', 'isnot', 'lessthan', 'greaterthan']);
  assert.deepEqual(await offered('instock'), ['isyes', 'isno']);
  for (const f of ['name', 'added', 'owner'])
    assert.deepEqual(await offered(f),
      ['contains', 'is', 'isnot', 'notcontains', 'lessthan', 'greaterthan'], f);
});

test('text operators', async () => {
  assert.equal(await search([['name', 'contains', 'Item 1']]), 10);
  assert.equal(await search([['name', 'is', 'item 05']]), 1);
  assert.equal(await search([['name', 'isnot', 'Item 05']]), 24);
  assert.equal(await search([['name', 'notcontains', 'Item 1']]), 15);
  assert.equal(await search([['name', 'lessthan', 'Item 03']]), 2);
  assert.equal(await search([['name', 'greaterthan', 'Item 23']]), 2);
  assert.equal(await search([['owner', 'contains', 'Owner 2']]), 7);
  assert.equal(await search([['added', 'greaterthan', '20240120000000']]), 5);
  assert.equal(await search([['added', 'contains', '0124']]), 1);
});

test('number operators, with a decimal comma', async () => {
  assert.equal(await search([['qty', 'is', '5']]), 1);
  assert.equal(await search([['qty', 'isnot', '5']]), 24);
  assert.equal(await search([['qty', 'lessthan', '4']]), 3);
  assert.equal(await search([['qty', 'greaterthan', '20']]), 5);
  assert.equal(await search([['weight', 'is', '2,5']]), 1);
  assert.deepEqual(await names(), ['Item 05']);
  assert.equal(await search([['weight', 'lessthan', '1,5']]), 2);
  assert.equal(await search([['weight', 'greaterthan', '12']]), 1);
});

test('yes/no operators', async () => {
  assert.equal(await search([['instock', 'isyes']]), 13);
  assert.equal(await search([['instock', 'isno']]), 12);
});

test('filter rows are joined with AND; an incomplete row is unused', async () => {
  assert.equal(await search([['name', 'contains', 'Item'], ['qty', 'greaterthan', '10'],
    ['instock', 'isyes']]), 8);
  assert.equal(await search([['name', 'contains', 'Item'], ['qty', 'greaterthan', '']]), COUNT);
});

test('ordering rows, and the default ordering by the first shown field', async () => {
  await search([]);
  assert.deepEqual((await names()).slice(0, 3), ['Item 01', 'Item 02', 'Item 03']);
  assert.match(await P.bodyText(page), /Total records: 25/);
  await search([['qty', 'lessthan', '7']], [['instock', 'desc'], null, ['qty', 'desc']]);
  assert.deepEqual(await names(), ['Item 05', 'Item 03', 'Item 01', 'Item 06', 'Item 04', 'Item 02']);
});

test('paging: ten rows a page, numbers go on, next and previous', async () => {
  assert.equal(await search([['qty', 'lessthan', '11']]), 10);
  assert.equal(await page.locator('nav.pages .next').count(), 0, 'exactly a page: no next button');

  assert.equal(await search([['qty', 'lessthan', '12']], [['qty', 'asc']]), 11);
  let rows = await P.resultRows(page);
  assert.deepEqual(rows.slice(1).map((r) => r[0]), ['1', '2', '3', '4', '5', '6', '7', '8', '9', '10']);
  assert.equal(await page.locator('nav.pages .previous').count(), 0);
  await P.clickAndWait(page, page.locator('nav.pages .next'));
  rows = await P.resultRows(page);
  assert.deepEqual(rows.slice(1).map((r) => [r[0], r[1]]), [['11', 'Item 11']]);
  assert.equal(await page.locator('nav.pages .next').count(), 0);

  await P.followLink(page, '11');
  assert.equal((await P.recordCells(page)).Name, 'Item 11');
  // The record has an address of its own; the browser's Back returns to
  // the page of the result, which is an address too.
  assert.match(page.url(), /record\.php\?id=\d+$/);
  await page.goBack();
  assert.deepEqual((await P.resultRows(page)).slice(1).map((r) => r[0]), ['11']);

  await P.clickAndWait(page, page.locator('nav.pages .previous'));
  rows = await P.resultRows(page);
  assert.equal(rows.length, 11);
  assert.equal(rows[1][1], 'Item 01');
});

test('a search that finds nothing says so', async () => {
  assert.equal(await search([['name', 'is', 'nothing at all']]), 0);
  assert.match(await P.bodyText(page), /No records found/);
});

test('forged columns, directions and limits change nothing', async () => {
  const post = async (form) => {
    const query = new URLSearchParams({ job: 'search', ...form });
    const answer = await fetch(`${site.url}search.php?${query}`);
    return answer.text();
  };
  const count = (html) => Number(/Records found: (\d+)/.exec(html)[1]);
  assert.equal(count(await post({ field1: 'qty = 1 OR 1', operator1: 'is', fieldvalue1: '1' })), COUNT);
  assert.equal(count(await post({ field1: 'qty', operator1: 'is', fieldvalue1: '1 OR 1=1' })), 1);
  assert.equal(count(await post({ field1: 'name', operator1: 'is', fieldvalue1: '" OR ""="' })), 0);
  const ordered = await post({ sortfield1: 'qty; DROP TABLE stock', sorting1: 'asc',
    sortfield2: 'qty', sorting2: 'desc, name', page: '-5' });
  assert.equal(count(ordered), COUNT);
  assert.match(ordered, /Item 01/, 'an unusable ordering row is left out');
  const limited = await post({ sortfield1: 'qty', sorting1: 'desc', page: '3 OR 1' });
  assert.match(limited, /Item 05/);
  assert.doesNotMatch(limited, /Item 06/);
  assert.equal(host.sql('SELECT COUNT(*) FROM stock')[0][0], String(COUNT));
});
