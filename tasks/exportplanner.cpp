#include "exportplanner.h"

#include "recognition/di_riror_adiriz.h"
#include "recognition/textfilewriter.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

Qt::CaseSensitivity fileNameCase()
{
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    return Qt::CaseInsensitive;
#else
    return Qt::CaseSensitive;
#endif
}

QString nameKey(const QString &path)
{
    return fileNameCase() == Qt::CaseInsensitive ? path.toCaseFolded() : path;
}

} // namespace

QString ExportPlanner::extension(int format)
{
    return format == Txt ? QStringLiteral("txt") : QStringLiteral("srt");
}

QString ExportPlanner::baseName(const QString &videoPath)
{
    return QFileInfo(videoPath).baseName();
}

ExportPlanner::Plan ExportPlanner::plan(const QList<Di_riror_adiRIZ *> &tasks, const QString &folder, int format)
{
    const QDir dir(folder);
    const QString suffix = QLatin1Char('.') + extension(format);
    auto target = [&dir, &suffix](const QString &base) { return dir.filePath(base + suffix); };

    // A later task must not take a name that an earlier one, or another task's own name, holds.
    QSet<QString> ownNames;
    for (const Di_riror_adiRIZ *task : tasks) {
        if (task->state == Done)
            ownNames.insert(nameKey(target(baseName(task->videoPath))));
    }

    Plan result;
    QSet<QString> taken;
    for (Di_riror_adiRIZ *task : tasks) {
        if (task->state != Done) {
            result.skipped.append(task->videoFileName);
            continue;
        }
        const QString base = baseName(task->videoPath);
        QString path = target(base);
        int n = 1;
        while (taken.contains(nameKey(path)) || (n > 1 && ownNames.contains(nameKey(path))))
            path = target(QStringLiteral("%1 (%2)").arg(base).arg(++n));
        taken.insert(nameKey(path));
        result.tasks.append(task);
        result.targets.append(path);
        if (QFileInfo::exists(path))
            result.existing.append(path);
    }
    return result;
}

QString ExportPlanner::textOf(const Di_riror_adiRIZ &task, int format)
{
    return format == Txt ? task.toTxtText() : task.toSrtText();
}

ExportPlanner::Outcome ExportPlanner::write(const Plan &plan, int format)
{
    Outcome outcome;
    for (qsizetype i = 0; i < plan.tasks.size(); ++i) {
        Di_riror_adiRIZ *task = plan.tasks.at(i);
        const QString &path = plan.targets.at(i);
        QString error;
        if (TextFileWriter::write(path, textOf(*task, format), &error)) {
            task->exportPath = path;
            outcome.written.append(path);
        } else {
            outcome.failed.append(QStringLiteral("%1 (%2)").arg(QDir::toNativeSeparators(path), error));
        }
    }
    return outcome;
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
