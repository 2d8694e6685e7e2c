// A small check runner for the web checks: named checks, "ok"/"FAIL" lines,
// and the count at the end.
export class Checks {
  passed = 0;
  failed = 0;

  async check(name, body) {
    try {
      const problem = await body();
      if (problem) throw new Error(problem);
      this.passed += 1;
      console.log(`ok   ${name}`);
    } catch (error) {
      this.failed += 1;
      console.log(`FAIL ${name}\n     ${String(error?.message ?? error).replaceAll('\n', '\n     ')}`);
    }
  }

  finish() {
    console.log(`${this.passed} passed, ${this.failed} failed`);
    process.exitCode = this.failed === 0 ? 0 : 1;
  }
}

// Where two byte arrays first differ, with a little context; null when equal.
export function byteDifference(what, actual, expected) {
  const a = Buffer.from(actual);
  const e = Buffer.from(expected);
  if (a.equals(e)) return null;
  let at = 0;
  while (at < a.length && at < e.length && a[at] === e[at]) at += 1;
  const show = (b) => JSON.stringify(b.subarray(Math.max(0, at - 20), at + 20).toString('latin1'));
  return `${what}: differs at byte ${at} (sizes ${a.length} and ${e.length}): ${show(a)} against ${show(e)}`;
}
