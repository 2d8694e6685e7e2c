// The WebAssembly converter against the native tonvert, byte for byte: MML
// file names and bytes in song order, the written voice table file, the
// console and the status; on the demo collection, on generated collections
// and on broken inputs. Also the voice table helpers the page's editor uses.
//
//   node web/tests/node_check.js <build dir> <native tonvert> <make_collection>
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

import { Checks, byteDifference } from './harness.js';
import { runNative } from './native_run.js';

const [buildDir, tonvert, makeCollection] = process.argv.slice(2).map((p) => resolve(p));
const root = resolve(dirname(fileURLToPath(import.meta.url)), '../..');
const { loadTonvert } = await import(pathToFileURL(resolve(buildDir, 'node/tonvert.mjs')).href);
const { writeVoiceTable } = await import(pathToFileURL(resolve(buildDir, 'node/voice_table_text.js')).href);
const t = await loadTonvert();
const checks = new Checks();

const bytes = (text) => new Uint8Array(Buffer.from(text, 'latin1'));
const latin1 = (array) => Buffer.from(array).toString('latin1');
const demoMsc = new Uint8Array(readFileSync(join(root, 'examples/demo.msc')));
const demoVce = new Uint8Array(readFileSync(join(root, 'examples/demo.vce')));

// Every difference between the two runs, or null.
function runDifference(wasm, native) {
  const problems = [];
  if (wasm.status !== native.status) problems.push(`status ${wasm.status}, native ${native.status}`);
  const consoleDiff = byteDifference('console', wasm.console, native.console);
  if (consoleDiff) problems.push(consoleDiff);
  const names = (run) => run.files.map((f) => latin1(f.name)).join(' | ');
  if (names(wasm) !== names(native)) {
    problems.push(`MML files: ${names(wasm).slice(0, 300)}\n  native: ${names(native).slice(0, 300)}`);
  } else {
    for (let i = 0; i < wasm.files.length; ++i) {
      const diff = byteDifference(latin1(wasm.files[i].name), wasm.files[i].bytes, native.files[i].bytes);
      if (diff) {
        problems.push(diff);
        break;
      }
    }
  }
  if ((wasm.vct === null) !== (native.vct === null)) {
    problems.push(`voice table file written: ${wasm.vct !== null}, native ${native.vct !== null}`);
  } else if (wasm.vct) {
    const diff = byteDifference('voice table file', wasm.vct, native.vct);
    if (diff) problems.push(diff);
  }
  return problems.length ? problems.join('\n') : null;
}

// Converts with both; `nativeName` is the base name the native run gets (the
// WebAssembly converter makes a file name of `name` itself).
async function compare(label, input, nativeName = input.name ?? 'tune') {
  await checks.check(label, () => {
    const wasm = t.convert(input);
    const native = runNative(tonvert, { ...input, name: nativeName });
    if (native.files.length === 0 && native.status === 0 && input.expectFiles) {
      return 'the native run wrote no MML file';
    }
    return runDifference(wasm, native);
  });
}

// --- the demo collection
const handTable = bytes(
  '1,@1 q7,O-1,V+2\r\n' +
  '2\t@22\tV-3\n' +
  '3,@3\r\n' +
  '# a line that is passed over\r\n' +
  '0,@99\n129,@99\n' +
  '2,@23,O+\r\n' +
  '7 ,  @7  spaced ,O2\n' +
  '8,@8,O9+++,V--\n');
await compare('demo, no voice table file', { msc: demoMsc, vce: demoVce, name: 'demo', expectFiles: true });
await compare('demo with a voice table file', { msc: demoMsc, vce: demoVce, vct: handTable, name: 'demo' });
await compare('demo with an empty voice table file', { msc: demoMsc, vce: demoVce, vct: new Uint8Array(0), name: 'demo' });
await checks.check('demo: the written voice table file read back gives the same MML', () => {
  const first = t.convert({ msc: demoMsc, vce: demoVce, name: 'demo' });
  const again = t.convert({ msc: demoMsc, vce: demoVce, vct: first.vct, name: 'demo' });
  if (first.files.length !== 4) return `${first.files.length} MML files, not 4`;
  const diff = first.files.map((f, i) => byteDifference(latin1(f.name), again.files[i].bytes, f.bytes)).find(Boolean);
  return diff ?? (again.console.length === 0 ? null : `console: ${latin1(again.console)}`);
});

// --- file names
await compare('default base name', { msc: demoMsc, vce: demoVce, name: undefined }, 'tune');
await compare('a base name with "/" and "."', { msc: demoMsc, vce: demoVce, name: 'old/songs.v2' }, 'old_songs.v2');
await compare('an empty base name', { msc: demoMsc, vce: demoVce, name: '' }, 'tune');
{
  // Song 1's title in code page 932 with a '/', song 2's bytes valid in no
  // code page; song records at 16 and 16 + 550.
  const msc = demoMsc.slice();
  const title = (at, text) => { msc.fill(0, at, at + 24); msc.set(text, at); };
  title(16 + 8, [0x82, 0xa0, 0x2f, 0x83, 0x5c, 0x41]);  // あ/ソA
  title(566 + 8, [0xff, 0x80, 0x81, 0x20, 0x5c]);
  await compare('titles in code page 932 and raw bytes', { msc, vce: demoVce, name: 'titles' });
}

// --- broken inputs
await compare('not a music file', { msc: demoVce, vce: demoVce, name: 'demo' });
await compare('an empty music file', { msc: new Uint8Array(0), vce: demoVce, name: 'demo' });
await compare('an empty voice bank', { msc: demoMsc, vce: new Uint8Array(0), name: 'demo' });
await compare('no voice bank', { msc: demoMsc, vce: null, name: 'demo' });
await compare('no music file', { msc: null, vce: demoVce, name: 'demo' });
await compare('a voice bank cut inside its records', { msc: demoMsc, vce: demoVce.slice(0, 100), name: 'demo' });
for (const cut of [10, 16, 30, 120, 566, 566 + 40, demoMsc.length - 1]) {
  await compare(`demo cut at ${cut} bytes`, { msc: demoMsc.slice(0, cut), vce: demoVce, name: 'demo' });
}
{
  const msc = demoMsc.slice();
  msc[16] = 3;  // song 1's record size below its head
  msc[17] = 0;
  await compare('a bad song record size', { msc, vce: demoVce, name: 'demo' });
}

// --- generated collections
const work = mkdtempSync(join(tmpdir(), 'tonvert-web-check-'));
function collection(songs, seed) {
  const base = join(work, `c${songs}-${seed}`);
  const made = spawnSync(makeCollection, [base, String(songs), String(seed)]);
  if (made.status !== 0) throw new Error(`make_collection: ${made.stderr}`);
  const read = (ext) => new Uint8Array(readFileSync(`${base}.${ext}`));
  return { msc: read('msc'), vce: read('vce'), vct: read('vct') };
}
try {
  for (const [songs, seed] of [[40, 7], [120, 0x5eed], [1000, 11]]) {
    const c = collection(songs, seed);
    await compare(`generated, ${songs} songs (seed ${seed}), with its voice table file`,
      { ...c, name: 'songs', expectFiles: true });
    await compare(`generated, ${songs} songs (seed ${seed}), no voice table file`,
      { msc: c.msc, vce: c.vce, name: 'songs' });
  }
  await checks.check('used voices: those the native run lists with a bank of 128 voices', () => {
    const c = collection(120, 3);
    const native = runNative(tonvert, { msc: c.msc, vce: c.vce, name: 'songs' });
    const listed = new Set(latin1(native.vct).split('\r\n').filter(Boolean).map((line) => parseInt(line, 10) - 1));
    const used = t.usedVoices(c.msc);
    const wrong = used.map((u, n) => (u !== listed.has(n) ? n : -1)).filter((n) => n >= 0);
    return wrong.length ? `voices ${wrong.join(', ')} differ` : null;
  });
} finally {
  rmSync(work, { recursive: true, force: true });
}

// --- the editor's voice table: what it writes reads back to what it holds
await checks.check('voice names from the bank', () => {
  const { count, names } = t.voiceNames(demoVce);
  const shown = names.slice(0, 9).map((n) => (n ? latin1(n) : null));
  const expected = ['Grand Piano', 'Wooden Flute', 'Warm Strings', 'Finger Bass', 'Music Box',
    'Accordion', 'Church Organ', 'Nylon Guitar', null];
  return count === 8 && JSON.stringify(shown) === JSON.stringify(expected) ? null : `${count} ${shown}`;
});
await checks.check('voice table rows written by the editor read back the same', () => {
  const rows = [
    // [voice number, text, octave, volume, name, text read back]
    [0, '@12 q6', 0, 0, 'Piano', '@12 q6'],
    [1, '  spaced  text ', -1, 2, 'Oboe, 2', '  spaced  text '],
    [2, 'a,b\tc\r\nd\0e', 3, -3, 'O-1\tV+9', 'a b c  d e'],
    [3, '', -2, 0, null, '@0'],
    [4, 'V9', 9, -9, 'V9', 'V9'],
    [5, '@5', 10, -10, 'x', '@5'],
    [6, '@6', 99, -99, 'y', '@6'],
    [127, '\x82\xa0\xff', -20, 20, '\x81', '\x82\xa0\xff'],
  ];
  const file = writeVoiceTable(rows.map(([number, text, octave, volume, name]) => (
    { number, text: bytes(text), octave, volume, name: name === null ? null : bytes(name) })));
  const table = t.readVoiceTable(file);
  const problems = [];
  for (const [number, , octave, volume, , text] of rows) {
    const entry = table[number];
    const got = [entry.text && latin1(entry.text), entry.octave, entry.volume];
    if (JSON.stringify(got) !== JSON.stringify([text, octave, volume])) {
      problems.push(`voice ${number}: ${JSON.stringify(got)}, wanted ${JSON.stringify([text, octave, volume])}`);
    }
  }
  const others = table.filter((e, n) => !rows.some(([m]) => m === n) && e.text !== null);
  if (others.length) problems.push(`${others.length} other voices got a text`);
  return problems.join('\n') || null;
});

checks.finish();
