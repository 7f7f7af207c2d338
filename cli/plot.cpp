// railfmt plot: state fields of a formatted file over the time of day, as a
// self-contained SVG line chart with axes, grid and legend.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "checks.h"
#include "codes/outfile.h"
#include "commands.h"
#include "fmtfile.h"

namespace railfmt::cli {
namespace {

std::string Esc(const std::string& s) {
  std::string o;
  for (char c : s) {
    switch (c) {
      case '<': o += "&lt;"; break;
      case '>': o += "&gt;"; break;
      case '&': o += "&amp;"; break;
      case '"': o += "&quot;"; break;
      default: o += c;
    }
  }
  return o;
}

// A "nice" step (1, 2 or 5 times a power of ten) giving about n ticks.
double NiceStep(double range, int n) {
  double raw = range / std::max(1, n);
  double p = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0, 10.0})
    if (raw <= m * p) return m * p;
  return 10 * p;
}

// Time steps in seconds that read well on a clock axis.
int TimeStep(int range, int n) {
  static const int kSteps[] = {10, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 10800, 21600, 43200};
  for (int s : kSteps)
    if (range / s <= n) return s;
  return 86400;
}

std::string Clock(long t) {
  t = ((t % 86400) + 86400) % 86400;
  char b[16];
  if (t % 60) std::snprintf(b, sizeof b, "%02ld:%02ld:%02ld", t / 3600, t / 60 % 60, t % 60);
  else std::snprintf(b, sizeof b, "%02ld:%02ld", t / 3600, t / 60 % 60);
  return b;
}

std::string Num(double v) {
  char b[32];
  std::snprintf(b, sizeof b, "%.1f", v);
  return b;
}

bool CarriesRunningState(const FmtRecord& r) {
  static constexpr uint8_t kOther[] = {0x20, 0x21, 0x81, 0x91, 0xB0};  // text, supplementary, start-up
  for (uint8_t c : kOther)
    if (r.bytes[0] == c) return false;
  return (r.mask & 0x0001) != 0;
}

}  // namespace

int CmdPlot(const PlotOptions& o) {
  std::vector<std::string> names;
  {
    std::stringstream ss(o.fields);
    std::string f;
    while (std::getline(ss, f, ','))
      if (!f.empty()) names.push_back(f);
  }
  if (names.empty()) {
    Error("--fields: name at least one field (Val5..Val23)");
    return kExitUsage;
  }
  std::vector<std::size_t> cols;
  const auto& fields = StateFields();
  for (const auto& n : names) {
    auto it = std::find_if(fields.begin(), fields.end(), [&](const FieldInfo& f) { return n == f.name; });
    if (it == fields.end()) {
      Error("--fields: unknown field '" + n + "' (use Val5, Val8, Val10, Val12 .. Val17, Val19, Val21, Val23)");
      return kExitUsage;
    }
    cols.push_back(static_cast<std::size_t>(it - fields.begin()));
  }
  FmtFile file;
  if (!LoadFmtFile(o.file, file)) return kExitFailed;
  if (std::string problem = OutputFileProblem(o.output); !problem.empty()) {
    Error(problem);
    return kExitFailed;
  }

  // Records that carry a time (presence bit 0) carry the running state,
  // except the start-up, text and supplementary records, whose bytes 2..4
  // and 24..25 hold other values. A time that goes back by more than 12
  // hours has passed midnight.
  std::vector<long> xs;
  std::vector<std::vector<long>> ys(cols.size());
  long dayOffset = 0, last = -1;
  for (const auto& r : file.records) {
    if (!CarriesRunningState(r) || r.hours > 23 || r.minutes > 59 || r.seconds > 59) continue;
    long t = r.timeOfDay() + dayOffset;
    if (last >= 0 && t < last - 43200) {
      dayOffset += 86400;
      t += 86400;
    }
    last = t;
    xs.push_back(t);
    for (std::size_t k = 0; k < cols.size(); ++k) ys[k].push_back(r.values[cols[k]]);
  }
  if (xs.empty()) {
    Error(o.file + ": no timed records to plot");
    return kExitFailed;
  }
  long x0 = *std::min_element(xs.begin(), xs.end()), x1 = *std::max_element(xs.begin(), xs.end());
  if (x1 == x0) x1 = x0 + 60;
  long ymaxv = 0, yminv = 0;
  for (const auto& y : ys)
    for (long v : y) ymaxv = std::max(ymaxv, v), yminv = std::min(yminv, v);
  double ystep = NiceStep(std::max<double>(1, ymaxv - yminv), 6);
  double y0 = std::floor(yminv / ystep) * ystep, y1 = std::ceil(ymaxv / ystep) * ystep;
  if (y1 <= y0) y1 = y0 + ystep;

  const int W = o.width, H = o.height;
  const double L = 70, R = 150, T = 40, B = 50;
  auto px = [&](double t) { return L + (t - x0) / double(x1 - x0) * (W - L - R); };
  auto py = [&](double v) { return H - B - (v - y0) / (y1 - y0) * (H - T - B); };
  static const char* kColours[] = {"#1f77b4", "#d62728", "#2ca02c", "#ff7f0e", "#9467bd", "#8c564b",
                                   "#e377c2", "#7f7f7f", "#bcbd22", "#17becf", "#393b79", "#637939"};

  std::ostringstream s;
  std::string title = o.title.empty() ? std::filesystem::path(o.file).filename().string() : o.title;
  s << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << W << "\" height=\"" << H << "\" viewBox=\"0 0 " << W
    << " " << H << "\" font-family=\"sans-serif\" font-size=\"12\">\n"
    << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
    << "<text x=\"" << W / 2 << "\" y=\"22\" text-anchor=\"middle\" font-size=\"15\">" << Esc(title) << "</text>\n";
  // grid and y axis labels
  s << "<g stroke=\"#dddddd\" stroke-width=\"1\">\n";
  for (double v = y0; v <= y1 + ystep / 2; v += ystep)
    s << "<line x1=\"" << L << "\" y1=\"" << Num(py(v)) << "\" x2=\"" << W - R << "\" y2=\"" << Num(py(v)) << "\"/>\n";
  int tstep = TimeStep(static_cast<int>(x1 - x0), 10);
  long tfirst = (x0 + tstep - 1) / tstep * tstep;
  for (long t = tfirst; t <= x1; t += tstep)
    s << "<line x1=\"" << Num(px(t)) << "\" y1=\"" << T << "\" x2=\"" << Num(px(t)) << "\" y2=\"" << H - B << "\"/>\n";
  s << "</g>\n<g fill=\"#333333\">\n";
  for (double v = y0; v <= y1 + ystep / 2; v += ystep)
  {
    char lab[32];
    std::snprintf(lab, sizeof lab, ystep >= 1 ? "%.0f" : "%g", v);
    s << "<text x=\"" << L - 6 << "\" y=\"" << Num(py(v) + 4) << "\" text-anchor=\"end\">" << lab << "</text>\n";
  }
  for (long t = tfirst; t <= x1; t += tstep)
    s << "<text x=\"" << Num(px(t)) << "\" y=\"" << H - B + 18 << "\" text-anchor=\"middle\">" << Clock(t) << "</text>\n";
  s << "<text x=\"" << (L + W - R) / 2 << "\" y=\"" << H - 10 << "\" text-anchor=\"middle\">time of day</text>\n"
    << "</g>\n";
  // axes
  s << "<g stroke=\"black\" stroke-width=\"1.2\">\n"
    << "<line x1=\"" << L << "\" y1=\"" << H - B << "\" x2=\"" << W - R << "\" y2=\"" << H - B << "\"/>\n"
    << "<line x1=\"" << L << "\" y1=\"" << T << "\" x2=\"" << L << "\" y2=\"" << H - B << "\"/>\n"
    << "</g>\n";
  // one stepped line per field: a value holds until the next record
  for (std::size_t k = 0; k < cols.size(); ++k) {
    const char* colour = kColours[k % (sizeof kColours / sizeof *kColours)];
    s << "<polyline fill=\"none\" stroke=\"" << colour << "\" stroke-width=\"1.6\" points=\"";
    for (std::size_t i = 0; i < xs.size(); ++i) {
      if (i) s << Num(px(xs[i])) << "," << Num(py(ys[k][i - 1])) << " ";
      s << Num(px(xs[i])) << "," << Num(py(ys[k][i])) << " ";
    }
    s << "\"><title>" << names[k] << "</title></polyline>\n";
  }
  // legend
  s << "<g>\n<rect x=\"" << W - R + 12 << "\" y=\"" << T << "\" width=\"" << R - 20 << "\" height=\""
    << 12 + 20 * cols.size() << "\" fill=\"white\" stroke=\"#999999\"/>\n";
  for (std::size_t k = 0; k < cols.size(); ++k) {
    const char* colour = kColours[k % (sizeof kColours / sizeof *kColours)];
    double y = T + 16 + 20.0 * k;
    s << "<line x1=\"" << W - R + 20 << "\" y1=\"" << Num(y) << "\" x2=\"" << W - R + 44 << "\" y2=\"" << Num(y)
      << "\" stroke=\"" << colour << "\" stroke-width=\"3\"/>\n"
      << "<text x=\"" << W - R + 50 << "\" y=\"" << Num(y + 4) << "\">" << names[k] << "</text>\n";
  }
  s << "</g>\n</svg>\n";

  // written whole or not at all: no partial chart is left behind
  if (!WriteOutput(o.output, s.str())) return kExitFailed;
  std::printf("%s: %zu points of %s\n", o.output.c_str(), xs.size(), o.fields.c_str());
  return kExitOk;
}

}  // namespace railfmt::cli
