#pragma once

#include "srtentry.h"

// WebVTT for the web: "WEBVTT" header, cues numbered like SRT, "." before the milliseconds.
class WebVttWriter
{
public:
    static QString toText(const QList<SRTEntry> &entries);
};
