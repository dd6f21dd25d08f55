#include "cli/commandlineextractor.h"
#include "cli/manifestrun.h"
#include "cli/projectjobs.h"

#include <QGuiApplication>

#include <cstdio>

namespace {

// The worker narrates every position on the debug stream; a command-line tool keeps quiet.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    if (type == QtWarningMsg && !qEnvironmentVariableIsSet("TARNIX_DEBUG"))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "ffmpeg");
    if (!qEnvironmentVariableIsSet("TARNIX_DEBUG"))
        qInstallMessageHandler(quietMessages);

    QGuiApplication app(argc, argv);
    CommandLineExtractor::Options options;
    QString error;
    if (!CommandLineExtractor::parseArguments(app.arguments().mid(1), &options, &error)) {
        std::fprintf(stderr, "tarnix-cli: %s (see --help)\n", qPrintable(error));
        return CommandLineExtractor::BadInput;
    }
    if (!options.help && !options.listLanguages) {
        if (!options.manifestFrom.isEmpty())
            return ProjectJobs::writeManifest(options.manifestFrom, stdout, stderr);
        if (!options.collect.isEmpty())
            return ProjectJobs::collect(options.collect, options.videos.constFirst(), options, stderr);
        if (!options.manifest.isEmpty()) {
            ManifestRun manifest;
            return manifest.run(options);
        }
    }
    CommandLineExtractor extractor;
    return extractor.run(options);
}
