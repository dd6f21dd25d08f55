#include "fastscanreport.h"

QString FastScanReport::failureText(const FastScan::Outcome &outcome, const QString &fileName)
{
    if (outcome.status != FastScan::Status::Failed)
        return QString();
    QString reason;
    switch (outcome.failure) {
    case FastScan::Failure::NoVideoStream:
        reason = tr("it has no video stream");
        break;
    case FastScan::Failure::UnsupportedCodec:
        reason = tr("its video codec (%1) cannot be decoded").arg(outcome.detail);
        break;
    case FastScan::Failure::CropOutside:
        reason = tr("the crop rectangle lies outside the picture");
        break;
    case FastScan::Failure::Recogniser:
        reason = outcome.detail;
        break;
    default:
        reason = tr("it cannot be read (%1)").arg(outcome.detail);
        break;
    }
    return QStringLiteral("%1: %2").arg(fileName, reason);
}

QString FastScanReport::warningText(const FastScan::Outcome &outcome)
{
    QStringList parts;
    if (outcome.damagedFrames > 0)
        parts << damageText(outcome.damagedFrames);
    if (outcome.truncated)
        parts << tr("the file ends early; subtitles were read up to where it breaks off");
    return parts.join(QStringLiteral("; "));
}

QString FastScanReport::damageText(int damagedFrames)
{
    return damagedFrames > 0 ? tr("%n damaged frame(s) skipped", nullptr, damagedFrames) : QString();
}
