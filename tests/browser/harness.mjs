// What every browser test of the pages shares: a temporary folder where the
// fixture program (the test's first argument) writes its site, headless
// Debian Chromium, a list of failures, and the verdict line and exit status.
//
//   await browserTest('name', async ({ browser, site, home, album, check, fail, newContext }) => { ... });
//
// site is the path of library.htm that the fixture printed, home the program
// folder that holds it, album(key) the path of a library's album frameset;
// check(ok, what) records what when ok is false; fail(what) records it
// unconditionally. newContext(options) opens a browser context in which any
// script error or console error of any page or pop-up window is a failure,
// and every window sees the screen options.screen (default SCREEN).
//
// The helpers below the harness work on a page or a frame of one.

import { chromium } from 'playwright-core';
import { execFileSync } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

// A screen large enough for the pages' large layouts: the viewer is 800 wide
// from 1024 x 768 up, the slide-show pictures 960 high from 1280 x 960 up.
export const SCREEN = { width: 1280, height: 1024 };

// Headless Chromium gives each pop-up window a screen the size of that
// window; on a desktop every window sees the one screen. The pages size their
// pop-ups from the screen, so every window of a context is shown the same.
function oneScreen({ width, height }) {
    for (const [name, value] of [['width', width], ['height', height], ['availWidth', width], ['availHeight', height]])
        Object.defineProperty(Screen.prototype, name, { get: () => value, configurable: true });
}

export async function browserTest(name, body) {
    const failures = [];
    const fail = (what) => failures.push(what);
    const check = (ok, what) => { if (!ok) fail(what); };
    const dir = mkdtempSync(join(tmpdir(), `lumbrel-${name}-`));
    const browser = await chromium.launch({ executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium' });
    const newContext = async (options = {}) => {
        const screen = options.screen ?? SCREEN;
        const context = await browser.newContext({ screen, viewport: { width: 1200, height: 900 }, ...options });
        await context.addInitScript(oneScreen, screen);
        context.on('page', (page) => {
            page.on('pageerror', (e) => fail(`script error in ${page.url()}: ${e.message}`));
            page.on('console', (m) => { if (m.type() === 'error') fail(`console error in ${page.url()}: ${m.text()}`); });
        });
        return context;
    };
    try {
        const site = execFileSync(process.argv[2], [dir]).toString().trim();
        const home = dirname(site);
        const album = (key) => join(home, 'Image Library', key, 'INDEX.HTM');
        await body({ browser, site, home, album, check, fail, newContext });
    } catch (e) {
        fail(String(e.stack ?? e));
    } finally {
        await browser.close();
        rmSync(dir, { recursive: true, force: true });
    }
    for (const f of failures) console.error(`FAIL: ${f}`);
    console.log(failures.length === 0 ? `${name}: ok` : `${name}: ${failures.length} failure(s)`);
    process.exit(failures.length === 0 ? 0 : 1);
}

/// The page that action opens as a new window, once its document has loaded
/// (or once it has closed itself again).
export async function popup(context, action) {
    const [page] = await Promise.all([context.waitForEvent('page', { timeout: 10000 }), action()]);
    await closingBy(page, () => page.waitForLoadState('load'));
    return page;
}

/// Resolves when page closes; false after timeout ms.
export function closes(page, timeout = 5000) {
    if (page.isClosed()) return Promise.resolve(true);
    return new Promise((resolve) => {
        const timer = setTimeout(() => resolve(false), timeout);
        page.once('close', () => { clearTimeout(timer); resolve(true); });
    });
}

/// Runs action, which is meant to close page; the window going away while
/// Playwright finishes the action is no error.
export async function closingBy(page, action) {
    try {
        await action();
    } catch (e) {
        if (!page.isClosed()) throw e;
    }
}

/// Clicks what is meant to close page.
export function clickToClose(page, selector) {
    return closingBy(page, () => page.click(selector, { timeout: 5000 }));
}

/// A frame of the album frameset (Title, Folder, Date, Body) once loaded.
export async function frameOf(page, name) {
    const frame = page.frame({ name });
    if (!frame) throw new Error(`no frame named ${name} in ${page.url()}`);
    await frame.waitForLoadState('load');
    return frame;
}

/// Opens url in the album's body frame by clicking the folder or date menu
/// link to it (a page already shown is loaded again), and returns the body
/// frame once the page has loaded and run its onLoad.
export async function showInBody(page, url) {
    const body = await frameOf(page, 'Body');
    await body.evaluate(() => { window.lmShownBefore = true; });
    let clicked = false;
    for (const name of ['Folder', 'Date']) {
        const frame = await frameOf(page, name);
        const link = (await frame.evaluateHandle((u) => [...document.links].find((l) => l.href === u) ?? null, url)).asElement();
        if (link) {
            await link.click();
            clicked = true;
            break;
        }
    }
    if (!clicked) throw new Error(`no menu link to ${url}`);
    await body.waitForFunction(() => !window.lmShownBefore && document.readyState === 'complete');
    return body;
}

/// The file a file: URL names (query and fragment dropped), or null.
export function fileOf(url) {
    if (!url.startsWith('file:')) return null;
    return fileURLToPath(url.replace(/[?#].*$/, ''));
}

/// Checks that every link, picture, frame, script and embedded object of a
/// page or frame reaches an existing file, and that every picture decodes.
/// Links to "#" (buttons run by onclick) are left to the caller, as are
/// javascript: links, which are returned (their href texts, in page order)
/// to be exercised by clicking. Any other address is a failure.
export async function checkResources(target, what, check) {
    await target.waitForFunction(() => [...document.images].every((i) => i.complete), null, { timeout: 10000 });
    const found = await target.evaluate(() => ({
        links: [...document.querySelectorAll('a[href]')].map((a) => ({ attr: a.getAttribute('href'), url: a.href })),
        images: [...document.images].map((i) => ({ url: i.src, width: i.naturalWidth })),
        sources: [
            ...[...document.querySelectorAll('frame[src], iframe[src], script[src]')].map((e) => e.src),
            ...[...document.querySelectorAll('object[data]')].map((e) => e.data),
        ],
    }));
    const scripts = [];
    const reaches = (url) => { const file = fileOf(url); return file !== null && existsSync(file); };
    for (const link of found.links) {
        if (link.attr === '#') continue;
        if (link.attr.startsWith('javascript:')) scripts.push(link.attr);
        else check(reaches(link.url), `${what}: link does not reach a file: ${link.url}`);
    }
    for (const image of found.images) {
        check(reaches(image.url), `${what}: picture does not reach a file: ${image.url}`);
        check(image.width > 0, `${what}: picture does not decode: ${image.url}`);
    }
    for (const url of found.sources) check(reaches(url), `${what}: source does not reach a file: ${url}`);
    return scripts;
}

/// The address a page hands to a control program (lumbrel-mail: or
/// lumbrel-print:) when action runs: { scheme, params, url } with the query's
/// properties and the whole address, or null when none is tried within the
/// time-out.
///
/// The hand-over is a navigation to a scheme that Chromium passes to the
/// desktop; Chromium then holds that window's input for its own question, so
/// a test hands over once per window and closes the window afterwards.
export async function handOver(page, action) {
    const request = page.waitForRequest((r) => /^lumbrel-(mail|print):/.test(r.url()), { timeout: 5000 });
    await action();
    try {
        const url = (await request).url();
        const colon = url.indexOf(':');
        return { scheme: url.slice(0, colon), params: new URLSearchParams(url.slice(colon + 2)), url };
    } catch {
        return null;
    }
}

/// A screenshot of page into /tmp/shots/name.png, to be looked at by people.
export async function shot(page, name) {
    const dir = process.env.LUMBREL_SHOTS ?? '/tmp/shots';
    mkdirSync(dir, { recursive: true });
    await page.screenshot({ path: join(dir, `${name}.png`) });
}

/// The last component of a file: URL, decoded.
export function nameOf(url) {
    return decodeURIComponent(url.replace(/[?#].*$/, '').replace(/^.*\//, ''));
}
