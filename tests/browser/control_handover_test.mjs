// The album pages' MAIL and PRINT buttons from the click to the programs
// behind them, on the sample card loaded into a program folder: in headless
// Chromium the viewer's MAIL and PRINT and the title menu's PRINT each load
// a lumbrel-mail: or lumbrel-print: address; the test hands that address to
// the program that the desktop entry registered by `Lumbrel --register`
// names (its Exec line, as a desktop would run it), and checks what the
// stand-in mail and print programs received:
//   - MAIL of a 768 x 1024 picture: the mail program is started with a
//     shrunk copy (360 x 480) in the library's tmp folder, which is gone
//     a while after the mail program has returned;
//   - PRINT in the viewer: the print program runs in its own folder with the
//     library's album and the picture; the title menu's PRINT with the album
//     alone.
//
//   LUMBREL_BIN=build/bin node control_handover_test.mjs sample_card_site.sh

import { execFileSync } from 'node:child_process';
import { existsSync, readFileSync, rmSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { browserTest, frameOf, handOver, popup, showInBody } from './harness.mjs';

const KEY = '20010616';
const PICTURE = 'ABCD0003.JPG';  // 768 x 1024 on the sample card

await browserTest('control_handover_test', async ({ home, check, newContext }) => {
    const dir = dirname(home);
    const library = join(home, 'Image Library', KEY);
    const exec = execOf(join(dir, 'data', 'applications', 'lumbrel-url-handler.desktop'));
    const env = { ...process.env, XDG_CONFIG_HOME: join(dir, 'config'), XDG_DATA_HOME: join(dir, 'data'),
                  LUMBREL_APPPATHS: join(dir, 'AppPaths.conf'), LUMBREL_MAIL_KEEP_MS: '100', PATH: `${join(dir, 'bin')}:${process.env.PATH}` };
    // Runs the registered program on an address, as the desktop would.
    const open = (url) => {
        const args = exec.map((a) => (a === '%u' ? url : a));
        try {
            execFileSync(args[0], args.slice(1), { env, stdio: ['ignore', 'ignore', 'pipe'] });
            return true;
        } catch (e) {
            check(false, `${url}: ${args[0]} failed: ${e.stderr}`);
            return false;
        }
    };
    check(exec.includes('%u') && exec[0].endsWith('/lumbrel-open-url'), `the entry runs ${JSON.stringify(exec)}`);

    const context = await newContext();
    const page = await context.newPage();
    await page.goto(pathToFileURL(join(library, 'INDEX.HTM')).href);
    const body = await showInBody(page, pathToFileURL(join(library, 'HTML', 'INDEX.HTM')).href);
    const items = await body.evaluate(() => [...document.querySelectorAll('a[href^="javascript:wopen("]')]
        .map((a) => ({ href: a.getAttribute('href'), name: a.querySelector('img') ? a.querySelector('img').alt : '' })));
    const item = items.find((i) => i.name === PICTURE);
    if (!item) throw new Error(`no viewer link for ${PICTURE} among ${JSON.stringify(items)}`);
    const openViewer = () => popup(context, () => body.click(`a[href="${item.href}"]`));

    // MAIL in the viewer.
    const mailViewer = await openViewer();
    const mail = await handOver(mailViewer, () => mailViewer.click('img[alt="MAIL"]'));
    await mailViewer.close();
    check(mail && mail.scheme === 'lumbrel-mail', `MAIL loads ${mail && mail.url}`);
    if (mail && open(mail.url)) {
        const copy = join(library, 'tmp', PICTURE);
        const rec = readFileSync(join(dir, 'mail.rec'), 'utf8');
        check(rec === `-compose\nattachment='${pathToFileURL(copy).href}'\n`, `the mail program got ${rec}`);
        const size = jpegSize(readFileSync(join(dir, 'received.jpg')));
        check(size.width === 360 && size.height === 480, `the attachment is ${size.width} x ${size.height}`);
        // The stand-in returns at once, as a mail program that was running
        // already does: the copy stays a while for it (here a moment), then goes.
        for (let i = 0; i < 500 && existsSync(join(library, 'tmp')); ++i) await new Promise((r) => setTimeout(r, 20));
        check(!existsSync(join(library, 'tmp')), 'the shrunk copy stays behind');
    }

    // PRINT in the viewer, then in the title menu.
    const printViewer = await openViewer();
    const print = await handOver(printViewer, () => printViewer.click('img[alt="PRINT"]'));
    await printViewer.close();
    check(print && print.scheme === 'lumbrel-print', `PRINT loads ${print && print.url}`);
    if (print && open(print.url))
        check(await printed() === `${join(dir, 'pressa')}\n/i\n${library}/HTML/INDEX.HTM\n/f\n${library}/${PICTURE}\n/s\noff\n`,
              'the viewer\'s PRINT');
    const title = await frameOf(page, 'Title');
    const album = await handOver(page, () => title.click('a[href="javascript:k_print()"]'));
    check(album && album.scheme === 'lumbrel-print', `the title menu's PRINT loads ${album && album.url}`);
    if (album && open(album.url))
        check(await printed() === `${join(dir, 'pressa')}\n/i\n${library}/HTML/INDEX.HTM\n/s\noff\n`, 'the title menu\'s PRINT');
    await page.close();

    // The print program runs on its own: its record, once written (it
    // renames it into place), taken away for the next click.
    async function printed() {
        const file = join(dir, 'print.rec');
        for (let i = 0; i < 500 && !existsSync(file); ++i) await new Promise((r) => setTimeout(r, 20));
        if (!existsSync(file)) return 'nothing: the print program did not run';
        const text = readFileSync(file, 'utf8');
        rmSync(file);
        return text;
    }
});

// The Exec line of a desktop entry as arguments: the string value's escapes
// undone, then split at spaces outside double quotes, a backslash in quotes
// taking the next character as it is.
function execOf(file) {
    const line = readFileSync(file, 'utf8').split('\n').find((l) => l.startsWith('Exec='));
    if (!line) throw new Error(`${file} has no Exec line`);
    const value = line.slice(5).replace(/\\(.)/g, (_, c) => ({ s: ' ', n: '\n', t: '\t', r: '\r' })[c] ?? c);
    const args = [];
    let arg = null;
    let quoted = false;
    for (let i = 0; i < value.length; ++i) {
        const c = value[i];
        if (quoted && c === '\\') { arg += value[++i]; continue; }
        if (c === '"') { quoted = !quoted; arg ??= ''; continue; }
        if (c === ' ' && !quoted) { if (arg !== null) args.push(arg); arg = null; continue; }
        arg = (arg ?? '') + c;
    }
    if (arg !== null) args.push(arg);
    return args;
}

// Width and height from a JPEG's frame header.
function jpegSize(bytes) {
    for (let at = 2; at + 9 < bytes.length;) {
        if (bytes[at] !== 0xff) break;
        const marker = bytes[at + 1];
        const length = bytes.readUInt16BE(at + 2);
        if (marker >= 0xc0 && marker <= 0xc3) return { height: bytes.readUInt16BE(at + 5), width: bytes.readUInt16BE(at + 7) };
        at += 2 + length;
    }
    return { width: 0, height: 0 };
}
