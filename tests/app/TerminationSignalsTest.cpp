// SPDX-License-Identifier: MIT
// SIGTERM ends the window's event loop, so that the process exits normally.
#include <gtest/gtest.h>

#include <csignal>

#include <QCoreApplication>
#include <QTimer>

#include "app/TerminationSignals.h"

namespace vorlan {
namespace {

TEST(TerminationSignals, SigtermQuitsTheEventLoop) {
    QuitOnTerminationSignals(*QCoreApplication::instance());
    QTimer::singleShot(0, [] { std::raise(SIGTERM); });
    // Only a guard against hanging: the loop would otherwise run forever.
    QTimer::singleShot(30000, [] { QCoreApplication::exit(99); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
}

}  // namespace
}  // namespace vorlan
