#pragma once

#include "task/subtitleformat.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class Di_riror_adiRIZ;
class QWidget;

// Export of every finished task of the batch into one folder, with the questions and the report
// that go with it. The folder last chosen is remembered in the settings.
class BatchExport : public QObject
{
    Q_OBJECT
public:
    // `window`: the page the dialogs belong to.
    explicit BatchExport(QWidget *window);

    QString outputDirectory() const { return outputDir; }
    void exportAll(const QList<Di_riror_adiRIZ *> &tasks, SubtitleFormat format);

private:
    void loadOutputDir();
    void saveOutputDir();
    bool confirmOverwrite(const QStringList &existing);
    // `failures`: the tasks that were not finished, then the files that could not be written.
    void showExportStatistics(int written, const QStringList &failures);

    QWidget *window;
    QString outputDir;
};
