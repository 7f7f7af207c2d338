// railfmt view: one self-contained HTML page of a formatted file: chosen
// state fields over the time of day as zoomable lines (the overview is
// min/max-decimated, zoomed ranges are drawn in full), event records as
// markers, and a record table filtered by code and time range. The charting
// library is embedded into the tool at build time, so the page needs no
// network.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <sstream>

#include "codes/codes.h"
#include "codes/outfile.h"
#include "commands.h"
#include "encoding.h"
#include "fmtfile.h"
#include "view/view.h"

namespace railfmt::cli {
namespace {

#ifdef RAILFMT_HAVE_CHARTJS
const char kChartJsBytes[] = {
#include "chartjs.inc"
};
const char* kChartJs = kChartJsBytes;
#else
const char* kChartJs = nullptr;
#endif

const char* kStyle = R"railfmt_css(
body{font:13px system-ui,sans-serif;margin:0;color:#222}
header{padding:8px 12px;background:#f3f3f3;border-bottom:1px solid #ccc;display:flex;gap:10px;align-items:center;flex-wrap:wrap}
header small{color:#666}
#wrap{position:relative;height:440px;margin:8px 12px;user-select:none}
#sel{position:absolute;top:0;bottom:0;background:rgba(31,119,180,.15);border:1px solid #1f77b4;display:none;pointer-events:none}
section{margin:8px 12px}
section label{margin-right:10px}
input{width:90px}
#tbl{border-collapse:collapse;margin-top:6px;font:12px ui-monospace,monospace}
#tbl td,#tbl th{border-bottom:1px solid #e4e4e4;padding:2px 8px;text-align:right;white-space:nowrap}
#tbl td.l,#tbl th.l{text-align:left}
#tbl tr:hover{background:#eef5fb;cursor:pointer}
)railfmt_css";

const char* kScript = R"railfmt_view(
'use strict';
const report = {records: 0, series: 0, points: 0, events: 0, errors: []};
window.addEventListener('error', e => { report.errors.push(String(e.message)); showReport(); });
function showReport() { document.getElementById('report').textContent = JSON.stringify(report); }
const D = JSON.parse(document.getElementById('data').textContent);
const N = D.code.length;
report.records = N;
const hex = c => c.toString(16).toUpperCase().padStart(4, '0');
const two = x => String(x).padStart(2, '0');
function clock(s) {
  s = Math.round(s);
  const d = Math.floor(s / 86400), r = s - d * 86400;
  return (d ? '+' + d + 'd ' : '') + two(Math.floor(r / 3600)) + ':' + two(Math.floor(r / 60) % 60) + ':' + two(r % 60);
}
function parseClock(text) {
  const p = text.trim().split(':').map(Number);
  if (!text.trim() || p.some(isNaN)) return null;
  while (p.length < 3) p.push(0);
  return p[0] * 3600 + p[1] * 60 + p[2];
}
// state points (time and fields) and event markers, each in time order
const sIdx = [], eIdx = [];
for (let i = 0; i < N; i++) if (D.t[i] >= 0) { if (D.state[i]) sIdx.push(i); if (D.event[i]) eIdx.push(i); }
const xs = Float64Array.from(sIdx, i => D.t[i]);
const ex = Float64Array.from(eIdx, i => D.t[i]);
const all = xs.length ? [Math.min(xs[0], ex.length ? ex[0] : xs[0]), Math.max(xs[xs.length - 1], ex.length ? ex[ex.length - 1] : 0)]
                      : ex.length ? [ex[0], ex[ex.length - 1]] : [0, 1];
if (all[1] <= all[0]) all[1] = all[0] + 1;
let lo = all[0], hi = all[1];
function lower(a, v) { let l = 0, h = a.length; while (l < h) { const m = (l + h) >> 1; if (a[m] < v) l = m + 1; else h = m; } return l; }
const BUCKETS = 1200;
// min/max per time bucket over the visible range; every point when few
function series(k) {
  const v = D.values[k], out = [];
  const a = Math.max(0, lower(xs, lo) - 1), b = Math.min(xs.length, lower(xs, hi) + 1);
  if (b - a <= 2 * BUCKETS) { for (let j = a; j < b; j++) out.push({x: xs[j], y: v[sIdx[j]]}); return out; }
  const w = (hi - lo) / BUCKETS;
  let j = a;
  for (let q = 0; q < BUCKETS && j < b; q++) {
    const end = q === BUCKETS - 1 ? b : Math.max(j + 1, lower(xs, lo + (q + 1) * w));
    let mn = j, mx = j;
    for (let m = j; m < end && m < b; m++) { const y = v[sIdx[m]]; if (y < v[sIdx[mn]]) mn = m; if (y > v[sIdx[mx]]) mx = m; }
    for (const m of mn <= mx ? [mn, mx] : [mx, mn]) out.push({x: xs[m], y: v[sIdx[m]]});
    j = end;
  }
  return out;
}
function markers() {
  const a = lower(ex, lo), b = lower(ex, hi + 1e-9), step = Math.max(1, Math.ceil((b - a) / 400)), out = [];
  for (let j = a; j < b; j += step) out.push({x: ex[j], y: 0.96, i: eIdx[j]});
  return out;
}
const colours = ['#1f77b4', '#ff7f0e', '#2ca02c', '#9467bd', '#8c564b', '#e377c2', '#17becf', '#7f7f7f'];
const datasets = D.fields.map((f, k) => ({label: f, data: [], yAxisID: 'y', borderColor: colours[k % colours.length],
  backgroundColor: colours[k % colours.length], borderWidth: 1.3, pointRadius: 0, stepped: true}));
datasets.push({type: 'scatter', label: 'events', data: [], yAxisID: 'ev', pointStyle: 'triangle', pointRadius: 4,
  backgroundColor: '#d62728', borderColor: '#d62728'});
const chart = new Chart(document.getElementById('chart'), {
  type: 'line', data: {datasets},
  options: {animation: false, parsing: false, normalized: true, responsive: true, maintainAspectRatio: false,
    interaction: {mode: 'nearest', intersect: false},
    scales: {x: {type: 'linear', min: lo, max: hi, ticks: {callback: v => clock(v), maxRotation: 0}},
             y: {beginAtZero: true, title: {display: true, text: D.fields.join(', ')}},
             ev: {axis: 'y', type: 'linear', position: 'right', display: false, min: 0, max: 1}},
    plugins: {tooltip: {callbacks: {
      title: items => items.length ? clock(items[0].raw.x) : '',
      label: c => c.dataset.label === 'events'
        ? hex(D.code[c.raw.i]) + ' ' + clock(D.t[c.raw.i]) + (D.text[c.raw.i] ? ' ' + D.text[c.raw.i] : '')
        : c.dataset.label + ': ' + c.raw.y}}}}});
function render() {
  lo = Math.max(all[0], lo); hi = Math.min(all[1], hi);
  if (hi - lo < 2) { const m = (lo + hi) / 2; lo = m - 1; hi = m + 1; }
  let points = 0;
  D.fields.forEach((f, k) => { datasets[k].data = series(k); points += datasets[k].data.length; });
  datasets[D.fields.length].data = markers();
  chart.options.scales.x.min = lo; chart.options.scales.x.max = hi;
  chart.update('none');
  // what the chart drew: elements Chart.js placed and did not skip
  const drawn = k => chart.getDatasetMeta(k).data.filter(p => !p.skip && isFinite(p.x) && isFinite(p.y)).length;
  report.series = D.fields.filter((f, k) => drawn(k) > 0).length;
  report.points = points;
  report.events = drawn(D.fields.length);
  document.getElementById('range').textContent = clock(lo) + ' .. ' + clock(hi);
  showReport();
}
// wheel: zoom around the pointer; drag: zoom into a range; shift+drag: pan
const canvas = document.getElementById('chart'), sel = document.getElementById('sel');
canvas.addEventListener('wheel', e => {
  e.preventDefault();
  const x = chart.scales.x.getValueForPixel(e.offsetX), f = e.deltaY < 0 ? 0.75 : 1 / 0.75;
  lo = x - (x - lo) * f; hi = x + (hi - x) * f; render();
}, {passive: false});
let drag = null;
canvas.addEventListener('mousedown', e => { drag = {x: e.offsetX, lo, hi, pan: e.shiftKey}; });
window.addEventListener('mousemove', e => {
  if (!drag) return;
  const px = e.clientX - canvas.getBoundingClientRect().left;
  if (drag.pan) {
    const s = chart.scales.x, d = s.getValueForPixel(drag.x) - s.getValueForPixel(px), w = drag.hi - drag.lo;
    lo = Math.max(all[0], Math.min(all[1] - w, drag.lo + d)); hi = lo + w; render();
  } else {
    sel.style.display = 'block'; sel.style.left = Math.min(drag.x, px) + 'px'; sel.style.width = Math.abs(px - drag.x) + 'px';
  }
});
window.addEventListener('mouseup', e => {
  if (!drag) return;
  const px = e.clientX - canvas.getBoundingClientRect().left;
  if (!drag.pan && Math.abs(px - drag.x) > 4) {
    const a = chart.scales.x.getValueForPixel(Math.min(drag.x, px)), b = chart.scales.x.getValueForPixel(Math.max(drag.x, px));
    lo = a; hi = b; render();
  }
  sel.style.display = 'none'; drag = null;
});
document.getElementById('reset').onclick = () => { lo = all[0]; hi = all[1]; render(); };
document.getElementById('left').onclick = () => { const w = hi - lo; lo = Math.max(all[0], lo - w / 2); hi = lo + w; render(); };
document.getElementById('right').onclick = () => { const w = hi - lo; hi = Math.min(all[1], hi + w / 2); lo = hi - w; render(); };
// the record table, filtered by code (prefix) and time range
const LIMIT = 500;
function table() {
  const code = document.getElementById('fcode').value.trim().toUpperCase();
  const from = parseClock(document.getElementById('ffrom').value), to = parseClock(document.getElementById('fto').value);
  const rows = [];
  let n = 0;
  for (let i = 0; i < N; i++) {
    if (code && !hex(D.code[i]).startsWith(code)) continue;
    const t = D.t[i], tod = t >= 0 ? t % 86400 : -1;
    if ((from !== null || to !== null) && tod < 0) continue;
    if (from !== null && tod < from) continue;
    if (to !== null && tod > to) continue;
    if (n++ < LIMIT) rows.push(i);
  }
  const esc = s => s.replace(/[&<>]/g, c => ({'&': '&amp;', '<': '&lt;', '>': '&gt;'}[c]));
  document.querySelector('#tbl tbody').innerHTML = rows.map(i =>
    '<tr data-i="' + i + '"><td>' + i + '</td><td class="l">' + hex(D.code[i]) + '</td><td>' + (D.t[i] >= 0 ? clock(D.t[i]) : '') +
    '</td>' + D.fields.map((f, k) => '<td>' + D.values[k][i] + '</td>').join('') + '<td class="l">' + D.kind[D.kinds[i]] +
    '</td><td class="l">' + esc(D.text[i] || '') + '</td></tr>').join('');
  document.getElementById('count').textContent = n + ' records' + (n > LIMIT ? ' (first ' + LIMIT + ' shown)' : '');
}
document.querySelector('#tbl thead').innerHTML = '<tr><th>#</th><th class="l">code</th><th>time</th>' +
  D.fields.map(f => '<th>' + f + '</th>').join('') + '<th class="l">kind</th><th class="l">text</th></tr>';
for (const id of ['fcode', 'ffrom', 'fto']) document.getElementById(id).addEventListener('input', table);
document.querySelector('#tbl tbody').addEventListener('click', e => {
  const tr = e.target.closest('tr'); if (!tr) return;
  const t = D.t[Number(tr.dataset.i)]; if (t < 0) return;
  lo = t - 120; hi = t + 120; render();
});
document.getElementById('summary').textContent = N + ' records, ' + sIdx.length + ' with state fields, ' + eIdx.length + ' events';
let t0 = performance.now();
render();
report.overviewMs = Math.round(performance.now() - t0);
table();
// #selftest: zoom into ten minutes in the middle (every record drawn), then back
if (location.hash === '#selftest') {
  const mid = (all[0] + all[1]) / 2;
  lo = mid - 300; hi = mid + 300;
  t0 = performance.now();
  render();
  report.zoomMs = Math.round(performance.now() - t0);
  report.zoomPoints = report.points;
  report.zoomInRange = sIdx.filter(i => D.t[i] >= lo && D.t[i] <= hi).length;
  document.getElementById('reset').click();
  report.resetPoints = report.points;
  showReport();
}
)railfmt_view";

// Seconds since the run's first midnight for the records that carry a time
// of day (-1 for the others): a drop of more than twelve hours between two
// times is a midnight passed.
std::vector<long> RunTimes(const FmtFile& f, const std::vector<const RecordInfo*>& info) {
  std::vector<long> t(f.records.size(), -1);
  long days = 0, last = -1;
  bool continuation = false;
  for (std::size_t i = 0; i < f.records.size(); ++i) {
    const FmtRecord& r = f.records[i];
    const RecordInfo* k = info[i];
    // the second record of a unit holds data where the time would be
    if (continuation) {
      continuation = false;
      continue;
    }
    continuation = k && k->continued;
    const bool timed = !k || k->time || k->kind == "running-state record" || k->kind == "unit of two records" ||
                       k->kind == "header record" || k->kind == "text record" || k->kind == "start-up record";
    if (!timed || r.hours > 23 || r.minutes > 59 || r.seconds > 59) continue;
    const long s = r.timeOfDay();
    if (last >= 0 && s < last - 12 * 3600) ++days;
    last = s;
    t[i] = s + days * 86400;
  }
  return t;
}

// An event marker: a code of --events (hexadecimal prefixes), or without
// them a record that carries text or whose code makes up at most a tenth of
// the records after start-up.
bool IsEvent(const FmtRecord& r, const std::map<unsigned, std::size_t>& counts, std::size_t total,
             const std::vector<std::string>& events) {
  if (!events.empty()) {
    const std::string hex = CodeHex(r.code);
    for (const auto& e : events)
      if (hex.compare(0, e.size(), e) == 0) return true;
    return false;
  }
  if (!r.text.empty()) return true;
  auto it = counts.find(r.code);
  return it != counts.end() && it->second * 10 <= total;
}

std::string Html(const std::string& s) {
  std::string o;
  for (char c : s) o += c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '&' ? "&amp;" : c == '"' ? "&quot;" : std::string(1, c);
  return o;
}

}  // namespace

int CmdView(const ViewOptions& o) {
  if (!kChartJs) {
    Error("view: this railfmt was built without the charting library (Debian package libjs-chart.js); "
          "install it and rebuild");
    return kExitFailed;
  }
  std::vector<std::string> names;
  std::vector<int> cols;
  {
    std::stringstream ss(o.fields);
    std::string f;
    const auto& all = StateFields();
    while (std::getline(ss, f, ',')) {
      if (f.empty()) continue;
      int k = -1;
      for (std::size_t j = 0; j < all.size(); ++j)
        if (f == all[j].name) k = static_cast<int>(j);
      if (k < 0) {
        Error("--fields: unknown field '" + f + "' (state fields are Val5, Val8, Val10, Val12 .. Val23)");
        return kExitUsage;
      }
      names.push_back(f);
      cols.push_back(k);
    }
    if (names.empty()) {
      Error("--fields: give at least one state field");
      return kExitUsage;
    }
  }
  FmtFile file;
  if (!LoadFmtFile(o.file, file)) return kExitFailed;
  const std::size_t n = file.records.size();
  std::vector<const RecordInfo*> info(n);
  std::size_t startupEnd = 0;
  while (startupEnd < n && FindRecord(file.records[startupEnd].code, true)) ++startupEnd;
  const bool earlier = n > 0 && EarlierStartup(file.records[0].code);
  for (std::size_t i = 0; i < n; ++i) info[i] = FindRecord(file.records[i].code, i < startupEnd, earlier);
  const std::vector<long> t = RunTimes(file, info);

  // how often each code occurs after start-up: the dense codes are the
  // state over time, the rarer ones the events of the run
  std::map<unsigned, std::size_t> counts;
  for (std::size_t i = startupEnd; i < n; ++i) ++counts[file.records[i].code];
  std::vector<std::string> events;
  {
    std::stringstream ss(o.events);
    std::string c;
    while (std::getline(ss, c, ',')) {
      for (auto& ch : c) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
      if (c.empty()) continue;
      if (c.size() > 4 || c.find_first_not_of("0123456789ABCDEF") != std::string::npos) {
        Error("--events: '" + c + "' is not a record code or code prefix in hexadecimal (e.g. 8709 or 87)");
        return kExitUsage;
      }
      events.push_back(c);
    }
  }

  nlohmann::json d;
  d["file"] = o.file;
  d["fields"] = names;
  std::vector<std::string> kindNames = {""};
  std::vector<int> code(n), kinds(n), state(n), event(n);
  std::vector<std::vector<long>> values(cols.size(), std::vector<long>(n));
  nlohmann::json text = nlohmann::json::object();
  for (std::size_t i = 0; i < n; ++i) {
    const FmtRecord& r = file.records[i];
    code[i] = static_cast<int>(r.code);
    const std::string kind = info[i] ? info[i]->kind : "";
    auto it = std::find(kindNames.begin(), kindNames.end(), kind);
    kinds[i] = static_cast<int>(it - kindNames.begin());
    if (it == kindNames.end()) kindNames.push_back(kind);
    state[i] = !info[i] || kind == "running-state record" || kind == "unit of two records";
    event[i] = i >= startupEnd && kind != "supplementary record" && IsEvent(r, counts, n - startupEnd, events);
    for (std::size_t k = 0; k < cols.size(); ++k) values[k][i] = r.values[cols[k]];
    if (!r.text.empty()) text[std::to_string(i)] = GbkToUtf8(r.text);
  }
  d["t"] = t;
  d["code"] = code;
  d["kind"] = kindNames;
  d["kinds"] = kinds;
  d["state"] = state;
  d["event"] = event;
  d["values"] = values;
  d["text"] = text;
  std::string data = d.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  // inside <script>: no closing tag may appear in the data
  for (std::size_t p = 0; (p = data.find("</", p)) != std::string::npos; p += 3) data.replace(p, 2, "<\\/");

  const std::string title = o.title.empty() ? o.file : o.title;
  std::ostringstream h;
  h << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n<title>railfmt view: " << Html(title)
    << "</title>\n<style>" << kStyle << "</style>\n<script>" << kChartJs << "</script>\n</head><body>\n"
    << "<header><b>" << Html(title) << "</b><span id=\"summary\"></span><span id=\"range\"></span>"
    << "<button id=\"left\" title=\"pan left\">&#9664;</button><button id=\"right\" title=\"pan right\">&#9654;</button>"
    << "<button id=\"reset\">Reset zoom</button>"
    << "<small>wheel: zoom &middot; drag: zoom into a range &middot; shift+drag: pan &middot; click a row: go there</small></header>\n"
    << "<div id=\"wrap\"><canvas id=\"chart\"></canvas><div id=\"sel\"></div></div>\n"
    << "<section><label>Code <input id=\"fcode\" placeholder=\"8B01 or 81\"></label>"
    << "<label>From <input id=\"ffrom\" placeholder=\"08:00:00\"></label>"
    << "<label>To <input id=\"fto\" placeholder=\"09:30\"></label><span id=\"count\"></span>\n"
    << "<table id=\"tbl\"><thead></thead><tbody></tbody></table></section>\n"
    << "<pre id=\"report\" hidden></pre>\n"
    << "<script type=\"application/json\" id=\"data\">" << data << "</script>\n"
    << "<script>" << kScript << "</script>\n</body></html>\n";
  const std::string page = h.str();
  const std::string out = o.output.empty() ? o.file + ".html" : o.output;
  if (!WriteOutput(out, page)) return kExitFailed;
  char msg[256];
  std::snprintf(msg, sizeof msg, "%s: %zu records (%.1f MB) -> %s (%.1f MB)", o.file.c_str(), n,
                (52.0 + 26.0 * n) / 1e6, out.c_str(), page.size() / 1e6);
  std::printf("%s\n", msg);
  if (n > 500000)
    Note("a large run: the overview is decimated to about 2400 points per field; zoom in for every record");
  return kExitOk;
}

}  // namespace railfmt::cli
