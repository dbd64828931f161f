// A library's album (template 0) as a browser shows it: builds the test site
// with the fixture program, opens the album frameset of 20240305, checks that
// the thumbnails load, opens the viewer from a thumbnail, steps on with NEXT,
// starts the automatic slide show and waits for its picture to change. Any
// script error or console error in any window fails the test.
//
//   node album_test.mjs SITE_FIXTURE

import { dirname, join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { browserTest } from './harness.mjs';

await browserTest('album_test', async ({ browser, site, check, fail }) => {
    const album = join(dirname(site), 'Image Library', '20240305', 'INDEX.HTM');
    const context = await browser.newContext();
    const watch = (page) => {
        page.on('pageerror', (e) => fail(`script error in ${page.url()}: ${e.message}`));
        page.on('console', (m) => { if (m.type() === 'error') fail(`console error in ${page.url()}: ${m.text()}`); });
    };
    context.on('page', watch);
    const page = await context.newPage();
    await page.goto(pathToFileURL(album).href);

    // Thumbnails: seven pictures from the PREVIEW folder, all decoded.
    const body = page.frame({ name: 'Body' });
    check(body !== null, 'the album has no Body frame');
    await body.waitForLoadState('load');
    const thumbs = await body.evaluate(() =>
        [...document.images].filter((i) => i.src.includes('/PREVIEW/')).map((i) => i.naturalWidth));
    check(thumbs.length === 7, `7 thumbnails expected, found ${thumbs.length}`);
    check(thumbs.every((w) => w > 0), 'a thumbnail does not load');

    // The viewer from the first thumbnail, then NEXT.
    const viewerShown = (name) => {
        const img = document.images[0];
        return img && img.src.endsWith(name) && img.complete && img.naturalWidth > 0;
    };
    const [viewer] = await Promise.all([
        context.waitForEvent('page'),
        body.click('a[href^="javascript:wopen(0,"]'),
    ]);
    await viewer.waitForFunction(viewerShown, '/P0.JPG', { timeout: 10000 });
    await viewer.click('img[alt="NEXT"]');
    await viewer.waitForFunction(viewerShown, '/P1.JPG', { timeout: 10000 });
    check(await viewer.evaluate(() => document.querySelector('img[alt="PRINT"]') !== null),
          'the viewer has no PRINT button although the print button is offered');

    // The automatic slide show from the title menu: its picture changes.
    const title = page.frame({ name: 'Title' });
    const [show] = await Promise.all([
        context.waitForEvent('page'),
        title.click('a[href="javascript:wpopen(1)"]'),
    ]);
    await show.waitForLoadState('load');
    const shownPicture = () => { const p = document.getElementById('picture'); return p && p.naturalWidth > 0 ? p.src : ''; };
    await show.waitForFunction(shownPicture, null, { timeout: 10000 });
    const first = await show.evaluate(shownPicture);
    await show.waitForFunction((before) => {
        const p = document.getElementById('picture');
        return p.naturalWidth > 0 && p.src !== before;
    }, first, { timeout: 10000 });
    check(first.endsWith('/P0.JPG'), `the slide show starts with ${first}`);
});
