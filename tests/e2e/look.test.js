// Every page of both sites, in both layouts, in Join, Login and default mode,
// with every shipped skin on a phone (390x844) and a laptop (1366x768): no
// page is wider than the screen, and axe finds no serious or critical
// violation. Screenshots of the search, add and result pages go to
// build/screenshots.
//
// Each page is fetched once, as the visitor or administrator reaches it;
// skins and screen sizes are then tried on that same HTML, so the matrix
// costs renderings, not requests.
'use strict';

const { test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { AxeBuilder } = require('@axe-core/playwright');
const { Host, binDir } = require('./lib/host');
const { launch, screenshot } = require('./lib/browser');
const { field, project } = require('./lib/project');
const P = require('./lib/pages');

const LAYOUTS = ['one-page', 'frames'];
const MODES = {
  default: { UserUpdate: false, UserMode: '', AllowSearch: true },
  join: {
    UserUpdate: true, UserMode: 'Join', AllowSearch: true, AllowAddModify: true,
    OnlyMembersCanAdd: true, AllowDelete: true,
  },
  login: {
    UserUpdate: true, UserMode: 'Login', AllowSearch: true, AllowAddModify: true,
    OnlyMembersCanAdd: true, AllowDelete: true, AllowChangePassword: true,
    AllowSendPassword: true,
  },
};
const VIEWPORTS = { phone: { width: 390, height: 844 }, laptop: { width: 1366, height: 768 } };
const SKINS = fs.readdirSync(path.join(binDir, 'skins')).filter((f) => f.endsWith('.css')).sort();
const MEMBER = ['reader@example.org', 'reader pass'];
// Pages whose pictures are kept.
const SHOWN = new Set(['search', 'add', 'results']);

// Fifteen columns, long words and long addresses: what widens pages.
function wideProject(name, mode, layout) {
  const fields = [
    field('title', 'Text', 'Text', 'RSVE', { Name: 'Title', MaxLength: 200 }),
    field('author', 'Text', 'Text', 'SVE', { Name: 'Author' }),
    field('genre', 'Text', 'Select', 'SVE', { Name: 'Genre', EnumValues: ['novel', 'poetry', 'essay'] }),
    field('pages', 'Integer', 'Text', 'SVE', { Name: 'Pages', MaxLength: 6 }),
    field('price', 'Real number', 'Text', 'SVE', { Name: 'Price', MaxLength: 10 }),
    field('instock', 'Yes/No', 'Checkbox', 'SVE', { Name: 'In stock' }),
    field('published', 'Date & time', 'Date & time', 'SVE', { Name: 'Published', DateTimeFormat: 'DD/MM/YYYY' }),
    field('contact', 'Mailto', 'Mailto', 'SVE', { Name: 'Contact' }),
    field('homepage', 'Hyperlink', 'Hyperlink', 'SVE', { Name: 'Homepage' }),
    field('isbn', 'Text', 'Text', 'SVE', { Name: 'ISBN' }),
    field('publisher', 'Text', 'Text', 'SVE', { Name: 'Publisher' }),
    field('city', 'Text', 'Radio', 'SVE', { Name: 'City', EnumValues: ['Graz', 'Lyon'] }),
    field('notes', 'Text', 'Text area', 'SVE', { Name: 'Notes', TextAreaColumns: 60, TextAreaLines: 4 }),
    field('cover', 'Image', 'Image', 'VE', { Name: 'Cover', ImageWidth: 60 }),
  ];
  return project(name, fields, { ...MODES[mode], Layout: layout, NumOfFilterFields: 3 });
}

let host;
let browser;
let page;
// { name, layout, mode, site: 'visitor' | 'admin', url, html }
const captured = [];

// The page as the user sees it, logging in on the way when it asks.
async function reach(url, who) {
  await page.goto(url);
  if (who === 'admin' && (await page.locator('input[name=admin_password]').count())) {
    await page.fill('input[name=admin_password]', P.ADMIN_PASSWORD);
    await P.submitButton(page, 'Enter');
  } else if (who === 'member' && (await page.locator('input[name=login_email]').count())) {
    await page.fill('input[name=login_email]', MEMBER[0]);
    await page.fill('input[name=login_password]', MEMBER[1]);
    await P.submitButton(page, 'Login');
  }
}

async function capture(entry) {
  captured.push({ ...entry, url: page.url(), html: await page.content() });
}

async function captureSite(layout, mode) {
  const name = `look${layout === 'frames' ? 'f' : 'o'}${mode}`;
  const site = await host.createSite(name, wideProject(name, mode, layout));
  host.sql(`INSERT INTO ${name}_USERS(username, userpassword) VALUES ('${MEMBER[0]}', '${MEMBER[1]}')`);
  const values = [];
  for (let i = 1; i <= 25; i++) {
    values.push(`(1, 'Title ${i} Pneumonoultramicroscopicsilicovolcanoconiosis', 'Author ${i}', ` +
      `'novel', ${i * 10}, ${i}.5, ${i % 2}, '2024010${i % 9 + 1}000000', 'Write', ` +
      `'someone.with.a.long.address.${i}@example.org', 'Home', ` +
      `'http://example.org/a/very/long/address/that/never/wraps/${i}', '978-3-16-148410-${i}', ` +
      `'Publisher ${i}', 'Graz', 'Notes ${i}')`);
  }
  host.sql(`INSERT INTO ${name}(userid, title, author, genre, pages, price, instock, published, ` +
    `contact, contacttwo, homepage, homepagetwo, isbn, publisher, city, notes) VALUES ${values.join(', ')}`);

  const base = { layout, mode };
  const visitor = mode === 'login' ? 'member' : 'visitor';
  for (const [site0, root, who] of [['visitor', site.url, visitor], ['admin', site.adminUrl, 'admin']]) {
    const entry = { ...base, site: site0 };
    if (mode === 'login' || site0 === 'admin') {
      await page.context().clearCookies();
      await page.goto(`${root}login.php`);
      await capture({ ...entry, name: 'login' });
    }
    await reach(`${root}search.php`, who);
    await capture({ ...entry, name: 'search' });
    await P.submitButton(page, 'Search');
    await capture({ ...entry, name: 'results' });
    await reach(`${root}add_record.php`, who);
    await capture({ ...entry, name: 'add' });
    if (layout === 'frames') {
      await page.goto(`${root}menu.php`);
      await capture({ ...entry, name: 'menu' });
    }
    if (site0 === 'admin' && mode !== 'default') {
      await reach(`${root}users.php`, who);
      await capture({ ...entry, name: 'users' });
    }
  }
}

// The captured page again, with `skin` for every style sheet it links.
async function render(entry, skin, viewport) {
  await page.setViewportSize(viewport);
  const css = fs.readFileSync(path.join(binDir, 'skins', skin));
  await page.route('**/*.css', (route) => route.fulfill({ contentType: 'text/css', body: css }));
  const html = entry.html.replace(/<head>/i, (head) => `${head}<base href="${entry.url}">`);
  await page.setContent(html, { waitUntil: 'load' });
  await page.unroute('**/*.css');
}

before(async () => {
  host = new Host();
  browser = await launch();
  page = await browser.newPage();
  for (const layout of LAYOUTS)
    for (const mode of Object.keys(MODES))
      await captureSite(layout, mode);
});

after(async () => {
  await browser?.close();
  host?.stop();
});

test('the pages were reached', () => {
  const names = (layout, mode, site) => captured
    .filter((e) => e.layout === layout && e.mode === mode && e.site === site).map((e) => e.name);
  for (const layout of LAYOUTS) {
    assert.deepEqual(names(layout, 'login', 'visitor').slice(0, 4), ['login', 'search', 'results', 'add']);
    assert.ok(names(layout, 'join', 'admin').includes('users'));
  }
  for (const e of captured.filter((c) => c.name === 'results'))
    assert.match(e.html, /Title 1 /, `${e.layout} ${e.mode} ${e.site}: no records`);
});

test('no page is wider than the screen, with any skin', async () => {
  const wide = [];
  for (const entry of captured) {
    for (const skin of SKINS) {
      for (const [vpName, viewport] of Object.entries(VIEWPORTS)) {
        await render(entry, skin, viewport);
        const { scroll, width, quirks } = await page.evaluate(() => ({
          scroll: document.documentElement.scrollWidth,
          width: window.innerWidth,
          quirks: document.compatMode !== 'CSS1Compat',
        }));
        const what = `${entry.layout} ${entry.mode} ${entry.site} ${entry.name} ${skin} ${vpName}`;
        assert.ok(!quirks, `${what} renders in quirks mode`);
        if (scroll !== width) wide.push(`${what}: ${scroll} px in ${width}`);
        if (SHOWN.has(entry.name))
          await screenshot(page, `look-${entry.layout}-${entry.mode}-${entry.site}-${entry.name}-` +
            `${skin.replace(/\.css$/, '')}-${vpName}`);
      }
    }
  }
  assert.deepEqual(wide, []);
});

test('axe finds nothing serious on any page; texts keep their contrast in every skin', async () => {
  const found = [];
  const serious = (v) => v.impact === 'serious' || v.impact === 'critical';
  for (const entry of captured) {
    for (const skin of SKINS) {
      await render(entry, skin, VIEWPORTS.laptop);
      // Every rule with the default skin; colours with the others.
      let builder = new AxeBuilder({ page });
      if (skin !== 'default.css') builder = builder.withRules(['color-contrast']);
      const { violations } = await builder.analyze();
      for (const v of violations.filter(serious))
        found.push(`${entry.layout} ${entry.mode} ${entry.site} ${entry.name} ${skin}: ${v.id} ` +
          `(${v.nodes.slice(0, 3).map((n) => n.target.join(' ')).join(', ')})`);
    }
  }
  assert.deepEqual(found, []);
});
