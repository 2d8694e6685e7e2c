// CPU time of the WebAssembly converter in Node against the native tonvert
// on one generated collection, in one run on one machine:
//
//   node bench/web_speed.js [SONGS=3000] [ROUNDS=5]
//
// after tools/web-check has built build-web/ (WEB_BUILD_DIR to change it).
// Rounds alternate the two. Native: `tonvert c1` as a process (reading the
// files and writing the MML files into /dev/shm), CPU time user + system
// from /usr/bin/time. WebAssembly: `convert()` called in a running Node
// process on the bytes already read (inputs copied in, the run, the outputs
// copied out), CPU time from process.cpuUsage(); and a whole Node process
// that loads the module, reads the files, converts and writes the MML files
// where tonvert does, with and without loadTonvert({ optimized: true }).
// Prints medians and the ratios.
import { spawnSync } from 'node:child_process';
import { mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

const root = resolve(dirname(fileURLToPath(import.meta.url)), '..');
const build = resolve(process.env.WEB_BUILD_DIR ?? join(root, 'build-web'));
const songs = Number(process.argv[2] ?? 3000);
const rounds = Number(process.argv[3] ?? 5);
const tonvert = join(build, 'native/tonvert');
const module = join(build, 'node/tonvert.mjs');

const work = mkdtempSync('/dev/shm/tonvert-web-speed-');
const base = join(work, 'c1');
spawnSync(join(build, 'native/bench/make_collection'), [base, String(songs)], { stdio: 'inherit' });
const input = {
  msc: new Uint8Array(readFileSync(`${base}.msc`)),
  vce: new Uint8Array(readFileSync(`${base}.vce`)),
  vct: new Uint8Array(readFileSync(`${base}.vct`)),
  name: 'c1',
};

// The whole-process form: load, read, convert, write the MML files.
const script = join(work, 'whole.mjs');
writeFileSync(script, `
import { mkdirSync, readFileSync, writeFileSync } from 'node:fs';
import { loadTonvert } from ${JSON.stringify(pathToFileURL(module).href)};
const t = await loadTonvert({ optimized: process.argv[2] === 'optimized' });
const read = (ext) => readFileSync(${JSON.stringify(base)} + '.' + ext);
const r = t.convert({ msc: read('msc'), vce: read('vce'), vct: read('vct'), name: 'c1' });
mkdirSync(${JSON.stringify(join(work, 'wasm'))}, { recursive: true });
for (const f of r.files) writeFileSync(Buffer.concat([Buffer.from(${JSON.stringify(join(work, 'wasm') + '/')}), f.name]), f.bytes);
`);

function processCpuMs(command, args) {
  const timed = spawnSync('/usr/bin/time', ['-f', '%U %S', command, ...args],
    { cwd: work, encoding: 'utf8', maxBuffer: 1 << 26 });
  const [user, system] = timed.stderr.trim().split('\n').pop().split(' ').map(Number);
  return (user + system) * 1000;
}

const { loadTonvert } = await import(pathToFileURL(module).href);
const t = await loadTonvert();
t.convert(input);  // compiles and warms up; grows the module's memory once

const times = { native: [], convert: [], whole: [], optimized: [] };
for (let round = 0; round < rounds; ++round) {
  times.native.push(processCpuMs(tonvert, ['c1']));
  const before = process.cpuUsage();
  t.convert(input);
  const used = process.cpuUsage(before);
  times.convert.push((used.user + used.system) / 1000);
  times.whole.push(processCpuMs(process.execPath, [script]));
  times.optimized.push(processCpuMs(process.execPath, [script, 'optimized']));
}
rmSync(work, { recursive: true, force: true });

const median = (values) => {
  const sorted = [...values].sort((a, b) => a - b);
  const middle = sorted.length >> 1;
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
};
const native = median(times.native);
const convert = median(times.convert);
const whole = median(times.whole);
const optimized = median(times.optimized);
console.log(`${songs} songs, medians of ${rounds} rounds, CPU ms (user + system)`);
console.log(`native tonvert (process)             ${native.toFixed(0).padStart(7)}`);
console.log(`WebAssembly convert() in Node        ${convert.toFixed(0).padStart(7)}   ${(convert / native).toFixed(2)} x native`);
console.log(`WebAssembly, whole Node process      ${whole.toFixed(0).padStart(7)}   ${(whole / native).toFixed(2)} x native`);
console.log(`  the same, loadTonvert({optimized})  ${optimized.toFixed(0).padStart(7)}   ${(optimized / native).toFixed(2)} x native`);
console.log(`node ${process.version}; raw: ${JSON.stringify(times)}`);
