// The converter for Node: `const t = await loadTonvert(); t.convert({...})`.
// The module's glue is a CommonJS file with the WebAssembly inside it.
import { createRequire } from 'node:module';
import v8 from 'node:v8';

import { makeTonvert } from './tonvert_api.js';

const require = createRequire(import.meta.url);

// optimized: compile the WebAssembly with the optimizing compiler from the
// start (V8's --no-liftoff), which suits a process that converts once and
// exits. It sets a flag of the whole process, so it is asked for, not done
// by default.
export function loadTonvert({ optimized = false } = {}) {
  if (optimized) v8.setFlagsFromString('--no-liftoff');
  return makeTonvert(require('./tonvert_web.cjs'));
}
