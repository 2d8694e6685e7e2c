// The page in a real headless Chromium (the system's own, driven by
// playwright-core): pick the demo files, see the songs, preview one, edit a
// voice and see the preview follow, download the zip and compare it with the
// native tonvert's output for the same voice table file; bad inputs show the
// converter's messages; keyboard use, phone width, and no request leaving
// the page.
//
//   node web/tests/browser_check.js <build dir> <native tonvert> [screenshot.png]
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

import { unzipSync } from 'fflate';
import { chromium } from 'playwright-core';

import { Checks, byteDifference } from './harness.js';
import { runNative } from './native_run.js';
import { serve } from './static_server.js';

const [buildDir, tonvert, screenshot] = process.argv.slice(2).map((p) => p && resolve(p));
const root = resolve(dirname(fileURLToPath(import.meta.url)), '../..');
const browserPath = process.env.CHROMIUM ?? '/usr/bin/chromium';
const demo = (ext) => join(root, `examples/demo.${ext}`);
const file = (name, buffer) => ({ name, mimeType: 'application/octet-stream', buffer });
const checks = new Checks();
const latin1 = (bytes) => Buffer.from(bytes).toString('latin1');

const server = await serve(resolve(buildDir, 'site'));
const profile = mkdtempSync(join(tmpdir(), 'tonvert-web-chromium-'));
const context = await chromium.launchPersistentContext(profile, {
  executablePath: browserPath,
  headless: true,
  acceptDownloads: true,
  viewport: { width: 1280, height: 860 },
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync'],
});
const page = context.pages()[0] ?? await context.newPage();
const problems = [];
const requests = [];
page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
page.on('console', (message) => {
  if (message.type() === 'error') problems.push(`console error: ${message.text()}`);
});
page.on('request', (request) => requests.push(request.url()));

const songTitles = () => page.$$eval('#songs tbody tr td.title', (cells) => cells.map((c) => c.textContent));
const previewText = () => page.textContent('#preview');
const conversions = async () => Number(await page.getAttribute('body', 'data-conversions') ?? 0);
async function pick(files) {
  const before = await conversions();
  await page.setInputFiles('#file-input', files);
  await page.waitForFunction((n) => Number(document.body.dataset.conversions ?? 0) > n, before);
}

try {
  await page.goto(server.url);
  await page.waitForSelector('body[data-ready="true"]', { timeout: 20000 });

  await checks.check('the demo files picked: four songs, their parts, a preview', async () => {
    await page.evaluate(() => delete document.body.dataset.shownMs);
    await pick([demo('msc'), demo('vce')]);
    await page.waitForSelector('body[data-shown-ms]');
    const titles = await songTitles();
    const wanted = ['Morning Walk', 'Lantern Waltz', 'Harbour Jig', 'Evening Hymn'];
    if (JSON.stringify(titles) !== JSON.stringify(wanted)) return `songs: ${JSON.stringify(titles)}`;
    const parts = await page.$$eval('#songs tbody tr', (rows) => rows.map((r) => r.cells[2].textContent));
    if (parts.some((p) => !(Number(p) > 0))) return `parts: ${parts}`;
    const text = await page.textContent('#console');
    if (!text.includes("cannot open 'demo.vct' for <r>")) return `messages: ${JSON.stringify(text)}`;
    const shown = Number(await page.getAttribute('body', 'data-shown-ms'));
    console.log(`     demo shown ${shown} ms after it was picked (painted)`);
    return null;
  });

  await checks.check('a preview opens by keyboard', async () => {
    await page.focus('#songs tbody tr:nth-child(3) button');
    await page.keyboard.press('Enter');
    const text = await previewText();
    if (!text.startsWith('#title "Harbour Jig"')) return `preview: ${JSON.stringify(text.slice(0, 60))}`;
    const focused = await page.evaluate(() => document.activeElement?.id);
    return focused === 'preview' ? null : `focus on ${focused}`;
  });

  await checks.check('the editor lists the used voices with their names, filled from the written table', async () => {
    const rows = await page.$$eval('#voices tbody tr', (trs) => trs.map((tr) => [
      tr.cells[0].textContent, tr.cells[1].textContent, tr.querySelector('input[type=text]').value]));
    const names = ['Grand Piano', 'Wooden Flute', 'Warm Strings', 'Finger Bass', 'Music Box',
      'Accordion', 'Church Organ', 'Nylon Guitar'];
    const wanted = names.map((name, i) => [String(i + 1), name, '@0']);
    return JSON.stringify(rows) === JSON.stringify(wanted) ? null : JSON.stringify(rows);
  });

  await checks.check('editing a voice\'s text and octave changes the preview', async () => {
    const before = await previewText();
    let n = await conversions();
    await page.fill('#voices tr[data-voice="6"] input[type=text]', '@12 q6');
    await page.waitForFunction((c) => Number(document.body.dataset.conversions) > c, n);
    n = await conversions();
    await page.fill('#voices tr[data-voice="6"] input[name="octave-6"]', '-1');
    await page.waitForFunction((c) => Number(document.body.dataset.conversions) > c, n);
    const after = await previewText();
    if (after === before) return 'the preview did not change';
    if (!after.includes('@12 q6/* Accordion */')) return 'the voice text is not in the preview';
    if (!before.includes('[o3e0g0b4.') || !after.includes('[o2e0g0b4.')) return 'the octave did not move down';
    const text = await page.textContent('#console');
    return text.includes('cannot open') ? `messages: ${text}` : null;
  });

  if (screenshot) {
    await page.evaluate(() => window.scrollTo(0, 0));
    await page.screenshot({ path: screenshot, fullPage: true });
    console.log(`     screenshot: ${screenshot}`);
  }

  await checks.check('the zip holds what the native tonvert writes with the same voice table file', async () => {
    const [download] = await Promise.all([page.waitForEvent('download'), page.click('#download-zip')]);
    if (download.suggestedFilename() !== 'demo.zip') return `zip named ${download.suggestedFilename()}`;
    const entries = unzipSync(new Uint8Array(readFileSync(await download.path())));
    const vct = entries['demo.vct'];
    if (!vct) return `no demo.vct in ${Object.keys(entries)}`;
    if (!latin1(vct).includes('6\t@12 q6\tO-1\t/* Accordion */\r\n')) return `vct: ${JSON.stringify(latin1(vct))}`;
    const native = runNative(tonvert, {
      msc: readFileSync(demo('msc')), vce: readFileSync(demo('vce')), vct, name: 'demo' });
    const names = Object.keys(entries).filter((name) => name !== 'demo.vct');
    const wanted = native.files.map((f) => `demo/${latin1(f.name)}`);
    if (JSON.stringify(names) !== JSON.stringify(wanted)) return `files ${JSON.stringify(names)}, native ${JSON.stringify(wanted)}`;
    if (native.console.length !== 0) return `native messages: ${latin1(native.console)}`;
    return native.files.map((f, i) => byteDifference(names[i], entries[names[i]], f.bytes)).find(Boolean) ?? null;
  });

  await checks.check('one MML file downloads alone, byte for byte', async () => {
    const [download] = await Promise.all([page.waitForEvent('download'),
      page.click('#songs tbody tr:nth-child(1) button:has-text("Download")')]);
    const bytes = readFileSync(await download.path());
    const native = runNative(tonvert, { msc: readFileSync(demo('msc')), vce: readFileSync(demo('vce')), name: 'demo' });
    if (download.suggestedFilename() !== '01 Morning Walk.mml') return `named ${download.suggestedFilename()}`;
    // The page converted with voice 6 edited; song 1 does not use it.
    return byteDifference('01 Morning Walk.mml', bytes, native.files[0].bytes);
  });

  await checks.check('the voice table file saved from the editor reads back to the same table', async () => {
    await page.check('#show-all');
    const rows = await page.$$eval('#voices tbody tr', (trs) => trs.length);
    if (rows !== 128) return `${rows} rows with every voice shown`;
    await page.fill('#voices tr[data-voice="20"] input[type=text]', '@20,x\ty');
    await page.fill('#voices tr[data-voice="20"] input[name="volume-20"]', '12');
    await page.fill('#voices tr[data-voice="21"] input[type=text]', '@21 ピアノ');
    const [download] = await Promise.all([page.waitForEvent('download'), page.click('#download-vct')]);
    const saved = readFileSync(await download.path());
    const text = latin1(saved);
    if (!text.includes('20\t@20 x y\tV9+++\t/* #19 */\r\n')) return JSON.stringify(text);
    // Typed text is stored in code page 932.
    if (!text.includes('21\t@21 \x83\x73\x83\x41\x83\x6d\t/* #20 */\r\n')) return JSON.stringify(text);
    // Read back by tonvert: song 1 with this table equals song 1 converted
    // in the page.
    const native = runNative(tonvert, { msc: readFileSync(demo('msc')), vce: readFileSync(demo('vce')), vct: saved, name: 'demo' });
    const shown = await page.evaluate(() => document.querySelector('#preview').textContent);
    const nativeThird = Buffer.from(native.files[2].bytes).toString('latin1').replaceAll('\r\n', '\n');
    return nativeThird === shown.replaceAll('\r\n', '\n') ? null : 'the preview differs from the native output with the saved table';
  });

  await checks.check('a chosen voice table file fills the editor and is applied', async () => {
    const vct = Buffer.from('6,@12 q6,O-1\r\n8\t@3\tV+2\n');
    await pick([file('demo.vct', vct)]);
    const row = (n) => page.$$eval(`#voices tr[data-voice="${n}"] input`, (inputs) => inputs.map((i) => i.value));
    const rows = [await row(6), await row(8), await row(1)];
    if (JSON.stringify(rows) !== JSON.stringify([['@12 q6', '-1', '0'], ['@3', '0', '2'], ['', '0', '0']])) {
      return `rows 6, 8, 1: ${JSON.stringify(rows)}`;
    }
    const native = runNative(tonvert, { msc: readFileSync(demo('msc')), vce: readFileSync(demo('vce')), vct, name: 'demo' });
    const shown = await previewText();
    const song = await page.textContent('#preview-name');
    const wanted = native.files.find((f) => latin1(f.name) === song);
    if (!wanted) return `no native file ${song}`;
    if (Buffer.from(wanted.bytes).toString('latin1') !== shown) return 'the preview differs from tonvert with the same file';
    const text = await page.textContent('#console');
    return text === '' ? null : `messages: ${JSON.stringify(text)}`;
  });

  await checks.check('a file that is not a music file gets the converter\'s message', async () => {
    await pick([file('notes.msc', readFileSync(demo('vce'))), file('notes.vce', readFileSync(demo('vce')))]);
    const status = await page.textContent('#status');
    const text = await page.textContent('#console');
    if (!text.includes('Illegual OSTREL music file header!')) return `messages: ${JSON.stringify(text)}`;
    return status.includes('stopped (status 1)') ? null : `status: ${status}`;
  });

  await checks.check('a music file without its voice bank gets the converter\'s message', async () => {
    await page.click('button[aria-label="Remove notes.vce"]');
    await page.waitForFunction(() => document.querySelector('#console').textContent.includes('.vce'));
    const text = await page.textContent('#console');
    return text.includes("cannot open 'notes.vce' for <rb>") ? null : `messages: ${JSON.stringify(text)}`;
  });

  await checks.check('a broken record: the warning stands at its song', async () => {
    const cut = readFileSync(demo('msc')).subarray(0, 700);
    await pick([file('cut.msc', cut), file('cut.vce', readFileSync(demo('vce')))]);
    const warnings = await page.$$eval('#songs tbody tr td.warnings', (cells) => cells.map((c) => c.textContent));
    if (warnings.length !== 2 || warnings[0] !== '' || !warnings[1].includes('song record cut')) return JSON.stringify(warnings);
    const text = await page.textContent('#console');
    return text.includes('missing song record in song#3') ? null : `messages: ${JSON.stringify(text)}`;
  });

  await checks.check('at phone width nothing runs off the side', async () => {
    await pick([demo('msc'), demo('vce')]);
    await page.setViewportSize({ width: 375, height: 800 });
    const width = await page.evaluate(() => document.documentElement.scrollWidth);
    await page.setViewportSize({ width: 1280, height: 860 });
    return width <= 375 ? null : `the page is ${width} px wide`;
  });

  await checks.check('no request left the page, and no error was logged', async () => {
    const outside = requests.filter((url) => !url.startsWith(server.url) && !/^(data|blob):/.test(url));
    return [...outside.map((url) => `request: ${url}`), ...problems].join('\n') || null;
  });
} finally {
  await context.close();
  await server.close();
  rmSync(profile, { recursive: true, force: true });
}
checks.finish();
