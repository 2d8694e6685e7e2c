// The voice table editor: one row per voice with its listed number, the
// voice bank's name, the MML text and the octave and volume offsets. It holds
// the table as bytes and tells `onEdit` after every change.
import { TypedTextEncoder, titleText } from './byte_text.js';
import { writeVoiceTable } from './voice_table_text.js';

const voiceNumbers = 128;

export class VoiceEditor {
  constructor(body, onEdit) {
    this.body = body;
    this.onEdit = onEdit;
    this.entries = [];
    this.names = [];
    this.used = [];
    this.showAll = false;
    this.encoder = new TypedTextEncoder();
  }

  // entries: 128 {text (Uint8Array or null), octave, volume} as the
  // converter read them; names: 128 names (Uint8Array or null); used: 128
  // flags.
  load(entries, names, used) {
    this.entries = entries.map((entry) => ({ ...entry }));
    this.names = names;
    this.used = used;
    this.render();
  }

  // The voice table file for the table as it stands: the used voices and
  // every voice with a text or an offset.
  file() {
    const rows = [];
    for (let n = 0; n < voiceNumbers; ++n) {
      const entry = this.entries[n];
      if (!entry) continue;
      if (this.used[n] || entry.text !== null || entry.octave !== 0 || entry.volume !== 0) {
        rows.push({ number: n, text: entry.text, octave: entry.octave, volume: entry.volume, name: this.names[n] });
      }
    }
    return writeVoiceTable(rows);
  }

  setShowAll(showAll) {
    this.showAll = showAll;
    this.render();
  }

  render() {
    const rows = [];
    for (let n = 0; n < this.entries.length; ++n) {
      if (this.showAll || this.used[n]) rows.push(this.row(n));
    }
    if (rows.length === 0) {
      const row = document.createElement('tr');
      const cell = document.createElement('td');
      cell.colSpan = 5;
      cell.textContent = 'The songs select no voice.';
      row.append(cell);
      rows.push(row);
    }
    this.body.replaceChildren(...rows);
  }

  row(n) {
    const entry = this.entries[n];
    const name = this.names[n] ? titleText(this.names[n]) : `#${n}`;
    const row = document.createElement('tr');
    row.dataset.voice = String(n + 1);
    if (!this.used[n]) row.className = 'unused';
    const cell = (className, label, ...content) => {
      const td = document.createElement('td');
      td.className = className;
      if (label) td.dataset.label = label;
      td.append(...content);
      row.append(td);
    };
    cell('number', '', String(n + 1));
    cell('name', '', name);

    const text = document.createElement('input');
    text.type = 'text';
    text.name = `text-${n + 1}`;
    text.spellcheck = false;
    text.autocomplete = 'off';
    text.placeholder = '@0';
    text.value = entry.text === null ? '' : titleText(entry.text);
    text.setAttribute('aria-label', `MML text of voice ${n + 1}, ${name}`);
    text.addEventListener('input', () => {
      entry.text = text.value === '' ? null : this.encoder.bytes(text.value);
      this.onEdit();
    });
    cell('text', '', text);

    for (const [key, label] of [['octave', 'Octave'], ['volume', 'Volume']]) {
      const input = document.createElement('input');
      input.type = 'number';
      input.name = `${key}-${n + 1}`;
      input.step = '1';
      input.min = '-99';
      input.max = '99';
      input.value = String(entry[key]);
      input.setAttribute('aria-label', `${label} offset of voice ${n + 1}, ${name}`);
      input.addEventListener('input', () => {
        const value = Number.parseInt(input.value, 10);
        entry[key] = Number.isFinite(value) ? Math.max(-99, Math.min(99, value)) : 0;
        this.onEdit();
      });
      cell(key, label, input);
    }
    return row;
  }
}
