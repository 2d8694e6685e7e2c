// Runs the native tonvert as a user would: in a fresh directory holding
// <name>.msc, <name>.vce and <name>.vct, each when given, as `tonvert <name>.msc`;
// collects the same things the WebAssembly converter returns.
import { spawnSync } from 'node:child_process';
import { existsSync, mkdtempSync, readFileSync, readdirSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

const songNumber = (name) => parseInt(Buffer.from(name).toString('latin1'), 10);

export function runNative(tonvert, { msc, vce, vct = null, name }) {
  const directory = mkdtempSync(join(tmpdir(), 'tonvert-web-native-'));
  try {
    if (msc) writeFileSync(join(directory, `${name}.msc`), msc);
    if (vce) writeFileSync(join(directory, `${name}.vce`), vce);
    if (vct) writeFileSync(join(directory, `${name}.vct`), vct);
    const run = spawnSync(tonvert, [`${name}.msc`], { cwd: directory, maxBuffer: 1 << 30 });
    if (run.error) throw run.error;
    const output = join(directory, name);
    const files = existsSync(output)
      ? readdirSync(output, { encoding: 'buffer' })
          .sort((a, b) => songNumber(a) - songNumber(b))
          .map((file) => ({
            name: new Uint8Array(file),
            bytes: new Uint8Array(readFileSync(Buffer.concat([Buffer.from(output + '/'), file]))),
          }))
      : [];
    const vctPath = join(directory, `${name}.vct`);
    return {
      status: run.status,
      console: new Uint8Array(run.stdout),
      files,
      vct: !vct && existsSync(vctPath) ? new Uint8Array(readFileSync(vctPath)) : null,
    };
  } finally {
    rmSync(directory, { recursive: true, force: true });
  }
}
