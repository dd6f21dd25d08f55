#include "ocr/ppocr/textlinereader.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <opencv2/core.hpp>

#include <cmath>

namespace {

// Writes a recogniser of the real one's shape, [1, 3, 48, width] in and [1, width / 8, classes]
// out, that gives the same scores at every step whatever the picture: its convolution's weights
// are zero and its bias holds the scores. With "softmax" the graph ends in a Softmax, as the
// models an older set-up left did; without, it ends in the scores, as the set-up leaves it now.
const char *const tinyRecognizer = R"(
import sys, onnx
from onnx import helper, TensorProto
path, width, softmax = sys.argv[1], int(sys.argv[2]), sys.argv[3] == "softmax"
scores = [float(s) for s in sys.argv[4].split(",")]
classes, steps = len(scores), width // 8
nodes = [helper.make_node("Conv", ["picture", "weights", "scores"], ["columns"], kernel_shape=[48, 8], strides=[48, 8]),
         helper.make_node("Reshape", ["columns", "shape"], ["perClass"]),
         helper.make_node("Transpose", ["perClass"], ["logits" if softmax else "out"], perm=[0, 2, 1])]
if softmax:
    nodes.append(helper.make_node("Softmax", ["logits"], ["out"], axis=2))
graph = helper.make_graph(nodes, "tiny",
    [helper.make_tensor_value_info("picture", TensorProto.FLOAT, [1, 3, 48, width])],
    [helper.make_tensor_value_info("out", TensorProto.FLOAT, [1, steps, classes])],
    [helper.make_tensor("weights", TensorProto.FLOAT, [classes, 3, 48, 8], [0.0] * (classes * 3 * 48 * 8)),
     helper.make_tensor("scores", TensorProto.FLOAT, [classes], scores),
     helper.make_tensor("shape", TensorProto.INT64, [3], [1, classes, steps])])
onnx.save(helper.make_model(graph, opset_imports=[helper.make_opsetid("", 11)]), path)
)";

} // namespace

class TestTextLineReader : public QObject
{
    Q_OBJECT

private slots:
    void turnsScoresIntoProbabilitiesOnce_data()
    {
        QTest::addColumn<bool>("endsInSoftmax");
        QTest::newRow("model ending in Softmax, from an older set-up") << true;
        QTest::newRow("model ending in the scores") << false;
    }

    // Either way the characters' confidence is the softmax of the scores: taken once, not twice
    // (a Softmax of probabilities flattens them) and not left out (scores are no probabilities).
    void turnsScoresIntoProbabilitiesOnce()
    {
        QFETCH(bool, endsInSoftmax);
        QTemporaryDir models;
        QVERIFY(models.isValid());
        constexpr int width = 16;
        QProcess python;
        // The set-up's Python, which has the onnx module (scripts/install-deps.sh).
        python.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral("-c"), QString::fromLatin1(tinyRecognizer),
                      models.filePath(QStringLiteral("rec-%1.onnx").arg(width)), QString::number(width),
                      endsInSoftmax ? QStringLiteral("softmax") : QStringLiteral("scores"), QStringLiteral("0,4,0,0")});
        QVERIFY(python.waitForFinished(60000));
        QVERIFY2(python.exitCode() == 0, python.readAllStandardError().constData());

        // Classes: blank, "a", "b", space.
        TextLineReader reader(models.path(), {width}, {QStringLiteral("a"), QStringLiteral("b")});
        QString error;
        QVERIFY2(reader.preload(width, &error), qPrintable(error));
        const CtcDecoder::Result read = reader.read(cv::Mat(48, width, CV_8UC3, cv::Scalar(40, 40, 40)));
        QCOMPARE(read.text, QStringLiteral("a"));
        const double expected = std::exp(4.0) / (std::exp(4.0) + 3.0);
        QVERIFY2(std::abs(read.confidence - expected) < 1e-4,
                 qPrintable(QStringLiteral("confidence %1, softmax %2").arg(read.confidence).arg(expected)));
    }
};

QTEST_MAIN(TestTextLineReader)
#include "tst_textlinereader.moc"
