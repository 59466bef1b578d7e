// SPDX-License-Identifier: MIT
// Signal handlers for the termination signals of the window and vorlan-batch.
#pragma once

namespace vorlan {

// Installs handler for signalNumber with SA_RESTART (reads and writes in
// progress go on undisturbed, so the entry being worked on completes) and
// SA_RESETHAND (a second signal takes its default course and ends the
// program at once).
void InstallOneShotHandler(int signalNumber, void (*handler)(int));

}  // namespace vorlan
