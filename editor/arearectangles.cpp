#include "arearectangles.h"

#include "editor/cropitem.h"
#include "editor/cropmapping.h"

#include <QGraphicsScene>
#include <QGraphicsVideoItem>
#include <QPen>

AreaRectangles::AreaRectangles(QGraphicsVideoItem *picture, QObject *parent)
    : QObject(parent)
    , picture(picture)
{
}

CropItem *AreaRectangles::item(qsizetype index) const
{
    return index >= 0 && index < areas.size() ? areas[index].item : nullptr;
}

QRect AreaRectangles::sceneReference(qsizetype index) const
{
    return index >= 0 && index < areas.size() ? areas[index].scene : QRect();
}

QRect AreaRectangles::pictureReference(qsizetype index) const
{
    return index >= 0 && index < areas.size() ? areas[index].picture : QRect();
}

QRect AreaRectangles::pictureRect() const
{
    return picture->boundingRect().toRect();
}

CropItem *AreaRectangles::createItem()
{
    auto *item = new CropItem;
    connect(item, &CropItem::cropUpdate, this, [this, item](const QRect &rect) { onItemReleased(item, rect); });
    picture->scene()->addItem(item);
    return item;
}

void AreaRectangles::showUnplaced()
{
    clear();
    Area main;
    main.item = createItem();
    main.item->setRect(picture->boundingRect());
    // The reference pair of a rectangle never placed: the first resize draws it from these.
    main.scene = QRect(0, 0, 200, 200);
    main.picture = QRect(0, 0, 0, 0);
    areas.append(main);
    select(0);
    restyle();
}

void AreaRectangles::place(const QList<QRect> &videoAreas, const QSize &video)
{
    videoSize = video;
    const qsizetype wanted = std::max<qsizetype>(videoAreas.size(), 1);
    while (areas.size() > wanted)
        delete areas.takeLast().item;
    while (areas.size() < wanted)
        areas.append(Area{createItem(), {}, {}, {}, false});
    for (qsizetype i = 0; i < wanted; ++i)
        drawAt(areas[i], videoAreas.value(i));
    placed = true;
    select(0);
    restyle();
}

void AreaRectangles::drawAt(Area &area, const QRect &videoArea)
{
    // A null rectangle crops nothing away: it stands for the whole frame, and stays null.
    const QRect shown = videoArea.isNull() ? QRect(QPoint(0, 0), videoSize) : videoArea;
    area.video = videoArea;
    area.picture = pictureRect();
    area.scene = CropMapping::videoToScene(shown, area.picture, videoSize);
    area.moved = false;
    area.item->setRect(area.scene);
    area.item->update();
}

QList<QRect> AreaRectangles::videoAreas(const QSize &video)
{
    QList<QRect> result;
    for (Area &area : areas) {
        if (area.moved) {
            area.video = CropMapping::sceneToVideo(area.scene, area.picture, video);
            area.moved = false;
        }
        result.append(area.video);
    }
    return result;
}

void AreaRectangles::fitToPicture()
{
    const QRect now = pictureRect();
    for (const Area &area : std::as_const(areas))
        area.item->setRect(CropMapping::rescale(area.scene, area.picture, now));
}

void AreaRectangles::onItemReleased(CropItem *item, const QRect &sceneRect)
{
    for (qsizetype i = 0; i < areas.size(); ++i) {
        if (areas[i].item != item)
            continue;
        areas[i].scene = sceneRect;
        areas[i].picture = pictureRect();
        areas[i].moved = true;
        select(i);
        emit changed();
        return;
    }
}

void AreaRectangles::add(const QRect &videoArea)
{
    if (!placed)
        return;
    areas.append(Area{createItem(), {}, {}, {}, false});
    drawAt(areas.last(), videoArea);
    select(areas.size() - 1);
    restyle();
    emit changed();
}

bool AreaRectangles::removeCurrent()
{
    if (!placed || areas.size() < 2)
        return false;
    delete areas.takeAt(currentIndex).item;
    select(0);
    restyle();
    emit changed();
    return true;
}

bool AreaRectangles::makeCurrentMain()
{
    if (!placed || currentIndex == 0)
        return false;
    areas.swapItemsAt(0, currentIndex);
    select(0);
    restyle();
    emit changed();
    return true;
}

void AreaRectangles::clear()
{
    for (const Area &area : std::as_const(areas))
        delete area.item;
    areas.clear();
    currentIndex = 0;
    placed = false;
}

void AreaRectangles::select(qsizetype index)
{
    currentIndex = index;
    for (qsizetype i = 0; i < areas.size(); ++i) {
        areas[i].item->setSelected(i == index);
        // The chosen one on top, so its handles are reachable where rectangles overlap.
        areas[i].item->setZValue(i == index ? 1 : 0);
    }
}

void AreaRectangles::restyle()
{
    for (qsizetype i = 0; i < areas.size(); ++i)
        areas[i].item->setPen(i == 0 ? QPen(Qt::red, 1, Qt::SolidLine) : QPen(QColor(255, 200, 0), 1, Qt::DashLine));
}
