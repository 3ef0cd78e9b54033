// Folder mode: the planned images on N worker threads over one queue, past
// any failure, then a summary. Returns the exit status.
#pragma once

#include <vector>

#include "folderPlan.h"
#include "matteJob.h"
#include "progressDisplay.h"

namespace pairseekCli {

int runFolder(const std::vector<PlannedImage>& plan, const MatteSettings& settings, int workers,
              Verbosity verbosity);

}  // namespace pairseekCli
