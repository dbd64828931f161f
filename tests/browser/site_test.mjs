// The library web site as a browser shows it: builds a site with the fixture
// program, opens library.htm in headless Chromium, follows the calendar's
// link to March 2024 and checks that every link and picture of that month
// page reaches an existing file, that the pictures decode, and that titles
// show as they were typed.
//
//   node site_test.mjs SITE_FIXTURE

import { existsSync } from 'node:fs';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { browserTest } from './harness.mjs';

await browserTest('site_test', async ({ browser, site, check, fail }) => {
    const page = await browser.newPage();
    page.on('pageerror', (e) => fail(`script error: ${e.message}`));
    await page.goto(pathToFileURL(site).href);

    const calendar = page.frame({ name: 'calendar' });
    check(calendar !== null, 'library.htm has no calendar frame');
    await calendar.click('a[href="2024/mar.htm"]');
    const month = page.frame({ name: 'start' });
    await month.waitForURL(/\/HTML\/2024\/mar\.htm$/);
    await month.waitForLoadState('load');

    const found = await month.evaluate(() => ({
        links: [...document.querySelectorAll('a[href]')].map((a) => a.href),
        images: [...document.images].map((img) => ({ src: img.src, width: img.naturalWidth })),
        text: document.body.innerText,
    }));
    check(found.links.length === 4, `4 links expected (date and title of 2 rows), found ${found.links.length}`);
    check(found.images.length === 10, `10 sample cells expected, found ${found.images.length}`);
    for (const url of [...found.links, ...found.images.map((i) => i.src)]) {
        check(url.startsWith('file://') && existsSync(fileURLToPath(url)), `does not resolve: ${url}`);
    }
    for (const img of found.images) check(img.width > 0, `picture does not decode: ${img.src}`);
    check(found.text.includes('Spring & kites'), 'the title "Spring & kites" is not shown as typed');

    // The row's link opens the library's own album.
    const album = found.links.find((u) => u.endsWith('/20240305/INDEX.HTM'));
    check(album !== undefined, 'no link to the album of 20240305');
});
