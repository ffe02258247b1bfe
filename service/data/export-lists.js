// Writes the classification lists of the installed data packages as plain text files, one entry
// per line and lower case, so that the service reads them without a JSON or JavaScript parser.
'use strict';
const fs = require('fs');
const path = require('path');

const [modules, out] = process.argv.slice(2);
if (!modules || !out) {
    console.error('usage: export-lists.js NODE_MODULES_DIR OUTPUT_DIR');
    process.exit(2);
}

function readJson(pkg, file) {
    return JSON.parse(fs.readFileSync(path.join(modules, pkg, file), 'utf8'));
}

function write(name, entries) {
    const lines = [...new Set(entries.map((e) => String(e).trim().toLowerCase()).filter(Boolean))];
    if (lines.length === 0) {
        throw new Error(`${name}: the data package yielded no entries`);
    }
    fs.writeFileSync(path.join(out, name), lines.join('\n') + '\n');
}

fs.mkdirSync(out, {recursive: true});
write('disposable.txt', readJson('disposable-email-domains', 'index.json'));
write('disposable-wildcard.txt', readJson('disposable-email-domains', 'wildcard.json'));
write('free.txt', readJson('free-email-domains', 'domains.json'));
write('role.txt', require(path.resolve(modules, 'role-based-email-addresses')));
// Most used providers first: the typo suggestion prefers the earlier of two equally close names.
write('providers-common.txt', readJson('email-providers', 'common.json'));
