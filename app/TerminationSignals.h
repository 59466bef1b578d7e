// SPDX-License-Identifier: MIT
// A window killed with SIGTERM, SIGINT or SIGHUP (a logout, Ctrl+C in its
// terminal) leaves its event loop instead of dying on the spot, so that the
// process exits normally and its scratch root is removed.
#pragma once

class QCoreApplication;

namespace vorlan {

// Quits the application's event loop on the first of these signals; a second
// one ends the process at once, as it would have without this.
void QuitOnTerminationSignals(QCoreApplication& application);

}  // namespace vorlan
