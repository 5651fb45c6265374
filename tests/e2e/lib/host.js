// The local web host for one test file: started once, in a temporary folder,
// stopped when the file's tests end. Sites are generated onto it with
// e2e-sitegen and their tables created by their own create_db.php.
'use strict';

const { execFile, execFileSync, spawnSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

const sourceDir = process.env.CORVANTA_SOURCE_DIR || path.resolve(__dirname, '../../..');
const binDir = process.env.CORVANTA_BIN_DIR || path.join(sourceDir, 'build/bin');
const webhost = path.join(sourceDir, 'scripts/webhost');

class Host {
  // `{ cluster: true }`: three database nodes and two PHP servers, each
  // pair behind a load balancer.
  constructor(options = {}) {
    // The cluster takes many ports at once; another program may take one of
    // them before a node binds it, so a failed start is tried once more.
    for (let attempt = options.cluster ? 2 : 1; ; attempt--) {
      this.dir = fs.mkdtempSync(path.join(os.tmpdir(), 'corvanta-e2e-'));
      const args = ['start', this.dir, '--owner', String(process.pid)];
      if (options.cluster) args.push('--cluster');
      try {
        execFileSync(webhost, args, { stdio: ['ignore', 'ignore', 'inherit'] });
        break;
      } catch (e) {
        this.stop();
        if (attempt <= 1) throw e;
      }
    }
    this.env = {};
    for (const line of execFileSync(webhost, ['env', this.dir]).toString().split('\n')) {
      const eq = line.indexOf('=');
      if (eq > 0) this.env[line.slice(0, eq)] = line.slice(eq + 1);
    }
    this.url = this.env.URL;
  }

  stop() {
    spawnSync(webhost, ['stop', this.dir], { stdio: 'ignore' });
    fs.rmSync(this.dir, { recursive: true, force: true });
  }

  // Rows of a query as arrays of strings (NULL as null); on a cluster,
  // `node` (1, 2, 3) names the database server asked.
  sql(query, node) {
    const socket = node ? this.env[`NODE${node}_SOCKET`] : this.env.MYSQL_SOCKET;
    // A node applies what the others committed a moment later: wait for it.
    if (node) query = `SET SESSION wsrep_sync_wait = 15; ${query}`;
    const out = execFileSync('mariadb', [
      '--no-defaults', `--socket=${socket}`, `-u${this.env.MYSQL_USER}`,
      `-p${this.env.MYSQL_PASSWORD}`, '--batch', '--skip-column-names',
      '--default-character-set=utf8mb4', this.env.MYSQL_DATABASE, '-e', query,
    ]).toString('utf8');
    // Batch output escapes line breaks, tabs, NUL and backslashes.
    const unescape = (v) => v.replace(/\\([nt0\\])/g,
      (_, c) => ({ n: '\n', t: '\t', 0: '\0', '\\': '\\' }[c]));
    return out.split('\n').filter((l) => l !== '')
      .map((l) => l.split('\t').map((v) => (v === 'NULL' ? null : unescape(v))));
  }

  // A database node of the cluster leaves ('stop') or rejoins ('start'; the
  // promise ends when it is in step and the load balancer uses it again).
  node(n, action) {
    return new Promise((resolve, reject) => {
      execFile(webhost, ['node', this.dir, String(n), action], (error, stdout, stderr) => {
        if (error) reject(new Error(`webhost node ${n} ${action}: ${stderr}`));
        else resolve();
      });
    });
  }

  // A server of the host goes away ('stop') or comes back ('start'); on a
  // cluster 'php1' and 'php2' name one PHP server, 'php' both.
  server(action, name) {
    return new Promise((resolve, reject) => {
      execFile(webhost, [`${action}-server`, this.dir, name], (error, stdout, stderr) => {
        if (error) reject(new Error(`webhost ${action}-server ${name}: ${stderr}`));
        else resolve();
      });
    });
  }

  // Mails sent by the sites, oldest first, as raw text.
  mails() {
    const dir = this.env.MAIL_DIR;
    return fs.readdirSync(dir).filter((n) => n.endsWith('.eml')).sort()
      .map((n) => fs.readFileSync(path.join(dir, n), 'latin1'));
  }

  clearMails() {
    const dir = this.env.MAIL_DIR;
    for (const n of fs.readdirSync(dir)) fs.rmSync(path.join(dir, n), { force: true });
  }

  phpErrors() {
    const log = this.env.PHP_ERROR_LOG;
    return fs.existsSync(log) ? fs.readFileSync(log, 'utf8') : '';
  }

  // Generates the project's site into <docroot>/<site>/ and creates its
  // tables. `project` is the project JSON without the connection settings.
  site(site, project) {
    const settings = {
      ...project.Settings,
      LocalPath: path.join(this.env.DOCUMENT_ROOT, site) + '/',
      URL: `${this.url}${site}/`,
      PHPPath: `${site}/`,
      Server: this.env.FTP_SERVER,
      User: this.env.FTP_USER,
      Password: this.env.FTP_PASSWORD,
      DatabaseServer: this.env.MYSQL_SERVER,
      DatabaseName: this.env.MYSQL_DATABASE,
      DatabaseUser: this.env.MYSQL_USER,
      DatabasePassword: this.env.MYSQL_PASSWORD,
      // The cluster's balancer tells the sites who the visitor is.
      ...(this.env.TRUSTED_PROXIES ? { TrustedProxies: this.env.TRUSTED_PROXIES } : {}),
    };
    const file = path.join(this.dir, `${site}.json`);
    fs.writeFileSync(file, JSON.stringify({ ...project, Settings: settings }));
    const created = execFileSync(path.join(binDir, 'e2e-sitegen'), [file]).toString().trim();
    return { url: settings.URL, adminUrl: `${settings.URL}admin/`, createDb: `${settings.URL}${created}` };
  }

  // site() and a run of its create_db.php, which must succeed.
  async createSite(site, project) {
    const s = this.site(site, project);
    const answer = await (await fetch(s.createDb)).text();
    if (!answer.includes('<P CLASS="corvanta_ok">')) throw new Error(`create_db.php: ${answer}`);
    return s;
  }
}

module.exports = { Host, sourceDir, binDir };
