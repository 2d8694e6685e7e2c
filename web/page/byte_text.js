// Bytes from the music file shown as text. Titles and voice names are bytes
// in the code page of the system that wrote them, most often code page 932;
// they are decoded from it where their bytes are valid there, and shown as
// bytes (\xNN) otherwise. File names keep the bytes themselves.

const strict = new TextDecoder('shift_jis', { fatal: true });
const lenient = new TextDecoder('shift_jis');

function escaped(bytes) {
  let text = '';
  for (const byte of bytes) {
    text += byte >= 0x20 && byte < 0x7f && byte !== 0x5c
      ? String.fromCharCode(byte)
      : `\\x${byte.toString(16).padStart(2, '0').toUpperCase()}`;
  }
  return text;
}

// The text of a title or name: code page 932, or the bytes escaped.
export function titleText(bytes) {
  try {
    return strict.decode(bytes);
  } catch {
    return escaped(bytes);
  }
}

// Whether the bytes read as code page 932.
export function isCodePage932(bytes) {
  try {
    strict.decode(bytes);
    return true;
  } catch {
    return false;
  }
}

// An MML file for reading: code page 932, with U+FFFD for bytes that are
// not valid there.
export function previewText(bytes) {
  return lenient.decode(bytes);
}

// A name for a file saved from the page: the code page 932 text, or the
// bytes with those above 0x7F written %NN.
export function savedFileName(bytes) {
  if (isCodePage932(bytes)) return strict.decode(bytes);
  let text = '';
  for (const byte of bytes) {
    text += byte < 0x80 ? String.fromCharCode(byte) : `%${byte.toString(16).padStart(2, '0').toUpperCase()}`;
  }
  return text;
}

// Text typed into the page as bytes: code page 932, as titles and names are
// written; a character the code page lacks is written in UTF-8. The table of
// the code page's characters is taken from the browser's own decoder on first
// use.
export class TypedTextEncoder {
  #table = null;

  bytes(text) {
    if (/^[\x00-\x7f]*$/.test(text)) return Uint8Array.from(text, (c) => c.charCodeAt(0));
    const table = this.#codePage932();
    const utf8 = new TextEncoder();
    const out = [];
    for (const character of text) out.push(...(table.get(character) ?? utf8.encode(character)));
    return Uint8Array.from(out);
  }

  #codePage932() {
    if (this.#table) return this.#table;
    const table = new Map();
    const add = (bytes) => {
      try {
        const text = strict.decode(Uint8Array.from(bytes));
        if (text.length === 1 && !table.has(text)) table.set(text, bytes);
      } catch {
        // not a character of the code page
      }
    };
    for (let byte = 0; byte < 0x80; ++byte) add([byte]);
    for (let byte = 0xa1; byte <= 0xdf; ++byte) add([byte]);
    for (let lead = 0x81; lead <= 0xfc; ++lead) {
      if (lead > 0x9f && lead < 0xe0) continue;
      for (let trail = 0x40; trail <= 0xfc; ++trail) if (trail !== 0x7f) add([lead, trail]);
    }
    this.#table = table;
    return table;
  }
}
