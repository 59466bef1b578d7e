// SPDX-License-Identifier: MIT
// The batch behind "Process": every entry of the file list through the step
// of the chosen mode, with the API pre-pass, the scratch folder and the
// closing message.
#pragma once

namespace vorlan {

class BatchHost;

// Runs the whole batch before it returns.
void RunBatch(BatchHost& host);

}  // namespace vorlan
