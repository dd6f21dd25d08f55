#pragma once

#include "fastscan.h"

#include <QCoreApplication>

// What a fast scan's outcome means to the user: the reason it failed, or what it warns about.
class FastScanReport
{
    Q_DECLARE_TR_FUNCTIONS(FastScanReport)
public:
    // Names the file and the reason; empty when the scan did not fail.
    static QString failureText(const FastScan::Outcome &outcome, const QString &fileName);
    // Skipped frames and an early end; empty when there is nothing to warn about.
    static QString warningText(const FastScan::Outcome &outcome);
    // The damaged frames a run met, whichever way it read; empty for none.
    static QString damageText(int damagedFrames);
};
