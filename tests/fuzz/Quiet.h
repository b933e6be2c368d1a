#pragma once

#include <QtGlobal>

// Warnings about bad input are expected by the thousand while fuzzing and
// would only slow it down: a target that includes this drops them.
namespace {
const bool fuzzQuiet = (qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {}), true);
}
