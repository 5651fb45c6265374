// A visitor without a browser, for many requests at once: keeps the cookies
// the site sets, fills forms as the page sends them, and notes which web
// server answered (the load balancer's X-Served-By header). Each visitor
// comes from a loopback address of its own (127.0.0.2 on), as visitors of a
// public site come from their own addresses, which the site's limits on
// tries count by.
'use strict';

const http = require('node:http');

let visitors = 0;

const entities = { '&amp;': '&', '&quot;': '"', '&lt;': '<', '&gt;': '>', '&#039;': "'", '&#39;': "'" };
const unescapeHtml = (s) => s.replace(/&(amp|quot|lt|gt|#0?39);/g, (e) => entities[e]);

function attribute(tag, name) {
  const m = new RegExp(`\\s${name}\\s*=\\s*("([^"]*)"|'([^']*)'|([^\\s>]+))`, 'i').exec(tag);
  return m ? unescapeHtml(m[2] ?? m[3] ?? m[4]) : null;
}

// The hidden inputs of the page's first form that has the input `marker`
// (all hidden inputs of the page when none has it).
function hiddenInputs(html, marker) {
  const forms = html.split(/<form\b/i).slice(1);
  const form = forms.find((f) => new RegExp(`name\\s*=\\s*["']?${marker}["'\\s>]`, 'i').test(f));
  const values = {};
  for (const tag of (form ?? html).match(/<input\b[^>]*>/gi) ?? []) {
    if ((attribute(tag, 'type') ?? '').toLowerCase() !== 'hidden') continue;
    const name = attribute(tag, 'name');
    if (name && !(name in values)) values[name] = attribute(tag, 'value') ?? '';
  }
  return values;
}

class Visitor {
  // `headers`: sent with every request (may be changed between requests).
  constructor({ headers = {} } = {}) {
    this.headers = headers;
    this.cookies = new Map();
    this.servedBy = [];
    // 250 hosts a block, from .2 on, so no address ends in .256 or above.
    const n = visitors++ % 250000;
    const block = Math.floor(n / 250);
    this.address = `127.${(block >> 8) & 255}.${block & 255}.${(n % 250) + 2}`;
  }

  async request(url, init = {}) {
    const headers = { ...this.headers, ...(init.headers ?? {}) };
    if (this.cookies.size) {
      headers.Cookie = [...this.cookies].map(([k, v]) => `${k}=${v}`).join('; ');
    }
    let body = null;
    if (init.body !== undefined) {
      // The multipart encoding fetch would send.
      const encoded = new Request(url, { method: 'POST', body: init.body });
      headers['Content-Type'] = encoded.headers.get('content-type');
      body = Buffer.from(await encoded.arrayBuffer());
      headers['Content-Length'] = body.length;
    }
    const answer = await new Promise((resolve, reject) => {
      const req = http.request(url, {
        method: init.method ?? 'GET', headers, localAddress: this.address,
      }, (res) => {
        const chunks = [];
        res.on('data', (c) => chunks.push(c));
        res.on('end', () => resolve({ res, text: Buffer.concat(chunks).toString('utf8') }));
        res.on('error', reject);
      });
      req.on('error', reject);
      req.end(body);
    });
    for (const cookie of answer.res.headers['set-cookie'] ?? []) {
      const [pair] = cookie.split(';');
      const eq = pair.indexOf('=');
      this.cookies.set(pair.slice(0, eq).trim(), pair.slice(eq + 1).trim());
    }
    const server = answer.res.headers['x-served-by'] ?? null;
    this.servedBy.push(server);
    return { status: answer.res.statusCode, server, text: answer.text };
  }

  get(url) {
    return this.request(url);
  }

  // Opens the form page, then posts its form with `fields` over the hidden
  // inputs it sent; `files` maps names to { name, type, buffer }.
  async submit(url, marker, fields, files = {}) {
    const form = await this.get(url);
    if (form.status !== 200) return form;
    const body = new FormData();
    for (const [k, v] of Object.entries({ ...hiddenInputs(form.text, marker), ...fields })) {
      body.append(k, String(v));
    }
    for (const [k, f] of Object.entries(files)) {
      body.append(k, new Blob([f.buffer], { type: f.type }), f.name);
    }
    return this.request(url, { method: 'POST', body });
  }
}

module.exports = { Visitor, hiddenInputs };
