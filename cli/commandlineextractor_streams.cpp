// Videos that carry their subtitles as text: with --prefer-streams they are taken out, not read.
#include "commandlineextractor.h"

#include "media/subtitlestreams.h"
#include "task/subtitleformat.h"

#include <QSaveFile>

#include <cstdio>

namespace {

bool writeBytes(const QString &target, const QByteArray &bytes, FILE *out, QString *error)
{
    if (target.isEmpty()) {
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), out);
        std::fflush(out);
        return true;
    }
    QSaveFile file(target);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    *error = file.errorString();
    return false;
}

} // namespace

std::optional<int> CommandLineExtractor::writeEmbeddedStream(const QString &video, const QString &target)
{
    const std::optional<SubtitleStream> stream =
        SubtitleStreams::inLanguage(SubtitleStreams::textStreams(video), batch.language);
    if (!stream)
        return std::nullopt;
    const std::optional<QByteArray> bytes = SubtitleFormats::streamFile(video, *stream, batch.format);
    if (!bytes) {
        printError(QStringLiteral("%1: its subtitle stream %2 (%3) cannot be taken out; the picture is read instead")
                       .arg(video).arg(stream->index).arg(stream->codec));
        return std::nullopt;
    }
    QString error;
    if (!writeBytes(target, *bytes, out, &error)) {
        printError(QStringLiteral("%1: cannot write %2: %3").arg(video, target, error));
        return RunFailed;
    }
    printError(QStringLiteral("%1: subtitle stream %2 (%3%4) written as the video carries it; the picture was not read")
                   .arg(video).arg(stream->index).arg(stream->codec,
                                                      stream->language.isEmpty() ? QString() : QLatin1Char(' ') + stream->language));
    return Success;
}
