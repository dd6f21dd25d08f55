// Runs the fast scan with recognition switched off: decoding, crop conversion and change
// detection only, the floor the fast scan is measured against (bench/e2e/run.sh drives it).
//   bench_e2e_decode VIDEO X,Y,W,H   -> "frames N stretches-with-text M"
#include "recognition/fastscan.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_e2e_decode VIDEO X,Y,W,H\n");
        return 2;
    }
    const QStringList crop = QString::fromLocal8Bit(argv[2]).split(QLatin1Char(','));
    FastScan::Settings settings;
    settings.path = QString::fromLocal8Bit(argv[1]);
    settings.crop = QRect(crop.value(0).toInt(), crop.value(1).toInt(), crop.value(2).toInt(), crop.value(3).toInt());
    settings.recognise = false;
    // As the program shows it: the stored picture (see FastScan::Settings::shownSize).
    settings.shownSize = QSize(1, 1);
    FastScan scan;
    int code = 0;
    QObject::connect(&scan, &FastScan::finished, &app, [&](const FastScan::Outcome &outcome) {
        std::printf("frames %lld\n", static_cast<long long>(outcome.frames));
        code = outcome.status == FastScan::Status::Finished ? 0 : 1;
        app.quit();
    });
    scan.start(settings);
    app.exec();
    return code;
}
