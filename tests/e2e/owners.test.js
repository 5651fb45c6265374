// Whose records are whose: in "Join" mode a new visitor's e-mail address and
// password make him a member who then changes and deletes only his own
// records; in "Login" mode the administrator chooses the owner and the
// editable flags decide what a member may change. Every change mails the
// owner.
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

// A captured mail: its headers and body.
function parseMail(raw) {
  const text = raw.replace(/\r\n/g, '\n');
  const split = text.indexOf('\n\n');
  const headers = {};
  for (const line of text.slice(0, split).split('\n')) {
    const colon = line.indexOf(':');
    if (colon > 0) headers[line.slice(0, colon).toLowerCase()] = line.slice(colon + 1).trim();
  }
  return { headers, body: text.slice(split + 2).replace(/\n+$/, '\n') };
}

function mails() {
  return host.mails().map(parseMail);
}

function ownerOf(table, where) {
  return host.sql(`SELECT u.username FROM ${table} r LEFT JOIN ${table}_USERS u ON u.userid = r.userid WHERE ${where}`)[0]?.[0];
}

// Posts a form with a session cookie, as a forged request would; with the
// form session and token of the page shown, so the page itself must refuse.
async function post(url, form, cookie) {
  const { cookies, token } = await P.formCredentials(page, url);
  const formCookies = cookies.filter((c) => c.name.endsWith('_form')).map((c) => `${c.name}=${c.value}`);
  const answer = await fetch(url, { method: 'POST',
    body: new URLSearchParams({ ...form, corvanta_form: token }),
    headers: { Cookie: [cookie, ...formCookies].join('; ') } });
  return answer.text();
}

describe('Join mode', () => {
  let site;

  before(async () => {
    site = await host.createSite('club', project('club', [
      field('title', 'Text', 'Text', 'RSVE', { Name: 'Title' }),
      field('price', 'Real number', 'Text', 'SVE', { Name: 'Price', DecimalSymbol: ',' }),
      field('day', 'Date & time', 'Date & time', 'SVE', { Name: 'Day', DateTimeFormat: 'DD/MM/YYYY' }),
      field('ok', 'Yes/No', 'Checkbox', 'SVE', { Name: 'Ok' }),
      field('contact', 'Mailto', 'Mailto', 'SVE', { Name: 'Contact' }),
      field('photo', 'Image', 'Image', 'VE', { Name: 'Photo' }),
      field('note', 'Text', 'Text', 'HE', { Name: 'Note' }),
    ], {
      UserMode: 'Join', UserUpdate: true, AllowSearch: true, AllowAddModify: true,
      AllowDelete: true, SendEmail: true, EmailCc: 'copy@example.org',
    }));
    host.clearMails();
  });

  async function addRecord(values) {
    await page.goto(`${site.url}add_record.php`);
    await P.fillRecord(page, values);
    await P.submitButton(page, 'Add Record');
    assert.match(await P.bodyText(page), /created successfully/);
  }

  test("a new visitor's e-mail and password make him a member who owns the record", async () => {
    await addRecord({ title: 'Ann one', price: '3,5', day_day: '7', day_month: '3', day_year: '2024',
      ok: true, contact: 'Ann', contacttwo: 'ann@home.example', email: 'ann@example.org',
      password: 'pw "1"', photo: P.pictureFile('a.png', [10, 200, 10]) });
    assert.deepEqual(host.sql('SELECT username, userpassword FROM club_USERS'),
      [['ann@example.org', 'pw "1"']]);
    assert.equal(ownerOf('club', "title = 'Ann one'"), 'ann@example.org');

    // First only the link that confirms the address: nothing the visitor
    // typed. The notice follows the confirmation.
    const [invite] = mails();
    assert.equal(invite.headers.to, 'ann@example.org');
    assert.doesNotMatch(invite.body, /Ann one|pw "1"|Password/);
    const link = invite.body.match(/http\S+confirm\.php\?key=[0-9a-f]{32}/)[0];
    host.clearMails();
    await page.goto(link);
    await P.submitButton(page, 'Confirm my e-mail address');
    assert.match(await P.bodyText(page), /Your e-mail address is confirmed\./);
    const [mail] = mails();
    assert.equal(mail.headers.to, 'ann@example.org');
    assert.equal(mail.headers.subject, 'Your record');
    assert.equal(mail.headers.from, 'site@example.org');
    assert.equal(mail.headers.cc, 'copy@example.org');
    assert.equal(mail.body, 'Hello "member",\nyour record changed.\n\nAction: Create record\n' +
      'E-mail: ann@example.org\nPassword: pw "1"\n\nTitle: Ann one\nPrice: 3,5\nDay: 07/03/2024\n' +
      'Ok: Yes\nContact: Ann, ann@home.example\nPhoto: \n');
  });

  test('the same credentials find the member; others make a new one; none are refused', async () => {
    await addRecord({ title: 'Ann two', email: 'ann@example.org', password: 'pw "1"' });
    await addRecord({ title: 'Bob one', email: 'bob@example.org', password: 'bob' });
    // The address is required: without it the form comes back as typed.
    await page.goto(`${site.url}add_record.php`);
    await P.fillRecord(page, { title: 'Nobody' });
    await P.submitButton(page, 'Add Record');
    assert.match(await P.bodyText(page), /E-mail is required\./);
    assert.equal(await page.locator('input[name=title]').inputValue(), 'Nobody');
    assert.equal(host.sql("SELECT COUNT(*) FROM club WHERE title = 'Nobody'")[0][0], '0');
    assert.equal(ownerOf('club', "title = 'Ann two'"), 'ann@example.org');
    assert.equal(ownerOf('club', "title = 'Bob one'"), 'bob@example.org');
    assert.equal(host.sql('SELECT COUNT(*) FROM club_USERS')[0][0], '2');
    assert.deepEqual(mails().slice(1).map((m) => m.headers.to), ['ann@example.org', 'bob@example.org']);
  });

  test('the visitor search has no modify or delete links', async () => {
    await page.goto(`${site.url}search.php`);
    await P.submitButton(page, 'Search');
    assert.equal((await P.resultRows(page)).length, 4);
    assert.equal(await page.locator('td.searchresult_modify, td.searchresult_delete').count(), 0);
  });

  test('a member modifies only his own records', async () => {
    host.clearMails();
    const session = await P.memberLogin(page, `${site.url}modify_record.php`, 'ann@example.org', 'pw "1"');
    const rows = await P.resultRows(page);
    assert.deepEqual(rows.slice(1).map((r) => r[1]), ['Ann one', 'Ann two']);
    await P.followLink(page, 'Modify', 0);
    assert.equal(await page.locator('input[name=title]').inputValue(), 'Ann one');
    await P.fillRecord(page, { title: 'Ann one changed', price: '4,25' });
    await P.submitButton(page, 'Modify Record');
    assert.match(await P.bodyText(page), /The record has been modified\./);
    const [mail] = mails();
    assert.equal(mail.headers.to, 'ann@example.org');
    assert.match(mail.body, /Action: Modify record\n/);
    assert.match(mail.body, /Title: Ann one changed\nPrice: 4,25\n/);

    const bob = host.sql("SELECT recordid FROM club WHERE title = 'Bob one'")[0][0];
    const answer = await post(`${site.url}modify_record.php`, {
      job: 'modifyaction', recordid: bob, title: 'Taken over' }, session);
    assert.match(answer, /E-mail or password is incorrect\./);
    assert.equal(host.sql(`SELECT title FROM club WHERE recordid = ${bob}`)[0][0], 'Bob one');
  });

  test('a member deletes only his own records, and is told by mail', async () => {
    host.clearMails();
    const session = await P.memberLogin(page, `${site.url}delete_record.php`, 'ann@example.org', 'pw "1"');
    const photo = host.sql("SELECT photo FROM club WHERE title = 'Ann one changed'")[0][0];
    assert.notEqual(photo, '0');
    const bob = host.sql("SELECT recordid FROM club WHERE title = 'Bob one'")[0][0];
    assert.match(await post(`${site.url}delete_record.php`,
      { job: 'deleteaction', recordid: bob }, session), /E-mail or password is incorrect\./);
    assert.equal(host.sql(`SELECT COUNT(*) FROM club WHERE recordid = ${bob}`)[0][0], '1');

    assert.deepEqual((await P.resultRows(page)).slice(1).map((r) => r[1]), ['Ann one changed', 'Ann two']);
    await P.followLink(page, 'Delete', 0);
    assert.match(await P.bodyText(page), /The record has been deleted\./);
    assert.equal(host.sql("SELECT COUNT(*) FROM club WHERE title = 'Ann one changed'")[0][0], '0');
    assert.equal(host.sql(`SELECT COUNT(*) FROM club_IMAGES WHERE imageid = ${photo}`)[0][0], '0');
    const [mail] = mails();
    assert.match(mail.body, /Action: Delete record\n/);
    assert.match(mail.body, /Title: Ann one changed\nPrice: 4,25\nDay: 07\/03\/2024\n/);
  });
});

describe('Login mode', () => {
  let site;

  before(async () => {
    site = await host.createSite('members', project('members', [
      field('title', 'Text', 'Text', 'RSVE', { Name: 'Title' }),
      field('notes', 'Text', 'Text area', 'VE', { Name: 'Notes', TextAreaColumns: 30, TextAreaLines: 3 }),
      // Last, so a member's change leaves it out at the end of the statement.
      field('price', 'Integer', 'Text', 'SV', { Name: 'Price' }),
    ], {
      UserMode: 'Login', UserUpdate: true, AllowSearch: true, AllowAddModify: true,
      AllowDelete: true, SendEmail: true,
    }));
    host.sql("INSERT INTO members_USERS(username, userpassword) VALUES ('carl@example.org', 'c'), ('dora@example.org', 'd')");
    host.clearMails();
  });

  test('a page asks for the member login first', async () => {
    await page.goto(`${site.url}search.php`);
    assert.match(await P.bodyText(page), /Enter your ID and password/);
    await P.fillRecord(page, { login_email: 'dora@example.org', login_password: 'wrong' });
    await P.submitButton(page, 'Login');
    assert.match(await P.bodyText(page), /Wrong Password or ID/);
  });

  test('the administrator chooses the owner and the editable fields', async () => {
    await P.adminLogin(page, `${site.adminUrl}add_record.php`);
    assert.deepEqual((await page.locator('select[name=usercombo] option').allTextContents())
      .map((o) => o.trim()), ['carl@example.org', 'dora@example.org']);
    assert.ok(await page.locator('input[name=title_USEREDIT]').isChecked());
    assert.ok(!(await page.locator('input[name=price_USEREDIT]').isChecked()));
    await P.fillRecord(page, { title: 'Dora one', price: '10', notes: 'n', usercombo: 'dora@example.org' });
    await P.submitButton(page, 'Add Record');
    await P.adminLogin(page, `${site.adminUrl}add_record.php`);
    await P.fillRecord(page, { title: 'Carl one', price: '20', usercombo: 'carl@example.org' });
    await P.submitButton(page, 'Add Record');
    assert.equal(ownerOf('members', "title = 'Dora one'"), 'dora@example.org');
    assert.equal(ownerOf('members', "title = 'Carl one'"), 'carl@example.org');
    assert.deepEqual(host.sql("SELECT title_USEREDIT, notes_USEREDIT, price_USEREDIT FROM members WHERE title = 'Dora one'"),
      [['1', '1', '0']]);
    assert.deepEqual(mails().map((m) => m.headers.to), ['dora@example.org', 'carl@example.org']);
    assert.match(mails()[0].body, /E-mail: dora@example.org\nPassword: d\n/);
  });

  test("a member's own records, and links only on his rows", async () => {
    const session = await P.memberLoginPage(page, site, 'dora@example.org', 'd');
    assert.match(page.url(), /search\.php\?myrecords=1$/);
    let rows = await P.resultRows(page);
    assert.deepEqual(rows.slice(1).map((r) => r[1]), ['Dora one']);
    assert.doesNotMatch(await P.bodyText(page), /Total records/);

    await page.goto(`${site.url}search.php`);
    await P.submitButton(page, 'Search');
    rows = await P.resultRows(page);
    assert.deepEqual(rows.slice(1).map((r) => [r[1], r[4], r[5]]),
      [['Carl one', '', ''], ['Dora one', 'Modify', 'Delete']]);
  });

  test('the editable flags decide what a member may change', async () => {
    host.clearMails();
    const session = await P.memberLogin(page, `${site.url}search.php`, 'dora@example.org', 'd');
    await page.goto(`${site.url}search.php`);
    await P.submitButton(page, 'Search');
    await P.followLink(page, 'Modify');
    assert.equal(await page.locator('input[name=price]').getAttribute('type'), 'hidden');
    assert.match(await page.locator('table.createform').innerText(), /Price\s+10/);
    await P.fillRecord(page, { title: 'Dora changed', notes: 'new notes' });
    await P.submitButton(page, 'Modify Record');
    assert.match(await P.bodyText(page), /The record has been modified\./);
    assert.deepEqual(host.sql("SELECT price, notes FROM members WHERE title = 'Dora changed'"),
      [['10', 'new notes']]);
    assert.match(mails()[0].body, /Action: Modify record\n/);

    // Flags sent with a forged form do not unlock a field.
    const dora = host.sql("SELECT recordid FROM members WHERE title = 'Dora changed'")[0][0];
    await post(`${site.url}modify_record.php`, { job: 'modifyaction',
      recordid: dora, title: 'Dora changed', title_USEREDIT: '1', price: '999', price_USEREDIT: '1' }, session);
    assert.equal(host.sql(`SELECT price FROM members WHERE recordid = ${dora}`)[0][0], '10');

    const carl = host.sql("SELECT recordid FROM members WHERE title = 'Carl one'")[0][0];
    assert.match(await post(`${site.url}delete_record.php`,
      { job: 'deleteaction', recordid: carl }, session), /E-mail or password is incorrect\./);
    assert.equal(host.sql(`SELECT COUNT(*) FROM members WHERE recordid = ${carl}`)[0][0], '1');
  });

  test('the administrator sees the owner and changes the flags', async () => {
    await P.adminLogin(page, `${site.adminUrl}search.php`);
    await P.fillRecord(page, { field1: 'title', operator1: 'is', fieldvalue1: 'Dora changed' });
    await P.submitButton(page, 'Search');
    await P.followLink(page, 'Modify');
    assert.match(await page.locator('table.createform').innerText(), /User ID\s+dora@example.org/);
    assert.ok(!(await page.locator('input[name=price_USEREDIT]').isChecked()));
    await P.fillRecord(page, { title_USEREDIT: false, price_USEREDIT: true });
    await P.submitButton(page, 'Modify Record');
    assert.deepEqual(host.sql("SELECT title_USEREDIT, price_USEREDIT FROM members WHERE title = 'Dora changed'"),
      [['0', '1']]);
    assert.equal(ownerOf('members', "title = 'Dora changed'"), 'dora@example.org');
  });
});
