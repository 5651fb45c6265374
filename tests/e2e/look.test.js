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
    OnlyMembersCanAdd: false, AllowDelete: true,
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
    if (site0 === 'admin' && mode === 'login') {
      await reach(`${root}users.php`, who);
      await capture({ ...entry, name: 'users' });
    }
  }
}

// The captured page, once: its style sheets give way to one STYLE element
// that takes each skin in turn, so a skin or a screen size costs a new
// layout, not a new page.
async function show(entry) {
  const html = entry.html
    .replace(/<link[^>]*rel="?stylesheet"?[^>]*>/gi, '')
    .replace(/<head>/i, (head) => `${head}<base href="${entry.url}"><style id="skin"></style>`);
  // A fresh document: setContent writes into the current one, whose policy
  // (a live page's, with no inline styles) would refuse the skin's sheet.
  await page.goto('about:blank');
  await page.setContent(html, { waitUntil: 'load' });
}

async function useSkin(skin, viewport) {
  await page.setViewportSize(viewport);
  await page.evaluate((css) => { document.getElementById('skin').textContent = css; }, SKIN_TEXT[skin]);
}

const SKIN_TEXT = Object.fromEntries(SKINS.map((s) => [s, fs.readFileSync(path.join(binDir, 'skins', s), 'utf8')]));
// Every skin of the pages a person looks at first on the Login-mode sites;
// the default skin elsewhere.
const pictured = (entry, skin) => SHOWN.has(entry.name) && (entry.mode === 'login' || skin === 'default.css');

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
    assert.ok(names(layout, 'login', 'admin').includes('users'));
  }
  for (const e of captured.filter((c) => c.name === 'results'))
    assert.match(e.html, /Title 1 /, `${e.layout} ${e.mode} ${e.site}: no records`);
});

test('no page is wider than the screen, with any skin', async () => {
  const wide = [];
  for (const entry of captured) {
    await show(entry);
    const quirks = await page.evaluate(() => document.compatMode !== 'CSS1Compat');
    assert.ok(!quirks, `${entry.layout} ${entry.mode} ${entry.site} ${entry.name} renders in quirks mode`);
    for (const skin of SKINS) {
      for (const [vpName, viewport] of Object.entries(VIEWPORTS)) {
        await useSkin(skin, viewport);
        const { scroll, width } = await page.evaluate(() => ({
          scroll: document.documentElement.scrollWidth,
          width: window.innerWidth,
        }));
        const what = `${entry.layout} ${entry.mode} ${entry.site} ${entry.name} ${skin} ${vpName}`;
        if (scroll !== width) wide.push(`${what}: ${scroll} px in ${width}`);
        // On a phone no box of a list scrolls sideways: records are cards.
        if (vpName === 'phone' && ['results', 'users'].includes(entry.name)) {
          const boxes = await page.evaluate(() => [...document.querySelectorAll('main *')]
            .filter((e) => e.scrollWidth > e.clientWidth + 1 && e.clientWidth > 0
              && ['auto', 'scroll'].includes(getComputedStyle(e).overflowX))
            .map((e) => `${e.tagName}.${e.className}: ${e.scrollWidth} > ${e.clientWidth}`));
          wide.push(...boxes.map((b) => `${what}: ${b}`));
        }
        if (pictured(entry, skin))
          await screenshot(page, `look-${entry.layout}-${entry.mode}-${entry.site}-${entry.name}-` +
            `${skin.replace(/\.css$/, '')}-${vpName}`);
      }
    }
  }
  assert.deepEqual(wide, []);
});

test('the sample page, which shows every class, fits from 360 to 1920 px in every skin', async () => {
  const wide = [];
  await show({ url: `file://${path.join(binDir, 'preview.htm')}`,
    html: fs.readFileSync(path.join(binDir, 'preview.htm'), 'utf8') });
  for (const skin of SKINS) {
    for (const viewport of [{ width: 360, height: 740 }, { width: 1920, height: 1080 }]) {
      await useSkin(skin, viewport);
      const scroll = await page.evaluate(() => document.documentElement.scrollWidth);
      if (scroll !== viewport.width) wide.push(`${skin} at ${viewport.width}: ${scroll} px`);
    }
  }
  assert.deepEqual(wide, []);
});

// axe takes seconds a page: every rule runs on each kind of page once per
// layout (the Login-mode sites have them all, the Join-mode add form adds the
// member rows, the default mode its open search); the colours of the other
// skins are checked on the sample page, which shows every class, and on the
// pages a visitor sees first.
const AXE_ALL = (e) => e.mode === 'login' || (e.mode === 'join' && e.site === 'visitor' && e.name === 'add') ||
  (e.mode === 'default' && e.site === 'visitor' && e.name === 'results');
const AXE_COLOURS = (e) => e.mode === 'login' && e.layout === 'one-page' && e.site === 'visitor' &&
  (e.name === 'results' || e.name === 'add');

async function axe(entry, what, rules) {
  let builder = new AxeBuilder({ page }).setLegacyMode(true);
  if (rules) builder = builder.withRules(rules);
  const { violations } = await builder.analyze();
  return violations.filter((v) => v.impact === 'serious' || v.impact === 'critical')
    .map((v) => `${what}: ${v.id} (${v.nodes.slice(0, 3).map((n) => n.target.join(' ')).join(', ')})`);
}

test('axe finds nothing serious on any page; texts keep their contrast in every skin', async () => {
  const found = [];
  for (const entry of captured.filter((e) => AXE_ALL(e) || AXE_COLOURS(e))) {
    await show(entry);
    for (const skin of SKINS) {
      const all = skin === 'default.css';
      if (all ? !AXE_ALL(entry) : !AXE_COLOURS(entry)) continue;
      await useSkin(skin, VIEWPORTS.laptop);
      found.push(...await axe(entry, `${entry.layout} ${entry.mode} ${entry.site} ${entry.name} ${skin}`,
        all ? null : ['color-contrast']));
    }
  }
  const preview = { url: `file://${path.join(binDir, 'preview.htm')}`,
    html: fs.readFileSync(path.join(binDir, 'preview.htm'), 'utf8') };
  await show(preview);
  for (const skin of SKINS) {
    await useSkin(skin, VIEWPORTS.laptop);
    found.push(...await axe(preview, `preview.htm ${skin}`, ['color-contrast']));
  }
  assert.deepEqual(found, []);
});
