// The library web site as a browser shows it: builds a site with the fixture
// program, opens library.htm in headless Chromium, and follows every link of
// the calendar (years newest first, one link per month with libraries). On
// each month page every link and picture reaches an existing file and every
// picture decodes; each library has one row whose date and title open its
// album in a new window, with five sample cells; titles show as they were
// typed. A row's title link is clicked for a single-date library and for a
// folder-mode library, and the album opens at its first page. Any script
// error or console error fails the test. Screenshots go to /tmp/shots.
//
//   node site_test.mjs SITE_FIXTURE

import { pathToFileURL } from 'node:url';
import { browserTest, checkResources, fileOf, frameOf, popup, shot } from './harness.mjs';

// The fixture's libraries by month page, in row order (ascending keys).
const MONTHS = [
    { link: '2024/mar.htm', rows: [{ key: '20240305', title: 'Spring & kites', count: 7 }, { key: '20240312', title: 'Harbour', count: 3 }] },
    { link: '2024/apr.htm', rows: [{ key: '20240401_1', title: 'Coast trip', count: 6 }, { key: '20240402_1', title: 'Odds & ends', count: 5 }] },
    { link: '2023/jul.htm', rows: [{ key: '20230707', title: 'Summer <garden>', count: 5 }] },
    { link: '2023/aug.htm', rows: [{ key: '20230820', title: 'Night walk', count: 4 }] },
];
// Rows whose title link the test follows, and the body page each album opens with.
const OPENED = { '20240305': 'HTML/INDEX.HTM', '20240401_1': '101KDCAM/HTML/INDEX.HTM' };

await browserTest('site_test', async ({ site, album, check, newContext }) => {
    const context = await newContext();
    const page = await context.newPage();
    await page.goto(pathToFileURL(site).href);
    const calendar = await frameOf(page, 'calendar');
    await shot(page, 'site-library');

    // The calendar: the months with libraries, newest year first.
    const monthLinks = await calendar.evaluate(() => [...document.links].map((a) => a.getAttribute('href')));
    check(JSON.stringify(monthLinks) === JSON.stringify(MONTHS.map((m) => m.link)),
          `the calendar links ${JSON.stringify(monthLinks)}`);
    await checkResources(calendar, 'the calendar', check);

    for (const month of MONTHS) {
        await calendar.click(`a[href="${month.link}"]`);
        const start = page.frame({ name: 'start' });
        await start.waitForURL((url) => url.href.endsWith(`/HTML/${month.link}`));
        await start.waitForLoadState('load');
        const what = `month page ${month.link}`;
        check((await checkResources(start, what, check)).length === 0, `${what} has script links`);
        await shot(page, `site-${month.link.replace('/', '-').replace('.htm', '')}`);

        const found = await start.evaluate(() => ({
            rows: [...document.querySelectorAll('tr')].filter((r) => r.cells.length === 8).map((r) => ({
                links: [...r.querySelectorAll('a')].map((a) => ({ url: a.href, target: a.target, text: a.innerText })),
                count: r.cells[2].innerText,
                samples: [...r.querySelectorAll('img')].map((i) => i.src),
            })),
            images: document.images.length,
        }));
        check(found.rows.length === month.rows.length, `${what}: ${found.rows.length} rows, expected ${month.rows.length}`);
        check(found.images === 5 * month.rows.length, `${what}: ${found.images} sample cells, expected ${5 * month.rows.length}`);
        month.rows.forEach((expected, r) => {
            const row = found.rows[r];
            if (!row) return;
            const rowWhat = `${what}, row of ${expected.key}`;
            check(row.links.length === 2 && row.links.every((l) => fileOf(l.url) === album(expected.key) && l.target === '_blank'),
                  `${rowWhat}: the date and title link ${JSON.stringify(row.links)}`);
            check(row.links[1]?.text === expected.title, `${rowWhat}: the title shows as "${row.links[1]?.text}"`);
            check(row.count === `${expected.count} copies`, `${rowWhat}: the count reads "${row.count}"`);
            const thumbnails = row.samples.filter((s) => !s.endsWith('/HTML/dummy.gif'));
            check(thumbnails.length === Math.min(5, expected.count) &&
                  thumbnails.every((s) => s.includes(`/${expected.key}/`) && s.includes('/PREVIEW/')),
                  `${rowWhat}: the samples are ${JSON.stringify(row.samples)}`);
        });

        // The title link opens the album in a new window.
        for (const expected of month.rows.filter((r) => OPENED[r.key])) {
            const href = pathToFileURL(album(expected.key)).href;
            const albumPage = await popup(context, () => start.click(`a[href$="${expected.key}/INDEX.HTM"] >> nth=1`));
            check(albumPage.url() === href, `${what}: the title of ${expected.key} opens ${albumPage.url()}`);
            const body = await frameOf(albumPage, 'Body');
            const first = pathToFileURL(album(expected.key).replace(/INDEX\.HTM$/, OPENED[expected.key])).href;
            check(body.url() === first, `${what}: the album of ${expected.key} opens at ${body.url()}, not ${first}`);
            await albumPage.close();
        }
    }
});
