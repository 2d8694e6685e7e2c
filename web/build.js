// Lays out the built page and the Node module from the sources in web/ and
// the emscripten glue:
//   node web/build.js <build dir> <glue>
// writes <build dir>/site/ (the static page) and <build dir>/node/
// (tonvert.mjs and what it imports). The zip library comes from
// web/node_modules (npm ci), as the ES module it ships.
import { copyFileSync, mkdirSync, readFileSync, readdirSync, rmSync, writeFileSync } from 'node:fs';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

const web = dirname(fileURLToPath(import.meta.url));
const [buildDir, gluePath] = process.argv.slice(2);
if (!buildDir || !gluePath) {
  console.error('usage: node web/build.js <build dir> <tonvert_web.js from emscripten>');
  process.exit(2);
}
const glue = readFileSync(gluePath, 'utf8');
const site = resolve(buildDir, 'site');
const node = resolve(buildDir, 'node');

function fresh(directory) {
  rmSync(directory, { recursive: true, force: true });
  mkdirSync(directory, { recursive: true });
}

function copyAll(from, to) {
  for (const name of readdirSync(from)) copyFileSync(join(from, name), join(to, name));
}

fresh(site);
copyAll(join(web, 'page'), site);
copyAll(join(web, 'lib'), site);
// The glue defines createTonvertModule; as an ES module it exports it.
writeFileSync(join(site, 'tonvert_web.js'), `${glue}\nexport default createTonvertModule;\n`);
copyFileSync(join(web, 'node_modules', 'fflate', 'esm', 'browser.js'), join(site, 'fflate.js'));

fresh(node);
copyFileSync(join(web, 'node', 'tonvert.mjs'), join(node, 'tonvert.mjs'));
copyAll(join(web, 'lib'), node);
writeFileSync(join(node, 'tonvert_web.cjs'), glue);
writeFileSync(join(node, 'package.json'), '{ "type": "module" }\n');
