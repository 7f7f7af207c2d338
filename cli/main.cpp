// railfmt: command-line front end of the formatted-record converter.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>

#include "codes/codes.h"
#include "commands.h"
#include "view/view.h"

using namespace railfmt::cli;

namespace {
const char* kFooter =
    "Exit codes: 0 done; 1 the operation failed (see the message); 2 bad command line;\n"
    "3 reference tables or record codes rejected.";
}

int main(int argc, char** argv) {
  CLI::App app{"railfmt: converts raw locomotive event-recorder downloads into formatted record files"};
  app.footer(kFooter);
  app.require_subcommand(1);
  // --help shows each option's default value
  app.option_defaults()->always_capture_default();
  app.set_version_flag("--version", std::string("railfmt ") + RAILFMT_VERSION);

  std::vector<std::string> classifyFiles;
  auto* classify = app.add_subcommand("classify", "Print the file-type code and kind of each file");
  classify->add_option("FILE", classifyFiles, "Files to classify")->required();
  classify->footer(kFooter);

  ConvertOptions conv;
  auto* convert = app.add_subcommand("convert", "Convert one raw file into a formatted file");
  convert->add_option("SRC", conv.src, "Raw file")->required();
  convert->add_option("DST", conv.dst, "Formatted file (default: SRC with F appended)");
  convert->add_option("--tables", conv.tables, "Folder with the reference table CSV files");
  convert->add_option("--mask", conv.mask, "Formatted-record codes to leave out, hexadecimal (e.g. 8B06,0105)");
  convert->add_flag("--plain", conv.plain, "Single-file conversion without masking (no ring unrolling)");
  convert->footer(kFooter);

  ProcessOptions proc;
  auto* process = app.add_subcommand(
      "process", "Process one downloaded file through the folder workflow (convert into WORK/TEMP, archive the raw file)");
  process->add_option("NAME", proc.name, "File name inside the --from folder")->required();
  process->add_option("--from", proc.from, "Download folder holding the file")->required();
  process->add_option("--work", proc.work, "Work folder (the formatted file goes to WORK/TEMP)")->required();
  process->add_option("--archive", proc.archive, "Archive folder (raw files by type and date, or nouse)")->required();
  process->add_option("--option", proc.option, "Option byte for LKJ93 files (0..255)")->check(CLI::Range(0, 255));
  process->footer(kFooter);

  BatchOptions bat;
  auto* batch = app.add_subcommand("batch", "Convert many files; folders are walked recursively");
  batch->add_option("PATH", bat.paths, "Files or folders")->required();
  batch->add_option("--out", bat.out, "Output folder (the input layout is kept, F appended to names)")->required();
  batch->add_option("--jobs,-j", bat.jobs, "Worker processes")->check(CLI::Range(1, 64));
  batch->add_option("--tables", bat.tables, "Folder with the reference table CSV files");
  batch->add_option("--mask", bat.mask, "Formatted-record codes to leave out, hexadecimal");
  batch->add_flag("--quiet,-q", bat.quiet, "No progress bar and no notes; failures and the summary only");
  batch->footer(kFooter);

  DumpOptions dmp;
  auto* dump = app.add_subcommand("dump", "Print the header and every record of a formatted file");
  dump->add_option("FMTFILE", dmp.file, "Formatted file")->required();
  dump->add_option("--format", dmp.format, "table, csv or json")->check(CLI::IsMember({"table", "csv", "json"}));
  dump->add_flag("--raw", dmp.raw, "Add the record bytes in hexadecimal");
  dump->add_option("--encoding", dmp.encoding, "utf-8, utf-8-bom or gbk (default: utf-8-bom for csv, else utf-8)")
      ->check(CLI::IsMember({"utf-8", "utf-8-bom", "gbk"}));
  dump->add_option("--sep", dmp.sep, "CSV field separator: one character, or 'tab'");
  dump->footer(kFooter);

  PlotOptions plt;
  auto* plot = app.add_subcommand("plot", "Draw state fields over the time of day as an SVG chart");
  plot->add_option("FMTFILE", plt.file, "Formatted file")->required();
  plot->add_option("--fields", plt.fields, "Comma-separated fields, Val5..Val23 (default Val19,Val21)");
  plot->add_option("-o,--output", plt.output, "SVG file to write")->required();
  plot->add_option("--title", plt.title, "Chart title (default: the file name)");
  plot->add_option("--width", plt.width, "Width in pixels")->check(CLI::Range(300, 10000));
  plot->add_option("--height", plt.height, "Height in pixels")->check(CLI::Range(200, 10000));
  plot->footer(kFooter);

  SampleOptions smp;
  auto* sample = app.add_subcommand("sample", "Write a synthetic raw file from the built-in generator");
  sample->add_option("-o,--output", smp.output, "File to write")->required();
  sample->add_option("--kind", smp.kind, "l2000, l2000-old, lkj93, jk2h or tax3")
      ->check(CLI::IsMember({"l2000", "l2000-old", "lkj93", "jk2h", "tax3"}));
  sample->add_option("--seed", smp.seed, "Seed of the simulated run");
  auto* records = sample->add_option("--records", smp.records, "Event records (tax3: recordings, at most 63)")
                      ->check(CLI::Range(1, 1000000));
  sample->add_option("--size", smp.size,
                     "Make the file at least this large instead (e.g. 100M, 2G; K, M, G are 1024, 1024^2, 1024^3 "
                     "bytes; up to 4G; not for tax3)")
      ->excludes(records);
  sample->footer(kFooter);

  ViewOptions vw;
  auto* view = app.add_subcommand("view", "Write an interactive HTML page of a formatted file (zoomable chart, events, record table)");
  view->add_option("FMTFILE", vw.file, "Formatted file")->required();
  view->add_option("-o,--output", vw.output, "HTML file to write (default: FMTFILE.html)");
  view->add_option("--fields", vw.fields, "Comma-separated state fields to draw (default Val19,Val21,Val23)");
  view->add_option("--title", vw.title, "Page title (default: the file name)");
  view->add_option("--events", vw.events,
                   "Record codes or code prefixes shown as event markers, hexadecimal (default: records with text "
                   "and codes that make up at most a tenth of the run)");
  view->footer(kFooter);

  CodesOptions cds;
  auto* codes = app.add_subcommand("codes", "List every record code the converters write: kind, mask, layout");
  codes->add_option("--format", cds.format, "table, json or md")->check(CLI::IsMember({"table", "json", "md"}));
  codes->add_option("-o,--output", cds.output, "File to write (default: standard output)");
  codes->footer(kFooter);

  // (a list of names has no default worth showing)
  for (auto* sub : app.get_subcommands({}))
    for (auto* opt : sub->get_options())
      if (opt->get_default_str() == "[]") opt->default_str("");

  // A first word that is no option and no command is named as an unknown
  // command; no word at all asks for one.
  {
    std::string known;
    bool found = false;
    for (const auto* sub : app.get_subcommands({})) {
      found = found || (argc > 1 && sub->check_name(argv[1]));
      known += (known.empty() ? "" : ", ") + sub->get_name();
    }
    if (argc < 2) {
      Error("name a command (" + known + "; see railfmt --help)");
      return kExitUsage;
    }
    if (!found && argv[1][0] != '-') {
      Error("unknown command '" + std::string(argv[1]) + "' (commands: " + known + "; see railfmt --help)");
      return kExitUsage;
    }
  }

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    Error(std::string(e.what()) + " (see railfmt --help)");
    return kExitUsage;
  }

  try {
    if (*classify) return CmdClassify(classifyFiles);
    if (*convert) return CmdConvert(conv);
    if (*process) return CmdProcess(proc);
    if (*batch) return CmdBatch(bat);
    if (*dump) return CmdDump(dmp);
    if (*plot) return CmdPlot(plt);
    if (*sample) return CmdSample(smp);
    if (*codes) return CmdCodes(cds);
    if (*view) return CmdView(vw);
  } catch (const std::exception& e) {
    Error(e.what());
    return kExitFailed;
  }
  return kExitUsage;
}
