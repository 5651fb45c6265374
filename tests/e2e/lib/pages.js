// What a user does on the generated pages, and what he reads there.
'use strict';

const zlib = require('node:zlib');

const ADMIN_PASSWORD = 'admin secret';

// Clicks and waits until the page the click leads to has loaded.
async function clickAndWait(page, locator) {
  await Promise.all([page.waitForNavigation({ waitUntil: 'load' }), locator.click()]);
}

async function submitButton(page, value) {
  // A submit input, or a button that names its job (the members page).
  await clickAndWait(page, page.locator(
    `input[type=submit][value="${value}"], button[type=submit]:text-is("${value}")`).first());
}

// Follows a link of the page's own content by its text (the record pages'
// links post hidden forms); a one-page site's menu has links of the same
// names above it.
async function followLink(page, text, nth = 0) {
  const scope = (await page.locator('main').count()) ? page.locator('main') : page;
  await clickAndWait(page, scope.getByRole('link', { name: text, exact: true }).nth(nth));
}

// The session cookie the browser holds for the folder of the page it shows,
// as "name=value" for a Cookie header, or undefined.
async function sessionCookie(page, admin) {
  const suffix = admin ? '_admin' : '_session';
  const cookie = (await page.context().cookies(page.url()))
    .find((c) => c.name.startsWith('corvanta_') && c.name.endsWith(suffix));
  return cookie && `${cookie.name}=${cookie.value}`;
}

// What a page of the site sends along with a form: the browser's cookies
// for `url` (its session and form session) and the token of the forms the
// page shows.
async function formCredentials(page, url) {
  // The page posted to, asked now with the browser's cookies, carries the
  // token of the current form session; a frame loaded before a login may
  // still show an older one.
  const body = await (await page.context().request.get(url)).text();
  let token = (body.match(/NAME="corvanta_form" VALUE="([0-9a-f]{32})"/) || [])[1] || '';
  for (const frame of page.frames()) {
    if (token) break;
    token = await frame.evaluate(
      () => document.querySelector('input[name=corvanta_form]')?.value || '').catch(() => '');
  }
  // Searches and menus are addresses with no token; the add form has one.
  if (!token) {
    const add = await (await page.context().request.get(new URL('add_record.php', url).href)).text();
    token = (add.match(/NAME="corvanta_form" VALUE="([0-9a-f]{32})"/) || [])[1] || '';
  }
  return { cookies: await page.context().cookies(url), token };
}

// The administrator password form that every administrator page shows
// first; returns the session cookie the browser then holds.
async function adminLogin(page, url) {
  // A fresh login: a session still open would skip the password form.
  await page.context().clearCookies();
  await page.goto(url);
  await page.fill('input[name=admin_password]', ADMIN_PASSWORD);
  await submitButton(page, 'Enter');
  return sessionCookie(page, true);
}

// The site's own login page (login.php): after the login it shows the
// search page, in frames or alone. Returns the session. `member` is [email, password]; without it the administrator logs in.
async function loginPage(page, url, member) {
  await page.context().clearCookies();
  await page.goto(`${url}login.php`);
  if (member) {
    await page.fill('input[name=login_email]', member[0]);
    await page.fill('input[name=login_password]', member[1]);
    await submitButton(page, 'Login');
  } else {
    await page.fill('input[name=admin_password]', ADMIN_PASSWORD);
    await submitButton(page, 'Enter');
  }
  // Frames: the working frame's page is opened alone. One page: the login
  // leads straight to it.
  const body = page.frame({ name: 'body' });
  if (body) await page.goto(body.url());
  else if (!/search\.php/.test(page.url())) {
    throw new Error(`login failed: ${await page.locator('body').innerText()}`);
  }
  return sessionCookie(page, !member);
}

function adminLoginPage(page, site) {
  return loginPage(page, site.adminUrl);
}

function memberLoginPage(page, site, email, password) {
  return loginPage(page, site.url, [email, password]);
}

// The member form of a visitor page that needs a login.
async function memberLogin(page, url, email, password) {
  await page.context().clearCookies();
  await page.goto(url);
  await page.fill('input[name=login_email]', email);
  await page.fill('input[name=login_password]', password);
  await submitButton(page, 'Login');
  return sessionCookie(page, false);
}

// Fills the controls named by `values`: text for inputs and text areas, a
// choice for radio buttons and lists, true/false for check boxes, a file
// ({ name, mimeType, buffer }) for uploads.
async function fillRecord(page, values) {
  for (const [name, value] of Object.entries(values)) {
    const controls = page.locator(`[name="${name}"]`);
    const kind = await controls.first().evaluate((e) => e.type || e.tagName.toLowerCase());
    if (kind === 'radio') {
      for (const radio of await controls.all())
        if ((await radio.getAttribute('value')) === value) await radio.check();
    } else if (kind === 'checkbox') {
      await controls.first().setChecked(Boolean(value));
    } else if (kind === 'select-one') {
      await controls.first().selectOption(value);
    } else if (kind === 'file') {
      await controls.first().setInputFiles(value);
    } else {
      await controls.first().fill(String(value));
    }
  }
}

// The rows of the result table as arrays of cell texts (head row first).
async function resultRows(page) {
  return page.locator('table.searchresult tr').evaluateAll((rows) => rows.map(
    (r) => Array.from(r.cells, (c) => c.innerText.replace(/\s+/g, ' ').trim())));
}

// The label and value cells of the record table.
async function recordCells(page) {
  return page.locator('table.createform tr').evaluateAll((rows) => Object.fromEntries(rows.map(
    (r) => [r.cells[0].innerText.replace(/\s+/g, ' ').trim(),
      r.cells[1].innerText.replace(/\s+/g, ' ').trim()])));
}

async function bodyText(page) {
  return page.locator('body').innerText();
}

// A PNG picture of one colour.
function png(width, height, [r, g, b]) {
  const crcTable = Array.from({ length: 256 }, (_, n) => {
    let c = n;
    for (let k = 0; k < 8; k++) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
    return c >>> 0;
  });
  const crc = (buf) => {
    let c = 0xffffffff;
    for (const byte of buf) c = crcTable[(c ^ byte) & 0xff] ^ (c >>> 8);
    return (c ^ 0xffffffff) >>> 0;
  };
  const chunk = (type, data) => {
    const len = Buffer.alloc(4);
    len.writeUInt32BE(data.length);
    const body = Buffer.concat([Buffer.from(type, 'latin1'), data]);
    const sum = Buffer.alloc(4);
    sum.writeUInt32BE(crc(body));
    return Buffer.concat([len, body, sum]);
  };
  const header = Buffer.alloc(13);
  header.writeUInt32BE(width, 0);
  header.writeUInt32BE(height, 4);
  header.set([8, 2, 0, 0, 0], 8);
  const row = Buffer.concat([Buffer.from([0]), Buffer.from(Array(width).fill([r, g, b]).flat())]);
  const pixels = zlib.deflateSync(Buffer.concat(Array(height).fill(row)));
  return Buffer.concat([Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]),
    chunk('IHDR', header), chunk('IDAT', pixels), chunk('IEND', Buffer.alloc(0))]);
}

function pictureFile(name, colour, width = 40, height = 30) {
  return { name, mimeType: 'image/png', buffer: png(width, height, colour) };
}

module.exports = {
  formCredentials,
  ADMIN_PASSWORD, clickAndWait, submitButton, followLink, adminLogin, memberLogin, adminLoginPage,
  memberLoginPage, sessionCookie, fillRecord,
  resultRows, recordCells, bodyText, pictureFile, png,
};
