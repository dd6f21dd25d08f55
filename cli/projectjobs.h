#pragma once

#include "commandlineextractor.h"

#include <QString>

#include <cstdio>

// A project's tasks out as a manifest, and a manifest's finished lines back into the project, so
// a batch split over many machines comes home to the editor for proofreading.
class ProjectJobs
{
public:
    // One manifest line per task (its video, crop, range, languages and scan way) to `out`;
    // outputs are JSON, named after the videos, beside the manifest.
    static int writeManifest(const QString &project, FILE *out, FILE *err);
    // Each line's record and output into its task: finished tasks Done with their entries (and
    // warnings), failed ones Failed with the reason. The project is replaced only when whole.
    static int collect(const QString &project, const QString &manifest,
                       const CommandLineExtractor::Options &defaults, FILE *err);
};
