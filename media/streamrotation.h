#pragma once

struct AVStream;

// The turn a stream's display matrix asks for, in degrees: 0, 90, 180 or 270.
int streamRotationDegrees(const AVStream *stream);
