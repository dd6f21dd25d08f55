#pragma once

#include <QList>
#include <QObject>
#include <QRect>
#include <QSize>

class CropItem;
class QGraphicsVideoItem;

// The subtitle areas of a task drawn over the picture, the main one first. Each rectangle keeps
// the video pixels it stands for and the scene rectangle and picture it was last drawn on: a
// resize maps it again from that pair, so rounding never accumulates, and a rectangle nobody
// touched hands back exactly the pixels it was placed from.
class AreaRectangles : public QObject
{
    Q_OBJECT
public:
    // The rectangles go into the scene of `picture`; the owner deletes them (clear) before it.
    explicit AreaRectangles(QGraphicsVideoItem *picture, QObject *parent = nullptr);

    qsizetype count() const { return areas.size(); }
    CropItem *item(qsizetype index) const;
    // The rectangle the buttons act on: the one last touched, added or made main.
    qsizetype current() const { return currentIndex; }
    // Placed over a picture of known size; before that only the main rectangle exists.
    bool isPlaced() const { return placed; }
    QRect sceneReference(qsizetype index) const;
    QRect pictureReference(qsizetype index) const;

    // The main rectangle alone, over the whole picture, until the frame size is known.
    void showUnplaced();
    // Draws `videoAreas` (main first) over the picture of a `video`-sized frame; a null area
    // stands for the whole frame. Reports nothing: placing changes no task.
    void place(const QList<QRect> &videoAreas, const QSize &video);
    // Every rectangle in video pixels, main first; those moved since they were placed are mapped
    // from the picture to a `video`-sized frame.
    QList<QRect> videoAreas(const QSize &video);
    void fitToPicture();

    // The user's edits; each reports `changed` when it did something.
    void add(const QRect &videoArea);
    bool removeCurrent();
    bool makeCurrentMain();
    void clear();

signals:
    void changed();

private:
    struct Area {
        CropItem *item = nullptr;
        QRect video;
        QRect scene;
        QRect picture;
        bool moved = false;
    };

    QRect pictureRect() const;
    CropItem *createItem();
    void drawAt(Area &area, const QRect &videoArea);
    void onItemReleased(CropItem *item, const QRect &sceneRect);
    void select(qsizetype index);
    void restyle();

    QGraphicsVideoItem *picture;
    QList<Area> areas;
    qsizetype currentIndex = 0;
    QSize videoSize;
    bool placed = false;
};
