// Writes a voice table file from the editor's rows, in the form the converter
// reads: one line per voice, "N<TAB>text[<TAB>O..][<TAB>V..]<TAB>/* name */"
// with CR LF line ends. Fields are split at commas, TABs, CRs and LFs and a
// line ends at a zero byte, so those bytes in a text or a name are written as
// spaces; an empty text is written "@0", which selects no voice, as a voice
// with no text does.

const tab = 0x09;
const space = 0x20;
const ascii = (text) => Array.from(text, (c) => c.charCodeAt(0));

function isDelimiter(byte) {
  return byte === 0x2c || byte === tab || byte === 0x0d || byte === 0x0a || byte === 0;
}

// The bytes as one field: delimiters become spaces.
export function fieldBytes(bytes) {
  return Array.from(bytes, (byte) => (isDelimiter(byte) ? space : byte));
}

// The option value text that reads back as `value`: "+" counts up, "-" down,
// a digit 1 to 9 sets the value (negative after a "-"). Null for 0, which
// needs no option.
export function optionValueText(value) {
  if (!Number.isInteger(value) || value === 0) return null;
  const size = Math.abs(value);
  const sign = value < 0 ? '-' : '';
  if (size <= 9) return sign + String(size);
  return sign + '9' + (value < 0 ? '-' : '+').repeat(size - 9);
}

// rows: [{number (voice number, 0 to 127), text (Uint8Array or null),
// octave, volume, name (Uint8Array or null)}]. Returns the file's bytes.
export function writeVoiceTable(rows) {
  const out = [];
  for (const row of [...rows].sort((a, b) => a.number - b.number)) {
    out.push(...ascii(String(row.number + 1)), tab);
    const text = row.text && row.text.length > 0 ? fieldBytes(row.text) : ascii('@0');
    out.push(...text, tab);
    const octave = optionValueText(row.octave);
    if (octave !== null) out.push(...ascii('O' + octave), tab);
    const volume = optionValueText(row.volume);
    if (volume !== null) out.push(...ascii('V' + volume), tab);
    out.push(...ascii('/* '));
    out.push(...(row.name ? fieldBytes(row.name) : ascii('#' + row.number)));
    out.push(...ascii(' */'), 0x0d, 0x0a);
  }
  return Uint8Array.from(out);
}
