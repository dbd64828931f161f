// The pop-up windows of the script templates (0 and 2) as a browser shows
// them, opened from the body pages of single-date libraries, of groups and of
// whole collections:
//   - the image viewer: the clicked picture at 480 pixels high in an 800-wide
//     window (630 high with the mail/print row, else 600), the MAIL and PRINT
//     buttons only where offered, NEXT and BACK stepping over the still
//     images only and wrapping round at both ends, EXIT closing it;
//   - DISP.HTM, opened by a click on the viewer's picture: the same picture
//     fitted to a window of the screen less 20 x 55, closed by a click on it
//     and by closing the viewer;
//   - the movie window: 600 x 400, the movie embedded at 320 x 240 and, where
//     the browser cannot play it, its first frame in its place linked to it;
//     EXIT closing it;
//   - the body page closing its viewer and movie windows when it goes;
//   - the hand-over to the mail and print programs where no control runs:
//     the lumbrel-mail: / lumbrel-print: address the page loads names the
//     clicked picture, its folder, and the mail settings; the title menu's
//     PRINT names the library folder alone.
// Every window's links and pictures reach existing files; any script error
// or console error fails the test. Screenshots go to /tmp/shots.
//
//   node viewer_test.mjs SITE_FIXTURE

import { dirname, join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { browserTest, checkResources, clickToClose, closes, fileOf, frameOf, handOver, nameOf, popup, shot, showInBody } from './harness.mjs';

// Body pages to open the windows from. items: the page's items in item
// order, each [name, folder below the library ('' for the library itself)].
const CASES = [
    {
        what: 'single-date template 0', key: '20240305', page: 'HTML/INDEX.HTM', mail: true, print: true, mailSize: '0',
        items: ['P0.JPG', 'P1.JPG', 'P2.JPG', 'P3.JPG', 'P4.JPG', 'P5.JPG', 'P6.JPG'].map((n) => [n, '']),
    },
    {
        what: 'single-date template 2', key: '20230707', page: 'HTML/INDEX.HTM', mail: true, print: false, mailSize: '0',
        items: ['P0.JPG', 'P1.JPG', 'M0.AVI', 'P2.JPG', 'P3.JPG'].map((n) => [n, '']),
    },
    {
        what: 'group page of a template 0 collection', key: '20240401_1', page: '101KDCAM/HTML/INDEX.HTM',
        mail: true, print: true, mailSize: '1',
        items: ['KDC_0101.JPG', 'KDC_0102.JPG', 'KDC_0103.AVI', 'KDC_0104.JPG'].map((n) => [n, '101KDCAM']),
    },
    {
        what: 'all folders of a template 0 collection', key: '20240401_1', page: 'HTML/INDEX.HTM',
        mail: true, print: true, mailSize: '1',
        items: [['KDC_0001.JPG', '100KDCAM'], ['KDC_0002.JPG', '100KDCAM'],
                ...['KDC_0101.JPG', 'KDC_0102.JPG', 'KDC_0103.AVI', 'KDC_0104.JPG'].map((n) => [n, '101KDCAM'])],
    },
    {
        what: 'group page of a template 2 collection', key: '20240402_1', page: 'Trip #2/HTML/INDEX.HTM',
        mail: false, print: false, items: [['Boat 1.JPG', 'Trip #2'], ['Boat 2.JPG', 'Trip #2']],
    },
    {
        what: 'all folders of a template 2 collection', key: '20240402_1', page: 'HTML/INDEX.HTM', mail: false, print: false,
        items: [['Clip 1.AVI', 'Clips'], ['Wave.JPG', 'Sun & sea'], ['Surf.AVI', 'Sun & sea'],
                ['Boat 1.JPG', 'Trip #2'], ['Boat 2.JPG', 'Trip #2']],
    },
];

const MAILER = 'Post & Mail';
const isMovie = (name) => /\.avi$/i.test(name);

await browserTest('viewer_test', async ({ album, check, newContext }) => {
    const context = await newContext();

    for (const c of CASES) {
        const library = dirname(album(c.key));
        const items = c.items.map(([name, folder], n) => ({ n, name, folder: folder ? join(library, folder) : library }));
        const stills = items.filter((i) => !isMovie(i.name));
        const movies = items.filter((i) => isMovie(i.name));
        const page = await context.newPage();
        await page.goto(pathToFileURL(album(c.key)).href);
        const pageUrl = pathToFileURL(join(library, c.page)).href;
        const body = await showInBody(page, pageUrl);
        const openViewer = (item) => popup(context, () => body.click(`a[href="javascript:wopen(${item.n},0)"]`));
        const shotName = c.what.replace(/[^A-Za-z0-9]+/g, '-');

        // The viewer, its buttons and its pages.
        const viewer = await openViewer(stills[0]);
        await shows(viewer, stills[0], `${c.what}: the viewer`);
        const size = await viewer.evaluate(() => ({ width: innerWidth, height: innerHeight }));
        const buttonRow = c.mail || c.print;
        check(size.width === 800 && size.height === (buttonRow ? 630 : 600),
              `${c.what}: the viewer is ${size.width} x ${size.height}`);
        const links = await checkResources(viewer, `${c.what} viewer`, check);
        const expected = [...(c.mail ? ['javascript:Lmmail()'] : []), ...(c.print ? ['javascript:LmQm()'] : [])];
        check(JSON.stringify(links) === JSON.stringify(expected), `${c.what}: the viewer links ${JSON.stringify(links)}`);
        const buttons = await viewer.evaluate(() => [...document.querySelectorAll('a img[alt]')].map((i) => i.alt).slice(1));
        const expectedButtons = ['BACK', 'EXIT', 'NEXT', ...(c.mail ? ['MAIL'] : []), ...(c.print ? ['PRINT'] : [])];
        check(JSON.stringify(buttons) === JSON.stringify(expectedButtons), `${c.what}: the viewer's buttons are ${buttons}`);
        await shot(viewer, `viewer-${shotName}`);

        // NEXT through every still image and round to the first; BACK from the
        // first to the last and on.
        for (let k = 1; k <= stills.length; ++k) {
            await viewer.click('img[alt="NEXT"]');
            await shows(viewer, stills[k % stills.length], `${c.what}: NEXT ${k} times from the first`);
        }
        for (let k = 1; k <= Math.min(2, stills.length); ++k) {
            await viewer.click('img[alt="BACK"]');
            await shows(viewer, stills[(stills.length - k) % stills.length], `${c.what}: BACK ${k} times from the first`);
        }

        // The enlarged picture, closed by a click and by closing the viewer.
        const shown = stills[(stills.length - Math.min(2, stills.length)) % stills.length];
        const display = await openDisplay(viewer, shown, c.what);
        await shot(display, `display-${shotName}`);
        await clickToClose(display, '#picture');
        check(await closes(display), `${c.what}: a click on the enlarged picture does not close its window`);
        const again = await openDisplay(viewer, shown, c.what);
        await clickToClose(viewer, 'img[alt="EXIT"]');
        check(await closes(viewer), `${c.what}: EXIT does not close the viewer`);
        check(await closes(again), `${c.what}: the enlarged picture stays when the viewer is closed`);

        // The movie windows.
        for (const movie of movies) {
            const window = await popup(context, () => body.click(`a[href^="javascript:avi_wopen(${movie.n},"]`));
            const what = `${c.what}: the movie window of ${movie.name}`;
            const found = await window.evaluate(() => ({
                title: document.title, width: innerWidth, height: innerHeight,
                data: document.querySelector('object') ? document.querySelector('object').data : '',
                frame: [...document.querySelectorAll('object a img')].map((i) => ({
                    src: i.src, link: i.parentNode.href, width: i.width, height: i.height })),
            }));
            check(found.title === movie.name, `${what} is titled ${found.title}`);
            check(found.width === 600 && found.height === 400, `${what} is ${found.width} x ${found.height}`);
            check(fileOf(found.data) === join(movie.folder, movie.name), `${what} embeds ${found.data}`);
            // Chromium plays no AVI: the first frame stands in, linked to the movie.
            const frame = found.frame[0];
            check(found.frame.length === 1 && fileOf(frame.src) === join(movie.folder, 'PREVIEW', movie.name.replace(/AVI$/i, 'JPG')) &&
                  fileOf(frame.link) === join(movie.folder, movie.name) && frame.width === 320 && frame.height === 240,
                  `${what} stands in for the movie with ${JSON.stringify(found.frame)}`);
            check((await checkResources(window, what, check)).length === 0, `${what} has script links`);
            await shot(window, `movie-${shotName}-${movie.n}`);
            await clickToClose(window, 'img[alt="EXIT"]');
            check(await closes(window), `${what}: EXIT does not close it`);
        }

        // The body page closes the viewer and the movie window when it goes.
        const left = [await openViewer(stills[0])];
        if (movies.length) left.push(await popup(context, () => body.click(`a[href^="javascript:avi_wopen(${movies[0].n},"]`)));
        await showInBody(page, pageUrl);
        for (const window of left) check(await closes(window), `${c.what}: ${window.url()} stays open when the body page goes`);

        // The hand-over of the shown picture, once per viewer window.
        if (c.mail) {
            const item = stills[1 % stills.length];
            const mailViewer = await openViewer(item);
            await shows(mailViewer, item, `${c.what}: the viewer for MAIL`);
            const sent = await handOver(mailViewer, () => mailViewer.click('img[alt="MAIL"]'));
            checkHandOver(sent, 'lumbrel-mail', { ImageFile: item.name, ImagePath: item.folder, ImageSize: c.mailSize, Mailer: MAILER },
                          `${c.what}: MAIL of ${item.name}`);
            await mailViewer.close();
        }
        if (c.print) {
            const item = stills[stills.length - 1];
            const printViewer = await openViewer(item);
            await shows(printViewer, item, `${c.what}: the viewer for PRINT`);
            const sent = await handOver(printViewer, () => printViewer.click('img[alt="PRINT"]'));
            checkHandOver(sent, 'lumbrel-print', { ImageFile: item.name, ImagePath: item.folder }, `${c.what}: PRINT of ${item.name}`);
            await printViewer.close();
            // The title menu's PRINT starts the print program on the album.
            const title = await frameOf(page, 'Title');
            const album = await handOver(page, () => title.click('a[href="javascript:k_print()"]'));
            checkHandOver(album, 'lumbrel-print', { ImagePath: library }, `${c.what}: the title menu's PRINT`);
        }
        await page.close();
    }

    // Waits until the viewer shows item's picture, loaded, 480 pixels high.
    async function shows(viewer, item, what) {
        try {
            await viewer.waitForFunction((name) => {
                const img = document.images[0];
                return img && img.complete && img.naturalWidth > 0 &&
                    decodeURIComponent(img.src.replace(/^.*\//, '')) === name;
            }, item.name, { timeout: 5000 });
        } catch {
            const src = await viewer.evaluate(() => (document.images[0] ? document.images[0].src : 'no picture'));
            check(false, `${what} shows ${src}, not ${item.name}`);
            return;
        }
        const found = await viewer.evaluate(() => ({ src: document.images[0].src, height: document.images[0].height, title: document.title }));
        check(fileOf(found.src) === join(item.folder, item.name), `${what}: the picture is ${found.src}`);
        check(found.height === 480, `${what}: the picture is ${found.height} high`);
        check(found.title === item.name, `${what}: the window is titled ${found.title}`);
    }

    // Clicks the viewer's picture; checks the enlarged window it opens.
    async function openDisplay(viewer, item, what) {
        const screen = await viewer.evaluate(() => ({ width: window.screen.width, height: window.screen.height }));
        const display = await popup(context, () => viewer.click(`img[alt="${item.name}"]`));
        what = `${what}: the enlarged ${item.name}`;
        await display.waitForFunction(() => { const p = document.getElementById('picture'); return p.complete && p.naturalWidth > 0; },
                                      null, { timeout: 5000 });
        const found = await display.evaluate(() => {
            const p = document.getElementById('picture');
            return { title: document.title, src: p.src, width: p.width, height: p.height, naturalWidth: p.naturalWidth,
                     naturalHeight: p.naturalHeight, innerWidth, innerHeight };
        });
        check(found.title === 'IMAGE DISPLAY', `${what} is titled ${found.title}`);
        check(fileOf(found.src) === join(item.folder, item.name), `${what} shows ${found.src}`);
        check(found.innerWidth === screen.width - 20 && found.innerHeight === screen.height - 55,
              `${what}: its window is ${found.innerWidth} x ${found.innerHeight} on a ${screen.width} x ${screen.height} screen`);
        const fits = found.width <= found.innerWidth && found.height <= found.innerHeight &&
            (found.width >= found.innerWidth - 1 || found.height >= found.innerHeight - 1);
        const ratio = Math.abs(found.width / found.height - found.naturalWidth / found.naturalHeight);
        check(fits && ratio < 0.01, `${what} is ${found.width} x ${found.height} in ${found.innerWidth} x ${found.innerHeight}`);
        await checkResources(display, what, check);
        return display;
    }

    // A hand-over address: its scheme and exactly the expected properties.
    function checkHandOver(sent, scheme, properties, what) {
        if (!sent) { check(false, `${what}: no ${scheme}: address is loaded`); return; }
        check(sent.scheme === scheme, `${what}: the address is ${sent.scheme}:, not ${scheme}:`);
        const found = Object.fromEntries(sent.params.entries());
        check(JSON.stringify(found) === JSON.stringify(properties),
              `${what}: hands over ${JSON.stringify(found)}, expected ${JSON.stringify(properties)}`);
    }
});
