// sqlmap against the login, add, modify, delete and search pages finds no
// injectable parameter. A deliberately open page shows that the same run
// does find one where there is one.
'use strict';

const { test, before, after } = require('node:test');
const { setCookies } = require('./lib/cookies');
const assert = require('node:assert/strict');
const { execFile } = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const { Host } = require('./lib/host');
const { field, project } = require('./lib/project');
const { ADMIN_PASSWORD } = require('./lib/pages');

let host;
let probe;
let lock;
let adminSession;
let memberSession;

// The level of the runs over every parameter: 1 in the suite, which keeps
// it within its minutes; CORVANTA_SQLMAP_LEVEL=2 runs the longer round. The
// session cookies are tested at level 2 always.
const LEVEL = process.env.CORVANTA_SQLMAP_LEVEL || '1';

// One bounded sqlmap run; resolves to its output. Each request comes from
// an address of its own (the pages limit failed logins per client), and the
// session cookie given stays the one sent.
function sqlmap(url, { data, cookie, level = LEVEL, extra = [] } = {}) {
  const args = ['-u', url, '--batch', `--level=${level}`, '--risk=1', '--time-sec=1', '--threads=2',
    '--flush-session', '--disable-coloring', `--output-dir=${path.join(host.dir, 'sqlmap')}`,
    '--tamper=xforwardedfor', '--drop-set-cookie',
    ...(data ? ['--data', new URLSearchParams(
      tokens.has(cookie) ? { ...data, corvanta_form: tokens.get(cookie) } : data).toString()] : []),
    ...(data && tokens.has(cookie) ? ['--skip=corvanta_form'] : []),
    ...(cookie ? ['--cookie', cookie] : []), ...extra];
  return new Promise((resolve) => {
    execFile('sqlmap', args, { maxBuffer: 64 << 20, timeout: LEVEL === '1' ? 240000 : 1800000 }, (error, stdout, stderr) =>
      resolve(`${stdout}${stderr}`));
  });
}

function assertNothingFound(output) {
  assert.doesNotMatch(output, /identified the following injection point|is vulnerable/, output);
  assert.match(output, /all tested parameters do not appear to be injectable/, output);
}

// The cookies a login opens, the session's first, as "name=value; ...";
// `tokens` keeps the token of their form session, which every post with
// them carries, so that sqlmap reaches the page behind the form check.
const tokens = new Map();
async function sessionFrom(url, form) {
  const answer = await fetch(url, { method: 'POST', body: new URLSearchParams(form), redirect: 'manual' });
  const cookies = setCookies(answer.headers).filter((c) => /^corvanta_\w+=[0-9a-f]{32};/.test(c))
    .map((c) => c.slice(0, c.indexOf(';'))).sort((a, b) => /_form=/.test(a) - /_form=/.test(b));
  const cookie = cookies.join('; ');
  const page = await (await fetch(url, { headers: { Cookie: cookie } })).text();
  tokens.set(cookie, page.match(/NAME="corvanta_form" VALUE="([0-9a-f]{32})"/)[1]);
  const posted = await fetch(url, { method: 'POST', headers: { Cookie: cookie },
    body: new URLSearchParams({ corvanta_form: tokens.get(cookie) }) });
  assert.equal(posted.status, 200, 'a post with the session and its token reaches the page');
  return cookie;
}

const everyType = [
  field('title', 'Text', 'Text', 'USV', { Name: 'Title' }),
  field('code', 'Text', 'Text', 'KSV', { Name: 'Code' }),
  field('num', 'Integer', 'Text', 'SV', { Name: 'Number' }),
  field('ratio', 'Real number', 'Text', 'SV', { Name: 'Real', DecimalSymbol: ',' }),
  field('flag', 'Yes/No', 'Checkbox', 'SV', { Name: 'Yes' }),
  field('day', 'Date & time', 'Date & time', 'SV', { Name: 'Day', DateTimeFormat: 'DD/MM/YYYY' }),
  field('contact', 'Mailto', 'Mailto', 'SV', { Name: 'Contact' }),
  field('link', 'Hyperlink', 'Hyperlink', 'SV', { Name: 'Link' }),
];

// Title and code are drawn afresh for every request (--randomize), long
// enough never to repeat, so every request passes the unique checks.
const record = {
  title: 'a title of some length', code: 'code0123456789', num: '5', ratio: '2,5', flag: 'on', day_day: '01', day_month: '02',
  day_year: '2003', day_hour: '00', day_minute: '00', day_second: '00', contact: 'me',
  contacttwo: 'me@example.org', link: 'home', linktwo: 'http://example.org/',
};

before(async () => {
  host = new Host();
  const members = {
    UserUpdate: true, AllowSearch: true, AllowAddModify: true, AllowDelete: true, SendEmail: true,
  };
  probe = await host.createSite('probe', project('probe', everyType, { ...members, UserMode: 'Join' }));
  lock = await host.createSite('gated', project('gated', everyType, { ...members, UserMode: 'Login' }));
  host.sql("INSERT INTO gated_USERS(username, userpassword) VALUES ('m@example.org', 'pw')");
  for (const t of ['probe', 'gated'])
    host.sql(`INSERT INTO ${t}(title, code, num, userid) VALUES ('first', 'k1', 1, 1), ('second', 'k2', 2, 1)`);
  adminSession = await sessionFrom(`${probe.adminUrl}search.php`, { admin_password: ADMIN_PASSWORD });
  memberSession = await sessionFrom(`${lock.url}search.php`,
    { login_email: 'm@example.org', login_password: 'pw' });
});

after(() => host?.stop());

test('a page open to injection is found, so the runs below mean something', async () => {
  fs.writeFileSync(path.join(host.env.DOCUMENT_ROOT, 'probe', 'open.php'), `<?php
require_once dirname(__FILE__)."/runtime.php";
$conn = mysql_connect("${host.env.MYSQL_SERVER}", "${host.env.MYSQL_USER}", "${host.env.MYSQL_PASSWORD}");
mysql_select_db("${host.env.MYSQL_DATABASE}");
$res = mysql_query("SELECT title FROM probe WHERE code = '".$_POST["code"]."'");
while ($rec = mysql_fetch_array($res, MYSQL_ASSOC)) { print $rec["title"]; }
`);
  const output = await sqlmap(`${probe.url}open.php`, { data: { code: 'k1' }, extra: ['--technique=B'] });
  assert.match(output, /identified the following injection point/, output);
});

test('login pages and the login forms of the record pages', async () => {
  assertNothingFound(await sqlmap(`${probe.adminUrl}login.php`,
    { data: { admin_password: 'x' } }));
  assertNothingFound(await sqlmap(`${lock.url}login.php`,
    { data: { login_email: 'm@example.org', login_password: 'x' }, extra: ['--randomize=login_email'] }));
  assertNothingFound(await sqlmap(`${lock.url}add_record.php`,
    { data: { login_email: 'm@example.org', login_password: 'x' }, extra: ['--randomize=login_email'] }));
});

test('add pages', async () => {
  assertNothingFound(await sqlmap(`${probe.url}add_record.php`, {
    data: { job: 'createaction', ...record, email: 'new@example.org', password: 'pw' },
    extra: ['--randomize=title,code,email'],
  }));
  assertNothingFound(await sqlmap(`${lock.adminUrl}add_record.php`, {
    data: { job: 'createaction', usercombo: 'm@example.org', ...record },
    cookie: await sessionFrom(`${lock.adminUrl}search.php`, { admin_password: ADMIN_PASSWORD }),
    extra: ['--randomize=title,code'],
  }));
});

test('modify pages', async () => {
  const id = host.sql("SELECT recordid FROM probe WHERE code = 'k2'")[0][0];
  assertNothingFound(await sqlmap(`${probe.adminUrl}modify_record.php`, {
    data: { job: 'modifyaction', recordid: id, ...record },
    cookie: adminSession,
    extra: ['--randomize=title,code'],
  }));
  assertNothingFound(await sqlmap(`${lock.url}modify_record.php`, {
    data: { recordid: id, limit: '0', email: 'm@example.org', password: 'pw' },
    cookie: memberSession,
  }));
});

test('delete pages', async () => {
  const id = host.sql("SELECT recordid FROM probe WHERE code = 'k1'")[0][0];
  assertNothingFound(await sqlmap(`${probe.adminUrl}delete_record.php`,
    { data: { recordid: id, limit: '0' }, cookie: adminSession }));
  assertNothingFound(await sqlmap(`${probe.adminUrl}delete_record.php`,
    { data: { job: 'deleteaction', recordid: id }, cookie: adminSession }));
});

test('search pages', async () => {
  assertNothingFound(await sqlmap(`${probe.url}search.php`, {
    data: { job: 'search', field1: 'title', operator1: 'contains', fieldvalue1: 'i',
      field2: 'num', operator2: 'greaterthan', fieldvalue2: '0', field3: 'contact',
      operator3: 'is', fieldvalue3: 'me', sortfield1: 'title', sorting1: 'asc', limit: '0' },
  }));
  assertNothingFound(await sqlmap(`${probe.url}search.php`, { data: { job: 'display', recordid: '1' } }));
  assertNothingFound(await sqlmap(`${lock.url}search.php?myrecords=1`, { cookie: memberSession }));
});

test('session cookies', async () => {
  const name = (cookie) => cookie.slice(0, cookie.indexOf('='));
  assertNothingFound(await sqlmap(`${lock.url}search.php?myrecords=1`,
    { cookie: memberSession, level: '2', extra: ['-p', name(memberSession)] }));
  assertNothingFound(await sqlmap(`${probe.adminUrl}search.php`,
    { data: { job: 'search' }, cookie: adminSession, level: '2', extra: ['-p', name(adminSession)] }));
});
