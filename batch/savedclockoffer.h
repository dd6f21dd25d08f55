#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class Di_riror_adiRIZ;
class QWidget;

// Projects saved before times counted from the presentation's start hold the subtitles of a TV
// recording minutes late. Once the restored tasks' videos are probed, this says so once and lets
// the user move them to the player's times or keep them; it never shifts on its own.
class SavedClockOffer : public QObject
{
    Q_OBJECT
public:
    // Watches `tasks` (restored from one project) and asks over `window`; deletes itself when done.
    explicit SavedClockOffer(const QList<Di_riror_adiRIZ *> &tasks, QWidget *window);

signals:
    // The question was answered (true: moved) or there was nothing to ask.
    void settled(bool moved);

private:
    void onProbed();
    void ask();
    void answer(bool move);

    QList<QPointer<Di_riror_adiRIZ>> watched;
    QPointer<QWidget> window;
    int waitingFor = 0;
};
