#include "exportplanner.h"

#include "task/di_riror_adiriz.h"
#include "core/outputnaming.h"
#include "task/subtitleformat.h"
#include "core/textfilewriter.h"

#include <QDir>
#include <QFileInfo>

QString ExportPlanner::extension(SubtitleFormat format)
{
    return SubtitleFormats::extension(format);
}

QString ExportPlanner::fileFilter(SubtitleFormat format)
{
    return QStringLiteral("Files (*.%1)").arg(extension(format));
}

ExportPlanner::Plan ExportPlanner::plan(const QList<Di_riror_adiRIZ *> &tasks, const QString &folder, SubtitleFormat format)
{
    Plan result;
    QStringList videos;
    for (Di_riror_adiRIZ *task : tasks) {
        if (task->state != TaskState::Done) {
            result.skipped.append(task->videoFileName);
            continue;
        }
        result.tasks.append(task);
        videos.append(task->videoPath);
    }
    result.targets = OutputNaming::uniqueTargets(folder, videos, extension(format));
    for (const QString &path : std::as_const(result.targets)) {
        if (QFileInfo::exists(path))
            result.existing.append(path);
    }
    return result;
}

QString ExportPlanner::textOf(const Di_riror_adiRIZ &task, SubtitleFormat format)
{
    return SubtitleFormats::text(task, format);
}

ExportPlanner::Outcome ExportPlanner::write(const Plan &plan, SubtitleFormat format)
{
    Outcome outcome;
    for (qsizetype i = 0; i < plan.tasks.size(); ++i) {
        Di_riror_adiRIZ *task = plan.tasks.at(i);
        const QString &path = plan.targets.at(i);
        QString error;
        if (TextFileWriter::write(path, textOf(*task, format), &error)) {
            task->setExportPath(path);
            outcome.written.append(path);
        } else {
            outcome.failed.append(QStringLiteral("%1 (%2)").arg(QDir::toNativeSeparators(path), error));
            continue;
        }
        outcome.failed.append(writeAreaFiles(*task, format, path));
    }
    return outcome;
}

QStringList ExportPlanner::writeAreaFiles(const Di_riror_adiRIZ &task, SubtitleFormat format, const QString &mainPath)
{
    QStringList failed;
    for (const SubtitleFormats::AreaFile &file : SubtitleFormats::areaFiles(task, format, mainPath)) {
        QString error;
        if (!TextFileWriter::write(file.path, file.text, &error))
            failed.append(QStringLiteral("%1 (%2)").arg(QDir::toNativeSeparators(file.path), error));
    }
    return failed;
}

QString ExportPlanner::statisticsText(int succeeded, const QStringList &failures)
{
    const int total = succeeded + int(failures.size());
    QString text = tr("成功：") + QStringLiteral(" %1 / %2").arg(succeeded).arg(total) + QStringLiteral("\n\n")
                   + tr("失败:") + QStringLiteral(" %1 / %2").arg(failures.size()).arg(total) + QLatin1Char('\n');
    for (const QString &failure : failures)
        text += failure + QLatin1Char('\n');
    return text;
}
