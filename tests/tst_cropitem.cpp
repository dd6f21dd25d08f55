#include "editor/cropitem.h"
#include "editor/cropmapping.h"

#include <QGraphicsScene>
#include <QGraphicsView>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QtTest>

// A scene shown 1:1 from its origin, so scene points are viewport points.
class CropScene
{
public:
    CropScene()
        : view(&scene)
    {
        scene.setSceneRect(0, 0, 400, 300);
        view.setAlignment(Qt::AlignLeft | Qt::AlignTop);
        view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view.setFrameShape(QFrame::NoFrame);
        view.setFixedSize(400, 300);
        item = new CropItem;
        item->setRect(50, 50, 200, 100); // bounding rectangle (49, 49, 202, 102) with the 2 px pen
        scene.addItem(item);
        item->setSelected(true);
        view.show();
    }

    bool paintHandles()
    {
        if (!QTest::qWaitForWindowExposed(&view))
            return false;
        view.viewport()->repaint();
        return item->handles()[0] != QRect();
    }

    QWidget *viewport() { return view.viewport(); }
    QPoint at(QPoint scenePoint) const { return view.mapFromScene(scenePoint); }

    void press(QPoint p) { QTest::mousePress(viewport(), Qt::LeftButton, {}, at(p)); }
    void move(QPoint p) { QTest::mouseMove(viewport(), at(p)); }
    void release(QPoint p) { QTest::mouseRelease(viewport(), Qt::LeftButton, {}, at(p)); }
    void hover(QPoint p)
    {
        QMouseEvent event(QEvent::MouseMove, at(p), view.viewport()->mapToGlobal(at(p)), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(viewport(), &event);
    }

    QGraphicsScene scene;
    QGraphicsView view;
    CropItem *item = nullptr;
};

class TestCropItem : public QObject
{
    Q_OBJECT

private slots:
    void handleDrag_data()
    {
        QTest::addColumn<QPoint>("pressAt");
        QTest::addColumn<QPoint>("dragTo");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<QRect>("expected");

        // Each drag starts from the bounding rectangle: x 49..250, y 49..150.
        QTest::newRow("bottom left corner") << QPoint(54, 146) << QPoint(30, 170) << int(Qt::SizeBDiagCursor)
                                            << QRect(QPoint(30, 49), QPoint(250, 170));
        QTest::newRow("left side") << QPoint(54, 100) << QPoint(30, 120) << int(Qt::SizeHorCursor)
                                   << QRect(QPoint(30, 49), QPoint(250, 150));
        QTest::newRow("top left corner") << QPoint(54, 54) << QPoint(30, 20) << int(Qt::SizeFDiagCursor)
                                         << QRect(QPoint(30, 20), QPoint(250, 150));
        QTest::newRow("top side") << QPoint(150, 54) << QPoint(170, 20) << int(Qt::SizeVerCursor)
                                  << QRect(QPoint(49, 20), QPoint(250, 150));
        QTest::newRow("top right corner") << QPoint(246, 54) << QPoint(300, 20) << int(Qt::SizeBDiagCursor)
                                          << QRect(QPoint(49, 20), QPoint(300, 150));
        QTest::newRow("right side") << QPoint(246, 100) << QPoint(300, 80) << int(Qt::SizeHorCursor)
                                    << QRect(QPoint(49, 49), QPoint(300, 150));
        QTest::newRow("bottom right corner") << QPoint(246, 146) << QPoint(300, 170) << int(Qt::SizeFDiagCursor)
                                             << QRect(QPoint(49, 49), QPoint(300, 170));
        QTest::newRow("bottom side") << QPoint(150, 146) << QPoint(130, 170) << int(Qt::SizeVerCursor)
                                     << QRect(QPoint(49, 49), QPoint(250, 170));
        QTest::newRow("inside, no handle") << QPoint(120, 90) << QPoint(150, 110) << int(Qt::OpenHandCursor)
                                           << QRect(79, 69, 202, 102);
        // No limits: a side dragged past the opposite one is kept as it is.
        QTest::newRow("left past right") << QPoint(54, 100) << QPoint(300, 100) << int(Qt::SizeHorCursor)
                                         << QRect(QPoint(300, 49), QPoint(250, 150));
    }
    void handleDrag()
    {
        QFETCH(QPoint, pressAt);
        QFETCH(QPoint, dragTo);
        QFETCH(int, cursor);
        QFETCH(QRect, expected);

        CropScene s;
        QVERIFY(s.paintHandles());
        QSignalSpy updates(s.item, &CropItem::cropUpdate);

        s.hover(pressAt);
        s.hover(pressAt);
        QCOMPARE(int(s.item->cursor().shape()), cursor);

        s.press(pressAt);
        QPoint halfway = (pressAt + dragTo) / 2;
        s.move(halfway);
        QCOMPARE(updates.count(), 0); // only the release reports
        s.move(dragTo);
        QCOMPARE(s.item->rect(), QRectF(expected));
        QCOMPARE(s.item->pos(), QPointF(0, 0));
        s.release(dragTo);

        QCOMPARE(updates.count(), 1);
        QCOMPARE(updates.first().first().toRect(), s.item->boundingRect().toRect());
    }

    void overlappingHandlesFirstWins()
    {
        CropScene s;
        s.item->setRect(50, 50, 12, 12); // bounding (49, 49, 14, 14): all squares overlap
        QVERIFY(s.paintHandles());
        // (52, 55) lies in the bottom-left, left and top-left squares; bottom-left comes first.
        s.hover(QPoint(52, 55));
        s.hover(QPoint(52, 55));
        QCOMPARE(s.item->cursor().shape(), Qt::SizeBDiagCursor);
        s.press(QPoint(52, 55));
        s.move(QPoint(40, 80));
        s.release(QPoint(40, 80));
        QCOMPARE(s.item->rect(), QRectF(QRect(QPoint(40, 49), QPoint(62, 80))));
    }

    void wholeRectangleMoveKeepsGrabOffset()
    {
        CropScene s;
        QVERIFY(s.paintHandles());
        s.press(QPoint(100, 80));
        for (const QPoint &p : {QPoint(110, 85), QPoint(160, 120), QPoint(140, 90)})
            s.move(p);
        // Top-left follows the mouse with the offset it had at the press: (49, 49) + (40, 10).
        QCOMPARE(s.item->rect(), QRectF(89, 59, 202, 102));
        s.move(QPoint(1, 1)); // off the picture is allowed
        QCOMPARE(s.item->rect(), QRectF(-50, -30, 202, 102));
        s.release(QPoint(1, 1));
        QCOMPARE(s.item->pos(), QPointF(0, 0));
    }

    void clickWithoutMoveReportsBoundingRect()
    {
        CropScene s;
        QVERIFY(s.paintHandles());
        QSignalSpy updates(s.item, &CropItem::cropUpdate);
        s.press(QPoint(120, 90));
        s.release(QPoint(120, 90));
        QCOMPARE(updates.count(), 1);
        QCOMPARE(updates.first().first().toRect(), QRect(49, 49, 202, 102));
        QCOMPARE(s.item->rect(), QRectF(50, 50, 200, 100));
        QVERIFY(s.item->isSelected());
    }

    void unselectedItemStillDragsHandles()
    {
        CropScene s;
        QVERIFY(s.paintHandles());
        s.item->setSelected(false);
        s.viewport()->repaint(); // the handles are kept from the selected paint
        s.press(QPoint(246, 100));
        s.move(QPoint(320, 100));
        s.release(QPoint(320, 100));
        QCOMPARE(s.item->rect(), QRectF(QRect(QPoint(49, 49), QPoint(320, 150))));
    }

    void mapping_data()
    {
        QTest::addColumn<bool>("toVideo");
        QTest::addColumn<QRect>("from");
        QTest::addColumn<QRect>("picture");
        QTest::addColumn<QRect>("expected");
        // The video is 640 x 360 in every row.
        QTest::newRow("to video, half-size picture") << true << QRect(100, 50, 200, 100) << QRect(0, 0, 320, 180)
                                                     << QRect(200, 100, 400, 200);
        QTest::newRow("to video, picture offset in the scene") << true << QRect(110, 70, 160, 90)
                                                               << QRect(10, 20, 320, 180) << QRect(200, 100, 320, 180);
        QTest::newRow("to video, fractions truncate") << true << QRect(10, 10, 100, 50) << QRect(0, 0, 300, 200)
                                                      << QRect(21, 18, 213, 90);
        QTest::newRow("to video, left of the picture") << true << QRect(-5, 0, 10, 10) << QRect(0, 0, 300, 200)
                                                       << QRect(-10, 0, 21, 18);
        QTest::newRow("to video, empty picture keeps scale 1") << true << QRect(10, 20, 30, 40) << QRect(5, 5, 0, 0)
                                                               << QRect(5, 15, 30, 40);
        QTest::newRow("to scene, bottom strip") << false << QRect(0, 240, 640, 120) << QRect(10, 20, 320, 180)
                                                << QRect(10, 140, 320, 60);
        QTest::newRow("to scene, fractions truncate") << false << QRect(21, 18, 213, 90) << QRect(0, 0, 300, 200)
                                                      << QRect(9, 10, 99, 50);
        QTest::newRow("to scene, zero width keeps scale 1") << false << QRect(7, 36, 0, 36) << QRect(0, 0, 320, 180)
                                                            << QRect(7, 18, 0, 18);
    }
    void mapping()
    {
        QFETCH(bool, toVideo);
        QFETCH(QRect, from);
        QFETCH(QRect, picture);
        QFETCH(QRect, expected);
        const QSize video(640, 360);
        QCOMPARE(toVideo ? CropMapping::sceneToVideo(from, picture, video)
                         : CropMapping::videoToScene(from, picture, video),
                 expected);
    }

    void rescaleFromReferencePair()
    {
        const QRect reference(100, 50, 200, 100);
        const QRect picture(0, 0, 640, 360);
        QCOMPARE(CropMapping::rescale(reference, picture, QRect(0, 0, 320, 180)), QRect(50, 25, 100, 50));
        QCOMPARE(CropMapping::rescale(reference, picture, QRect(20, 10, 960, 540)), QRect(170, 85, 300, 150));
        QCOMPARE(CropMapping::rescale(reference, picture, QRect(0, 0, 333, 187)), QRect(52, 25, 104, 51));
        QCOMPARE(CropMapping::rescale(reference, picture, picture), reference);
        QCOMPARE(CropMapping::rescale(reference, QRect(0, 0, 0, 0), QRect(4, 6, 320, 180)), QRect(104, 56, 200, 100));
    }
};


QTEST_MAIN(TestCropItem)
#include "tst_cropitem.moc"
