// Ctrl-C and SIGTERM ask the running work to stop: the pipeline's progress
// callback sees the request and cancels, so no output is written. A second
// signal ends the process at once.
#pragma once

namespace pairseekCli {

void catchInterrupts();
bool interrupted();

}  // namespace pairseekCli
