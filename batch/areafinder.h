#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>

class AreaDetectionJob;
class Di_riror_adiRIZ;

// Finds the subtitle area of new tasks that read the whole frame, as the command line does by
// default: once a task's video is probed, its band is looked for off the GUI thread, one video at
// a time so that a drop of many videos does not decode them all at once. A rectangle the user
// drew meanwhile is never replaced.
class AreaFinder : public QObject
{
    Q_OBJECT
public:
    explicit AreaFinder(QObject *parent = nullptr);

    void add(Di_riror_adiRIZ *task);
    // Some task is still waiting for its probe or its area.
    bool isBusy() const;

signals:
    void areaFound(Di_riror_adiRIZ *task);
    // Nothing is left to look for.
    void idle();

private:
    struct Pending
    {
        QPointer<Di_riror_adiRIZ> task;
        // The whole frame the task read when it was queued; any other rectangle is the user's.
        QRect frame;
    };

    void onProbed(Di_riror_adiRIZ *task);
    void startNext();
    void onDetected(const QRect &band);
    void forget(QObject *task);
    void reportIdle();

    // As QObjects: a task being destroyed is a QObject only by the time it says so.
    QList<QObject *> probing;
    QList<Pending> queue;
    Pending current;
    AreaDetectionJob *job = nullptr;
};
