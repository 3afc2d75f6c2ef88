// The one main of every benchmark program: an offscreen application, then the registered benchmarks.
#pragma once

#include <functional>

namespace benchfx {

// `before` runs once the application exists; `after` runs while it still exists and gives the exit code (0 when
// unset). Unknown arguments end the run with 1 rather than being ignored.
int RunBenchmarks(int argc, char** argv, const std::function<void()>& before = {},
                  const std::function<int()>& after = {});

} // namespace benchfx
