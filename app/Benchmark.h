#pragma once

#include "RecordOptions.h"

#include <string>

// `brastel --benchmark ...`: the show on the recording's frame clock, drawn as fast as the
// machine can, every frame and every group of its passes timed; `brastel --compare A B`.

// Before the window: checks that the report and the plot can be written, works out how many
// frames to draw, and puts the show on the frame clock at the benchmark's size. False after a
// message.
bool PrepareBenchmark(const BenchmarkOptions& options);

// After StartDemo, in place of the live frame loop: draws and times the frames, prints the
// summary, writes the report and the plot; the exit code.
int RunBenchmark();

// Reads two reports and prints the ratios of their figures; the exit code (1 when a report
// cannot be read).
int CompareReports(const std::string& a, const std::string& b);
