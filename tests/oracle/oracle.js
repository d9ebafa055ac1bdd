// The reference side of the differential test: the pattern primitives written
// with the JavaScript engine's own RegExp, the dialect the users try their
// patterns in.
//
// Reads one case per line on stdin, a JSON object {p, s, r, cs}: pattern,
// subject, replacement, whether letter case matters for the replacement. Writes
// one line per case, a JSON array of strings:
//   [lastMatch, testIgnoringCase, testWithCase, replace, matchesIgnoringCase,
//    matchesWithCase]
// where a test is "match", "nomatch" or "invalid" and the last two are the
// subject with every global match bracketed ("[$&]"), or null when the case
// ran out of time. Every character outside
// printable ASCII is written as a \u escape, so lone surrogates survive.
'use strict';
const readline = require('readline');
const vm = require('vm');

function quote(s) {
  let out = '"';
  for (let i = 0; i < s.length; i++) {
    const c = s.charCodeAt(i);
    if (c >= 0x20 && c < 0x7f && c !== 0x22 && c !== 0x5c) out += s[i];
    else out += '\\u' + c.toString(16).padStart(4, '0');
  }
  return out + '"';
}

const funcs = `
function compile(pattern, flags) {
  try {
    return new RegExp(pattern, flags);
  } catch {
    return null;
  }
}

// Every global match from left to right; after an empty match the search
// moves on by one code unit, as String.prototype.replace does.
function lastMatch(pattern, subject) {
  const re = compile(pattern, 'gi');
  if (!re) return '';
  let last = '';
  let m;
  while ((m = re.exec(subject)) !== null) {
    last = m[0];
    if (m[0].length === 0) re.lastIndex++;
  }
  return last;
}

function test(pattern, subject, caseSensitive) {
  const re = compile(pattern, caseSensitive ? '' : 'i');
  if (!re) return 'invalid';
  return re.test(subject) ? 'match' : 'nomatch';
}

function replace(pattern, subject, replacement, caseSensitive) {
  const re = compile(pattern, caseSensitive ? 'g' : 'gi');
  return re ? subject.replace(re, replacement) : subject;
}

`;

// The primitives run inside a context of their own, so that a pattern that
// backtracks for ever can be stopped: such a case is answered with null.
const context = vm.createContext({ c: null, answer: null });
vm.runInContext(`${funcs}
function evaluate(c) {
  return [
    lastMatch(c.p, c.s),
    test(c.p, c.s, false),
    test(c.p, c.s, true),
    replace(c.p, c.s, c.r, c.cs),
    replace(c.p, c.s, '[$&]', false),
    replace(c.p, c.s, '[$&]', true),
  ];
}`, context);
const run = new vm.Script('answer = evaluate(c)');

const rl = readline.createInterface({ input: process.stdin, crlfDelay: Infinity });
rl.on('line', (line) => {
  if (line.length === 0) return;
  context.c = JSON.parse(line);
  try {
    run.runInContext(context, { timeout: 100 });
  } catch {
    process.stdout.write('null\n');
    return;
  }
  process.stdout.write('[' + context.answer.map(quote).join(',') + ']\n');
});
