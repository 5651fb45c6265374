// Field changes on a live site that holds 10,000 records, made as a user
// makes them with corvanta-cli while visitors search: each change shown as a
// plan, then applied, and every record kept. On a cluster every node must
// end the same.
'use strict';

const assert = require('node:assert/strict');
const { execFile } = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const { binDir } = require('./host');
const { field, project } = require('./project');
const { Visitor } = require('./visitor');

// Column, type and input of a new field of each type.
const NEW_FIELDS = [
  ['newtext', 'Text', 'Text'], ['newint', 'Integer', 'Text'], ['newreal', 'Real number', 'Text'],
  ['newyes', 'Yes/No', 'Checkbox'], ['newdate', 'Date & time', 'Date & time'],
  ['newimage', 'Image', 'Image'], ['newlink', 'Image link', 'Image link'],
  ['newmail', 'Mailto', 'Mailto'], ['newweb', 'Hyperlink', 'Hyperlink'],
];

// A page says what it should; else its text, not its markup, is shown.
function says(answer, pattern) {
  const text = answer.text.replace(/<script[\s\S]*?<\/script>/gi, ' ').replace(/<[^>]*>/g, ' ')
    .replace(/\s+/g, ' ');
  assert.match(text, pattern, `${answer.status}: ${text.slice(0, 600)}`);
}

// The plan as `upload --plan` prints it: the lines under its heading.
function planLines(out) {
  const lines = out.split('\n');
  const start = lines.indexOf('The tables on the server') + 1;
  return lines.slice(start, lines.indexOf('', start));
}

async function fieldChanges(t, host, work) {
  const nodes = host.env.CLUSTER_NODES ? [1, 2, 3] : [undefined];
  const url = `${host.url}changes/`;
  const store = path.join(work, 'changes-store.json');
  const file = path.join(work, 'changes.json');
  const local = path.join(work, 'changes') + '/';
  fs.mkdirSync(local, { recursive: true });
  // Not synchronous: the visitors go on searching meanwhile.
  const cli = (...args) => new Promise((resolve) => {
    execFile(path.join(binDir, 'corvanta-cli'), args,
      { env: { ...process.env, CORVANTA_STORE: store } },
      (error, out, err) => resolve({ status: error ? error.code : 0, out, err }));
  });

  const fields = [
    field('title', 'Text', 'Text', 'SVE', { Name: 'Title' }),
    field('code', 'Text', 'Text', 'USVE', { Name: 'Code', MaxLength: 10 }),
    field('amount', 'Integer', 'Text', 'SVE', { Name: 'Amount' }),
    field('note', 'Text', 'Text', 'VE', { Name: 'Note' }),
  ];
  const save = async () => {
    fs.writeFileSync(file, JSON.stringify(project('changes', fields, {
      UserUpdate: true, AllowSearch: true, AllowAddModify: true, Transfer: 'ftp',
      LocalPath: local, URL: url, PHPPath: 'changes/',
      Server: host.env.FTP_SERVER, User: host.env.FTP_USER, Password: host.env.FTP_PASSWORD,
      DatabaseServer: host.env.MYSQL_SERVER, DatabaseName: host.env.MYSQL_DATABASE,
      DatabaseUser: host.env.MYSQL_USER, DatabasePassword: host.env.MYSQL_PASSWORD,
    })));
    const r = await cli('import-project', file, '--name', 'changes');
    assert.equal(r.status, 0, r.err);
  };
  await save();
  let r = await cli('upload', 'changes', '--create-db');
  assert.equal(r.status, 0, r.err + r.out);
  host.sql(`INSERT INTO changes(title, code, amount, note) SELECT CONCAT('t', seq),
    CONCAT('c', seq), seq, IF(seq % 3 = 0, '', CONCAT('n', seq)) FROM seq_1_to_10000`, nodes[0]);

  // What must not change, on every node.
  const kept = () => {
    const all = nodes.map((n) => host.sql(`SELECT COUNT(*),
      SUM(CRC32(CONCAT_WS('|', recordid, title, code))), SUM(amount) FROM changes`, n)[0]);
    for (const other of all.slice(1)) assert.deepEqual(other, all[0], 'the nodes differ');
    return all[0];
  };
  const columns = () => {
    const all = nodes.map((n) => host.sql(`SELECT COLUMN_NAME, COLUMN_TYPE FROM
      information_schema.COLUMNS WHERE TABLE_SCHEMA = DATABASE() AND TABLE_NAME = 'changes'
      ORDER BY ORDINAL_POSITION`, n).map((c) => c.join(' ')));
    for (const other of all.slice(1)) assert.deepEqual(other, all[0], 'the nodes differ');
    return all[0];
  };
  const records = kept();
  assert.equal(records[0], '10000');

  // Visitors search all the while. New pages go live by rename, after the
  // columns they need and before those they no longer use are dropped: no
  // search may meet a half-written page or a missing column.
  const searches = { done: 0, failed: [], replaced: 0 };
  let searching = true;
  const visitors = [0, 1].map(async () => {
    const visitor = new Visitor();
    while (searching) {
      try {
        const s = await visitor.request(`${url}search.php?job=search`);
        const text = s.text.replace(/<[^>]*>/g, ' ').replace(/\s+/g, ' ');
        if (s.status === 200 && /Total records/.test(text) && !/error|warning|failed/i.test(text)) {
          searches.done++;
        } else if (s.status === 200 && (s.text === '' || /undefined function mysql_/.test(text))) {
          searches.replaced++;
        } else {
          searches.failed.push(`${s.status} ${text.slice(-300)}`);
        }
      } catch (e) {
        searches.failed.push(e.message);
      }
    }
  });

  // One change: its plan, then the same plan applied, and the records kept.
  const change = async (edit, expected, applied = /the tables were updated and keep their records/) => {
    edit();
    await save();
    const plan = await cli('upload', 'changes', '--plan');
    assert.equal(plan.status, 0, plan.err + plan.out);
    for (const e of expected) assert.match(plan.out, e);
    const update = await cli('upload', 'changes', '--update-db');
    assert.equal(update.status, 0, update.err + update.out);
    assert.match(update.out, applied);
    assert.ok(update.out.includes(planLines(plan.out).join('\n')), 'the report shows the plan');
    return update;
  };

  try {
    await change(() => NEW_FIELDS.forEach(([column, type, input]) => fields.push(field(column,
      type, input, 'SVE', { Name: `New ${type}`, DateTimeFormat: 'DD/MM/YYYY hh:mm' }))),
    NEW_FIELDS.map(([column, type]) => new RegExp(`\\d\\. Add column ${column} for field ` +
      `"New ${type}" \\(${type}\\)\\.\\n +The 10,000 records stored so far have no value in it yet\\.`)));
    assert.deepEqual(kept(), records);
    const added = columns().map((c) => c.split(' ')[0]);
    for (const [column, type] of NEW_FIELDS) {
      const second = ['Image link', 'Mailto', 'Hyperlink'].includes(type) ? [`${column}two`] : [];
      for (const c of [column, `${column}_USEREDIT`, ...second]) assert.ok(added.includes(c), c);
    }

    await change(() => { fields[1].MaxLength = 100; },
      [/\n1\. Widen column code of field "Code" from varchar\(10\) to VARCHAR\(100\)\.\n\n/]);
    assert.ok(columns().includes('code varchar(100)'));
    assert.deepEqual(kept(), records);

    await change(() => { fields[0].Name = 'Heading'; },
      [/nothing to change \(a renamed field keeps its column\)/],
      /the tables already matched the fields/);
    assert.deepEqual(kept(), records);

    await change(() => { fields[2].FieldType = 'Real number'; },
      [/1\. Convert column amount of field "Amount" from Integer to Real number\.\n +Every stored value converts exactly\./]);
    assert.ok(columns().includes('amount double'));
    assert.deepEqual(kept(), records);

    const backups = path.join(local, 'backups');
    const removed = await change(() => fields.splice(3, 1),
      [/1\. Remove column note, which holds 6,667 values that are not empty\.\n +The records are first downloaded/]);
    assert.ok(!columns().some((c) => c.startsWith('note')), 'the column is gone');
    assert.deepEqual(kept(), records);
    const backup = removed.out.match(/downloaded to the backup file (.*)/)[1];
    assert.equal(path.dirname(backup), backups);
    const lines = fs.readFileSync(backup, 'latin1').split('\r\n').filter((l) => l !== '');
    assert.equal(lines.length, 10000);
    assert.equal(lines.filter((l) => /\|n\d+$/.test(l)).length, 6667);
    assert.equal(fs.statSync(backup).mode & 0o077, 0, 'the backup is its owner\'s only');

    // Text to Integer with values that are no numbers: refused, nothing changes.
    const before = columns();
    fields[0].FieldType = 'Integer';
    await save();
    const refused = await cli('upload', 'changes', '--plan');
    assert.match(refused.out, /Refused: 10,000 stored values do not fit, the first: record \d+: "t1"/);
    assert.doesNotMatch(refused.out, /Update the tables/);
    r = await cli('upload', 'changes', '--update-db');
    assert.equal(r.status, 1);
    assert.match(r.err, /The tables cannot be updated: .*Refused: 10,000 stored values/);
    assert.deepEqual(columns(), before);
    assert.deepEqual(kept(), records);
    fields[0].FieldType = 'Text';
    await change(() => {}, [/nothing to change/], /already matched/);
  } finally {
    searching = false;
    await Promise.all(visitors);
  }
  t.diagnostic(`${searches.done} searches while the tables changed, ${searches.replaced} ` +
    'caught a page while it was rewritten');
  assert.deepEqual(searches.failed, []);
  assert.equal(searches.replaced, 0, 'a search caught a page half-written');
  assert.ok(searches.done > 0);

  // Add, Modify and Search on the changed table.
  const visitor = new Visitor();
  const added = await visitor.submit(`${url}add_record.php`, 'job', {
    job: 'createaction', title: 'Added after the changes', code: 'x1', amount: '2,5',
    newtext: 'new text', newint: '7', newreal: '1,5', newyes: 'on',
  });
  says(added, /created successfully/);
  const [[id, amount, text, number]] = host.sql(`SELECT recordid, amount, newtext, newint FROM changes
    WHERE title = 'Added after the changes'`, nodes[nodes.length - 1]);
  assert.deepEqual([amount, text, number], ['2.5', 'new text', '7']);
  // Visitors change only their own records: the administrator changes it.
  const admin = new Visitor();
  const login = await admin.submit(`${url}admin/modify_record.php`, 'admin_password',
    { admin_password: 'admin secret' });
  assert.ok([200, 303].includes(login.status), `login: ${login.status}`);
  // A post carries the token of the session's forms.
  const page = await admin.get(`${url}admin/add_record.php`);
  const token = (page.text.match(/NAME="corvanta_form" VALUE="([0-9a-f]{32})"/) || [])[1];
  assert.ok(token, 'the administrator\'s page carries the form token');
  const body = new FormData();
  for (const [k, v] of Object.entries({
    job: 'modifyaction', recordid: id, title: 'Modified after the changes', code: 'x1',
    amount: '3', newtext: 'changed', corvanta_form: token,
  })) body.append(k, v);
  const modified = await admin.request(`${url}admin/modify_record.php`, { method: 'POST', body });
  says(modified, /has been modified/);
  // A search is an address.
  const found = await visitor.request(`${url}search.php?${new URLSearchParams({
    job: 'search', field1: 'title', operator1: 'is', fieldvalue1: 'Modified after the changes',
  })}`);
  says(found, /Records found: 1 Total records: 10001 .* Modified after the changes x1 3 changed/);
  assert.equal(kept()[0], '10001');
}

module.exports = { fieldChanges };
