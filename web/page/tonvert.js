// The converter for the page: the module's glue is made an ES module at build
// time (tonvert_web.js), with the WebAssembly inside it.
import createTonvertModule from './tonvert_web.js';
import { makeTonvert } from './tonvert_api.js';

export function loadTonvert() {
  return makeTonvert(createTonvertModule);
}
