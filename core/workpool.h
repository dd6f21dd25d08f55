#pragma once

class QThreadPool;

// The threads for the program's own long jobs: probing containers, checking dropped files,
// loading recognition engines. Qt 6.4 scales and converts large images on the global pool and
// the GUI thread waits for those pieces, so jobs of ours queued there would hold a paint for as
// long as they run.
class WorkPool
{
public:
    static QThreadPool *instance();
};
