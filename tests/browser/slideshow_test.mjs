// The slide shows of the script templates (0 and 2) as a browser shows them,
// started from the title menu over the page in the body frame (a single-date
// library, a group, all folders of a collection):
//   - MANUAL (NEXT.HTM, "SLIDE SHOW MANUAL"): starts at the first still image
//     of the body page; NEXT, Enter, space and a click on the picture step on,
//     BACK steps back, both wrapping round; "q" and EXIT close it;
//   - AUTO (APLAY.HTM, "SLIDE SHOW AUTO"): starts at the first still image and
//     moves on 3000 ms after each picture has loaded, wrapping round at the
//     end; a click on the picture, "q" and Enter close it;
//   - both: a window at the top-left corner of the screen less 20 x 55, the
//     picture fitted as the pages say (960 high on screens of 1280 x 960 and
//     more, else into a 4:3 box of 90% of the shorter side), movies left out,
//     closing themselves over a page without still images and when the album
//     goes.
// The shows' clocks are Playwright's fake clock, so the 3000 ms are counted
// exactly and the test does not wait for them. Any script error or console
// error fails the test. Screenshots go to /tmp/shots.
//
//   node slideshow_test.mjs SITE_FIXTURE

import { dirname, join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { SCREEN, browserTest, checkResources, clickToClose, closes, closingBy, fileOf, frameOf, popup, shot, showInBody } from './harness.mjs';

// Body pages to start the shows over, with their still images in order as
// [name, folder below the library ('' for the library itself)].
const CASES = [
    { what: 'single-date template 0', key: '20240305', page: 'HTML/INDEX.HTM',
      stills: ['P0.JPG', 'P1.JPG', 'P2.JPG', 'P3.JPG', 'P4.JPG', 'P5.JPG', 'P6.JPG'].map((n) => [n, '']) },
    { what: 'single-date template 2', key: '20230707', page: 'HTML/INDEX.HTM',
      stills: ['P0.JPG', 'P1.JPG', 'P2.JPG', 'P3.JPG'].map((n) => [n, '']) },
    { what: 'group page of a template 0 collection', key: '20240401_1', page: '101KDCAM/HTML/INDEX.HTM',
      stills: ['KDC_0101.JPG', 'KDC_0102.JPG', 'KDC_0104.JPG'].map((n) => [n, '101KDCAM']) },
    { what: 'all folders of a template 0 collection', key: '20240401_1', page: 'HTML/INDEX.HTM',
      stills: [['KDC_0001.JPG', '100KDCAM'], ['KDC_0002.JPG', '100KDCAM'],
               ...['KDC_0101.JPG', 'KDC_0102.JPG', 'KDC_0104.JPG'].map((n) => [n, '101KDCAM'])] },
    { what: 'group page of a template 2 collection', key: '20240402_1', page: 'Trip #2/HTML/INDEX.HTM',
      stills: [['Boat 1.JPG', 'Trip #2'], ['Boat 2.JPG', 'Trip #2']] },
    { what: 'all folders of a template 2 collection', key: '20240402_1', page: 'HTML/INDEX.HTM',
      stills: [['Wave.JPG', 'Sun & sea'], ['Boat 1.JPG', 'Trip #2'], ['Boat 2.JPG', 'Trip #2']] },
    { what: 'a group of movies only', key: '20240402_1', page: 'Clips/HTML/INDEX.HTM', stills: [] },
];

const AUTO_DELAY = 3000;
// A screen below the large layouts: pictures go into the 4:3 box.
const SMALL_SCREEN = { width: 1024, height: 768 };

await browserTest('slideshow_test', async ({ album, check, newContext }) => {
    let context = null;
    for (const [screenName, screen, cases] of [['', SCREEN, CASES], ['small screen, ', SMALL_SCREEN, CASES.slice(0, 1)]]) {
        context = await newContext({ screen });
        // Time stands still but for runFor: a show moves on only when the test says.
        await context.clock.install({ time: new Date('2024-03-05T12:00:00') });
        await context.clock.pauseAt(new Date('2024-03-05T12:00:01'));
        for (const c of cases) await runShows({ ...c, what: screenName + c.what });
        await context.close();
    }

    // Both shows over the body page of case c.
    async function runShows(c) {
        const library = dirname(album(c.key));
        const stills = c.stills.map(([name, folder]) => ({ name, path: join(library, folder, name) }));
        const page = await context.newPage();
        await page.goto(pathToFileURL(album(c.key)).href);
        await showInBody(page, pathToFileURL(join(library, c.page)).href);
        const title = await frameOf(page, 'Title');
        const screen = await title.evaluate(() => ({ width: window.screen.width, height: window.screen.height }));
        const start = (mode) => popup(context, () => title.click(`a[href="javascript:wpopen(${mode})"]`));
        const shotName = c.what.replace(/[^A-Za-z0-9]+/g, '-');

        if (stills.length === 0) {
            for (const mode of [0, 1]) {
                const show = await start(mode);
                await tick(1000);
                check(await closes(show), `${c.what}: the ${mode ? 'automatic' : 'manual'} show stays open without pictures`);
            }
            await page.close();
            return;
        }

        // The manual show.
        let show = await start(0);
        await opened(show, 'SLIDE SHOW MANUAL', `${c.what}: the manual show`, screen);
        await shows(show, stills[0], `${c.what}: the manual show at its start`);
        const links = await checkResources(show, `${c.what} manual show`, check);
        check(links.length === 0, `${c.what}: the manual show has script links ${links}`);
        await shot(show, `manual-show-${shotName}`);
        const steps = [
            ['NEXT', () => show.click('img[alt="NEXT"]'), 1],
            ['Enter', () => show.keyboard.press('Enter'), 1],
            ['space', () => show.keyboard.press(' '), 1],
            ['a click on the picture', () => show.click('#picture'), 1],
            ['BACK', () => show.click('img[alt="BACK"]'), -1],
        ];
        // Every way on, round the end, then BACK round the start.
        let at = 0;
        for (let k = 0; k < stills.length + 1; ++k) {
            const [how, step] = steps[k % 4];
            await step();
            at = (at + 1) % stills.length;
            await shows(show, stills[at], `${c.what}: the manual show after ${how} (step ${k + 1})`);
        }
        for (let k = 0; k < stills.length + 1; ++k) {
            await steps[4][1]();
            at = (at - 1 + stills.length) % stills.length;
            await shows(show, stills[at], `${c.what}: the manual show after BACK (step ${k + 1})`);
        }
        await closingBy(show, () => show.keyboard.press('q'));
        check(await closes(show), `${c.what}: "q" does not close the manual show`);
        show = await start(0);
        await shows(show, stills[0], `${c.what}: the manual show started again`);
        await clickToClose(show, 'img[alt="EXIT"]');
        check(await closes(show), `${c.what}: EXIT does not close the manual show`);

        // The automatic show: each picture stays AUTO_DELAY ms after loading.
        show = await start(1);
        await opened(show, 'SLIDE SHOW AUTO', `${c.what}: the automatic show`, screen);
        await shows(show, stills[0], `${c.what}: the automatic show at its start`);
        check((await checkResources(show, `${c.what} automatic show`, check)).length === 0,
              `${c.what}: the automatic show has script links`);
        await shot(show, `auto-show-${shotName}`);
        for (let k = 1; k <= stills.length; ++k) {
            await context.clock.runFor(AUTO_DELAY - 1);
            await shows(show, stills[(k - 1) % stills.length], `${c.what}: the automatic show ${AUTO_DELAY - 1} ms after picture ${k}`);
            await context.clock.runFor(1);
            await shows(show, stills[k % stills.length], `${c.what}: the automatic show ${AUTO_DELAY} ms after picture ${k}`);
        }
        for (const [how, exit] of [['"q"', () => closingBy(show, () => show.keyboard.press('q'))],
                                   ['Enter', () => closingBy(show, () => show.keyboard.press('Enter'))],
                                   ['a click on the picture', () => clickToClose(show, '#picture')]]) {
            if (show.isClosed()) {
                show = await start(1);
                await shows(show, stills[0], `${c.what}: the automatic show started again`);
            }
            await exit();
            check(await closes(show), `${c.what}: ${how} does not close the automatic show`);
        }

        // Both shows go with the album.
        const left = [await start(0)];
        left.push(await start(1));
        check(await closes(left[0]), `${c.what}: starting the automatic show leaves the manual one open`);
        await page.close();
        await tick(1000);
        check(await closes(left[1]), `${c.what}: the automatic show stays open when the album is closed`);
    }

    // Lets ms of the shows' time pass. A window that closes meanwhile (as
    // the shows do when their album goes) ends Playwright's call early.
    async function tick(ms) {
        try {
            await context.clock.runFor(ms);
        } catch (e) {
            if (!/has been closed/.test(String(e))) throw e;
        }
    }

    // The show's window: its title, the top-left corner, the size of the
    // opener's screen less 20 x 55.
    async function opened(show, name, what, screen) {
        const found = await show.evaluate(() => ({ title: document.title, x: screenX, y: screenY, width: innerWidth, height: innerHeight }));
        check(found.title === name, `${what} is titled ${found.title}`);
        check(found.x === 0 && found.y === 0, `${what} is at ${found.x}, ${found.y}`);
        check(found.width === screen.width - 20 && found.height === screen.height - 55,
              `${what} is ${found.width} x ${found.height}`);
    }

    // Waits until the show's picture is item, loaded and sized as the pages
    // say: the automatic show's 960 high on screens of 1280 x 960 and more,
    // else fitted into a 4:3 box of 90% of the shorter screen side; the manual
    // show's the same but never larger than the window's room below its
    // buttons, so that the window shows all of it without scrolling.
    async function shows(show, item, what) {
        try {
            await show.waitForFunction((path) => {
                const p = document.getElementById('picture');
                return p && p.complete && p.naturalWidth > 0 && decodeURIComponent(p.src).endsWith(path);
            }, item.path, { timeout: 5000, polling: 50 });
        } catch {
            const src = await show.evaluate(() => document.getElementById('picture').src);
            check(false, `${what} shows ${src || 'nothing'}, not ${item.name}`);
            return;
        }
        const found = await show.evaluate(() => {
            const p = document.getElementById('picture');
            const box = p.getBoundingClientRect();
            return { src: p.src, width: p.width, height: p.height, w: p.naturalWidth, h: p.naturalHeight,
                     right: box.right, bottom: box.bottom, top: p.offsetTop,
                     screenWidth: window.screen.width, screenHeight: window.screen.height,
                     innerWidth, innerHeight, manual: document.title === 'SLIDE SHOW MANUAL',
                     scrollWidth: document.documentElement.scrollWidth, scrollHeight: document.documentElement.scrollHeight };
        });
        check(fileOf(found.src) === item.path, `${what}: the picture is ${found.src}`);
        let scale;
        if (found.screenWidth >= 1280 && found.screenHeight >= 960) {
            scale = 960 / found.h;
        } else {
            const boxHeight = Math.floor(Math.min(found.screenWidth, found.screenHeight) * 0.9);
            scale = Math.min(Math.floor(boxHeight * 4 / 3) / found.w, boxHeight / found.h);
        }
        if (found.manual) {
            scale = Math.min(scale, found.innerWidth / found.w, (found.innerHeight - found.top) / found.h);
            check(found.right <= found.innerWidth && found.bottom <= found.innerHeight &&
                  found.scrollWidth <= found.innerWidth && found.scrollHeight <= found.innerHeight,
                  `${what}: the picture (to ${found.right}, ${found.bottom}) does not fit the ` +
                  `${found.innerWidth} x ${found.innerHeight} window`);
        }
        check(Math.abs(found.width - found.w * scale) <= 1 && Math.abs(found.height - found.h * scale) <= 1,
              `${what}: the ${found.w} x ${found.h} picture is shown ${found.width} x ${found.height} on a ` +
              `${found.screenWidth} x ${found.screenHeight} screen, expected ${Math.floor(found.w * scale)} x ` +
              `${Math.floor(found.h * scale)}`);
    }
});
