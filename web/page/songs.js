// What the song list shows of a conversion: per MML file its song number,
// title and part count, and the console messages that belong to it.
const latin1 = new TextDecoder('latin1');
const bytesText = (bytes) => Array.from(bytes, (b) => String.fromCharCode(b)).join('');

// The title between '#title "' and the '"' that ends the song header's first
// line; the file name's title when the header is not there.
function titleOf(file, nameText) {
  const text = bytesText(file.bytes.subarray(0, Math.min(file.bytes.length, 4096)));
  const start = '#title "';
  const end = text.indexOf('"\r\n#timebase ');
  if (text.startsWith(start) && end >= start.length) {
    return Uint8Array.from(text.slice(start.length, end), (c) => c.charCodeAt(0));
  }
  return Uint8Array.from(nameText.replace(/^\d+ /, '').replace(/\.mml$/, ''), (c) => c.charCodeAt(0));
}

function partCount(bytes) {
  // Every part starts with a header line after an empty line.
  const text = latin1.decode(bytes);
  let count = 0;
  for (let at = text.indexOf('\r\n;===== '); at >= 0; at = text.indexOf('\r\n;===== ', at + 1)) count += 1;
  return count;
}

// songs: [{number, name, title, parts, bytes, warnings}] in song order;
// general: the messages that name no written song.
export function describeRun(result) {
  const songs = result.files.map((file) => {
    const nameText = bytesText(file.name);
    return {
      number: parseInt(nameText, 10),
      name: file.name,
      title: titleOf(file, nameText),
      parts: partCount(file.bytes),
      bytes: file.bytes,
      warnings: [],
    };
  });
  const general = [];
  // A song's messages come after the earlier songs' messages: each is given
  // to the first song from the last one named on that carries its number or
  // title.
  let at = 0;
  const lines = bytesText(result.console).split('\n').filter((line) => line.length > 0);
  for (const line of lines) {
    const bySong = /in song#(\d+)\r?$/.exec(line);
    const byTitle = /^\*\*\* .* in \[(.*)\] part#\d+\r?$/s.exec(line);
    let found = -1;
    if (bySong) {
      found = songs.findIndex((song) => song.number === Number(bySong[1]));
    } else if (byTitle) {
      for (let i = at; i < songs.length && found < 0; ++i) {
        if (bytesText(songs[i].title) === byTitle[1]) found = i;
      }
    }
    const message = Uint8Array.from(line.replace(/\r$/, ''), (c) => c.charCodeAt(0));
    if (found >= 0) {
      songs[found].warnings.push(message);
      at = found;
    } else {
      general.push(message);
    }
  }
  return { songs, general };
}
