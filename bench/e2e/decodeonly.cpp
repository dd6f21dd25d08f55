// Runs the fast scan with recognition switched off: decoding, crop conversion and change
// detection only, the floor the fast scan is measured against (bench/e2e/run.sh drives it).
//   bench_e2e_decode VIDEO X,Y,W,H [LANG]   -> "frames N longest-stall-ms S"
// With a language the scan recognises too. The longest stall is the longest gap between ticks of
// a 5 ms timer on the thread that started the scan: what a window would feel.
#include "recognition/fastscan.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: bench_e2e_decode VIDEO X,Y,W,H [LANG]\n");
        return 2;
    }
    const QStringList crop = QString::fromLocal8Bit(argv[2]).split(QLatin1Char(','));
    FastScan::Settings settings;
    settings.path = QString::fromLocal8Bit(argv[1]);
    settings.crop = QRect(crop.value(0).toInt(), crop.value(1).toInt(), crop.value(2).toInt(), crop.value(3).toInt());
    settings.recognise = argc == 4;
    settings.language = argc == 4 ? QString::fromLocal8Bit(argv[3]) : QString();
    // As the program shows it: the stored picture (see FastScan::Settings::shownSize).
    settings.shownSize = QSize(1, 1);
    FastScan scan;
    int code = 0;
    QElapsedTimer sinceTick;
    qint64 longestStall = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, &app, [&] {
        longestStall = std::max(longestStall, sinceTick.restart());
    });
    QObject::connect(&scan, &FastScan::finished, &app, [&](const FastScan::Outcome &outcome) {
        std::printf("frames %lld longest-stall-ms %lld\n", static_cast<long long>(outcome.frames),
                    static_cast<long long>(longestStall));
        code = outcome.status == FastScan::Status::Finished ? 0 : 1;
        app.quit();
    });
    ticker.start(5);
    sinceTick.start();
    scan.start(settings);
    app.exec();
    return code;
}
