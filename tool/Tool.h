// The p03 command line: parses it and runs the command it names.
#pragma once

namespace p03tool {

// Exit status: 0 done, 1 run-time failure, 2 usage error.
int Run(int argc, char** argv);

} // namespace p03tool
