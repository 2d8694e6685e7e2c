// Saving files from the page: one file, or every MML file and the voice
// table file in one zip laid out as tonvert writes them beside the music
// file: <name>/NN Title.mml and <name>.vct.
import { zipSync } from './fflate.js';

import { savedFileName } from './byte_text.js';

export function saveFile(fileName, bytes, type = 'application/octet-stream') {
  const url = URL.createObjectURL(new Blob([bytes], { type }));
  const link = document.createElement('a');
  link.href = url;
  link.download = fileName;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(url), 10000);
}

// files: [{name (bytes), bytes}]; vct: the voice table file or null.
export function zipOf(baseName, files, vct) {
  const entries = {};
  for (const file of files) entries[`${baseName}/${savedFileName(file.name)}`] = [file.bytes, { level: 6 }];
  if (vct) entries[`${baseName}.vct`] = [vct, { level: 6 }];
  return zipSync(entries);
}
