// The converter for Node: `const t = await loadTonvert(); t.convert({...})`.
// The module's glue is a CommonJS file with the WebAssembly inside it.
import { createRequire } from 'node:module';

import { makeTonvert } from './tonvert_api.js';

const require = createRequire(import.meta.url);

export function loadTonvert() {
  return makeTonvert(require('./tonvert_web.cjs'));
}
