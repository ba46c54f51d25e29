#include "ReportStyle.h"

const char* const kReportStyle = R"css(
:root { --ink: #1d2733; --muted: #5b6776; --line: #d5dbe3; --paper: #ffffff; --page: #f3f5f8;
  --block: #3f74b8; --fail: #d33c2f; --short: #1f9a8a; --long: #e39a26; --noise: #9aa5b1; }
* { box-sizing: border-box; }
body { margin: 0; background: var(--page); color: var(--ink);
  font: 15px/1.45 system-ui, -apple-system, "Segoe UI", Roboto, "DejaVu Sans", sans-serif; }
main { max-width: 1080px; margin: 0 auto; padding: 16px; }
h1 { font-size: 1.5em; margin: 8px 0 2px; }
h2 { font-size: 1.15em; margin: 0 0 10px; }
.path { color: var(--muted); word-break: break-all; margin: 0 0 14px; }
section { background: var(--paper); border: 1px solid var(--line); border-radius: 8px;
  padding: 14px 16px; margin: 0 0 16px; }
dl.summary { display: grid; grid-template-columns: repeat(auto-fill, minmax(220px, 1fr));
  gap: 10px 20px; margin: 0; }
dl.summary div { min-width: 0; }
dl.summary dt { color: var(--muted); font-size: .85em; }
dl.summary dd { margin: 0; font-weight: 600; word-break: break-word; }
dd.bad { color: var(--fail); }
.scroll { overflow-x: auto; }
svg { display: block; width: 100%; height: auto; font-family: inherit; }
svg.map, svg.histogram { min-width: 680px; }
.legend { color: var(--muted); font-size: .85em; margin: 8px 0 0; }
.key { display: inline-block; width: 12px; height: 12px; border-radius: 2px; vertical-align: -1px;
  margin: 0 4px 0 12px; }
.key:first-child { margin-left: 0; }
.key.block { background: var(--block); } .key.fail { background: var(--fail); }
.key.short { background: var(--short); } .key.long { background: var(--long); }
.key.noise { background: var(--noise); }
table.blocks { border-collapse: collapse; width: 100%; font-variant-numeric: tabular-nums;
  font-size: .92em; }
table.blocks th, table.blocks td { padding: 5px 8px; border-bottom: 1px solid var(--line);
  text-align: left; white-space: nowrap; }
table.blocks th { color: var(--muted); font-weight: 600; }
table.blocks .num { text-align: right; }
table.blocks td.name { white-space: pre; font-family: ui-monospace, "DejaVu Sans Mono", monospace; }
table.blocks tr.failed td { background: #fdf0ee; }
.note { color: var(--muted); font-size: .9em; }
.track { fill: #eef1f5; }
.block { fill: var(--block); } .block.failed { fill: #5a86c2; } .block.many { fill: #8aa9d3; }
.lead { stroke: #aab4c0; stroke-width: 1; }
.label { font-size: 11px; fill: var(--ink); }
.fail { stroke: var(--fail); stroke-width: 2; }
.failline { stroke: var(--fail); stroke-width: 1; opacity: .7; }
.axis { stroke: #7b8794; stroke-width: 1; }
.grid { stroke: #e6eaef; stroke-width: 1; }
.tick { font-size: 11px; fill: var(--muted); }
.axistitle { font-size: 12px; fill: var(--muted); }
.band.short { fill: var(--short); opacity: .08; } .band.long { fill: var(--long); opacity: .1; }
.bar.noise { fill: var(--noise); } .bar.short { fill: var(--short); }
.bar.long { fill: var(--long); } .bar.toolong { fill: var(--fail); }
.bound { stroke: var(--ink); stroke-width: 1; stroke-dasharray: 4 3; }
.boundlabel { font-size: 11px; fill: var(--ink); }
.snapshots { display: grid; grid-template-columns: repeat(auto-fill, minmax(300px, 1fr));
  gap: 12px; }
figure { margin: 0; border: 1px solid var(--line); border-radius: 6px; padding: 6px; }
figcaption { font-size: .85em; color: var(--muted); margin: 0 0 4px; }
.plotarea { fill: #fafbfc; }
.midpoint { stroke: #aab4c0; stroke-width: 1; stroke-dasharray: 3 3; }
.trace { fill: none; stroke: var(--block); stroke-width: 1.2; stroke-linejoin: round; }
.mark { stroke-width: 2; } .mark.short { stroke: var(--short); } .mark.long { stroke: var(--long); }
.mark.toolong { stroke: var(--fail); }
.letter { font-size: 9px; font-weight: 600; } .letter.short { fill: var(--short); }
.letter.long { fill: #b87400; } .letter.toolong { fill: var(--fail); }
.failure { stroke: var(--fail); stroke-width: 1.5; stroke-dasharray: 5 3; }
.failtext { fill: var(--fail); }
svg.strip { min-width: 680px; }
figure.strip { border: none; padding: 0; margin: 10px 0 0; }
.take.t0 { fill: var(--block); } .take.t1 { fill: var(--long); } .take.t2 { fill: var(--short); }
.take.t3 { fill: #8e5bb8; } .take.t4 { fill: #6b7f2a; } .take.t5 { fill: #c2568a; }
.key.t0 { background: var(--block); } .key.t1 { background: var(--long); }
.key.t2 { background: var(--short); } .key.t3 { background: #8e5bb8; }
.key.t4 { background: #6b7f2a; } .key.t5 { background: #c2568a; }
.key.disagree { background: var(--ink); }
.disagree { stroke: var(--ink); stroke-width: 2; }
.missing { stroke: var(--fail); stroke-width: 2; }
footer { color: var(--muted); font-size: .8em; text-align: center; margin: 8px 0 20px; }
@media (max-width: 600px) { main { padding: 8px; } section { padding: 10px; } }
@media print {
  body { background: #fff; font-size: 11pt; }
  main { max-width: none; padding: 0; }
  section { border: none; padding: 0; margin: 0 0 14pt; break-inside: avoid; }
  .scroll { overflow: visible; }
  svg.map, svg.histogram, svg.strip { min-width: 0; }
  table.blocks tr { break-inside: avoid; }
}
)css";
