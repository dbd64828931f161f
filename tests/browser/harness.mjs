// What every browser test of the pages shares: a temporary folder where the
// fixture program (the test's first argument) writes its site, headless
// Debian Chromium, a list of failures, and the verdict line and exit status.
//
//   await browserTest('name', async ({ browser, site, check, fail }) => { ... });
//
// site is the path of library.htm that the fixture printed; check(ok, what)
// records what when ok is false; fail(what) records it unconditionally.

import { chromium } from 'playwright-core';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

export async function browserTest(name, body) {
    const failures = [];
    const fail = (what) => failures.push(what);
    const check = (ok, what) => { if (!ok) fail(what); };
    const dir = mkdtempSync(join(tmpdir(), `lumbrel-${name}-`));
    const browser = await chromium.launch({ executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium' });
    try {
        const site = execFileSync(process.argv[2], [dir]).toString().trim();
        await body({ browser, site, check, fail });
    } catch (e) {
        fail(String(e));
    } finally {
        await browser.close();
        rmSync(dir, { recursive: true, force: true });
    }
    for (const f of failures) console.error(`FAIL: ${f}`);
    console.log(failures.length === 0 ? `${name}: ok` : `${name}: ${failures.length} failure(s)`);
    process.exit(failures.length === 0 ? 0 : 1);
}
