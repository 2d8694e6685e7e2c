// The page: choose the files, convert, show the messages, the songs and a
// preview, edit the voice table (every edit converts again), download.
import { previewText, savedFileName, titleText } from './byte_text.js';
import { saveFile, zipOf } from './downloads.js';
import { describeRun } from './songs.js';
import { loadTonvert } from './tonvert.js';
import { VoiceEditor } from './voice_editor.js';

const $ = (id) => document.getElementById(id);

const state = {
  inputs: { msc: null, vce: null, vct: null },  // {fileName, bytes}
  baseName: 'tune',
  edited: false,       // the editor's table is what the songs are converted with
  result: null,        // the last conversion
  songs: [],
  selected: 0,         // the song in the preview
  lastDuration: 0,     // ms of the last conversion
  pending: null,       // the conversion after an edit, when it waits
};

const converter = loadTonvert();
const editor = new VoiceEditor($('voices').tBodies[0], () => {
  state.edited = true;
  scheduleConversion();
});

// --- choosing files

function slotOf(fileName) {
  const extension = fileName.toLowerCase().split('.').pop();
  if (extension === 'vce') return 'vce';
  if (extension === 'vct') return 'vct';
  return 'msc';
}

// The collection's name: the music file's name less its extension, as
// tonvert derives the other file names from it.
function baseNameOf(fileName) {
  const dot = fileName.lastIndexOf('.');
  return dot > 0 ? fileName.slice(0, dot) : fileName || 'tune';
}

async function choose(fileList) {
  const picked = performance.now();
  const files = Array.from(fileList);
  if (files.length === 0) return;
  const read = await Promise.all(files.map(async (file) => ({
    fileName: file.name, bytes: new Uint8Array(await file.arrayBuffer()),
  })));
  for (const file of read) state.inputs[slotOf(file.fileName)] = file;
  await start(picked);
}

async function start(picked = performance.now()) {
  const { msc, vce, vct } = state.inputs;
  const named = msc ?? vce ?? vct;
  state.baseName = named ? baseNameOf(named.fileName) : 'tune';
  state.edited = false;
  state.selected = 0;
  showChosen();
  const t = await converter;
  state.result = convertNow(t);
  // The editor starts from the table the converter read, or from the one it
  // wrote when no voice table file was chosen.
  const tableFile = vct ? vct.bytes : state.result.vct;
  editor.load(
    t.readVoiceTable(tableFile ?? new Uint8Array(0)),
    t.voiceNames(vce ? vce.bytes : new Uint8Array(0)).names,
    msc ? t.usedVoices(msc.bytes) : new Array(128).fill(false));
  render();
  $('voices-section').hidden = !msc;
  // Shown: the frame after the one that lays out the new content has begun,
  // so that frame has been painted.
  requestAnimationFrame(() => requestAnimationFrame(() => {
    document.body.dataset.shownMs = String(Math.round((performance.now() - picked) * 10) / 10);
  }));
  document.body.dataset.conversions = String(Number(document.body.dataset.conversions ?? 0) + 1);
}

function showChosen() {
  const list = $('chosen');
  list.replaceChildren();
  const describe = { msc: 'Music file', vce: 'Voice bank', vct: 'Voice table file' };
  for (const slot of ['msc', 'vce', 'vct']) {
    const item = document.createElement('li');
    const file = state.inputs[slot];
    if (file) {
      item.append(`${describe[slot]}: ${file.fileName} (${file.bytes.length} bytes) `);
      const remove = document.createElement('button');
      remove.type = 'button';
      remove.textContent = 'Remove';
      remove.setAttribute('aria-label', `Remove ${file.fileName}`);
      remove.addEventListener('click', () => {
        state.inputs[slot] = null;
        start();
      });
      item.append(remove);
    } else {
      item.className = 'missing';
      item.textContent = `${describe[slot]}: none${slot === 'vct' ? ' (the converter writes one)' : ''}`;
    }
    list.append(item);
  }
}

// --- converting

function currentTable() {
  if (state.edited) return editor.file();
  return state.inputs.vct ? state.inputs.vct.bytes : null;
}

function convertNow(t) {
  const started = performance.now();
  const { msc, vce } = state.inputs;
  const result = t.convert({
    msc: msc ? msc.bytes : null,
    vce: vce ? vce.bytes : null,
    vct: currentTable(),
    name: state.baseName,
  });
  state.lastDuration = performance.now() - started;
  return result;
}

// Converts again after an edit: at once while conversions are quick, after
// a short pause while typing into a large collection.
function scheduleConversion() {
  clearTimeout(state.pending);
  state.pending = setTimeout(async () => {
    state.result = convertNow(await converter);
    render();
    document.body.dataset.conversions = String(Number(document.body.dataset.conversions ?? 0) + 1);
  }, state.lastDuration < 50 ? 0 : 250);
}

// The voice table file that goes with the MML files: the one they were made
// with, or the one the converter wrote.
function tableToSave() {
  return currentTable() ?? state.result?.vct ?? null;
}

// --- showing

function render() {
  const result = state.result;
  const { songs, general } = describeRun(result);
  state.songs = songs;
  if (state.selected >= songs.length) state.selected = 0;

  $('messages-section').hidden = false;
  const status = $('status');
  const count = `${songs.length} song${songs.length === 1 ? '' : 's'}`;
  if (result.status !== 0) {
    status.textContent = `The conversion stopped (status ${result.status}): ${count} written. See the messages below.`;
    status.className = 'bad';
  } else if (songs.length === 0) {
    status.textContent = 'No song was written. See the messages below.';
    status.className = 'bad';
  } else {
    status.textContent = `Converted: ${count}${state.edited ? ', with the voice table below' : ''}.`;
    status.className = '';
  }
  $('console').textContent = general.map((line) => titleText(line)).join('\n');

  $('songs-section').hidden = songs.length === 0;
  $('download-vct').hidden = !tableToSave();
  const rows = songs.map((song, index) => songRow(song, index));
  $('songs').tBodies[0].replaceChildren(...rows);
  showPreview();
  $('table-source').textContent = state.edited
    ? 'The songs are converted with this table.'
    : state.inputs.vct
      ? `Filled from ${state.inputs.vct.fileName}.`
      : state.result.vct ? `Filled from the voice table file the converter wrote (${state.baseName}.vct).` : '';
}

function songRow(song, index) {
  const row = document.createElement('tr');
  if (index === state.selected) row.className = 'selected';
  const cell = (className, content, label = '') => {
    const td = document.createElement('td');
    td.className = className;
    if (label) td.dataset.label = label;
    td.append(content);
    row.append(td);
  };
  const title = titleText(song.title);
  cell('number song', String(song.number));
  cell('title', title);
  cell('number parts', String(song.parts), 'Parts');
  cell('warnings', song.warnings.map((line) => titleText(line)).join('\n'));
  const buttons = document.createElement('td');
  buttons.className = 'buttons';
  const preview = document.createElement('button');
  preview.type = 'button';
  preview.textContent = 'Preview';
  preview.setAttribute('aria-pressed', String(index === state.selected));
  preview.setAttribute('aria-label', `Preview song ${song.number}, ${title}`);
  preview.addEventListener('click', () => {
    state.selected = index;
    for (const [i, r] of Array.from($('songs').tBodies[0].rows).entries()) {
      r.className = i === index ? 'selected' : '';
      r.querySelector('button').setAttribute('aria-pressed', String(i === index));
    }
    showPreview();
    $('preview').focus();
  });
  const save = document.createElement('button');
  save.type = 'button';
  save.textContent = 'Download';
  save.setAttribute('aria-label', `Download song ${song.number}, ${title}`);
  save.addEventListener('click', () => saveFile(savedFileName(song.name), song.bytes, 'text/plain'));
  buttons.append(preview, ' ', save);
  row.append(buttons);
  return row;
}

function showPreview() {
  const song = state.songs[state.selected];
  $('preview-section').hidden = !song;
  if (!song) return;
  $('preview-name').textContent = titleText(song.name);
  $('preview').textContent = previewText(song.bytes);
}

// --- wiring

$('file-input').addEventListener('change', (event) => {
  choose(event.target.files);
  event.target.value = '';
});
const drop = $('drop');
drop.addEventListener('dragover', (event) => {
  event.preventDefault();
  drop.classList.add('over');
});
drop.addEventListener('dragleave', () => drop.classList.remove('over'));
drop.addEventListener('drop', (event) => {
  event.preventDefault();
  drop.classList.remove('over');
  choose(event.dataTransfer.files);
});
$('show-all').addEventListener('change', (event) => editor.setShowAll(event.target.checked));
$('download-zip').addEventListener('click', () => {
  saveFile(`${state.baseName}.zip`, zipOf(state.baseName, state.result.files, tableToSave()), 'application/zip');
});
$('download-vct').addEventListener('click', () => {
  const table = tableToSave();
  if (table) saveFile(`${state.baseName}.vct`, table, 'text/plain');
});
converter.then(
  () => { document.body.dataset.ready = 'true'; },
  (error) => {
    $('messages-section').hidden = false;
    $('status').textContent = `The converter could not be loaded: ${error}`;
    $('status').className = 'bad';
  });
showChosen();
