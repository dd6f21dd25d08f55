#include "batchexport.h"

#include "platform/appconstants.h"
#include "platform/platform.h"
#include "task/di_riror_adiriz.h"
#include "exportplanner.h"
#include "filedialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QWidget>

#ifdef Q_OS_WIN
extern Q_CORE_EXPORT int qt_ntfs_permission_lookup;
#endif

namespace {

QSettings appSettings()
{
    return QSettings(AppConstants::settingsOrganization, AppConstants::settingsApplication);
}

bool isWritableEntry(const QString &path)
{
#ifdef Q_OS_WIN
    ++qt_ntfs_permission_lookup;
#endif
    const bool writable = !path.isEmpty() && QFileInfo(path).isWritable();
#ifdef Q_OS_WIN
    --qt_ntfs_permission_lookup;
#endif
    return writable;
}

} // namespace

BatchExport::BatchExport(QWidget *window)
    : QObject(window)
    , window(window)
{
    loadOutputDir();
}

void BatchExport::loadOutputDir()
{
    const QString stored = appSettings().value(QLatin1String(AppConstants::outputPathKey)).toString();
    if (isWritableEntry(stored)) {
        outputDir = stored;
        return;
    }
    outputDir = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation) + QStringLiteral("/tarnix");
    QDir().mkpath(outputDir);
}

void BatchExport::saveOutputDir()
{
    appSettings().setValue(QLatin1String(AppConstants::outputPathKey), outputDir);
}

void BatchExport::exportAll(const QList<Di_riror_adiRIZ *> &tasks, SubtitleFormat format)
{
    // Beside the videos, where the command line writes.
    const QString start = tasks.isEmpty() ? FileDialogs::moviesDirectory() : QFileInfo(tasks.first()->videoPath).absolutePath();
    const QString folder = FileDialogs::folder(window, tr("选择保存目录"), start);
    if (folder.isEmpty())
        return;
    outputDir = QDir::fromNativeSeparators(folder);
    saveOutputDir();
    const ExportPlanner::Plan plan = ExportPlanner::plan(tasks, outputDir, format);
    if (!plan.existing.isEmpty() && !confirmOverwrite(plan.existing))
        return;
    const ExportPlanner::Outcome outcome = ExportPlanner::write(plan, format);
    showExportStatistics(int(outcome.written.size()), plan.skipped + outcome.failed);
}

bool BatchExport::confirmOverwrite(const QStringList &existing)
{
    QMessageBox box(QMessageBox::Warning, tr("文件已经存在 是否覆盖"), existing.join(QLatin1Char('\n')) + QLatin1Char('\n'),
                    QMessageBox::Ok | QMessageBox::Cancel, window);
    box.button(QMessageBox::Ok)->setText(tr("覆盖"));
    box.button(QMessageBox::Cancel)->setText(tr("取消"));
    box.setEscapeButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

void BatchExport::showExportStatistics(int written, const QStringList &failures)
{
    QMessageBox box(QMessageBox::Information, tr("导出统计"), ExportPlanner::statisticsText(written, failures),
                    QMessageBox::Ok | QMessageBox::Cancel, window);
    box.button(QMessageBox::Ok)->setText(tr("显示输出文件夹"));
    box.button(QMessageBox::Cancel)->setText(tr("关闭"));
    box.setEscapeButton(QMessageBox::Cancel);
    if (box.exec() == QMessageBox::Ok)
        openFolder(outputDir);
}
