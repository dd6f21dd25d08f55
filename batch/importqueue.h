#pragma once

#include "videoimportcheck.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>

class QWidget;

// The imports asked for (file dialog or drop), checked off the GUI thread one after another so
// that rows keep the order asked. Files already in the batch are added again only when the user
// says so; the files that are not videos are named with the reason once their import is checked.
class ImportQueue : public QObject
{
    Q_OBJECT
public:
    // `window`: where the questions and the refusals are shown.
    explicit ImportQueue(QWidget *window);

    // The videos already in the batch, asked when an import starts.
    void setKnownPaths(std::function<QStringList()> paths);
    void add(const QStringList &paths);
    bool isImporting() const;
    // The batch was replaced: files still waiting belonged to the old one.
    void clear();

signals:
    void videoFound(const QString &path);
    // Every file of one import is known.
    void importChecked();
    // Every file of the imports asked for so far is known.
    void allChecked();

private:
    void startNext();
    void onChecked(const QStringList &rejected, const QList<VideoImportCheck::Reason> &reasons);
    VideoImportCheck *makeCheck();

    QWidget *window;
    std::function<QStringList()> knownPaths;
    QList<QStringList> pending;
    VideoImportCheck *check = nullptr;
    bool askingAboutRepeats = false;
};
