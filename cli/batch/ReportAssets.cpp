#include "batch/ReportAssets.h"

namespace vantrel::cli::batch {

const char* const kReportStyle = R"(
body { font-family: sans-serif; margin: 1em; color: #222; }
table { border-collapse: collapse; margin: 0.5em 0 1.5em; }
th, td { border: 1px solid #bbb; padding: 0.25em 0.6em; text-align: left; }
td.number { text-align: right; font-variant-numeric: tabular-nums; }
tr.failed td { background: #fbe3e3; }
table.sortable th { padding: 0; }
table.sortable th button { all: unset; box-sizing: border-box; display: block; width: 100%;
  padding: 0.25em 1.4em 0.25em 0.6em; cursor: pointer; font-weight: bold; position: relative; }
table.sortable th button:focus-visible { outline: 2px solid #2a5db0; outline-offset: -2px; }
table.sortable th button::after { position: absolute; right: 0.4em; color: #2a5db0; }
th[aria-sort="ascending"], th[aria-sort="descending"] { background: #e4ecf7; }
th[aria-sort="ascending"] button::after { content: "\25B2"; }
th[aria-sort="descending"] button::after { content: "\25BC"; }
.summary { display: flex; flex-wrap: wrap; gap: 0.6em; margin: 0.5em 0 1em; padding: 0; }
.summary div { border: 1px solid #bbb; border-radius: 4px; padding: 0.4em 0.9em; min-width: 7em; }
.summary dt { font-size: 0.85em; color: #555; }
.summary dd { margin: 0; font-size: 1.4em; font-weight: bold; font-variant-numeric: tabular-nums; }
.examinee { display: none; }
.examinee:target, .examinee.alone { display: block; }
body:has(.examinee:target) #class { display: none; }
.captures { display: flex; flex-wrap: wrap; }
figure { margin: 0.3em 0.5em 0.3em 0; }
figure img { width: 400px; height: 320px; image-rendering: pixelated; border: 1px solid #999; }
figcaption { font-size: 0.9em; max-width: 400px; }
.block { border-top: 1px solid #ccc; padding-top: 0.5em; margin-top: 1em; }
.block h3 { margin: 0.2em 0; font-size: 1.05em; }
.block p, .block ul { margin: 0.3em 0; }
code { background: #f3f3f3; padding: 0 0.2em; }
@media print {
  @page { margin: 12mm; }
  body { margin: 0; font-size: 9pt; }
  a { color: inherit; text-decoration: none; }
  .back { display: none; }
  /* The whole report: the class, then each examinee on a page of its own. With an examinee
     open, that examinee alone. */
  .examinee { display: block; break-before: page; }
  body:has(.examinee:target) .examinee:not(:target) { display: none; }
  h1 { font-size: 1.5em; margin: 0 0 0.3em; }
  h2 { font-size: 1.25em; margin: 0.2em 0; }
  table { margin: 0.3em 0 0.8em; }
  table.sortable th button::after { content: none; }
  th[aria-sort] { background: none; }
  .summary dd { font-size: 1.15em; }
  .block { break-inside: avoid; margin-top: 0.4em; padding-top: 0.2em; }
  figure { margin: 0.1em 0.4em 0.1em 0; }
  figure img { width: 125px; height: 100px; image-rendering: auto; }
  figcaption { font-size: 0.8em; max-width: 125px; }
}
)";

// Sorts a table by the chosen column, from the mouse or the keyboard (the headings are
// buttons): numbers by value (empty lowest), text by locale. aria-sort tells a screen reader.
const char* const kReportScript = R"(
document.querySelectorAll('table.sortable th').forEach((th, column) =>
    th.querySelector('button').addEventListener('click', () => {
  const table = th.closest('table');
  const body = table.tBodies[0];
  const direction = th.getAttribute('aria-sort') === 'ascending' ? 'descending' : 'ascending';
  table.querySelectorAll('th').forEach(h => h.setAttribute('aria-sort', 'none'));
  th.setAttribute('aria-sort', direction);
  const key = row => row.cells[column].dataset.sort ?? row.cells[column].textContent;
  const rows = Array.from(body.rows);
  const numeric = rows.every(row => key(row) === '' || !isNaN(Number(key(row))));
  const value = row => numeric ? (key(row) === '' ? -Infinity : Number(key(row))) : key(row);
  rows.sort((a, b) => {
    const x = value(a), y = value(b);
    const order = numeric ? (x < y ? -1 : x > y ? 1 : 0) : String(x).localeCompare(String(y));
    return direction === 'ascending' ? order : -order;
  });
  rows.forEach(row => body.appendChild(row));
}));
)";

}  // namespace vantrel::cli::batch
