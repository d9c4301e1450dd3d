// kprt5_bench.exe: runs every whole-program measurement against its bare baseline and prints the
// table; with --markdown <file> it also writes the tables as Markdown.
//   kprt5_bench.exe [--quick] [--idle-seconds N] [--presses N] [--notifications N] [--attaches N]
//                   [--calls N] [--starts N] [--markdown FILE]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <sstream>
#include <string>

#include "measurements.h"

namespace kprt5::bench {
namespace {

struct Arguments {
  BenchOptions options;
  std::string markdown;
};

bool ParseArguments(int argc, char** argv, Arguments& parsed) {
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (name == "--quick") {
      parsed.options = BenchOptions{200, 500, 10, 200, 1000, 3};
      continue;
    }
    if (i + 1 >= argc) return false;
    const char* value = argv[++i];
    const int number = std::atoi(value);
    if (name == "--markdown") parsed.markdown = value;
    else if (number <= 0) return false;
    else if (name == "--idle-seconds") parsed.options.idleSeconds = number;
    else if (name == "--presses") parsed.options.presses = number;
    else if (name == "--notifications") parsed.options.notifications = number;
    else if (name == "--attaches") parsed.options.attaches = number;
    else if (name == "--calls") parsed.options.calls = number;
    else if (name == "--starts") parsed.options.starts = number;
    else return false;
  }
  return true;
}

std::string Fixed(double value, int decimals) {
  char text[64] = {};
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string Ratio(const Row& row) { return row.baseline > 0.0 && row.program > 0.0 ? Fixed(row.Ratio(), 2) : "-"; }

std::string Goal(const Row& row) {
  if (row.goalRatio <= 0.0) return "-";
  const bool measurable = row.baseline > 0.0 && row.program > 0.0;
  return "<= " + Fixed(row.goalRatio, 1) + (measurable ? (row.Met() ? " met" : " MISSED") : " n/a");
}

std::string Kib(std::uint64_t bytes) { return std::to_string(bytes / 1024) + " KiB"; }

void Print(const Rows& rows, const FootprintTable& footprint) {
  std::printf("\n%-36s %-11s %12s %12s %7s  %s\n", "measurement", "unit", "KPRT5", "baseline", "ratio", "goal");
  for (const Row& row : rows)
    std::printf("%-36s %-11s %12s %12s %7s  %s\n", row.measurement.c_str(), row.unit.c_str(),
                Fixed(row.program, 2).c_str(), row.baseline > 0.0 ? Fixed(row.baseline, 2).c_str() : "-",
                Ratio(row).c_str(), Goal(row).c_str());
  std::printf("\n%-24s %14s %14s %8s\n", "footprint", "working set", "private", "handles");
  for (std::size_t i = 0; i < footprint.stages.size(); ++i)
    std::printf("%-24s %14s %14s %8lu\n", footprint.stages[i].c_str(), Kib(footprint.figures[i].workingSetBytes).c_str(),
                Kib(footprint.figures[i].privateBytes).c_str(), footprint.figures[i].handles);
  std::fflush(stdout);
}

std::string Markdown(const Rows& rows, const FootprintTable& footprint) {
  std::ostringstream out;
  out << "| Measurement | Unit | KPRT5 | Baseline | Ratio | Goal | How |\n|---|---|---:|---:|---:|---|---|\n";
  for (const Row& row : rows)
    out << "| " << row.measurement << " | " << row.unit << " | " << Fixed(row.program, 2) << " | "
        << (row.baseline > 0.0 ? Fixed(row.baseline, 2) : "-") << " | " << Ratio(row) << " | " << Goal(row) << " | "
        << row.note << " |\n";
  out << "\n| Footprint of KPRT5 | Working set | Private bytes | Handles |\n|---|---:|---:|---:|\n";
  for (std::size_t i = 0; i < footprint.stages.size(); ++i)
    out << "| " << footprint.stages[i] << " | " << Kib(footprint.figures[i].workingSetBytes) << " | "
        << Kib(footprint.figures[i].privateBytes) << " | " << footprint.figures[i].handles << " |\n";
  if (footprint.figures.size() >= 2) {
    const Footprint& first = footprint.figures.front();
    const Footprint& last = footprint.figures.back();
    out << "\nGrowth from start to the last stage: working set "
        << Fixed((static_cast<double>(last.workingSetBytes) - static_cast<double>(first.workingSetBytes)) / 1024.0, 0)
        << " KiB, private bytes "
        << Fixed((static_cast<double>(last.privateBytes) - static_cast<double>(first.privateBytes)) / 1024.0, 0)
        << " KiB, handles " << static_cast<long>(last.handles) - static_cast<long>(first.handles) << ".\n";
  }
  return out.str();
}

int Run(const Arguments& arguments) {
  const BenchOptions& options = arguments.options;
  handset::VirtualHandset handset;
  skype_peer::SkypePeer peer;
  BenchWorld world{handset, peer};
  Rows rows;

  std::printf("start-up, %d starts each...\n", options.starts);
  std::fflush(stdout);
  Rows startup = MeasureStartup(world, options);

  std::printf("hook key, bare program, %d presses...\n", options.presses);
  std::fflush(stdout);
  const std::vector<double> bareLatencies = MeasureBareHookLatency(world, options);

  e2e::ProgramUnderTest program;
  if (!StartAttached(world, program)) throw std::runtime_error("the program did not start attached");
  Settle(world, program.Window());
  const Footprint atStart = ReadFootprint(program.Process());

  std::printf("hook key, KPRT5, %d presses...\n", options.presses);
  std::fflush(stdout);
  const std::vector<double> programLatencies = MeasureProgramHookLatency(world, program, options);
  rows = HookLatencyRows(programLatencies, bareLatencies);

  std::printf("notifications, %d each...\n", options.notifications);
  std::fflush(stdout);
  for (Row& row : MeasureNotificationRate(world, program, options)) rows.push_back(row);

  std::printf("idle, %d s...\n", options.idleSeconds);
  std::fflush(stdout);
  for (Row& row : MeasureIdleCost(world, program, options)) rows.push_back(row);
  for (Row& row : startup) rows.push_back(row);

  std::printf("footprint, %d attaches and %d calls...\n", options.attaches, options.calls);
  std::fflush(stdout);
  const FootprintTable footprint = MeasureFootprint(world, program, atStart, options);

  Print(rows, footprint);
  if (!arguments.markdown.empty()) {
    std::ofstream file(arguments.markdown, std::ios::binary);
    file << Markdown(rows, footprint);
    if (!file) throw std::runtime_error("cannot write " + arguments.markdown);
  }
  return 0;
}

}  // namespace
}  // namespace kprt5::bench

int main(int argc, char** argv) {
  kprt5::bench::Arguments arguments;
  if (!kprt5::bench::ParseArguments(argc, argv, arguments)) {
    std::fprintf(stderr,
                 "usage: kprt5_bench.exe [--quick] [--idle-seconds N] [--presses N] [--notifications N]\n"
                 "                       [--attaches N] [--calls N] [--starts N] [--markdown FILE]\n");
    return 1;
  }
  try {
    return kprt5::bench::Run(arguments);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "kprt5_bench: %s\n", error.what());
    return 2;
  }
}
