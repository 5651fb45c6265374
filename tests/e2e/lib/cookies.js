'use strict';
// The Set-Cookie lines of a fetch answer. Node 18's fetch as Debian ships it
// has no Headers.getSetCookie(); there the lines come joined by commas, which
// also appear inside an Expires date, so they are split only before "name=".
function setCookies(headers) {
  if (typeof headers.getSetCookie === 'function') return headers.getSetCookie();
  const joined = headers.get('set-cookie');
  return joined ? joined.split(/,\s*(?=[^;,=\s]+=)/) : [];
}

module.exports = { setCookies };
