// A site that outgrew one server, on the cluster profile of the local web
// host: three database nodes of one Galera cluster behind HAProxy, two PHP
// servers behind HAProxy without stickiness. The desktop commands, the main
// browser flows, a crowd of visitors adding at once, a database node that
// leaves in the middle of it all, a site that keeps answering while it is
// published again, its records move, and its servers fail, and field changes
// while visitors search.
'use strict';

const { test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const { execFile, spawnSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { Host, binDir } = require('./lib/host');
const { launch } = require('./lib/browser');
const { fieldChanges } = require('./lib/fieldchanges');
const { field, project } = require('./lib/project');
const { Visitor } = require('./lib/visitor');
const P = require('./lib/pages');

const NODES = [1, 2, 3];

let host;
let browser;
let work;

before(async () => {
  host = new Host({ cluster: true });
  browser = await launch();
  work = fs.mkdtempSync(path.join(os.tmpdir(), 'corvanta-cluster-'));
});

after(async () => {
  await browser?.close();
  host?.stop();
  if (work) fs.rmSync(work, { recursive: true, force: true });
});

function cliAsync(...args) {
  return new Promise((resolve) => {
    execFile(path.join(binDir, 'corvanta-cli'), args, {
      env: { ...process.env, CORVANTA_STORE: path.join(work, 'store.json') },
    }, (error, out, err) => resolve({ status: error ? error.code ?? 1 : 0, out, err }));
  });
}

function cli(...args) {
  const run = spawnSync(path.join(binDir, 'corvanta-cli'), args, {
    env: { ...process.env, CORVANTA_STORE: path.join(work, 'store.json') },
    encoding: 'utf8',
  });
  return { status: run.status, out: run.stdout, err: run.stderr };
}

// Each table of a site with its engine and whether it has a primary key,
// as one node of the cluster reports them.
function schema(prefix, node) {
  return host.sql(`SELECT t.TABLE_NAME, t.ENGINE, (SELECT COUNT(*) FROM
      information_schema.TABLE_CONSTRAINTS c WHERE c.TABLE_SCHEMA = t.TABLE_SCHEMA
      AND c.TABLE_NAME = t.TABLE_NAME AND c.CONSTRAINT_TYPE = 'PRIMARY KEY')
    FROM information_schema.TABLES t WHERE t.TABLE_SCHEMA = DATABASE()
      AND t.TABLE_NAME LIKE '${prefix}%' ORDER BY t.TABLE_NAME`, node);
}

// The web servers that answered a page's requests, in order: `pages` for
// the pages themselves, `all` with style sheets and pictures.
function watchServers(page) {
  const seen = { pages: [], all: [] };
  page.on('response', (r) => {
    const server = r.headers()['x-served-by'];
    if (!server) return;
    seen.all.push(server);
    if (r.request().resourceType() === 'document') seen.pages.push(server);
  });
  return seen;
}

function assertBothServed({ pages, all }) {
  assert.deepEqual([...new Set(pages)].sort(), ['web1', 'web2'], pages.join(' '));
  const switches = all.slice(1).filter((s, i) => s !== all[i]).length;
  assert.ok(switches >= all.length / 3, `consecutive requests mostly on one server: ${all}`);
}

// A member site deployed by the desktop commands, as a user would: the
// project is stored, uploaded with its tables, its records downloaded and
// sent back, and at last removed.
const shop = {
  name: 'shop',
  fields: [
    field('title', 'Text', 'Text', 'RSVE', { Name: 'Title' }),
    field('price', 'Integer', 'Text', 'SVE', { Name: 'Price' }),
    field('photo', 'Image', 'Image', 'VE', { Name: 'Photo' }),
  ],
  settings: {
    UserMode: 'Login', UserUpdate: true, AllowSearch: true, AllowAddModify: true,
    AllowDelete: true,
  },
};

function shopUrl() {
  return { url: `${host.url}shop/`, adminUrl: `${host.url}shop/admin/` };
}

// Stores the project `name` with its site in the folder of that name.
function storeProject(name, fields, settings) {
  const p = project(name, fields, {
    ...settings,
    LocalPath: path.join(work, name) + '/',
    URL: `${host.url}${name}/`,
    PHPPath: `${name}/`,
    Server: host.env.FTP_SERVER,
    User: host.env.FTP_USER,
    Password: host.env.FTP_PASSWORD,
    DatabaseServer: host.env.MYSQL_SERVER,
    DatabaseName: host.env.MYSQL_DATABASE,
    DatabaseUser: host.env.MYSQL_USER,
    DatabasePassword: host.env.MYSQL_PASSWORD,
  });
  const file = path.join(work, `${name}.json`);
  fs.writeFileSync(file, JSON.stringify(p));
  const r = cli('import-project', file, '--name', name);
  assert.equal(r.status, 0, r.err);
}

test('Upload creates the tables on every node, each with a primary key, in InnoDB', () => {
  storeProject('shop', shop.fields, shop.settings);
  const r = cli('upload', 'shop', '--create-db');
  assert.equal(r.status, 0, r.err + r.out);

  const tables = schema('shop', 1);
  assert.deepEqual(tables.map((t) => t[0]),
    ['shop', 'shop_IMAGES', 'shop_LOGINS', 'shop_SESSIONS', 'shop_USERS', 'shop_VISITS']);
  for (const [name, engine, primaryKeys] of tables) {
    assert.equal(engine, 'InnoDB', name);
    assert.equal(primaryKeys, '1', `${name} has no primary key`);
  }
  for (const node of [2, 3]) assert.deepEqual(schema('shop', node), tables, `node ${node}`);
});

test('administrator and member flows, each request on either web server', async () => {
  const site = shopUrl();
  const page = await browser.newPage();
  const servers = watchServers(page);

  // The administrator makes a member on the members page.
  const admin = await P.adminLoginPage(page, site);
  await page.goto(`${site.adminUrl}users.php?sessionid=${admin}`);
  await P.fillRecord(page, { username: 'kim@example.org', userpassword: 'kim pw', userrepassword: 'kim pw' });
  await P.submitButton(page, 'Add');
  assert.match(await P.bodyText(page), /The user has been created successfully\./);

  // The member adds a record with a picture, finds, changes and deletes it.
  const member = await P.memberLoginPage(page, site, 'kim@example.org', 'kim pw');
  const picture = P.pictureFile('kim.png', [12, 140, 230], 32, 24);
  for (const [title, price] of [['Blue bowl', '12'], ['Red cup', '4']]) {
    await page.goto(`${site.url}add_record.php?sessionid=${member}`);
    await P.fillRecord(page, { title, price, photo: picture });
    await P.submitButton(page, 'Add Record');
    assert.match(await P.bodyText(page), /The record has been created successfully\./);
  }
  for (const node of NODES) {
    const [[image]] = host.sql(`SELECT HEX(i.image_data) FROM shop s JOIN shop_IMAGES i
      ON i.imageid = s.photo WHERE s.title = 'Blue bowl'`, node);
    assert.equal(image, picture.buffer.toString('hex').toUpperCase(), `picture on node ${node}`);
  }

  await page.goto(`${site.url}search.php?sessionid=${member}`);
  await P.fillRecord(page, { field1: 'title', operator1: 'contains', fieldvalue1: 'bowl' });
  await P.submitButton(page, 'Search');
  let rows = await P.resultRows(page);
  assert.deepEqual(rows.slice(1).map((r) => r[1]), ['Blue bowl']);
  const shown = await page.locator('table.searchresult img').first().evaluate((i) => i.naturalWidth);
  assert.ok(shown > 0, 'the picture is shown');

  await P.followLink(page, 'Modify');
  await P.fillRecord(page, { title: 'Blue bowl, large' });
  await P.submitButton(page, 'Modify Record');
  assert.match(await P.bodyText(page), /The record has been modified\./);

  await page.goto(`${site.url}delete_record.php?sessionid=${member}`);
  rows = await P.resultRows(page);
  assert.deepEqual(rows.slice(1).map((r) => r[1]).sort(), ['Blue bowl, large', 'Red cup']);
  await P.followLink(page, 'Delete', rows.slice(1).findIndex((r) => r[1] === 'Red cup'));
  await P.submitButton(page, 'Delete');
  assert.match(await P.bodyText(page), /The record has been deleted\./);
  for (const node of NODES) {
    assert.deepEqual(host.sql('SELECT title, price FROM shop', node), [['Blue bowl, large', '12']]);
  }
  await page.close();
  assertBothServed(servers);
});

test('Import and Export move the records through the cluster', () => {
  const files = Object.fromEntries(['records', 'users', 'images'].map(
    (k) => [k, path.join(work, `shop-${k}.txt`)]));
  const args = ['--records', files.records, '--users', files.users, '--images', files.images];
  let r = cli('import', 'shop', ...args);
  assert.equal(r.status, 0, r.err + r.out);
  const records = fs.readFileSync(files.records, 'latin1');
  assert.match(records, /Blue bowl, large\|12\|/);
  assert.match(fs.readFileSync(files.users, 'latin1'), /kim@example\.org\|kim pw/);

  // Two more records, and the file sent back in place of the table.
  const owner = host.sql("SELECT userid FROM shop_USERS WHERE username = 'kim@example.org'")[0][0];
  fs.writeFileSync(files.records,
    `${records}${owner}|Green jug|7|0\r\n${owner}|Grey plate|3|0\r\n`, 'latin1');
  r = cli('export', 'shop', ...args, '--replace');
  assert.equal(r.status, 0, r.err + r.out);
  for (const node of NODES) {
    assert.deepEqual(host.sql('SELECT title, price FROM shop ORDER BY title', node),
      [['Blue bowl, large', '12'], ['Green jug', '7'], ['Grey plate', '3']], `node ${node}`);
  }
  const ids = host.sql('SELECT recordid FROM shop').map(([id]) => Number(id));
  assert.equal(new Set(ids).size, ids.length);

  r = cli('import', 'shop', ...args);
  assert.equal(r.status, 0, r.err + r.out);
  assert.match(fs.readFileSync(files.records, 'latin1'), /\|Green jug\|7\|0[|\r]/);
});

test('Remove drops the tables on every node and the files of both halves', () => {
  const r = cli('remove', 'shop', '--both');
  assert.equal(r.status, 0, r.err + r.out);
  for (const node of NODES) assert.deepEqual(schema('shop', node), [], `node ${node}`);
  assert.ok(!fs.existsSync(path.join(host.env.DOCUMENT_ROOT, 'shop', 'search.php')));
  assert.ok(!fs.existsSync(path.join(host.env.DOCUMENT_ROOT, 'shop', 'admin', 'search.php')));
});

// A Join site that a crowd of visitors uses at once.
let crowd;

function png(i) {
  return P.png(8 + (i % 5), 6, [i * 3 % 256, (i * 57) % 256, 255 - i]);
}

// What a page says, without its markup and form.
function bodyText(html) {
  return html.replace(/^[\s\S]*?<body[^>]*>/i, '').replace(/<form[\s\S]*$/i, '')
    .replace(/<[^>]*>/g, ' ').replace(/\s+/g, ' ').trim().slice(0, 400);
}

async function add(visitor, title, email, password, picture) {
  const answer = await visitor.submit(`${crowd.url}add_record.php`, 'job',
    { job: 'createaction', title, email, password },
    picture ? { photo: { name: `${title}.png`, type: 'image/png', buffer: picture } } : {});
  return { ...answer, ok: answer.status === 200 && /created successfully/.test(answer.text) };
}

test('64 visitors adding at once: 64 records, their own pictures, one member per address', async () => {
  crowd = await host.createSite('crowd', project('crowd', [
    field('title', 'Text', 'Text', 'RSVE', { Name: 'Title' }),
    field('photo', 'Image', 'Image', 'VE', { Name: 'Photo' }),
  ], { UserMode: 'Join', UserUpdate: true, AllowSearch: true, AllowAddModify: true }));

  const visitors = Array.from({ length: 64 }, () => new Visitor());
  const answers = await Promise.all(visitors.map((v, i) =>
    add(v, `crowd ${i}`, `m${i % 16}@example.org`, `pw ${i % 16}`, png(i))));
  answers.forEach((a, i) => assert.ok(a.ok, `add ${i}: ${a.status} ${bodyText(a.text)}`));
  const posts = answers.map((a) => a.server);
  assert.ok(posts.includes('web1') && posts.includes('web2'), posts.join(' '));

  const rows = host.sql(`SELECT c.recordid, c.title, HEX(i.image_data), u.username FROM crowd c
    LEFT JOIN crowd_IMAGES i ON i.imageid = c.photo LEFT JOIN crowd_USERS u ON u.userid = c.userid`, 3);
  assert.equal(rows.length, 64);
  assert.equal(new Set(rows.map((r) => r[0])).size, 64);
  for (const [, title, image, member] of rows) {
    const i = Number(title.split(' ')[1]);
    assert.equal(image, png(i).toString('hex').toUpperCase(), `picture of ${title}`);
    assert.equal(member, `m${i % 16}@example.org`, `owner of ${title}`);
  }
  const members = host.sql('SELECT username, COUNT(*) FROM crowd_USERS GROUP BY username', 2);
  assert.equal(members.length, 16);
  assert.ok(members.every(([, n]) => n === '1'), JSON.stringify(members));
  // Each node numbers its own inserts: the ids need not follow each other.
  assert.ok(new Set(rows.map((r) => Number(r[0]) % 3)).size > 1, 'all adds went to one node');
});

test('a visitor guessing passwords is held back, whatever address it claims to the balancer', async () => {
  // Each try names another member and claims another address: only the
  // address the balancer saw can hold the guesser back.
  const guesser = new Visitor();
  const answers = [];
  for (let i = 0; i < 16; i++) {
    guesser.headers['X-Forwarded-For'] = `203.0.113.${i + 1}`;
    answers.push(await add(guesser, `guess ${i}`, `m${i}@example.org`, 'not the password'));
  }
  assert.ok(answers.every((a) => a.status === 200 && !a.ok), 'a guess was taken');
  assert.ok(answers.slice(0, 10).every((a) => !/Too many tries/.test(a.text)), 'held back too early');
  assert.ok(answers.slice(10).some((a) => /Too many tries/.test(a.text)), 'never held back');
  // Another visitor is not held back by the guesser.
  assert.ok((await add(new Visitor(), 'honest', 'm0@example.org', 'pw 0')).ok);
});

test('visitors arriving together on a new site are all counted, in one row', async () => {
  const visit = async () => (await new Visitor().get(`${crowd.url}inc_counter.php`)).status;
  // A framed site's counter is a page of its own; a one-page site's leads on
  // to the first page.
  const counted = process.env.CORVANTA_E2E_LAYOUT === 'frames' ? 200 : 302;
  for (const expected of ['40', '80']) {
    const answers = await Promise.all(Array.from({ length: 40 }, visit));
    assert.ok(answers.every((s) => s === counted), answers.join(' '));
    assert.deepEqual(host.sql('SELECT dummy FROM crowd_VISITS', 3), [[expected]]);
  }
});

test('a database node leaves during adds and searches: nothing confirmed is lost or doubled', async (t) => {
  const confirmed = [];
  const failedAdds = [];
  const failedSearches = [];
  let searches = 0;
  let running = true;
  let next = 0;

  async function worker(w) {
    const visitor = new Visitor();
    while (running) {
      const title = `run ${next++}`;
      let added = false;
      try {
        const a = await add(visitor, title, `w${w}@example.org`, 'pw');
        added = a.ok;
        if (a.ok) confirmed.push(title);
        else failedAdds.push(`${title}: ${a.status} ${bodyText(a.text)}`);
      } catch (e) {
        failedAdds.push(`${title}: ${e.message}`);
      }
      try {
        // Right after the add, most likely through another database node.
        const query = new URLSearchParams({ job: 'search', field1: 'title', operator1: 'is', fieldvalue1: title });
        const s = await visitor.get(`${crowd.url}search.php?${query}`);
        if (s.status === 200 && /Total records/.test(s.text) && (!added || s.text.includes(title))) {
          searches++;
        } else {
          failedSearches.push(`${title}: ${s.status} ${bodyText(s.text)}`);
        }
      } catch (e) {
        failedSearches.push(`${title}: ${e.message}`);
      }
    }
  }

  const workers = Array.from({ length: 6 }, (_, w) => worker(w));
  await new Promise((r) => setTimeout(r, 2000));
  const before = confirmed.length;
  await host.node(2, 'stop');
  await new Promise((r) => setTimeout(r, 3000));
  const whileAway = confirmed.length;
  await host.node(2, 'start');
  await new Promise((r) => setTimeout(r, 2000));
  running = false;
  await Promise.all(workers);

  t.diagnostic(`${confirmed.length} adds confirmed (${before} before the node left, ` +
    `${whileAway - before} while it was away), ${searches} searches`);
  for (const f of [...failedAdds, ...failedSearches]) t.diagnostic(`failed: ${f}`);
  assert.ok(whileAway > before, 'adds went on while the node was away');
  assert.ok(confirmed.length > whileAway, 'adds went on after the node came back');
  // A read is asked again elsewhere; only an add the leaving node was
  // storing may fail (one per visitor at most), since repeating it could
  // store it twice.
  assert.deepEqual(failedSearches, []);
  assert.ok(failedAdds.length <= 6, failedAdds.join('\n'));

  for (const node of NODES) {
    const stored = host.sql("SELECT title, COUNT(*) FROM crowd WHERE title LIKE 'run %' GROUP BY title", node);
    const twice = stored.filter(([, n]) => n !== '1');
    assert.deepEqual(twice, [], `node ${node} holds records twice`);
    const titles = new Set(stored.map(([t]) => t));
    const lost = confirmed.filter((t) => !titles.has(t));
    assert.deepEqual(lost, [], `node ${node} lost confirmed adds`);
  }
});

// A stored site that the desktop commands change while visitors use it.
const PHP_ERROR = /(Fatal|Parse) error|Warning:|Notice:|Deprecated:|Uncaught/;
const LIVE_PAGES = ['index.html', 'menu.php', 'search.php', 'add_record.php',
  'admin/index.html', 'admin/login.php'];

function storeLive(title) {
  storeProject('live', [field('title', 'Text', 'Text', 'RSVE', { Name: 'Title' })],
    { UserUpdate: true, AllowSearch: true, AllowAddModify: true, DatabaseDisplayName: title });
}

function failure(a, expected = /./) {
  return a.status === 200 && expected.test(a.text) && !PHP_ERROR.test(a.text)
    ? null : `${a.status} ${bodyText(a.text)}`;
}

// `count` visitors asking `ask(worker)` until stopped. An answer cut off
// (the connection ended in the middle) is no page: it is counted apart.
function crowdOf(count, ask, expected) {
  const state = { running: true, answers: 0, failures: [], cut: [], servers: new Set() };
  const workers = Array.from({ length: count }, async (_, w) => {
    while (state.running) {
      try {
        const a = await ask(w);
        state.servers.add(a.server);
        if (failure(a, expected)) state.failures.push(failure(a, expected));
      } catch (e) {
        state.cut.push(e.message);
      }
      state.answers++;
    }
  });
  state.stop = async () => {
    state.running = false;
    await Promise.all(workers);
  };
  return state;
}

const pause = (ms) => new Promise((r) => setTimeout(r, ms));

test('records move in and out while visitors search: no PHP error', async (t) => {
  storeLive('The live collection');
  assert.equal(cli('upload', 'live', '--create-db').status, 0);
  host.sql(`INSERT INTO live (title) VALUES ${Array.from({ length: 200 }, (_, i) => `('r ${i}')`)}`);
  const args = ['--records', path.join(work, 'live-records.txt'),
    '--images', path.join(work, 'live-images.txt')];
  const logged = host.phpErrors().length;
  const target = Number(process.env.CORVANTA_TRANSFER_SEARCHES || 2000);
  const query = new URLSearchParams({ job: 'search', field1: 'title', operator1: 'contains', fieldvalue1: 'r ' });
  const crowd = crowdOf(6, () => new Visitor().get(`${host.url}live/search.php?${query}`), /Total records/);
  const runs = { import: 0, export: 0 };
  const failed = [];
  // Ten of each at least, and as many as the searches take.
  while (runs.import < 10 || runs.export < 10 || crowd.answers < target) {
    const command = runs.import <= runs.export ? 'import' : 'export';
    const r = await cliAsync(command, 'live', ...args, ...(command === 'export' ? ['--replace'] : []));
    if (r.status !== 0) failed.push(r.err + r.out);
    runs[command]++;
  }
  await crowd.stop();
  t.diagnostic(`${crowd.answers} searches during ${runs.import} imports and ${runs.export} exports`);
  assert.deepEqual(failed, []);
  assert.deepEqual([...crowd.failures, ...crowd.cut].slice(0, 5), []);
  assert.equal(host.phpErrors().slice(logged), '');
  assert.deepEqual(host.sql('SELECT COUNT(*) FROM live', 2), [['200']]);
});

test('a changed site is uploaded while visitors load it: each page wholly old or wholly new', async (t) => {
  const load = (page) => new Visitor().get(`${host.url}live/${page}`);
  // Each visitor's forms carry a token of his own.
  const withoutToken = (text) => text.replace(/NAME="corvanta_form" VALUE="[0-9a-f]{32}"/g, 'NAME="corvanta_form"');
  const texts = async () => Object.fromEntries(await Promise.all(
    LIVE_PAGES.map(async (page) => [page, withoutToken((await load(page)).text)])));
  const before = await texts();
  const logged = host.phpErrors().length;
  storeLive('The live collection, renewed');
  const seen = [];
  const crowd = crowdOf(6, async (w) => {
    const page = LIVE_PAGES[(w + seen.length) % LIVE_PAGES.length];
    const a = await load(page);
    seen.push([page, withoutToken(a.text)]);
    return a;
  });
  const r = await cliAsync('upload', 'live');
  await crowd.stop();
  assert.equal(r.status, 0, r.err + r.out);
  assert.match(r.out, /Unchanged since the last upload, not sent again: [1-9]/);
  const now = await texts();
  assert.ok(LIVE_PAGES.some((p) => now[p] !== before[p] && now[p].includes('renewed')));
  const mixed = seen.filter(([page, text]) => text !== before[page] && text !== now[page]);
  t.diagnostic(`${seen.length} pages loaded during the upload, ` +
    `${seen.filter(([page, text]) => text === now[page] && text !== before[page]).length} new`);
  assert.deepEqual(mixed.slice(0, 3).map(([page, text]) => `${page}: ${bodyText(text)}`), []);
  assert.deepEqual([...crowd.failures, ...crowd.cut].slice(0, 5), []);
  assert.equal(host.phpErrors().slice(logged), '');
});

test('a PHP server killed under load: no visitor sees an error page', async (t) => {
  const logged = host.phpErrors().length;
  const crowd = crowdOf(8, (w) => new Visitor().get(`${host.url}live/${LIVE_PAGES[w % 4]}`));
  await pause(1500);
  const early = crowd.answers;
  await host.server('stop', 'php1');
  await pause(2000);
  const whileAway = crowd.answers;
  await host.server('start', 'php1');
  await pause(1000);
  await crowd.stop();
  t.diagnostic(`${crowd.answers} pages: ${early} before, ${whileAway - early} while web1 ` +
    `was away; ${crowd.cut.length} cut off as web1 died`);
  assert.ok(whileAway > early, 'pages were served while web1 was away');
  assert.deepEqual(crowd.failures.slice(0, 5), []);
  // Only an answer web1 was sending when it died may end half-way (it
  // serves four at a time); a request it had not answered goes to web2.
  assert.ok(crowd.cut.length <= 4, crowd.cut.join('\n'));
  assert.deepEqual([...crowd.servers].sort(), ['web1', 'web2']);
  assert.equal(host.phpErrors().slice(logged), '');
});

test('a database node killed and started again catches up by an incremental transfer', async () => {
  const log = path.join(host.dir, 'log', 'mariadb3.log');
  const offset = fs.statSync(log).size;
  await host.node(3, 'kill');
  host.sql("INSERT INTO live (title) VALUES ('while node 3 was down')", 1);
  await host.node(3, 'start');
  const since = fs.readFileSync(log, 'utf8').slice(offset);
  assert.match(since, /IST received/);
  assert.doesNotMatch(since, /rsync SST completed/);
  assert.deepEqual(host.sql("SELECT COUNT(*) FROM live WHERE title = 'while node 3 was down'", 3),
    [['1']]);
});

test('field changes keep the 10,000 records on every node while visitors search', async (t) => {
  await fieldChanges(t, host, work);
});

test('the cluster runs beside a single host and stops without leaving a server behind', async () => {
  const single = new Host();
  try {
    const site = await fetch(host.url);
    assert.match(site.headers.get('x-served-by') ?? '', /^web[12]$/);
    assert.equal((await fetch(single.url)).headers.get('x-served-by'), null);
    assert.deepEqual(single.sql('SELECT 1'), [['1']]);

    const { dir, url } = host;
    host.stop();
    host = null;
    const left = spawnSync('ps', ['-eo', 'pid=,args='], { encoding: 'utf8' }).stdout
      .split('\n').filter((l) => l.includes(dir));
    assert.deepEqual(left, []);
    await assert.rejects(fetch(url));
    assert.deepEqual(single.sql('SELECT 1'), [['1']], 'the single host went down with the cluster');
  } finally {
    single.stop();
  }
});
