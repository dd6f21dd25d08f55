#include "cli/commandlineextractor.h"
#include "cli/manifestrun.h"
#include "cli/projectjobs.h"
#include "platform/platform.h"

#include <QGuiApplication>

#include <cstdio>

namespace {

// The task narrates every position on the debug stream; a command-line tool keeps quiet. Our
// own categories' debug and info lines are off unless asked for (QT_LOGGING_RULES), so those that
// come were asked for.
void quietMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const bool asked = context.category && QByteArray(context.category).startsWith("tarnix.");
    if (!asked && (type == QtDebugMsg || type == QtInfoMsg))
        return;
    if (type == QtWarningMsg && !qEnvironmentVariableIsSet("TARNIX_DEBUG"))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

int main(int argc, char *argv[])
{
    returnLargeFreedBuffersPromptly();
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
