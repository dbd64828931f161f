// The album framesets of every template and of both library kinds as a
// browser shows them: for each album of the fixture, the four frames load;
// every link, picture and frame of each frame reaches an existing file and
// every picture decodes; the title menu offers the slide shows and the print
// link only where the template and settings say; every link of the folder and
// date menus opens its page in the body frame (the groups of a collection, the
// pages of all folders, the DATA pages only for templates 0 and 1), and each
// page opened there passes the same checks and shows its items; the body
// starts at the group met first in the image list. Templates 1 and 3 link the
// files themselves. Any script error or console error fails the test.
// Screenshots of each album go to /tmp/shots.
//
//   node album_pages_test.mjs SITE_FIXTURE

import { dirname, join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { browserTest, checkResources, fileOf, frameOf, nameOf, shot, showInBody } from './harness.mjs';

// What each album of the fixture holds. groups: in menu order, with the names
// of their items in list order; a single-date library has none.
const ALBUMS = [
    { key: '20240305', template: 0, print: true, items: ['P0.JPG', 'P1.JPG', 'P2.JPG', 'P3.JPG', 'P4.JPG', 'P5.JPG', 'P6.JPG'] },
    { key: '20240312', template: 1, print: true, items: ['P0.JPG', 'P1.JPG', 'M0.AVI'] },
    { key: '20230707', template: 2, print: false, items: ['P0.JPG', 'P1.JPG', 'M0.AVI', 'P2.JPG', 'P3.JPG'] },
    { key: '20230820', template: 3, print: true, items: ['P0.JPG', 'P1.JPG', 'P2.JPG', 'M0.AVI'] },
    {
        key: '20240401_1', template: 0, print: true, start: '101KDCAM',
        groups: [
            { folder: '100KDCAM', items: ['KDC_0001.JPG', 'KDC_0002.JPG'] },
            { folder: '101KDCAM', items: ['KDC_0101.JPG', 'KDC_0102.JPG', 'KDC_0103.AVI', 'KDC_0104.JPG'] },
        ],
    },
    {
        key: '20240402_1', template: 2, print: false, start: 'Trip #2',
        groups: [
            { folder: 'Clips', items: ['Clip 1.AVI'] },
            { folder: 'Sun & sea', items: ['Wave.JPG', 'Surf.AVI'] },
            { folder: 'Trip #2', items: ['Boat 1.JPG', 'Boat 2.JPG'] },
        ],
    },
];

const isMovie = (name) => /\.avi$/i.test(name);
const countText = (n, word) => `${n} ${word}${n === 1 ? '' : 's'}`;

await browserTest('album_pages_test', async ({ album, check, newContext }) => {
    const context = await newContext();
    const page = await context.newPage();

    for (const a of ALBUMS) {
        const what = `album ${a.key} (template ${a.template})`;
        const scripts = a.template === 0 || a.template === 2;
        const dataLinks = a.template === 0 || a.template === 1;
        const libraryUrl = pathToFileURL(album(a.key)).href.replace(/INDEX\.HTM$/, '');
        const allItems = a.groups ? a.groups.flatMap((g) => g.items) : a.items;
        await page.goto(pathToFileURL(album(a.key)).href);

        const frames = {};
        for (const name of ['Title', 'Folder', 'Date', 'Body']) frames[name] = await frameOf(page, name);
        const folderUrl = (folder) => folder === null ? `${libraryUrl}HTML/` : pathToFileURL(join(dirname(album(a.key)), folder, 'HTML')).href + '/';
        const startUrl = `${folderUrl(a.groups ? a.start : null)}INDEX.HTM`;
        check(frames.Body.url() === startUrl, `${what}: the body starts at ${frames.Body.url()}, not ${startUrl}`);
        await shot(page, `album-${a.key}-t${a.template}`);

        // The title menu: slide shows for the script templates, the print link
        // where it is offered and the script that runs it is there.
        const titleLinks = await checkResources(frames.Title, `${what} title menu`, check);
        const expectedTitle = scripts ? ['javascript:wpopen(0)', 'javascript:wpopen(1)', ...(a.print ? ['javascript:k_print()'] : [])] : [];
        check(JSON.stringify(titleLinks) === JSON.stringify(expectedTitle),
              `${what}: title menu links ${JSON.stringify(titleLinks)}, expected ${JSON.stringify(expectedTitle)}`);
        check(await frames.Title.evaluate(() => typeof window.wpopen) === (scripts ? 'function' : 'undefined'),
              `${what}: the title menu's script is ${scripts ? 'missing' : 'there though the template has none'}`);

        // The folder menu: one block per group (or one for the date) with the
        // count of its still images and its INDEX (and DATA) links.
        check((await checkResources(frames.Folder, `${what} folder menu`, check)).length === 0,
              `${what}: the folder menu has script links`);
        const blocks = await frames.Folder.evaluate(() =>
            [...document.querySelectorAll('table')].map((t) => ({
                text: t.rows[0].innerText.replace(/\s+/g, ' ').trim(),
                links: [...t.querySelectorAll('a')].map((l) => ({ label: l.innerText.trim(), url: l.href, target: l.target })),
            })));
        const groups = a.groups ?? [{ folder: null, items: a.items }];
        check(blocks.length === groups.length, `${what}: ${blocks.length} folder blocks, expected ${groups.length}`);
        for (let g = 0; g < Math.min(blocks.length, groups.length); ++g) {
            const group = groups[g];
            const stills = group.items.filter((n) => !isMovie(n)).length;
            const title = group.folder === null ? '' : group.folder.toUpperCase() + ' ';
            check(blocks[g].text.endsWith(countText(stills, 'image')) && blocks[g].text.startsWith(title),
                  `${what}: folder block ${g} reads "${blocks[g].text}"`);
            const base = folderUrl(group.folder);
            const expected = [{ label: 'INDEX', url: `${base}INDEX.HTM` }, ...(dataLinks ? [{ label: 'DATA', url: `${base}DATA.HTM` }] : [])];
            check(JSON.stringify(blocks[g].links.map(({ label, url }) => ({ label, url }))) === JSON.stringify(expected),
                  `${what}: folder block ${g} links ${JSON.stringify(blocks[g].links)}`);
            check(blocks[g].links.every((l) => l.target === 'Body'), `${what}: a folder link does not open in the body`);
            for (const link of blocks[g].links)
                await openInBody(link, `${what} ${link.label} of ${group.folder ?? 'the date'}`, group.items, scripts);
        }

        // The date menu: totals of all folders, and their pages.
        check((await checkResources(frames.Date, `${what} date menu`, check)).length === 0, `${what}: the date menu has script links`);
        const stills = allItems.filter((n) => !isMovie(n)).length;
        const totals = await frames.Date.evaluate(() => document.body.innerText.replace(/\s+/g, ' '));
        check(totals.includes(`${countText(stills, 'image')} ${countText(allItems.length - stills, 'movie')}`),
              `${what}: the date menu reads "${totals}"`);
        const dateLinks = await frames.Date.evaluate(() =>
            [...document.links].map((l) => ({ label: l.innerText.trim(), url: l.href, target: l.target })));
        check(JSON.stringify(dateLinks.map((l) => l.label)) === JSON.stringify(dataLinks ? ['INDEX', 'DATA'] : ['INDEX']),
              `${what}: date menu links ${JSON.stringify(dateLinks)}`);
        for (const link of dateLinks) {
            check(link.url === `${libraryUrl}HTML/${link.label}.HTM`, `${what}: date menu ${link.label} links ${link.url}`);
            await openInBody(link, `${what} ${link.label} of all folders`, allItems, scripts);
        }

        // Templates 1 and 3: a thumbnail opens its picture in the body.
        if (!scripts) {
            await frames.Date.click('a[href="INDEX.HTM"]');
            await frames.Body.waitForURL(`${libraryUrl}HTML/INDEX.HTM`);
            await frames.Body.click(`img[alt="${allItems[0]}"]`);
            await frames.Body.waitForURL(/\.JPG$/);
            check(nameOf(frames.Body.url()) === allItems[0], `${what}: the first thumbnail opens ${frames.Body.url()}`);
        }
    }

    // Clicks a menu link, waits for the body frame to show its page and checks
    // that page: its resources, and one link and picture per item in item
    // order (javascript: calls numbered in page order for the script
    // templates, the file itself for the others).
    async function openInBody(link, what, items, scripts) {
        const body = await showInBody(page, link.url);
        check(body.url() === link.url, `${what}: the body shows ${body.url()}, not ${link.url}`);
        await checkResources(body, what, check);
        const found = await body.evaluate(() => [...document.querySelectorAll('a[href]')].map((a) => {
            const img = a.querySelector('img');
            return { attr: a.getAttribute('href'), url: a.href, alt: img ? img.alt : '', preview: img ? img.src : '',
                     width: img ? img.width : 0, height: img ? img.height : 0 };
        }));
        check(found.length === items.length, `${what}: ${found.length} items, expected ${items.length}`);
        found.forEach((item, n) => {
            const name = items[n];
            check(item.alt === name, `${what}: item ${n} is ${item.alt}, expected ${name}`);
            check(item.preview.includes('/PREVIEW/') && nameOf(item.preview) === name.replace(/AVI$/i, 'JPG'),
                  `${what}: item ${n} shows ${item.preview}`);
            const side = link.label === 'DATA' ? 320 : 80;
            check(Math.max(item.width, item.height) === side, `${what}: item ${n} is ${item.width} x ${item.height}`);
            if (scripts) {
                const call = isMovie(name) ? new RegExp(`^javascript:avi_wopen\\(${n},[01],0\\)$`) : new RegExp(`^javascript:wopen\\(${n},0\\)$`);
                check(call.test(item.attr), `${what}: item ${n} links ${item.attr}`);
            } else {
                check(fileOf(item.url) !== null && nameOf(item.url) === name, `${what}: item ${n} links ${item.url}`);
            }
        });
        await shot(page, what.replace(/[^A-Za-z0-9_]+/g, '-'));
    }
});
