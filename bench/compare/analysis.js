// The one-page analysis of the batch run written directly in JavaScript, as a
// user might script it with Node.js: the same shipped configuration
// (data/links.ini, the bad-words file it names, headers.txt), the same rules
// and the same page as bench_compare_analysis.
//
//   node analysis.js PAGE_FILE [SECONDS]
//   node analysis.js PAGES_DIR [SECONDS]
//
// Prints the fields it finds (for each page of the folder, in name order,
// with the URL http://www.site-N.example.com/ for the N-th), then the mean
// time per page, or per pass over all the folder's pages, over SECONDS
// (default 3) after a warm-up, as "ms_per_page=<value>".
'use strict';
const fs = require('fs');
const path = require('path');

const dataDir = path.join(__dirname, '..', '..', 'data');
const header = 'HTTP/1.1 200 OK\r\nDate: Mon, 07 Dec 2026 20:00:00 GMT\r\n' +
  'Server: Apache\r\nContent-Type: text/html; charset=UTF-8\r\n' +
  'Content-Length: 1048576\r\nConnection: close';
const url = 'http://www.garden.example.com/';

// links.ini: key=value lines; blanks around a value and one pair of
// enclosing quotes are not part of it.
function readSettings(file) {
  const settings = {};
  for (const line of fs.readFileSync(file, 'utf8').split(/\r\n|\r|\n/)) {
    const eq = line.indexOf('=');
    if (eq <= 0 || /^\s*[;[]/.test(line)) continue;
    let value = line.slice(eq + 1).trim();
    if (value.length >= 2 && (value[0] === '"' || value[0] === "'") && value.at(-1) === value[0])
      value = value.slice(1, -1);
    settings[line.slice(0, eq).trim()] = value.slice(0, 254);
  }
  return settings;
}
const readList = (file) =>
  fs.existsSync(file) ? fs.readFileSync(file, 'utf8').split(/\r\n|\r|\n/).filter((l) => l.length > 0) : [];

const s = readSettings(path.join(dataDir, 'links.ini'));
const choice = (key) => /^true$/i.test(s[key] || '');
const flag = (key) => s[key] === '1';
const badWords = readList(path.join(dataDir, s.BadWordsFile || ''));
const validStatus = readList(path.join(dataDir, 'headers.txt'));

// The pattern primitives: ECMAScript patterns, global, case ignored; a
// pattern that does not compile takes the "found" branch.
function regexLastMatch(pattern, subject) {
  let re;
  try { re = new RegExp(pattern, 'gi'); } catch { return ''; }
  let last = '';
  let m;
  while ((m = re.exec(subject)) !== null) {
    last = m[0];
    if (m[0].length === 0) re.lastIndex++;
  }
  return last;
}
function patternTest(pattern, subject, caseSensitive = false) {
  try { return new RegExp(pattern, caseSensitive ? '' : 'i').test(subject); } catch { return true; }
}
function patternReplace(pattern, subject, replacement, caseSensitive = false) {
  try { return subject.replace(new RegExp(pattern, caseSensitive ? 'g' : 'gi'), replacement); } catch { return subject; }
}
const stripLineBreaks = (text) => text.split('\r\n').join('');
function applyCaseMode(text, mode) {
  switch (mode) {
    case 2: return text.toLowerCase().replace(/(^|[ \t\n\v\f\r\0])(\S)/g, (_, sep, c) => sep + c.toUpperCase());
    case 3: return text.toLowerCase();
    case 4: return text.toUpperCase();
    default: return text;
  }
}
const caseMode = (stem) => (choice(stem + 'Caps2') ? 2 : choice(stem + 'Caps3') ? 3 : choice(stem + 'Caps4') ? 4 : 1);

function extract(stem, page) {
  let text = regexLastMatch(s[stem + 'RegEx1'] + s[stem + 'RegEx2'] + s[stem + 'RegEx3'], page);
  text = patternReplace(s[stem + 'RegEx1'], text, '');
  text = patternReplace(s[stem + 'RegEx3'], text, '');
  return stripLineBreaks(text);
}
function badWordRule(stem, text) {
  let refuse = false;
  for (const w of badWords) {
    if (!patternTest(w, text)) continue;
    if (choice(stem + 'BadWords1')) refuse = true;
    else if (choice(stem + 'BadWords2')) text = patternReplace(w, text, s[stem + 'BadWords3']);
  }
  return { text, refuse };
}
function cell(stem, text, domain, titleCase) {
  if (text === '' && stem !== 'Email') {
    if (choice(stem + 'NoTitle1')) text = domain;
    else if (choice(stem + 'NoTitle3')) text = s[stem + 'NoTitle4'];
  }
  text = applyCaseMode(text, caseMode(stem));
  if (flag(stem + 'Replace1')) text = patternReplace(s[stem + 'Replace2'], text, s[stem + 'Replace3'], titleCase);
  return text;
}

function analysePage(page, url) {
  const contentTypeOk = !flag('ContentTypeCheck') || patternTest('Content-Type: text/html', header);
  const statusOk = validStatus.length === 0 || validStatus.some((e) => patternTest(e, header));
  let addOk = !flag('UseRecip') || patternTest(s.Reciptext, page);
  const title = badWordRule('Title', extract('Title', page));
  const description = badWordRule('Description', extract('Description', page));
  if (title.refuse || description.refuse) addOk = false;

  const domain = regexLastMatch(s.EmailRegEx3, url);
  let email = '';
  if (choice('EmailOption1')) email = regexLastMatch(s.EmailRegEx1, page);
  else if (choice('EmailOption2')) email = s.EmailRegEx2 + domain;
  else if (choice('EmailOption3')) email = regexLastMatch(s.EmailRegEx1, page) || s.EmailRegEx2 + domain;
  return {
    accepted: contentTypeOk && statusOk && addOk,
    title: cell('Title', title.text, domain, true),
    email: cell('Email', email, domain, false),
    description: cell('Description', description.text, domain, false),
    domain,
  };
}

const target = process.argv[2];
const seconds = Number(process.argv[3] || 3);
const jobs = [];
if (fs.statSync(target).isDirectory()) {
  const names = fs.readdirSync(target).filter((n) => n.endsWith('.html')).sort();
  names.forEach((n, i) =>
    jobs.push({ page: fs.readFileSync(path.join(target, n), 'utf8'), url: `http://www.site-${i}.example.com/` }));
} else {
  jobs.push({ page: fs.readFileSync(target, 'utf8'), url });
}
const analyseAll = () => jobs.map((j) => analysePage(j.page, j.url));
for (const fields of analyseAll()) {
  console.log(`accepted=${fields.accepted ? 1 : 0}\ntitle=${fields.title}\nemail=${fields.email}\n` +
    `description=${fields.description}\ndomain=${fields.domain}`);
}
for (let i = 0; i < 5; ++i) analyseAll();
let runs = 0;
const start = process.hrtime.bigint();
const until = start + BigInt(Math.round(seconds * 1e9));
let now = start;
while (now < until) {
  analyseAll();
  ++runs;
  now = process.hrtime.bigint();
}
console.log(`ms_per_page=${(Number(now - start) / 1e6 / runs).toFixed(3)}`);
console.log(`runs=${runs}`);
