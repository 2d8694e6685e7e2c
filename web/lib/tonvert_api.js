// The converter's JavaScript interface over its WebAssembly module, the same
// for the page and for Node. The module's C interface answers with rows of
// 32-bit words in its memory (see web/bindings/entry_points.cpp); this file
// copies inputs in and answers out, so nothing returned points into the
// module's memory.

const voiceNumbers = 128;

export class Tonvert {
  #module;

  constructor(module) {
    this.#module = module;
  }

  // Converts a collection as `tonvert <name>.msc` does in a directory that
  // holds <name>.msc, <name>.vce and <name>.vct, each a Uint8Array or null
  // (null: the file is not there). Returns {status, console, files, vct}:
  // console a Uint8Array, files [{name, bytes}] in song order with the MML
  // file name's bytes, vct the voice table file the run wrote, or null.
  convert({ msc, vce, vct = null, name = 'tune' }) {
    const nameBytes = new TextEncoder().encode(String(name));
    return this.#call(
      'tonvert_convert',
      [nameBytes, given(msc), given(vce), given(vct)],
      (answer) => {
        const status = answer.word();
        const console = answer.bytes();
        const written = answer.word() === 1;
        const table = answer.bytes();
        const count = answer.word();
        const files = [];
        for (let i = 0; i < count; ++i) files.push({ name: answer.bytes(), bytes: answer.bytes() });
        return { status, console, files, vct: written ? table : null };
      });
  }

  // The voice table as the converter reads it from a voice table file: 128
  // entries by voice number (listed number less 1), each {text, octave,
  // volume}, text a Uint8Array or null (the voice change writes "@0").
  readVoiceTable(vct) {
    return this.#call('tonvert_voice_table', [bytesOf(vct)], (answer) => {
      const entries = [];
      for (let n = 0; n < voiceNumbers; ++n) {
        const hasText = answer.word() === 1;
        const text = answer.bytes();
        const octave = answer.signed();
        const volume = answer.signed();
        entries.push({ text: hasText ? text : null, octave, volume });
      }
      return entries;
    });
  }

  // The voice bank's declared voice count and the names of voices 0 to 127
  // (Uint8Array, or null where the bank has no record for the voice).
  voiceNames(vce) {
    return this.#call('tonvert_voice_names', [bytesOf(vce)], (answer) => {
      const count = answer.signed();
      const names = [];
      for (let n = 0; n < voiceNumbers; ++n) {
        const has = answer.word() === 1;
        const name = answer.bytes();
        names.push(has ? name : null);
      }
      return { count, names };
    });
  }

  // For voice numbers 0 to 127: whether a song of the music file selects it.
  usedVoices(msc) {
    return this.#call('tonvert_used_voices', [bytesOf(msc)], (answer) => {
      const used = [];
      for (let n = 0; n < voiceNumbers; ++n) used.push(answer.word() === 1);
      return used;
    });
  }

  // Copies the inputs into the module's memory, calls `name` with each
  // input's address and size (and, for an input made by given(), whether it
  // is given), reads the answer and releases everything.
  #call(name, inputs, read) {
    const m = this.#module;
    const addresses = [];
    let answer = 0;
    try {
      const args = [];
      for (const input of inputs) {
        const bytes = input instanceof Uint8Array ? input : input.bytes;
        let address = 0;
        if (bytes.length > 0) {
          address = m._malloc(bytes.length);
          if (address === 0) throw new Error('tonvert: out of memory');
          addresses.push(address);
          m.HEAPU8.set(bytes, address);
        }
        args.push(address, bytes.length);
        if (!(input instanceof Uint8Array)) args.push(input.given ? 1 : 0);
      }
      answer = m['_' + name](...args);
      return read(new AnswerReader(m, m._tonvert_words(answer)));
    } finally {
      if (answer !== 0) m._tonvert_release(answer);
      for (const address of addresses) m._free(address);
    }
  }
}

// Reads an answer's words in order; bytes are copied out.
class AnswerReader {
  #module;
  #at;

  constructor(module, address) {
    this.#module = module;
    this.#at = address >>> 2;
  }

  word() {
    return this.#module.HEAPU32[this.#at++];
  }

  signed() {
    return this.#module.HEAP32[this.#at++];
  }

  bytes() {
    const address = this.word();
    const size = this.word();
    return this.#module.HEAPU8.slice(address, address + size);
  }
}

function bytesOf(value) {
  if (value == null) return new Uint8Array(0);
  if (value instanceof Uint8Array) return value;
  if (ArrayBuffer.isView(value)) return new Uint8Array(value.buffer, value.byteOffset, value.byteLength);
  if (value instanceof ArrayBuffer) return new Uint8Array(value);
  throw new TypeError('tonvert: expected a Uint8Array');
}

// An input file that may be missing: null or undefined is no file.
function given(value) {
  return { bytes: bytesOf(value), given: value != null };
}

// Makes the converter from the module's factory (the emscripten glue).
export async function makeTonvert(createModule) {
  return new Tonvert(await createModule());
}
